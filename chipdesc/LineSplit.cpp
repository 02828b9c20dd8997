#include "chipdesc/LineSplit.h"

namespace vek {

QString ParsedLine::FieldText(int k) const
{
    if (k < 1 || k > kFieldCount)
        return QString();
    const Field &f = fields[static_cast<size_t>(k)];
    if (f.start == 0)
        return QString();
    return text.mid(f.start - 1, f.length);
}

void CutLIPara(ParsedLine &line)
{
    line.fields = {};
    line.tokenCount = 0;
    const QString &t = line.text;
    const int size = static_cast<int>(std::min<qsizetype>(t.size(), ParsedLine::kMaxChars));

    int splitEnd = size; // positions [0, splitEnd) are split into tokens
    for (int i = 0; i < size; ++i) {
        const char16_t c = t[i].unicode();
        if (c == u'"' || c == u';') {
            line.fields[ParsedLine::kCommentField] = {static_cast<uint8_t>(i + 1),
                                                      static_cast<uint8_t>(size - i)};
            splitEnd = i;
            break;
        }
    }

    int entry = ParsedLine::kFirstTokenField;
    int i = 0;
    while (i < splitEnd && entry <= ParsedLine::kFieldCount) {
        const auto isGap = [&](int k) {
            const char16_t c = t[k].unicode();
            return c == u' ' || c == u'\t';
        };
        while (i < splitEnd && isGap(i))
            ++i;
        if (i >= splitEnd)
            break;
        const int start = i;
        while (i < splitEnd && !isGap(i))
            ++i;
        line.fields[static_cast<size_t>(entry)] = {static_cast<uint8_t>(start + 1),
                                                   static_cast<uint8_t>(i - start)};
        ++entry;
        ++line.tokenCount;
    }
}

QString CutText(const QString &text, int n)
{
    if (text.size() <= n)
        return text;
    QString cut = text.left(n);
    if (!cut.isEmpty() && cut.back().isHighSurrogate())
        cut.chop(1);
    return cut;
}

namespace {

// Upper case character by character (one character stays one character), so the first 160
// characters of the result come from the first 160 of the line. ASCII takes the short way; a
// character outside the basic plane is left as it is.
QString UpperCut(const QString &original, int max)
{
    QString out = CutText(original, max);
    char16_t *d = reinterpret_cast<char16_t *>(out.data());
    for (qsizetype i = 0, n = out.size(); i < n; ++i) {
        const char16_t c = d[i];
        if (c < 0x80) {
            if (c >= u'a' && c <= u'z')
                d[i] = static_cast<char16_t>(c - (u'a' - u'A'));
        } else if (!QChar::isSurrogate(c)) {
            d[i] = static_cast<char16_t>(QChar::toUpper(static_cast<char32_t>(c)));
        }
    }
    return out;
}

} // namespace

ParsedLine SplitLine(const QString &original)
{
    ParsedLine line;
    line.original = original;
    line.text = UpperCut(original, ParsedLine::kMaxChars);
    CutLIPara(line);
    return line;
}

int IsPseudo(const QString &token)
{
    static const char *const kKeywords[] = {
        "#PRODUCT",     "#COMPILER",   "#ID",           "#ROM",          "#REG0",
        "#REG1",        "#RAMBANK0",   "#RAMBANK1",     "#RAMBANK2",     "#RAMBANK3",
        "#RAMBANK4",    "#REGBIT",     "#REGBIT1",      "#REGBIT2",      "#REGBIT3",
        "#REGBYTE",     "#REGWORD",    "#REG3BYTE",     "#STACK",        "#SBMADDR",
        "#SIMIC",       "#REGBITSTR",  "#REGBYTESTR",   "#REGWORDSTR",   "#REGBITSTRCN",
        "#REGBYTESTRCN", "#REGWORDSTRCN", "#ADC0S",     "#OP0S",         "#CMP0S",
        "#FLUKE",       "#ADCCLK"};
    if (token.isEmpty() || token[0] != u'#')
        return kPseudoNone;
    for (int i = 0; i < static_cast<int>(std::size(kKeywords)); ++i)
        if (token == QLatin1String(kKeywords[i]))
            return i + 1;
    return kPseudoNone;
}

} // namespace vek
