#include "chipdesc/ChipSelection.h"

#include "app/base/NumberText.h"
#include "chipdesc/ChipFiles.h"
#include "chipdesc/ChipList.h"
#include "chipdesc/LineSplit.h"

namespace vek {

namespace {

constexpr int kDescriptionSectionFirst = kPseudoRegBitStr;
constexpr int kDescriptionSectionLast = kPseudoRegWordStr;

const char *const kPageButtons[4] = {"PPage1", "PPAGE2", "PPAGE3", "PPAGE4"};

QString Indexed(const char *prefix, int n) { return QLatin1String(prefix) + QString::number(n); }

// The code text of a selector option: code k in binary with the given number of digits.
QString CodeText(int code, int digits)
{
    return QString::number(code, 2).rightJustified(digits, u'0');
}

// How a setting name of a binding section prepares its panel.
enum class Prep {
    None,        // binds, prepares nothing
    Enable,      // controls enabled when the width is above 0
    Selector,    // multiplexer with option labels
    Inx,         // pictures of the codes the width allows, and the combo
    AddressOnly, // takes only the address (ADC output bytes)
    Temperature, // binds nothing; shows the temperature sensor panel
    Vddax,       // enable when width > 0, and keep four option labels
    Caption,     // toggle panel with a caption: address, name, caption, width, position
    PlainPanel,  // panel drawn in its 0 state
};

struct SelectorRule {
    int codes;              // 8 or 4
    const char *picture;    // switch pictures: picture + code + "on" / "off"
    const char *label;      // labels: label + index
    const char *combo;
    const char *inputImage; // op-amp input pictures: inputImage + index; nullptr for none
    bool emptyIsAbsent;     // a missing label makes the option absent
    bool doubleDashFloat;   // a label "--" is shown as "Float"
};

struct NameRule {
    const char *name;
    Prep prep;
    std::initializer_list<const char *> controls; // Enable, Vddax, Caption, PlainPanel
    SelectorRule selector;
};

const SelectorRule kNoSelector{0, nullptr, nullptr, nullptr, nullptr, false, false};

const NameRule kAdcNames[] = {
    {"IN0H", Prep::Selector, {}, {8, "INH", "LINH", "TXINH", nullptr, false, false}},
    {"IN0L", Prep::Selector, {}, {8, "INL", "LINL", "TXINL", nullptr, false, false}},
    {"VR0H", Prep::Selector, {}, {4, "VRH", "LVRH", "TXVRH", nullptr, false, false}},
    {"VR0L", Prep::Selector, {}, {4, "VRL", "LVRL", "TXVRL", nullptr, false, false}},
    {"INX0", Prep::Inx, {}, kNoSelector},
    {"IN0IS", Prep::Enable, {"INISon", "INISoff", "PINIS"}, kNoSelector},
    {"PGA0GN", Prep::Enable, {"TXPGAGN"}, kNoSelector},
    {"ENADC0", Prep::Enable, {"PENADC"}, kNoSelector},
    {"ENHIGN0", Prep::Enable, {"PENHIGN"}, kNoSelector},
    {"ENCHP0", Prep::Enable, {"PENCHP"}, kNoSelector},
    {"AD0GN", Prep::Enable, {"TXADGN"}, kNoSelector},
    {"INBUF0", Prep::Enable, {"PINBUFF"}, kNoSelector},
    {"VRBUF0", Prep::Enable, {"PVERBUFF"}, kNoSelector},
    {"VRE0GN", Prep::Enable, {"PVRGN"}, kNoSelector},
    {"ADCCK0", Prep::Enable, {"PADCCK"}, kNoSelector},
    {"DCSET0", Prep::Enable, {"TXDCSET"}, kNoSelector},
    {"OSR0", Prep::Enable, {"TXOSR"}, kNoSelector},
    {"ADCS0", Prep::Enable, {"TXADCS"}, kNoSelector},
    {"ADC0OH", Prep::AddressOnly, {}, kNoSelector},
    {"ADC0OM", Prep::AddressOnly, {}, kNoSelector},
    {"ADC0OL", Prep::AddressOnly, {}, kNoSelector},
    {"TEMPERATURE", Prep::Temperature, {}, kNoSelector},
    {"ENVDDA", Prep::Enable, {"PENVDDA"}, kNoSelector},
    {"VDDAX", Prep::Vddax, {"TXVDDA"}, kNoSelector},
    {"ADCIF", Prep::None, {}, kNoSelector},
};

const NameRule kOpNames[] = {
    {"OP0P", Prep::Selector, {}, {4, "OP0P", "LAP", "TXOP0P", "ImAP", true, false}},
    {"OP0N", Prep::Selector, {}, {8, "OP0N", "LAI", "TXOP0N", "ImAI", false, false}},
    {"ENOP", Prep::Enable, {"PENOP"}, kNoSelector},
    {"OP0M", Prep::Enable, {"TXOP0M"}, kNoSelector},
    {"OP0IS", Prep::Enable, {"POP0IS"}, kNoSelector},
    {"ENVDDA", Prep::Enable, {"PENVDDA"}, kNoSelector},
    {"VDDAX", Prep::Vddax, {"TXVDDA"}, kNoSelector},
};

// The option controls of the comparator's reference source and reference level: their switch
// pictures, their labels and their combo boxes.
std::initializer_list<const char *> kCpvcsControls = {
    "CPVCS00on",  "CPVCS01on",  "CPVCS10on",  "CPVCS11on",  "CPVCS00off", "CPVCS01off",
    "CPVCS10off", "CPVCS11off", "LCPVCS00",   "LCPVCS01",   "LCPVCS10",   "LCPVCS11",
    "TXCPVCS"};
std::initializer_list<const char *> kCpvrsControls = {
    "CPVRS0000on",  "CPVRS0001on",  "CPVRS0010on",  "CPVRS0011on",  "CPVRS0100on",
    "CPVRS0101on",  "CPVRS0110on",  "CPVRS0111on",  "CPVRS1000on",  "CPVRS1001on",
    "CPVRS1010on",  "CPVRS1011on",  "CPVRS1100on",  "CPVRS1101on",  "CPVRS1110on",
    "CPVRS1111on",  "CPVRS0000off", "CPVRS0001off", "CPVRS0010off", "CPVRS0011off",
    "CPVRS0100off", "CPVRS0101off", "CPVRS0110off", "CPVRS0111off", "CPVRS1000off",
    "CPVRS1001off", "CPVRS1010off", "CPVRS1011off", "CPVRS1100off", "CPVRS1101off",
    "CPVRS1110off", "CPVRS1111off", "LCPVRS0000",   "LCPVRS0001",   "LCPVRS0010",
    "LCPVRS0011",   "LCPVRS0100",   "LCPVRS0101",   "LCPVRS0110",   "LCPVRS0111",
    "LCPVRS1000",   "LCPVRS1001",   "LCPVRS1010",   "LCPVRS1011",   "LCPVRS1100",
    "LCPVRS1101",   "LCPVRS1110",   "LCPVRS1111",   "TXCPVRS"};

const NameRule kCmpNames[] = {
    {"CPIH", Prep::Selector, {}, {4, "CPIH", "LCPIH", "TXCPIH", nullptr, true, true}},
    {"CPIL", Prep::Selector, {}, {8, "CPIL", "LCPIL", "TXCPIL", nullptr, true, true}},
    {"ENCPA", Prep::Enable, {"PENCPA"}, kNoSelector},
    {"CPIST", Prep::Enable, {"PCIST"}, kNoSelector},
    {"CPIX", Prep::Enable, {"PCPIX"}, kNoSelector},
    {"CPOIES", Prep::Enable, {"PCPOEG"}, kNoSelector},
    {"CPOX", Prep::Enable, {"PCPOX"}, kNoSelector},
    {"CPOFR", Prep::Enable, {"PCPOFR"}, kNoSelector},
    {"CS1", Prep::Enable, {"PCS1"}, kNoSelector},
    {"CS2", Prep::Enable, {"PCS2"}, kNoSelector},
    {"CAPAT", Prep::Enable, {"PCAPAT"}, kNoSelector},
    {"CPVCS", Prep::Enable, kCpvcsControls, kNoSelector},
    {"CPVRS", Prep::Enable, kCpvrsControls, kNoSelector},
    {"PTMX", Prep::Caption, {"PPMX"}, kNoSelector},
    {"TRISCX", Prep::Caption, {"PTCX"}, kNoSelector},
    {"PTDAX", Prep::Caption, {"PDAX"}, kNoSelector},
    {"CPOIF", Prep::PlainPanel, {"PCPOIF"}, kNoSelector},
    {"ENVDDA", Prep::Enable, {"PENVDDA"}, kNoSelector},
    {"VDDAX", Prep::Vddax, {"TXVDDA"}, kNoSelector},
    {"ENREF", Prep::Enable, {"PREFO"}, kNoSelector},
};

template <size_t N>
const NameRule *FindName(const NameRule (&table)[N], const QString &name)
{
    for (const NameRule &s : table)
        if (name == QLatin1String(s.name))
            return &s;
    return nullptr;
}

// Reads the lines of one description file into the scope.
class DescriptionReader {
public:
    explicit DescriptionReader(ChipSelectionScope &s) : m_s(s) {}

