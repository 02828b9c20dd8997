#pragma once
// Reading and writing the table files that users keep beside the program (step tables, register
// steps): whole files, read with a size limit, written whole or not at all, one byte per character.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace vek {

// A table file holds at most 10,000 steps of a few hundred characters; anything past this much is
// never looked at, so a huge or endless file cannot stall the program.
constexpr qint64 kTableFileReadLimit = 16 << 20;

enum class FileRead { Ok, Missing, Unreadable };

// Reads a regular file (a folder, pipe or device counts as unreadable, so reading never blocks).
FileRead ReadTableFile(const QString &path, QByteArray &bytes);

// The lines of a file: each ends with CR LF, LF or a lone CR; the last one may lack its end. The
// bytes are taken one per character, so any byte survives a load and a save unchanged.
QStringList SplitTableLines(const QByteArray &bytes);

// Lines ended by CR LF, one byte per character (characters above U+00FF cannot be stored and
// become '?').
QByteArray JoinTableLines(const QStringList &lines);

// The text right-aligned in a field of width characters; a longer text is kept whole.
QString RightAligned(const QString &text, int width);

// Only the hexadecimal digit characters of the text, in order.
QString HexCharacters(const QString &text);
bool IsHexCharacter(QChar c);

// The value of the leading decimal digits ("12" 12, "1F" 1, "F1" and "" 0).
int LeadingDecimal(const QString &text);

} // namespace vek
