#pragma once
// Files are written whole or not at all: the bytes go to a temporary file in the same folder,
// which is then renamed over the old file. A crash during a save leaves the old file or the new.
#include <QByteArray>
#include <QString>

namespace vek {

// Returns false (and leaves any old file untouched) when the file cannot be written; `reason`,
// when given, then receives the system's words ("No such file or directory").
bool WriteFileAtomically(const QString &path, const QByteArray &bytes, QString *reason = nullptr);

} // namespace vek