    void Line(const QString &raw)
    {
        const ParsedLine line = SplitLine(raw);
        const int code = IsPseudo(line.Token(1));
        if (code != kPseudoNone) {
            Keyword(code);
            if (code != kPseudoFluke)
                m_section = code;
            return;
        }
        if (m_section == 0)
            return;
        if (m_section >= kDescriptionSectionFirst && m_section <= kDescriptionSectionLast) {
            Description(line);
            return;
        }
        if (line.tokenCount == 0)
            return;
        SectionLine(line);
    }

private:
    // A number token; one that does not parse gives the last number that did.
    int32_t Number(const QString &token)
    {
        int32_t v = 0;
        if (ParseNumber(token, v))
            m_lastNumber = v;
        return m_lastNumber;
    }
    uint16_t Number16(const QString &token) { return static_cast<uint16_t>(Number(token)); }
    // A clock frequency: a token that is missing, does not parse or is not above 0 leaves the
    // clock unknown (0) rather than borrowing the last number, which would show a rate that is
    // not the chip's.
    uint32_t ClockHz(const QString &token)
    {
        int32_t v = 0;
        if (!ParseNumber(token, v))
            return 0;
        m_lastNumber = v;
        return v > 0 ? static_cast<uint32_t>(v) : 0;
    }
    uint8_t Number8(const QString &token) { return static_cast<uint8_t>(Number(token)); }

