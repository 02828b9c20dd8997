#include "chipdesc/ChipFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <cerrno>
#include <iconv.h>

namespace vek {

QString IncludeDirectory(const QString &programDir)
{
    QString dir = programDir;
    if (!dir.isEmpty() && !dir.endsWith(u'/'))
        dir += u'/';
    const QString exact = QStringLiteral("INCLUDE");
    if (!QFileInfo(dir + exact).isDir()) {
        // A folder copied from Windows may have been renamed in another letter case.
        const QStringList dirs = QDir(dir).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        for (const QString &d : dirs)
            if (d.compare(exact, Qt::CaseInsensitive) == 0)
                return dir + d + u'/';
    }
    return dir + exact + u'/';
}

QString ResolveIncludeName(const QString &includeDir, const QString &name)
{
    QString normalized = name;
    normalized.replace(u'\\', u'/');
    const QStringList parts = normalized.split(u'/', Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return QString();
    QString current = includeDir;
    if (current.endsWith(u'/'))
        current.chop(1);
    for (int i = 0; i < parts.size(); ++i) {
        const QString &part = parts[i];
        if (part == u"." || part == u"..")
            return QString();
        const bool last = i == parts.size() - 1;
        QDir dir(current);
        const QStringList entries =
            dir.entryList((last ? QDir::Files : QDir::Dirs) | QDir::Hidden | QDir::System |
                          QDir::NoDotAndDotDot);
        QString found;
        for (const QString &e : entries) {
            if (e == part) {
                found = e;
                break;
            }
            if (found.isEmpty() && e.compare(part, Qt::CaseInsensitive) == 0)
                found = e;
        }
        if (found.isEmpty())
            return QString();
        current += u'/' + found;
    }
    return QFileInfo(current).isFile() ? current : QString();
}

bool ReadChipFile(const QString &path, QByteArray &bytes)
{
    bytes.clear();
    if (path.isEmpty())
        return false;
    QFileInfo info(path);
    if (!info.isFile() || info.size() > kMaxChipFileBytes)
        return false;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    bytes = f.read(kMaxChipFileBytes + 1);
    if (bytes.size() > kMaxChipFileBytes || f.error() != QFileDevice::NoError) {
        bytes.clear();
        return false;
    }
    return true;
}

QString DecodeBig5WithIconv(const QByteArray &bytes)
{
    iconv_t cd = iconv_open("UTF-16LE", "CP950");
    if (cd == reinterpret_cast<iconv_t>(-1))
        cd = iconv_open("UTF-16LE", "BIG5");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return QString::fromLatin1(bytes);
    QString out;
    out.reserve(bytes.size());
    std::array<char, 4096> buf;
    char *in = const_cast<char *>(bytes.constData());
    size_t inLeft = static_cast<size_t>(bytes.size());
    const auto flush = [&](char *end) {
        const auto units = (end - buf.data()) / 2;
        out.append(reinterpret_cast<const QChar *>(buf.data()), units);
    };
    while (inLeft > 0) {
        char *o = buf.data();
        size_t oLeft = buf.size();
        const size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
        flush(o);
        if (r == static_cast<size_t>(-1)) {
            if (errno == E2BIG)
                continue;
            // An invalid or cut sequence: show a replacement and go on after its first byte.
            out.append(QChar(QChar::ReplacementCharacter));
            ++in;
            --inLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return out;
}

QString DecodeBig5(const QByteArray &bytes)
{
    for (const char *name : {"CP950", "Big5"}) {
        QStringDecoder decoder(name);
        if (decoder.isValid())
            return decoder.decode(bytes);
    }
    return DecodeBig5WithIconv(bytes);
}

std::optional<QByteArray> EncodeBig5(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    iconv_t cd = iconv_open("CP950", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        cd = iconv_open("BIG5", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    QByteArray out(utf8.size() * 2 + 8, '\0');
    char *in = const_cast<char *>(utf8.constData());
    size_t inLeft = static_cast<size_t>(utf8.size());
    char *o = out.data();
    size_t oLeft = static_cast<size_t>(out.size());
    // Two Big5 bytes stand for at least two UTF-8 bytes, so the output always has room.
    const size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
    iconv_close(cd);
    if (r == static_cast<size_t>(-1) || inLeft != 0)
        return std::nullopt; // a character the code page does not have
    out.truncate(o - out.data());
    return out;
}

QString DecodeChipText(const QByteArray &bytes)
{
    QByteArrayView view(bytes);
    if (view.startsWith("\xEF\xBB\xBF"))
        view = view.sliced(3);
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(view);
    if (!utf8.hasError())
        return text;
    return DecodeBig5(view.toByteArray());
}

QStringList SplitTextLines(const QString &text)
{
    QStringList lines = text.split(u'\n');
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast(); // the end of the last line, not an extra empty line
    for (QString &l : lines)
        if (l.endsWith(u'\r'))
            l.chop(1);
    return lines;
}

} // namespace vek
