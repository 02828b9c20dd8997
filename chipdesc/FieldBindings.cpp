#include "chipdesc/FieldBindings.h"

namespace vek {

PanelBindings::PanelBindings(std::initializer_list<const char *> names)
{
    m_fields.reserve(names.size());
    for (const char *n : names)
        m_fields.emplace_back(QString::fromLatin1(n), FieldBinding{});
}

FieldBinding *PanelBindings::Find(const QString &name)
{
    for (auto &[n, b] : m_fields)
        if (n == name)
            return &b;
    return nullptr;
}

const FieldBinding *PanelBindings::Find(const QString &name) const
{
    for (const auto &[n, b] : m_fields)
        if (n == name)
            return &b;
    return nullptr;
}

const FieldBinding &PanelBindings::Get(const QString &name) const
{
    static const FieldBinding kUnbound{};
    const FieldBinding *b = Find(name);
    return b ? *b : kUnbound;
}

FieldBindings::FieldBindings()
    : adc({"IN0H", "IN0L", "VR0H", "VR0L", "INX0", "IN0IS", "PGA0GN", "ENADC0", "ENHIGN0",
           "ENCHP0", "AD0GN", "INBUF0", "VRBUF0", "VRE0GN", "ADCCK0", "DCSET0", "OSR0", "ADCS0",
           "ADC0OH", "ADC0OM", "ADC0OL", "ENVDDA", "VDDAX", "ADCIF"}),
      op({"OP0P", "OP0N", "ENOP", "OP0M", "OP0IS", "ENVDDA", "VDDAX"}),
      cmp({"CPIH", "CPIL", "ENCPA", "CPIST", "CPIX", "CPOIES", "CPOX", "CPOFR", "CS1", "CS2",
           "CAPAT", "CPVCS", "CPVRS", "PTMX", "TRISCX", "PTDAX", "CPOIF", "ENVDDA", "VDDAX",
           "ENREF"})
{
}

} // namespace vek