    static bool InImage(uint16_t address) { return address < kChipAddressCount; }

    void Keyword(int code)
    {
        switch (code) {
        case kPseudoRegBit:
            // The bit-register part starts over: the records, the page sizes and the page panels.
            m_s.bitRegs.Clear();
            m_s.chip.bitRegisterCounts = {};
            for (const char *b : kPageButtons)
                m_s.prep.reg[QLatin1String(b)].visible = false;
            m_currentBit = -1;
            m_bitListCleared = true;
            break;
        case kPseudoRegByte:
            m_s.byteRegs.Clear();
            m_s.chip.byteRegisterCount = 0;
            m_s.prep.byteGrid.SetRowCount(0);
            m_currentByte = -1;
            break;
        case kPseudoRegWord:
            m_s.wordRegs.Clear();
            m_s.chip.wordRegisterCount = 0;
            m_s.prep.wordGrid.SetRowCount(0);
            m_currentWord = -1;
            break;
        case kPseudoAdc0S:
            m_s.chip.hasAdcSection = true;
            break;
        case kPseudoOp0S:
            m_s.chip.hasOpSection = true;
            break;
        case kPseudoCmp0S:
            m_s.chip.hasCmpSection = true;
            break;
        case kPseudoFluke:
            for (const char *c : {"Label8", "FlukeCOM", "FlukeSelect", "Label13", "PowerCOM",
                                  "PowerSelect"})
                m_s.prep.option[QLatin1String(c)].visible = true;
            if (m_s.showInstrumentMenus)
                m_s.showInstrumentMenus();
            break;
        default:
            break;
        }
    }

