#include "app/base/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
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

QStringList RemoveStaleTemporaries(const QString &folder, const QStringList &extensions)
{
    static const QRegularExpression kTemporary(QStringLiteral("^.+\\.([A-Za-z0-9]+)\\.[A-Za-z0-9]{6}$"));
    QStringList removed;
    const QDir dir(folder);
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden)) {
        const QRegularExpressionMatch m = kTemporary.match(name);
        if (m.hasMatch() && extensions.contains(m.captured(1).toLower()) && QFile::remove(dir.filePath(name)))
            removed << name;
    }
    return removed;
}

} // namespace vek
