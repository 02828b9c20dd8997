#pragma once
// The program directory: the folder where a program keeps its settings, tables and results and
// finds its chip files (INCLUDE/). A program run from its build folder, or from any folder that
// holds its chip files and can be written, keeps everything beside its executable. An installed
// program (in /usr/bin) cannot, so each user gets a folder of their own under the XDG data home
// (~/.local/share/vek-enobtest); it is created at the first start and receives the chip files
// of the package's shared folder (/usr/share/vek-enobtest/INCLUDE). "--program-dir DIR" names
// the folder outright.
//
// A chip file already in a program directory is never overwritten: the user may have edited it.
#include <QCommandLineOption>
#include <QString>
#include <QStringList>

namespace vek {

// The folders the choice is made from.
struct ProgramDirPlaces {
    QString executableDir; // the executable's folder
    QString chipSource;    // a folder whose files and subfolders are the chip files to hand out
    QString userDir;       // the per-user folder
};

struct ProgramDirChoice {
    QString dir;         // the program directory, with a trailing '/'
    bool created = false; // the folder did not exist before
    QStringList copied;  // chip files copied in, relative to INCLUDE/
    QString error;       // empty, or why the folder could not be made ready (dir is still set)
};

// The places of this process: the executable's folder; the package's shared INCLUDE
// (<executable>/../share/vek-enobtest/INCLUDE) when it is there, else the executable's own
// INCLUDE; <XDG data home>/vek-enobtest.
ProgramDirPlaces InstalledPlaces();

// Chooses and readies the program directory: `explicitDir` when not empty; else the
// executable's folder when it holds an INCLUDE folder and a file can be created in it; else the
// per-user folder. A chosen folder other than the executable's is created when missing and gets
// every chip file of places.chipSource that its INCLUDE/ lacks, each written whole.
ProgramDirChoice PrepareProgramDir(const ProgramDirPlaces &places, const QString &explicitDir = QString());

// Takes "--program-dir DIR" (or "--program-dir=DIR") out of the command line before anything
// else reads it, and keeps DIR (made absolute) for ProgramDirectory(). Empty, or the message that
// names a bad use of the option (no folder given, given twice).
QString TakeProgramDirOption(int &argc, char **argv);

// The program directory of this process, with a trailing '/'. The first call chooses and readies
// it (see PrepareProgramDir) and says on standard error, under the application's name, where it
// is when it was created or chip files were copied, and why it could not be readied.
QString ProgramDirectory();

// The option as --help lists it. TakeProgramDirOption has read it before any parser runs, so a
// parser only adds it for the listing.
QCommandLineOption ProgramDirOption();

} // namespace vek