    void SectionLine(const ParsedLine &line)
    {
        ChipDescription &chip = m_s.chip;
        const auto tok = [&](int k) { return line.Token(k); };
        switch (m_section) {
        case kPseudoProduct: {
            chip.productName = tok(1);
            m_s.prep.registerCaption = chip.productName + QStringLiteral("Register");
            if (chip.productName == u"ZR100") {
                m_s.interfaceIndex = static_cast<int>(InterfaceKind::Special);
                if (m_s.slotInterface)
                    *m_s.slotInterface = InterfaceKind::Special;
            }
            break;
        }
        case kPseudoCompiler:
            chip.compilerName = tok(1);
            break;
        case kPseudoId:
            chip.chipId = Number16(tok(1));
            break;
        case kPseudoRom: {
            const auto rom = static_cast<uint32_t>(Number(tok(1)));
            chip.romSize = rom < 256 ? ChipDescription::kDefaultRomSize : rom;
            break;
        }
        case kPseudoReg0:
        case kPseudoReg1: {
            AddressRange &r = m_section == kPseudoReg0 ? chip.reg0 : chip.reg1;
            r.start = Number16(tok(1));
            r.end = Number16(tok(2));
            break;
        }
        case kPseudoRamBank0:
        case kPseudoRamBank0 + 1:
        case kPseudoRamBank0 + 2:
        case kPseudoRamBank0 + 3:
        case kPseudoRamBank0 + 4:
            RamBank(m_section - kPseudoRamBank0, tok(1), tok(2));
            break;
        case kPseudoRegBit:
        case kPseudoRegBit + 1:
        case kPseudoRegBit + 2:
        case kPseudoRegBit + 3:
            BitRegister(m_section - kPseudoRegBit, line);
            break;
        case kPseudoRegByte:
            ByteRegister(line);
            break;
        case kPseudoRegWord:
            WordRegister(line);
            break;
        case kPseudoReg3Byte:
            ++chip.threeByteRegisterCount;
            break;
        case kPseudoStack: {
            const uint8_t depth = Number8(tok(1));
            chip.stackDepth = depth < 4 ? 4 : depth;
            break;
        }
        case kPseudoSimic:
            chip.simic = Number16(tok(1));
            break;
        case kPseudoAdcClk:
            chip.adcClockHz = {ClockHz(tok(1)), ClockHz(tok(2))};
            break;
        case kPseudoAdc0S:
            Binding(line, m_s.bindings.adc, m_s.prep.adc, kAdcNames);
            break;
        case kPseudoOp0S:
            Binding(line, m_s.bindings.op, m_s.prep.op, kOpNames);
            break;
        case kPseudoCmp0S:
            Binding(line, m_s.bindings.cmp, m_s.prep.cmp, kCmpNames);
            break;
        default: // "#SBMADDR", the Chinese description sections, unknown keywords' lines
            break;
        }
    }

    void RamBank(int bank, const QString &startToken, const QString &endToken)
    {
        AddressRange &r = m_s.chip.ramBanks[static_cast<size_t>(bank)];
        r.start = Number16(startToken);
        r.end = Number16(endToken);
        if (!r.Defined())
            return;
        const int last = std::min<int>(r.end, kChipAddressCount - 1);
        for (int a = r.start; a <= last; ++a)
            m_s.chip.addressMask[static_cast<size_t>(a)] = 0xFF;
        m_s.prep.ram[Indexed("PBank", bank)].visible = true;
        m_s.prep.ram[Indexed("RAMBANK", bank)].visible = true;
    }

