#pragma once
// What every command-line program of the tree shares: its exit statuses, the reading of numbers
// and ranges a person types, and the rule that a bad argument is named, with what is allowed,
// before anything runs. QCommandLineParser stays the front end; this reads its values.
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <optional>

namespace vek {

enum ExitStatus : int {
    kExitOk = 0,               // the work was done
    kExitFailed = 1,           // it could not be done, or its results could not be written
    kExitBadArgument = 2,      // an argument could not be used as given; nothing ran
    kExitSomeStepsFailed = 3,  // a run finished with some of its steps failed
    kExitInterrupted = 130,    // SIGINT (128 + 2)
    kExitTerminated = 143,     // SIGTERM (128 + 15)
};

// The exit statuses as a paragraph for --help; withSteps adds status 3.
QString ExitStatusHelp(bool withSteps = false);

// A whole decimal number in [low, high] (blanks around it allowed); nothing for anything else.
std::optional<qlonglong> ParseWholeNumber(const QString &text, qlonglong low, qlonglong high);
// A hexadecimal number (digits only, no prefix) in [low, high].
std::optional<qlonglong> ParseHexNumber(const QString &text, qlonglong low, qlonglong high);
// A finite decimal number written with the point ("1.2", "-3e-3") in [low, high], or in
// (low, high] when lowOpen; infinities, not-a-number and a decimal comma are refused.
std::optional<double> ParseRealNumber(const QString &text, double low, double high, bool lowOpen = false);

// Reads the values of a parsed command line. The first value that cannot be used is kept as the
// error, in the form  --name "value": what is allowed  ; later checks add nothing, so a program
// reads every option in a row and looks at Ok() once.
class OptionCheck {
public:
    explicit OptionCheck(const QCommandLineParser &parser) : m_parser(parser) {}

    // A whole number in [low, high]; `rule` replaces "a whole number from low to high".
    std::optional<qlonglong> Whole(const QCommandLineOption &o, qlonglong low, qlonglong high,
                                   const QString &rule = QString());
    // A hexadecimal number (digits only) in [low, high]; `rule` says what is allowed.
    std::optional<qlonglong> Hex(const QCommandLineOption &o, qlonglong low, qlonglong high, const QString &rule);
    // A number in [low, high] (or (low, high] when lowOpen) followed in the message by `unit`.
    std::optional<double> Real(const QCommandLineOption &o, double low, double high, bool lowOpen = false,
                               const QString &unit = QString());
    // The position of the value among `choices` (letter case ignored); -1 when it is none.
    int Choice(const QCommandLineOption &o, const QStringList &choices);
    // A value that must not be empty (a file name).
    QString Text(const QCommandLineOption &o, const QString &what = QStringLiteral("a file name"));
    // A folder that exists or can be made, and in which a file can be written (kept as given).
    QString WritableFolder(const QCommandLineOption &o);
    // An option that only means something with another: "--seed needs --simulate".
    void Needs(const QCommandLineOption &o, bool otherGiven, const QString &other);
    // Any other refusal of the option's value (or of the option, when value is empty).
    void Refuse(const QCommandLineOption &o, const QString &rule, const QString &value = QString());
    void Refuse(const QString &text);

    bool Ok() const { return m_error.isEmpty(); }
    const QString &Error() const { return m_error; }

private:
    QString Name(const QCommandLineOption &o) const;

    const QCommandLineParser &m_parser;
    QString m_error;
};

// Parses `arguments` (the program's name first). Empty when every argument is known and, unless
// positional arguments are allowed, none is left over; otherwise the message naming the first bad
// one.
QString ParseCommandLine(QCommandLineParser &parser, const QStringList &arguments, bool allowPositional = false);

// For a program that takes no arguments: kExitOk when none is given, else the first one named
// on standard error and kExitBadArgument.
int RefuseEveryArgument(const char *program, int argc, char **argv);
// "program: text" on standard error; returns kExitBadArgument.
int RefuseArguments(const char *program, const QString &text);
// "program: text" on standard error; returns kExitFailed.
int ReportFailure(const char *program, const QString &text);

} // namespace vek
