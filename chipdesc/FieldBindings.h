#pragma once
// Field bindings: for every analog setting name of the ADC, op-amp and comparator panels, the
// register address, width and lowest bit of its field as the chip description gives them.
#include <QString>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

namespace vek {

struct FieldBinding {
    uint16_t address = 0; // chip address 0x000-0x3FF
    uint8_t width = 0;    // number of bits of the field (0 to 8)
    uint8_t position = 0; // lowest bit of the field in the register (0 to 7)
    uint8_t value = 0;    // the panel's working copy of the field's code (selection leaves it)
    bool bound = false;   // set when a chip description bound the name
};

// The bindings of one panel, one per setting name of its table, in table order.
class PanelBindings {
public:
    explicit PanelBindings(std::initializer_list<const char *> names);

    // The binding of a name of this panel's table; nullptr for any other name.
    FieldBinding *Find(const QString &name);
    const FieldBinding *Find(const QString &name) const;
    // The binding of a name of the table; an all-zero binding for any other name.
    const FieldBinding &Get(const QString &name) const;

    const std::vector<std::pair<QString, FieldBinding>> &All() const { return m_fields; }

    // The four option labels (codes 0 to 3) of this panel's "VDDAX" setting, at most 8
    // characters each.
    std::array<QString, 4> vddaLabels;

private:
    std::vector<std::pair<QString, FieldBinding>> m_fields;
};

struct FieldBindings {
    FieldBindings();
    PanelBindings adc; // "#ADC0S"
    PanelBindings op;  // "#OP0S"
    PanelBindings cmp; // "#CMP0S"
};

} // namespace vek