    void ForgetShown(uint16_t address)
    {
        if (InImage(address))
            m_s.lastShown[address] = 0;
    }

    void BitRegister(int page, const ParsedLine &line)
    {
        // The page sizes count from 0 in every reading, so records that an earlier selection
        // left in the list could only be shown under the wrong page (and would pile up with every
        // selection of a description without "#REGBIT"): the first bit register of a reading
        // starts the list afresh.
        if (!m_bitListCleared) {
            m_s.bitRegs.Clear();
            m_currentBit = -1;
            m_bitListCleared = true;
        }
        m_s.prep.reg[QLatin1String(kPageButtons[page])].visible = true;
        BitRegisterEntry e;
        e.address = Number16(line.Token(1));
        e.name = CutText(line.Token(2), kRegNameMax);
        uint8_t mask = 0xFF;
        for (int i = 0; i < 8; ++i) {
            const QString bitName = line.Token(3 + i);
            if (bitName == u"-")
                mask &= static_cast<uint8_t>(~(1u << (7 - i)));
            e.bits[static_cast<size_t>(i)].name = CutText(bitName, kRegNameMax);
        }
        if (InImage(e.address))
            m_s.chip.addressMask[e.address] = mask;
        ForgetShown(e.address);
        if (m_s.bitRegs.Add(e) == 0)
            ++m_s.chip.bitRegisterCounts[static_cast<size_t>(page)];
    }

    // The n-th name of a byte or word list goes to column n mod 9 of name row 2 x (n div 9); the
    // value row below it is left empty for the register panel.
    static void PlaceName(NameGrid &grid, int n, const QString &name)
    {
        const int row = 2 * (n / NameGrid::kColumns);
        if (n % NameGrid::kColumns == 0)
            grid.SetRowCount(row + 2);
        grid.SetCell(n % NameGrid::kColumns, row, name);
        grid.ClearRow(grid.RowCount() - 1);
    }

    void ByteRegister(const ParsedLine &line)
    {
        ByteRegisterEntry e;
        e.address = Number16(line.Token(1));
        const QString name = line.Token(2);
        const uint8_t mask = Number8(line.Token(3));
        if (InImage(e.address))
            m_s.chip.addressMask[e.address] = mask;
        ForgetShown(e.address);
        const int n = m_s.byteRegs.Count();
        if (m_s.byteRegs.Add(e) != 0)
            return;
        PlaceName(m_s.prep.byteGrid, n, name);
        ++m_s.chip.byteRegisterCount;
    }

    void WordRegister(const ParsedLine &line)
    {
        WordRegisterEntry e;
        e.highAddress = Number16(line.Token(1));
        const QString name = line.Token(2);
        e.lowAddress = Number16(line.Token(3));
        const uint8_t highMask = Number8(line.Token(5));
        const uint8_t lowMask = Number8(line.Token(6));
        if (InImage(e.highAddress))
            m_s.chip.addressMask[e.highAddress] = highMask;
        if (InImage(e.lowAddress))
            m_s.chip.addressMask[e.lowAddress] = lowMask;
        ForgetShown(e.highAddress);
        ForgetShown(e.lowAddress);
        const int n = m_s.wordRegs.Count();
        if (m_s.wordRegs.Add(e) != 0)
            return;
        PlaceName(m_s.prep.wordGrid, n, name);
        ++m_s.chip.wordRegisterCount;
    }

    template <typename List>
    static int FindRecord(const List &list, int32_t address)
    {
        for (int i = 0; i < list.Count(); ++i)
            if (list.AddressOf(i) == address)
                return i;
        return -1;
    }

