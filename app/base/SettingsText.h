#pragma once
// The program's own settings files: plain text lines ended by CR LF, numbers right-aligned in
// fixed-width decimal fields. Readers take whole lines, or numbers in free format (blanks and
// line ends between them are skipped) with the rest of a line skipped. When reading, a line ends
// with CR LF, LF or a lone CR.
#include <QByteArray>
#include <QString>
#include <cstdint>

namespace vek {

// Settings files are a few hundred bytes; anything past this much is never looked at, so a huge
// or endless file cannot stall the start-up.
constexpr qint64 kSettingsFileReadLimit = 1 << 20;

// Reads at most kSettingsFileReadLimit bytes of a regular file (a folder, a pipe or a device is
// refused, so reading can never block). False when the file cannot be read.
bool ReadSettingsFile(const QString &path, QByteArray &bytes);

// Appends a number right-aligned in a field of the given width. A number that fills its field or
// is wider still gets one blank in front when the line already holds something, so that numbers
// never run together and always read back as they were written.
void AppendNumberField(QByteArray &line, int32_t value, int width);

class TextReader {
public:
    enum class Number { Ok, End, Bad };

    explicit TextReader(QByteArray bytes) : m_bytes(std::move(bytes)) {}

    // True when every byte has been consumed.
    bool AtEnd() const { return m_pos >= m_bytes.size(); }
    // The rest of the current line without its line end; the line end is consumed.
    QByteArray ReadLine();
    // Skips the rest of the current line and its line end.
    void SkipLine() { ReadLine(); }
    // Skips blanks, control characters and line ends, then reads a decimal integer with an
    // optional sign up to the next blank. End: nothing but blanks was left. Bad: the text is not
    // a number or does not fit 32 bits (the position is then undefined).
    Number ReadInt(int32_t &value);

private:
    QByteArray m_bytes;
    qsizetype m_pos = 0;
};

} // namespace vek
