#pragma once
// Files are written whole or not at all: the bytes go to a temporary file in the same folder,
// which is then renamed over the old file. A crash during a save leaves the old file or the new.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace vek {

// Returns false (and leaves any old file untouched) when the file cannot be written; `reason`,
// when given, then receives the system's words ("No such file or directory").
bool WriteFileAtomically(const QString &path, const QByteArray &bytes, QString *reason = nullptr);

// Removes what a save cut short by a kill or a power cut can leave in a folder: a temporary
// file beside one of the program's own files ("StepADC.txt.Ab3xQz": the file's name, a dot and
// six letters or digits), where the file's own extension is one of `extensions` (lower case, no
// dot). Returns the names removed.
QStringList RemoveStaleTemporaries(const QString &folder, const QStringList &extensions);

} // namespace vek