    // A line of "#REGBITSTR", "#REGBYTESTR" or "#REGWORDSTR".
    void Description(const ParsedLine &line)
    {
        int32_t address = 0;
        if (ParseNumber(line.Token(1), address)) {
            m_lastNumber = address;
            if (m_section == kPseudoRegBitStr) {
                if (const int i = FindRecord(m_s.bitRegs, address); i >= 0) {
                    m_currentBit = i;
                    m_bitLine = 0;
                }
            } else if (m_section == kPseudoRegByteStr) {
                if (const int i = FindRecord(m_s.byteRegs, address); i >= 0)
                    m_currentByte = i;
            } else if (const int i = FindRecord(m_s.wordRegs, address); i >= 0) {
                m_currentWord = i;
            }
            return;
        }
        if (!line.HasComment())
            return;
        // The text follows the leading quote mark, in the letter case it was written in.
        const auto text = [&](int max) { return CutText(line.original.mid(1, max + 1), max); };
        if (m_section == kPseudoRegBitStr) {
            BitRegisterEntry *e = m_s.bitRegs.Item(m_currentBit);
            if (!e)
                return;
            if (m_bitLine == 0)
                e->description = text(kRegDescriptionMax);
            else if (m_bitLine <= 8)
                e->bits[static_cast<size_t>(m_bitLine - 1)].description = text(kBitDescriptionMax);
            if (m_bitLine <= 8)
                ++m_bitLine;
        } else if (m_section == kPseudoRegByteStr) {
            if (ByteRegisterEntry *e = m_s.byteRegs.Item(m_currentByte))
                e->description = text(kRegDescriptionMax);
        } else if (WordRegisterEntry *e = m_s.wordRegs.Item(m_currentWord)) {
            e->description = text(kRegDescriptionMax);
        }
    }

    template <size_t N>
    void Binding(const ParsedLine &line, PanelBindings &bindings, ControlPreps &prep,
                 const NameRule (&table)[N])
    {
        const QString name = line.Token(2);
        const NameRule *rule = FindName(table, name);
        if (!rule)
            return;
        if (rule->prep == Prep::Temperature) {
            prep[QStringLiteral("PTemp")].visible = true;
            return;
        }
        FieldBinding *b = bindings.Find(name);
        const uint16_t address = Number16(line.Token(1));
        // A field must lie in a chip register: an address outside the chip, a width above 8 or
        // a position above 7 would send the panels' field arithmetic astray, so such a line is
        // refused like a name outside the table.
        if (!b || !InImage(address))
            return;
        if (rule->prep == Prep::AddressOnly) {
            b->address = address;
            b->bound = true;
            return;
        }
        const bool caption = rule->prep == Prep::Caption;
        const QString captionText = caption ? line.Token(3) : QString();
        const int fieldToken = caption ? 4 : 3;
        const uint8_t width = Number8(line.Token(fieldToken));
        const uint8_t position = Number8(line.Token(fieldToken + 1));
        if (width > 8 || position > 7)
            return;
        b->address = address;
        b->width = width;
        b->position = position;
        b->bound = true;

        switch (rule->prep) {
        case Prep::Enable:
        case Prep::Vddax:
            if (width > 0)
                for (const char *c : rule->controls)
                    prep[QLatin1String(c)].enabled = true;
            if (rule->prep == Prep::Vddax)
                for (int k = 0; k < 4; ++k)
                    bindings.vddaLabels[static_cast<size_t>(k)] = CutText(line.Token(5 + k), 8);
            break;
        case Prep::Selector:
            Selector(line, rule->selector, prep);
            break;
        case Prep::Inx: {
            static const char *const kPictures[4] = {"INX00", "INX01", "INX10", "INX11"};
            const int codes = std::min(1 << width, 4);
            for (int k = 0; k < codes; ++k)
                prep[QLatin1String(kPictures[k])].enabled = true;
            prep[QStringLiteral("TXINX")].enabled = true;
            break;
        }
        case Prep::Caption: {
            ControlPrep &p = prep[QLatin1String(*rule->controls.begin())];
            p.enabled = true;
            p.caption = captionText;
            break;
        }
        case Prep::PlainPanel:
            prep[QLatin1String(*rule->controls.begin())].highlighted = false;
            break;
        default:
            break;
        }
    }

