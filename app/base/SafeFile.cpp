#include "app/base/SafeFile.h"

#include <QSaveFile>

namespace vek {

bool WriteFileAtomically(const QString &path, const QByteArray &bytes, QString *reason)
{
    // QSaveFile writes to a temporary file beside the target and renames it on commit.
    QSaveFile file(path);
    auto fail = [&] {
        if (reason)
            *reason = file.errorString();
        return false;
    };
    if (!file.open(QIODevice::WriteOnly))
        return fail();
    if (file.write(bytes) != bytes.size()) {
        const bool failed = fail();
        file.cancelWriting();
        return failed;
    }
    return file.commit() || fail();
}

} // namespace vek
