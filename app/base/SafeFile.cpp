#include "app/base/SafeFile.h"

#include <QSaveFile>

namespace vek {

bool WriteFileAtomically(const QString &path, const QByteArray &bytes)
{
    // QSaveFile writes to a temporary file beside the target and renames it on commit.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace vek
