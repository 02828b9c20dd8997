#pragma once
// Reading the chip files on this system: files written on Windows name their siblings with
// backslashes in any letter case and carry their Chinese texts in the Big5 code page.
#include <QByteArray>
#include <QString>
#include <optional>
#include <QStringList>

namespace vek {

// A chip file larger than this is refused as if it were missing; real ones are a few kilobytes.
constexpr qint64 kMaxChipFileBytes = 16 * 1024 * 1024;

// The directory of the chip files below the program directory, "INCLUDE/" (or the same name in
// another letter case when only that exists), with a trailing '/'.
QString IncludeDirectory(const QString &programDir);

// Finds a file named as a chip list names it ("zr100.inc", "Family\ZS300.INC") inside
// includeDir, matching every path part without regard to letter case (an exact match wins).
// Returns the full path of the regular file found, or an empty text when there is none or the
// name would lead outside includeDir.
QString ResolveIncludeName(const QString &includeDir, const QString &name);

// Reads a whole chip file; false when it is missing, unreadable, not a regular file or larger
// than kMaxChipFileBytes.
bool ReadChipFile(const QString &path, QByteArray &bytes);

// The text of a chip file: UTF-8 when the bytes are valid UTF-8 (a leading byte order mark is
// dropped), otherwise Big5 (code page 950).
QString DecodeChipText(const QByteArray &bytes);
// Big5 through the toolkit's converter when it has one, else through the C library.
QString DecodeBig5(const QByteArray &bytes);
// The text in Big5 (code page 950), the code page the program's files use for Chinese; nothing
// when a character of it has no Big5 code.
std::optional<QByteArray> EncodeBig5(const QString &text);
// Big5 through the C library's iconv; bytes it cannot convert become U+FFFD.
QString DecodeBig5WithIconv(const QByteArray &bytes);

// The lines of a text; CR LF and LF end a line, and a last line without an end counts.
QStringList SplitTextLines(const QString &text);

} // namespace vek
