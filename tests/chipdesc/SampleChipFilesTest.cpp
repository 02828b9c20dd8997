// The ZR family files that ship in INCLUDE: every model selects, together they bind every
// setting name, and they agree with the addresses the program itself uses.
#include "chipdesc/ChipList.h"
#include "chipdesc/ChipSelection.h"
#include "link/ChipAccess.h"

#include <QRegularExpression>
#include <gtest/gtest.h>
#include <set>

using namespace vek;

namespace {

const QString kSourceDir = QStringLiteral(VEK_SOURCE_DIR);

struct Selected {
    ChipModelState m;
    int flukeCalls = 0;
    bool ok = false;
};

std::unique_ptr<Selected> Select(int index)
{
    auto s = std::make_unique<Selected>();
    ChipSelectionScope scope = s->m.Scope(kSourceDir, index);
    scope.showInstrumentMenus = [p = s.get()] { ++p->flukeCalls; };
    s->ok = GetSELUP(scope);
    return s;
}

bool HasChinese(const QString &t)
{
    static const QRegularExpression cjk(QStringLiteral("[\\x{4E00}-\\x{9FFF}]"));
    return t.contains(cjk);
}

bool HasEnglish(const QString &t)
{
    static const QRegularExpression word(QStringLiteral("[A-Za-z]{4,}"));
    return t.contains(word);
}

} // namespace

TEST(SampleChipFiles, EveryListedModelSelects)
{
    const QStringList list = ReadChipList(kSourceDir);
    ASSERT_EQ(list, (QStringList{"ZS300  (16K)", "ZR300  (8K)", "ZR200  (4K)", "ZR100  (2K)",
                                 "ZR400  (8K)"}));
    for (int i = 0; i < list.size(); ++i) {
        auto s = Select(i);
        ASSERT_TRUE(s->ok) << i;
        EXPECT_EQ(s->m.chip.productName, list[i].section(' ', 0, 0)) << i;
        EXPECT_EQ(s->m.prep.registerCaption, s->m.chip.productName + "Register");
        EXPECT_EQ(s->m.interfaceIndex == 2, s->m.chip.productName == "ZR100") << i;
        EXPECT_EQ(s->flukeCalls > 0, s->m.chip.productName == "ZR400") << i;
        EXPECT_GT(s->m.chip.adcClockHz[0], 0u) << i; // "#ADCCLK": every model's rate is known
        EXPECT_GT(s->m.chip.adcClockHz[1], 0u) << i;
    }
}

TEST(SampleChipFiles, TogetherTheyBindEverySettingName)
{
    const char *const panels[] = {"ADC ", "OP ", "CMP "};
    std::set<std::string> unbound;
    const FieldBindings names;
    const PanelBindings *tables[] = {&names.adc, &names.op, &names.cmp};
    for (int k = 0; k < 3; ++k)
        for (const auto &[n, b] : tables[k]->All())
            unbound.insert(panels[k] + n.toStdString());
    bool temperature = false;
    for (int i = 0; i < 5; ++i) {
        auto s = Select(i);
        const FieldBindings &b = s->m.bindings;
        const PanelBindings *mine[] = {&b.adc, &b.op, &b.cmp};
        for (int k = 0; k < 3; ++k)
            for (const auto &[n, f] : mine[k]->All())
                if (f.bound)
                    unbound.erase(panels[k] + n.toStdString());
        const ControlPrep *temp = s->m.prep.adc.Find("PTemp");
        temperature = temperature || (temp && temp->visible.value_or(false));
    }
    for (const std::string &n : unbound)
        ADD_FAILURE() << n << " is bound by no model";
    EXPECT_TRUE(temperature);
}

TEST(SampleChipFiles, FieldsLieInBitsThatExist)
{
    for (int i = 0; i < 5; ++i) {
        auto s = Select(i);
        const ChipModelState &m = s->m;
        const FieldBindings &b = m.bindings;
        for (const PanelBindings *p : {&b.adc, &b.op, &b.cmp})
            for (const auto &[n, f] : p->All()) {
                if (!f.bound)
                    continue;
                const unsigned fieldBits = ((1u << f.width) - 1u) << f.position;
                EXPECT_EQ(m.chip.addressMask[f.address] & fieldBits, fieldBits)
                    << m.chip.productName.toStdString() << " " << n.toStdString();
                EXPECT_LE(f.width + f.position, 8) << n.toStdString();
            }
    }
}

