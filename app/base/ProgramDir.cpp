#include "app/base/ProgramDir.h"

#include "app/base/SafeFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <cstdio>
#include <cstring>

namespace vek {

namespace {

constexpr const char *kOption = "--program-dir";

// The explicit folder taken from the command line (absolute), or empty.
QString &ExplicitDir()
{
    static QString dir;
    return dir;
}

QString WithSlash(QString dir)
{
    if (!dir.endsWith(u'/'))
        dir += u'/';
    return dir;
}

// The folder's INCLUDE subfolder, in whatever letter case it was copied with; empty when none.
QString ExistingInclude(const QString &dir)
{
    const QStringList dirs = QDir(dir).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &d : dirs)
        if (d.compare(QLatin1String("INCLUDE"), Qt::CaseInsensitive) == 0)
            return WithSlash(dir) + d;
    return QString();
}

bool CanCreateFiles(const QString &dir)
{
    QTemporaryFile probe(WithSlash(dir) + QStringLiteral(".vek-write-check-XXXXXX"));
    return probe.open();
}

// Copies every file below `from` that `to` lacks; an existing file is left as it is. The first
// failure is kept in `error`, the other files are still tried.
void CopyMissing(const QString &from, const QString &to, QStringList &copied, QString &error)
{
    const QDir source(from);
    QDirIterator it(from, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString relative = source.relativeFilePath(file);
        const QString target = WithSlash(to) + relative;
        if (QFileInfo::exists(target))
            continue;
        QString reason;
        QFile in(file);
        if (!QDir().mkpath(QFileInfo(target).path()))
            reason = QStringLiteral("cannot create the folder");
        else if (!in.open(QIODevice::ReadOnly))
            reason = in.errorString();
        else if (WriteFileAtomically(target, in.readAll(), &reason))
            copied << relative;
        if (!reason.isEmpty() && error.isEmpty())
            error = QStringLiteral("cannot copy %1 to %2: %3").arg(file, target, reason);
    }
}

} // namespace

ProgramDirPlaces InstalledPlaces()
{
    ProgramDirPlaces places;
    // Read from the system rather than from QCoreApplication, which may not exist yet.
    places.executableDir = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
    const QString shared = places.executableDir + QStringLiteral("/../share/vek-enobtest/INCLUDE");
    places.chipSource = QFileInfo(shared).isDir() ? QDir::cleanPath(shared)
                                                  : ExistingInclude(places.executableDir);
    places.userDir = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                     QStringLiteral("/vek-enobtest");
    return places;
}

ProgramDirChoice PrepareProgramDir(const ProgramDirPlaces &places, const QString &explicitDir)
{
    ProgramDirChoice choice;
    QString dir = explicitDir;
    if (dir.isEmpty()) {
        // The build folder (or a copied program folder): everything stays beside the executable.
        if (!ExistingInclude(places.executableDir).isEmpty() && CanCreateFiles(places.executableDir)) {
            choice.dir = WithSlash(places.executableDir);
            return choice;
        }
        dir = places.userDir;
    }
    choice.dir = WithSlash(QDir::cleanPath(dir));
    const QString sourceParent = places.chipSource.isEmpty() ? QString() : QFileInfo(places.chipSource).canonicalPath();
    if (!sourceParent.isEmpty() && QDir(choice.dir).canonicalPath() == sourceParent)
        return choice; // the chip files' own folder: nothing to copy
    choice.created = !QFileInfo(choice.dir).isDir();
    if (choice.created && !QDir().mkpath(choice.dir)) {
        choice.error = QStringLiteral("cannot create the folder %1").arg(choice.dir);
        return choice;
    }
    if (places.chipSource.isEmpty() || !QFileInfo(places.chipSource).isDir())
        return choice;
    QString include = ExistingInclude(choice.dir);
    if (include.isEmpty())
        include = choice.dir + QStringLiteral("INCLUDE");
    CopyMissing(places.chipSource, include, choice.copied, choice.error);
    return choice;
}

QString TakeProgramDirOption(int &argc, char **argv)
{
    const size_t optionLength = std::strlen(kOption);
    QString error;
    int kept = 1;
    bool seen = false;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const char *a = argv[i];
        if (optionsEnded || std::strncmp(a, kOption, optionLength) != 0 ||
            (a[optionLength] != '\0' && a[optionLength] != '=')) {
            optionsEnded = optionsEnded || std::strcmp(a, "--") == 0;
            argv[kept++] = argv[i];
            continue;
        }
        QString value;
        if (a[optionLength] == '=')
            value = QString::fromLocal8Bit(a + optionLength + 1);
        else if (i + 1 < argc)
            value = QString::fromLocal8Bit(argv[++i]);
        if (error.isEmpty() && value.isEmpty())
            error = QStringLiteral("--program-dir: a folder is needed");
        else if (error.isEmpty() && seen)
            error = QStringLiteral("--program-dir given twice");
        seen = true;
        if (!value.isEmpty())
            ExplicitDir() = QDir(value).absolutePath();
    }
    argc = kept;
    argv[argc] = nullptr;
    return error;
}

QString ProgramDirectory()
{
    static const QString dir = [] {
        const ProgramDirPlaces places = InstalledPlaces();
        const ProgramDirChoice choice = PrepareProgramDir(places, ExplicitDir());
        const QByteArray program = QCoreApplication::applicationName().toLocal8Bit();
        if (choice.created || !choice.copied.isEmpty())
            std::fprintf(stderr, "%s: program directory %s (%s%d chip files copied from %s)\n",
                         program.constData(), qPrintable(choice.dir),
                         choice.created ? "created, " : "", int(choice.copied.size()),
                         qPrintable(places.chipSource));
        if (!choice.error.isEmpty())
            std::fprintf(stderr, "%s: program directory %s: %s\n", program.constData(),
                         qPrintable(choice.dir), qPrintable(choice.error));
        return choice.dir;
    }();
    return dir;
}

QCommandLineOption ProgramDirOption()
{
    return QCommandLineOption(
        QStringLiteral("program-dir"),
        QStringLiteral("Keep settings, tables and results in DIR and read the chip files from DIR/INCLUDE "
                       "(created, with the chip files it lacks, when missing). Default: the program's own "
                       "folder when it holds INCLUDE and can be written, else ~/.local/share/vek-enobtest."),
        QStringLiteral("DIR"));
}

} // namespace vek
