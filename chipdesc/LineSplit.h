#pragma once
// The one line format of the chip list and the chip description files: a line is upper-cased,
// cut to 160 characters and split into a comment and up to 29 blank- or tab-separated tokens.
#include <QString>
#include <array>
#include <cstdint>

namespace vek {

struct ParsedLine {
    static constexpr int kMaxChars = 160;
    static constexpr int kFieldCount = 32;
    static constexpr int kCommentField = 1;
    static constexpr int kFirstTokenField = 4;
    static constexpr int kMaxTokens = kFieldCount - kFirstTokenField + 1; // 29

    struct Field {
        uint8_t start = 0;  // 1-based position in text; 0 for an unused entry
        uint8_t length = 0;
    };

    QString original; // the line as read
    QString text;     // upper-cased, at most 160 characters
    // Entries 1 to 32 (entry 0 is never used): 1 the comment, 2 and 3 unused, 4 onward tokens.
    std::array<Field, kFieldCount + 1> fields{};
    int tokenCount = 0;

    // The characters of text that entry k covers; empty for an unused entry.
    QString FieldText(int k) const;
    // Token k (from 1): entry k + 3.
    QString Token(int k) const { return FieldText(k + kFirstTokenField - 1); }
    // The comment, from the first double quote or semicolon to the end, marker included.
    QString Comment() const { return FieldText(kCommentField); }
    bool HasComment() const { return fields[kCommentField].start != 0; }
};

// Splits line.text into the comment and the tokens (fills fields and tokenCount).
void CutLIPara(ParsedLine &line);

// Keeps the original, upper-cases and cuts it, and splits it.
ParsedLine SplitLine(const QString &original);

// At most n UTF-16 units of text, never ending in half of a surrogate pair.
QString CutText(const QString &text, int n);

// Section keywords and their codes.
enum PseudoCode : int {
    kPseudoProduct = 1,
    kPseudoCompiler = 2,
    kPseudoId = 3,
    kPseudoRom = 4,
    kPseudoReg0 = 5,
    kPseudoReg1 = 6,
    kPseudoRamBank0 = 7, // 7 to 11: "#RAMBANK0" to "#RAMBANK4"
    kPseudoRegBit = 12,  // 12 to 15: "#REGBIT", "#REGBIT1" to "#REGBIT3"
    kPseudoRegByte = 16,
    kPseudoRegWord = 17,
    kPseudoReg3Byte = 18,
    kPseudoStack = 19,
    kPseudoSbmAddr = 20,
    kPseudoSimic = 21,
    kPseudoRegBitStr = 22,
    kPseudoRegByteStr = 23,
    kPseudoRegWordStr = 24,
    kPseudoRegBitStrCn = 25,
    kPseudoRegByteStrCn = 26,
    kPseudoRegWordStrCn = 27,
    kPseudoAdc0S = 28,
    kPseudoOp0S = 29,
    kPseudoCmp0S = 30,
    kPseudoFluke = 31,
    kPseudoAdcClk = 32, // the converter's clock, ADC_CK, at ADCCK0 = 0 and 1
    kPseudoNone = 255,
};

// The section code of a keyword, 255 for any other text. Exact and case-sensitive: callers pass
// the upper-cased token 1.
int IsPseudo(const QString &token);

} // namespace vek
