#pragma once
// The keypad's entry rules: how many digits a value may have and how large each may be, given
// the largest value as text ("FF", "FFF", "FFFF"), and when an entry is complete.
#include <QString>
#include <cstdint>
#include <optional>

namespace vek {

class HexEntry {
public:
    enum class Result {
        Ignored,  // not a digit, or a digit above the bound at its position
        Appended, // the text grew and the entry goes on
        Complete, // the text reached the full length: the entry is accepted at once
    };

    explicit HexEntry(const QString &maxText = QStringLiteral("FF")) { Start(maxText); }

    // A new question: the bound and an empty text.
    void Start(const QString &maxText);
    // A typed or clicked digit ('a'-'f' count as 'A'-'F').
    Result Digit(QChar c);
    void Backspace();
    void Clear() { m_text.clear(); }
    // Enter accepts only a text that is not empty.
    bool CanAccept() const { return !m_text.isEmpty(); }

    const QString &Text() const { return m_text; }
    const QString &MaxText() const { return m_max; }
    // The value of the text; nothing for an empty text.
    std::optional<uint16_t> Value() const;

    // Whether a digit may stand at a position of a text bounded by maxText: no digit beyond the
    // length of maxText, none whose character code is above maxText's at the same position.
    static bool DigitAllowed(const QString &maxText, int position, QChar digit);

private:
    QString m_max;
    QString m_text;
};

// The upper-case hexadecimal digit of a key, or a null character for any other key.
QChar HexDigitOf(QChar c);

} // namespace vek