TEST(SampleChipFiles, AddressesTheProgramUsesExist)
{
    bool bank1 = false, bank2 = false;
    for (int i = 0; i < 5; ++i) {
        auto s = Select(i);
        const ChipModelState &m = s->m;
        const std::string model = m.chip.productName.toStdString();
        for (int a : {0x29, 0x0F, 0x10, 0x11, 0x12, 0x1A, 0x1B, 0x23, 0x30, 0x31, 0x32, 0x34, 0x37,
                      0x39, 0x3A, 0x3C, 0x3D, 0x3E, 0x3F, 0x40, 0x49, 0x74, 0x75, 0x7F, 0xA4,
                      0xAD, 0xD2, 0xF0, 0xC0, 0xEF})
            EXPECT_NE(m.chip.addressMask[static_cast<size_t>(a)], 0) << model << " " << a;
        EXPECT_EQ(m.chip.addressMask[0x3C] & 0x1F, 0x1F) << model; // both gain fields
        EXPECT_EQ(m.chip.addressMask[0x3D] & 0x08, 0x08) << model; // reference halving
        EXPECT_EQ(m.chip.addressMask[0x75] & 0x08, 0x08) << model;
        EXPECT_EQ(m.chip.addressMask[0x74] & 0x08, 0x08) << model;
        const FieldBindings &b = m.bindings;
        EXPECT_EQ(b.adc.Get("ADC0OL").address, 0x39) << model;
        EXPECT_EQ(b.adc.Get("ADC0OM").address, 0x3A) << model;
        if (b.adc.Get("ADC0OH").bound) {
            EXPECT_EQ(b.adc.Get("ADC0OH").address, 0x3B) << model;
        }
        EXPECT_EQ(b.adc.Get("AD0GN").address, 0x3C);
        EXPECT_EQ(b.adc.Get("AD0GN").position, 0);
        EXPECT_EQ(b.adc.Get("PGA0GN").position, 3);
        EXPECT_EQ(b.adc.Get("VRE0GN").address, 0x3D);
        EXPECT_EQ(b.adc.Get("VRE0GN").position, 3);
        const ChipDescription &c = m.chip;
        bank1 = bank1 || (c.ramBanks[1].start == 0x100 && c.ramBanks[1].end == 0x17F);
        bank2 = bank2 || (c.ramBanks[2].start == 0x200 && c.ramBanks[2].end == 0x2FF);
        // The FSR pairs are word registers made of 0x0F/0x10 and 0x11/0x12.
        EXPECT_EQ(m.wordRegs.AddressOf(0), 0x0F10);
        EXPECT_EQ(m.wordRegs.AddressOf(1), 0x1112);
    }
    EXPECT_TRUE(bank1);
    EXPECT_TRUE(bank2);
}

TEST(SampleChipFiles, PlainHeaderModelsDeclareNothingTheyCannotReach)
{
    int plain = 0;
    for (int i = 0; i < 5; ++i) {
        auto s = Select(i);
        const ChipDescription &c = s->m.chip;
        if (!UsesPlainSpecialHeader(c.productName, i))
            continue;
        ++plain;
        for (int a = kPlainSpecialReach; a < kChipMemorySize; ++a)
            ASSERT_EQ(c.addressMask[size_t(a)], 0) << c.productName.toStdString() << " " << a;
    }
    EXPECT_EQ(plain, 2);
}

TEST(SampleChipFiles, RegistersOnSeveralPagesWithHelpTextsInBothLanguages)
{
    bool english = false, chinese = false;
    int maxPages = 0;
    for (int i = 0; i < 5; ++i) {
        auto s = Select(i);
        const ChipModelState &m = s->m;
        int pages = 0;
        for (uint16_t n : m.chip.bitRegisterCounts)
            pages += n > 0;
        maxPages = std::max(maxPages, pages);
        EXPECT_GE(pages, 2);
        EXPECT_GT(m.byteRegs.Count(), 0);
        EXPECT_GT(m.wordRegs.Count(), 0);
        for (int r = 0; r < m.bitRegs.Count(); ++r) {
            const BitRegisterEntry *e = m.bitRegs.Item(r);
            EXPECT_FALSE(e->description.isEmpty()) << e->name.toStdString();
            EXPECT_FALSE(e->bits[7].description.isEmpty()) << e->name.toStdString();
            english = english || HasEnglish(e->description);
            chinese = chinese || HasChinese(e->bits[0].description);
        }
        for (int r = 0; r < m.byteRegs.Count(); ++r)
            EXPECT_FALSE(m.byteRegs.Item(r)->description.isEmpty());
        for (int r = 0; r < m.wordRegs.Count(); ++r)
            EXPECT_FALSE(m.wordRegs.Item(r)->description.isEmpty());
    }
    EXPECT_EQ(maxPages, 4);
    EXPECT_TRUE(english);
    EXPECT_TRUE(chinese);
}

TEST(SampleChipFiles, TheBig5ModelReadsItsChineseTexts)
{
    auto s = Select(2); // ZR200, stored in code page 950
    ASSERT_EQ(s->m.chip.productName, "ZR200");
    const BitRegisterEntry *status = s->m.bitRegs.Item(0);
    EXPECT_EQ(status->description, QStringLiteral("狀態暫存器"));
    EXPECT_EQ(status->bits[7].description, QStringLiteral("零旗標"));
}

// Every option a shipped model offers names itself: a selector's code is either labelled or
// marked absent ("-"), never a switch without a text; so are the four supply levels.
TEST(SampleChipFiles, EveryOfferedOptionHasALabel)
{
    struct Labels {
        const char *prefix;
        int codes;
    };
    const QStringList list = ReadChipList(kSourceDir);
    for (int i = 0; i < list.size(); ++i) {
        auto s = Select(i);
        ASSERT_TRUE(s->ok) << i;
        const PanelPreparation &prep = s->m.prep;
        const std::pair<const ControlPreps *, std::vector<Labels>> sets[] = {
            {&prep.adc, {{"LINH", 8}, {"LINL", 8}, {"LVRH", 4}, {"LVRL", 4}}},
            {&prep.op, {{"LAP", 4}, {"LAI", 8}}},
            {&prep.cmp, {{"LCPIH", 4}, {"LCPIL", 8}}},
        };
        for (const auto &[preps, labels] : sets)
            for (const Labels &l : labels)
                for (int k = 0; k < l.codes; ++k) {
                    const QString name = QLatin1String(l.prefix) + QString::number(k);
                    const ControlPrep *p = preps->Find(name);
                    if (p && p->visible.value_or(false)) {
                        EXPECT_FALSE(p->caption.value_or(QString()).isEmpty())
                            << list[i].toStdString() << " " << name.toStdString();
                    }
                }
        for (const PanelBindings *b : {&s->m.bindings.adc, &s->m.bindings.op, &s->m.bindings.cmp})
            if (b->Get("VDDAX").bound) {
                for (const QString &label : b->vddaLabels)
                    EXPECT_FALSE(label.isEmpty()) << list[i].toStdString();
            }
    }
}
