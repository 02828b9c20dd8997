#include "app/base/CommandLine.h"

#include <QDir>
#include <QTemporaryFile>
#include <cmath>
#include <cstdio>

namespace vek {

QString ExitStatusHelp(bool withSteps)
{
    QString text = QStringLiteral("Exit status:\n"
                                  "  0    done\n"
                                  "  1    could not be done, or its results could not be written\n"
                                  "  2    a bad argument (named; nothing ran)\n");
    if (withSteps)
        text += QStringLiteral("  3    finished with some steps failed\n");
    return text + QStringLiteral("  130  stopped by SIGINT (Ctrl+C)\n"
                                 "  143  stopped by SIGTERM\n");
}

namespace {

std::optional<qlonglong> InRange(bool ok, qlonglong v, qlonglong low, qlonglong high)
{
    if (!ok || v < low || v > high)
        return std::nullopt;
    return v;
}

QString NumberText(double v)
{
    return QString::number(v, 'g', 12);
}

} // namespace

std::optional<qlonglong> ParseWholeNumber(const QString &text, qlonglong low, qlonglong high)
{
    bool ok = false;
    const qlonglong v = text.trimmed().toLongLong(&ok, 10);
    return InRange(ok, v, low, high);
}

std::optional<qlonglong> ParseHexNumber(const QString &text, qlonglong low, qlonglong high)
{
    const QString t = text.trimmed();
    // toLongLong with base 16 takes a "0x" prefix and a sign; a register address does not.
    for (QChar c : t)
        if (!c.isDigit() && !(c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('f')))
            return std::nullopt;
    bool ok = false;
    const qlonglong v = t.toLongLong(&ok, 16);
    return InRange(ok && !t.isEmpty(), v, low, high);
}

std::optional<double> ParseRealNumber(const QString &text, double low, double high, bool lowOpen)
{
    bool ok = false;
    // QString::toDouble reads the point whatever the process's locale.
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v) || v > high || v < low || (lowOpen && v == low))
        return std::nullopt;
    return v;
}

QString OptionCheck::Name(const QCommandLineOption &o) const
{
    return QStringLiteral("--") + o.names().first();
}

void OptionCheck::Refuse(const QString &text)
{
    if (m_error.isEmpty())
        m_error = text;
}

void OptionCheck::Refuse(const QCommandLineOption &o, const QString &rule, const QString &value)
{
    if (value.isNull())
        Refuse(QStringLiteral("%1: %2").arg(Name(o), rule));
    else
        Refuse(QStringLiteral("%1 \"%2\": %3").arg(Name(o), value, rule));
}

std::optional<qlonglong> OptionCheck::Whole(const QCommandLineOption &o, qlonglong low, qlonglong high,
                                            const QString &rule)
{
    const QString value = m_parser.value(o);
    const auto v = ParseWholeNumber(value, low, high);
    if (!v)
        Refuse(o, rule.isEmpty() ? QStringLiteral("a whole number from %1 to %2").arg(low).arg(high) : rule,
               value);
    return v;
}

std::optional<qlonglong> OptionCheck::Hex(const QCommandLineOption &o, qlonglong low, qlonglong high,
                                          const QString &rule)
{
    const QString value = m_parser.value(o);
    const auto v = ParseHexNumber(value, low, high);
    if (!v)
        Refuse(o, rule, value);
    return v;
}

std::optional<double> OptionCheck::Real(const QCommandLineOption &o, double low, double high, bool lowOpen,
                                        const QString &unit)
{
    const QString value = m_parser.value(o);
    const auto v = ParseRealNumber(value, low, high, lowOpen);
    if (!v) {
        const QString u = unit.isEmpty() ? QString() : QLatin1Char(' ') + unit;
        Refuse(o,
               lowOpen ? QStringLiteral("a number above %1%3 and up to %2%3").arg(NumberText(low), NumberText(high), u)
                       : QStringLiteral("a number from %1%3 to %2%3").arg(NumberText(low), NumberText(high), u),
               value);
    }
    return v;
}

int OptionCheck::Choice(const QCommandLineOption &o, const QStringList &choices)
{
    const QString value = m_parser.value(o);
    for (qsizetype i = 0; i < choices.size(); ++i)
        if (value.trimmed().compare(choices[i], Qt::CaseInsensitive) == 0)
            return int(i);
    QString list = choices.first();
    for (qsizetype i = 1; i < choices.size(); ++i)
        list += (i + 1 == choices.size() ? QStringLiteral(" or ") : QStringLiteral(", ")) + choices[i];
    Refuse(o, list, value);
    return -1;
}

QString OptionCheck::Text(const QCommandLineOption &o, const QString &what)
{
    const QString value = m_parser.value(o);
    if (m_parser.isSet(o) && value.trimmed().isEmpty())
        Refuse(o, what, value);
    return value;
}

QString OptionCheck::WritableFolder(const QCommandLineOption &o)
{
    const QString value = m_parser.value(o);
    if (!m_parser.isSet(o))
        return value;
    if (value.trimmed().isEmpty() || !QDir().mkpath(value)) {
        Refuse(o, QStringLiteral("a folder that exists or can be made"), value);
        return value;
    }
    QTemporaryFile probe(value + QStringLiteral("/.write-check-XXXXXX"));
    if (!probe.open())
        Refuse(o, QStringLiteral("cannot be written: %1").arg(probe.errorString()), value);
    return value;
}

void OptionCheck::Needs(const QCommandLineOption &o, bool otherGiven, const QString &other)
{
    if (m_parser.isSet(o) && !otherGiven)
        Refuse(QStringLiteral("%1 needs %2").arg(Name(o), other));
}

QString ParseCommandLine(QCommandLineParser &parser, const QStringList &arguments, bool allowPositional)
{
    if (!parser.parse(arguments))
        return parser.errorText();
    if (!allowPositional && !parser.positionalArguments().isEmpty())
        return QStringLiteral("unexpected argument \"%1\" (every option starts with --)")
            .arg(parser.positionalArguments().first());
    return QString();
}

int RefuseEveryArgument(const char *program, int argc, char **argv)
{
    if (argc <= 1)
        return kExitOk;
    return RefuseArguments(program, QStringLiteral("takes no arguments, not \"%1\"").arg(QString::fromLocal8Bit(argv[1])));
}

int RefuseArguments(const char *program, const QString &text)
{
    std::fprintf(stderr, "%s: %s\n", program, qPrintable(text));
    return kExitBadArgument;
}

int ReportFailure(const char *program, const QString &text)
{
    std::fprintf(stderr, "%s: %s\n", program, qPrintable(text));
    return kExitFailed;
}

} // namespace vek