    static void Selector(const ParsedLine &line, const SelectorRule &sel, ControlPreps &prep)
    {
        const int digits = sel.codes == 8 ? 3 : 2;
        QStringList items;
        for (int k = 0; k < sel.codes; ++k) {
            const QString label = line.Token(5 + k);
            const bool present = label != u"-" && !(sel.emptyIsAbsent && label.isEmpty());
            const QString code = CodeText(k, digits);
            const QString pic = QLatin1String(sel.picture) + code;
            prep[pic + QStringLiteral("on")].enabled = present;
            prep[pic + QStringLiteral("off")].enabled = present;
            ControlPrep &l = prep[Indexed(sel.label, k)];
            l.visible = present;
            if (sel.inputImage)
                prep[Indexed(sel.inputImage, k)].visible = present;
            if (!present)
                continue;
            l.caption = (sel.doubleDashFloat && label == u"--") ? QStringLiteral("Float") : label;
            items << code;
        }
        ControlPrep &combo = prep[QLatin1String(sel.combo)];
        combo.items = items;
        combo.enabled = true;
        combo.currentIndex = items.isEmpty() ? -1 : 0;
    }

    ChipSelectionScope &m_s;
    int m_section = 0;
    int32_t m_lastNumber = 0;
    int m_currentBit = -1;
    int m_currentByte = -1;
    int m_currentWord = -1;
    int m_bitLine = 0;
    bool m_bitListCleared = false;
};

// Unbinds every setting of a panel (its working values stay) and takes back what an earlier
// selection prepared on its controls: options, labels and lists of the model before.
template <size_t N>
void ForgetBindings(PanelBindings &bindings, ControlPreps &prep, const NameRule (&table)[N])
{
    for (const NameRule &rule : table) {
        if (FieldBinding *b = bindings.Find(QLatin1String(rule.name))) {
            b->address = 0;
            b->width = 0;
            b->position = 0;
            b->bound = false;
        }
        for (const char *c : rule.controls)
            prep[QLatin1String(c)].enabled = false;
        if (rule.prep == Prep::Inx) {
            for (const char *c : {"INX00", "INX01", "INX10", "INX11", "TXINX"})
                prep[QLatin1String(c)].enabled = false;
        }
        if (rule.prep != Prep::Selector)
            continue;
        const SelectorRule &sel = rule.selector;
        const int digits = sel.codes == 8 ? 3 : 2;
        for (int k = 0; k < sel.codes; ++k) {
            const QString pic = QLatin1String(sel.picture) + CodeText(k, digits);
            prep[pic + QStringLiteral("on")].enabled = false;
            prep[pic + QStringLiteral("off")].enabled = false;
            ControlPrep &l = prep[Indexed(sel.label, k)];
            l.visible = false;
            l.caption = QString();
            if (sel.inputImage)
                prep[Indexed(sel.inputImage, k)].visible = false;
        }
        ControlPrep &combo = prep[QLatin1String(sel.combo)];
        combo.items = QStringList();
        combo.enabled = false;
        combo.currentIndex = -1;
    }
    bindings.vddaLabels = {};
}

void ResetForSelection(ChipSelectionScope &s)
{
    ChipDescription &chip = s.chip;
    chip.chipId = 0;
    chip.romSize = ChipDescription::kDefaultRomSize;
    chip.reg0 = {};
    chip.reg1 = {};
    chip.ramBanks = {};
    chip.bitRegisterCounts = {};
    chip.byteRegisterCount = 0;
    chip.wordRegisterCount = 0;
    chip.threeByteRegisterCount = 0;
    chip.hasAdcSection = false;
    chip.hasOpSection = false;
    chip.adcClockHz = {};

    for (int n = 0; n < ChipDescription::kRamBanks; ++n) {
        s.prep.ram[Indexed("PBank", n)].visible = false;
        s.prep.ram[Indexed("RAMBANK", n)].visible = false;
    }
    s.prep.bitGrid.SetRowCount(0);
    s.prep.byteGrid.SetRowCount(0);
    for (const char *b : kPageButtons)
        s.prep.reg[QLatin1String(b)].visible = false;

    // Every binding starts over: a setting the new model does not describe keeps no register of
    // the model before it, so its controls are greyed and nothing is ever written for it.
    ForgetBindings(s.bindings.adc, s.prep.adc, kAdcNames);
    ForgetBindings(s.bindings.op, s.prep.op, kOpNames);
    ForgetBindings(s.bindings.cmp, s.prep.cmp, kCmpNames);
    s.prep.adc[QStringLiteral("PTemp")].visible = false;
}

} // namespace

NameGrid BuildBitPage(const TCRREGBitPtr &bitRegs, const std::array<uint16_t, 4> &pageCounts,
                      int page)
{
    NameGrid grid;
    if (page < 0 || page > 3)
        return grid;
    int first = 0;
    for (int p = 0; p < page; ++p)
        first += pageCounts[static_cast<size_t>(p)];
    const int rows = pageCounts[static_cast<size_t>(page)];
    grid.SetRowCount(rows);
    for (int r = 0; r < rows; ++r) {
        const BitRegisterEntry *e = bitRegs.Item(first + r);
        if (!e)
            break;
        grid.SetCell(0, r, e->name);
        for (int i = 0; i < 8; ++i)
            grid.SetCell(1 + i, r, e->bits[static_cast<size_t>(i)].name);
    }
    return grid;
}

void SelectFromDescription(const QByteArray &description, ChipSelectionScope &s)
{
    ResetForSelection(s);

    DescriptionReader reader(s);
    const QString text = DecodeChipText(description);
    qsizetype pos = 0;
    while (pos < text.size()) {
        qsizetype end = text.indexOf(u'\n', pos);
        if (end < 0)
            end = text.size();
        qsizetype len = end - pos;
        if (len > 0 && text[end - 1] == u'\r')
            --len;
        reader.Line(text.mid(pos, len));
        pos = end + 1;
    }

    // A bank that is absent or out of range shows bank 0 instead.
    if (s.currentBank < 0 || s.currentBank >= ChipDescription::kRamBanks ||
        !s.chip.ramBanks[static_cast<size_t>(s.currentBank)].Defined())
        s.currentBank = 0;
    // Pages 1 to 3 without bit registers, and pages out of range, fall back to page 0.
    if (s.currentPage < 0 || s.currentPage > 3 ||
        (s.currentPage > 0 && s.chip.bitRegisterCounts[static_cast<size_t>(s.currentPage)] == 0))
        s.currentPage = 0;
    s.prep.bitGrid = BuildBitPage(s.bitRegs, s.chip.bitRegisterCounts, s.currentPage);

    if (!s.chip.hasAdcSection)
        s.adcReservedFlag = false;
}

bool GetSELUP(ChipSelectionScope &s)
{
    s.chip.addressMask.fill(0);
    ++s.prep.generation;
    const QString dir = IncludeDirectory(s.programDir);
    QByteArray bytes;
    if (!ReadChipFile(ResolveIncludeName(dir, QLatin1String(kChipListFileName)), bytes))
        return false;
    const QString fileName = ChipListFileName(DecodeChipText(bytes), s.chipModelIndex);
    if (fileName.isEmpty() || !ReadChipFile(ResolveIncludeName(dir, fileName), bytes))
        return false;
    SelectFromDescription(bytes, s);
    return true;
}

ChipSelectionScope ChipModelState::Scope(const QString &programDir, int chipModelIndex)
{
    return ChipSelectionScope{programDir, chipModelIndex, interfaceIndex, &slotInterface, chip,
                              bitRegs,    byteRegs,       wordRegs,       bindings,       prep,
                              lastShown,  currentBank,    currentPage,    adcReservedFlag, {}};
}

} // namespace vek
