#include "views/RamFile.h"

#include "app/base/NumberText.h"
#include "app/base/SafeFile.h"
#include "chipdesc/ChipFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <cstdio>
#include <xlsxwriter.h>

namespace vek {

uint32_t RgbToFileColour(uint32_t rgb)
{
    return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
}

uint32_t FileColourToRgb(uint32_t fileColour) { return RgbToFileColour(fileColour & 0xFFFFFF); }

QByteArray WriteRamFile(const ChipImage &image, const ChipDescription &chip, const RamMarks &marks)
{
    QByteArray out;
    out.reserve(kRamFileSize * 24);
    const auto line = [&out](const QByteArray &text) {
        out += text;
        out += "\r\n";
    };
    for (int a = 0; a < kRamFileSize; ++a)
        line(RamAddressExists(chip, a) ? FormatHex(image[size_t(a)], 2).toLatin1() : QByteArray("-"));
    for (int a = 0; a < kRamFileSize; ++a) {
        const size_t i = size_t(a);
        char flags[8];
        std::snprintf(flags, sizeof flags, "%2d%2d", marks.mark[i] ? 1 : 0, marks.hint[i] ? 1 : 0);
        line(flags);
        line(QByteArray::number(RgbToFileColour(marks.colour[i])));
        // Chinese hints in Big5, as every file of the program; a text that Big5 cannot hold
        // stays in UTF-8 (the reader takes each line in whichever it is).
        const std::optional<QByteArray> big5 = EncodeBig5(marks.hintText[i]);
        line(big5 ? *big5 : marks.hintText[i].toUtf8());
    }
    return out;
}

namespace {

// The lines of the file, each decoded on its own (UTF-8, else Big5), CR LF or LF ended.
QStringList FileLines(const QByteArray &bytes)
{
    QStringList lines;
    qsizetype pos = 0;
    while (pos < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', pos);
        if (end < 0)
            end = bytes.size();
        qsizetype len = end - pos;
        if (len > 0 && bytes[end - 1] == '\r')
            --len;
        lines.append(DecodeChipText(bytes.mid(pos, len)));
        pos = end + 1;
    }
    return lines;
}

// The leading integers of a line, read free-format; missing ones are 0.
void TwoIntegers(const QString &line, int64_t &a, int64_t &b)
{
    const QStringList parts = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    a = parts.size() > 0 ? parts[0].toLongLong() : 0;
    b = parts.size() > 1 ? parts[1].toLongLong() : 0;
}

} // namespace

bool ParseRamFile(const QByteArray &bytes, RamFileContents &out, QString *error)
{
    const QStringList lines = FileLines(bytes);
    if (lines.size() < kRamFileSize) {
        if (error)
            *error = QStringLiteral("The file holds %1 of the %2 value lines of a RAM file.")
                         .arg(lines.size())
                         .arg(kRamFileSize);
        return false;
    }
    out = RamFileContents{};
    for (int a = 0; a < kRamFileSize; ++a)
        out.valueTexts[size_t(a)] = lines[a].trimmed();
    for (int a = 0; a < kRamFileSize; ++a) {
        const qsizetype at = kRamFileSize + 3 * qsizetype(a);
        if (at >= lines.size())
            break;
        int64_t m = 0, h = 0;
        TwoIntegers(lines[at], m, h);
        out.mark[size_t(a)] = m == 1;
        out.hint[size_t(a)] = h == 1;
        if (at + 1 < lines.size())
            out.colour[size_t(a)] = FileColourToRgb(uint32_t(lines[at + 1].trimmed().toLongLong()));
        if (at + 2 < lines.size())
            out.hintText[size_t(a)] = lines[at + 2];
    }
    return true;
}

uint8_t LoadedByte(const RamFileContents &file, const ChipDescription &chip, int address)
{
    if (address < 0 || address >= kRamFileSize || !RamAddressExists(chip, address))
        return 0;
    return uint8_t(ParseHex(file.valueTexts[size_t(address)]));
}

bool WriteRamSheet(const QString &path, const ChipImage &image, const ChipDescription &chip, QString *error)
{
    const auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    // The library writes a file by name: a temporary one beside the target, renamed over it
    // when complete.
    const QFileInfo info(path);
    QTemporaryFile temp(info.absolutePath() + QStringLiteral("/.ramsheet-XXXXXX.xlsx"));
    if (!temp.open())
        return fail(QStringLiteral("Cannot write in %1").arg(QDir::toNativeSeparators(info.absolutePath())));
    const QByteArray tempName = QFile::encodeName(temp.fileName());
    temp.close();

    lxw_workbook *book = workbook_new(tempName.constData());
    if (!book)
        return fail(QStringLiteral("Cannot create the workbook"));
    lxw_worksheet *sheet = workbook_add_worksheet(book, "USER Data");
    for (int a = 0; a < kRamFileSize && sheet; ++a) {
        const lxw_row_t row = lxw_row_t(a / 16 + 2);    // row i + 3, counted from 1
        const lxw_col_t col = lxw_col_t(a % 16 + 2);    // column j + 3
        const lxw_col_t textCol = lxw_col_t(a % 16 + 19); // column j + 20
        if (RamAddressExists(chip, a)) {
            const uint8_t v = image[size_t(a)];
            worksheet_write_number(sheet, row, col, v, nullptr);
            worksheet_write_string(sheet, row, textCol, (FormatHex(v, 2) + QLatin1Char('h')).toLatin1().constData(),
                                   nullptr);
        } else {
            worksheet_write_string(sheet, row, col, "-", nullptr);
            worksheet_write_string(sheet, row, textCol, "-", nullptr);
        }
    }
    const lxw_error rc = workbook_close(book);
    if (!sheet || rc != LXW_NO_ERROR)
        return fail(QString::fromLatin1(lxw_strerror(rc)));
    QFile written(temp.fileName());
    if (!written.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("Cannot read back the workbook"));
    if (!WriteFileAtomically(path, written.readAll()))
        return fail(QStringLiteral("Cannot write %1").arg(QDir::toNativeSeparators(path)));
    return true;
}

} // namespace vek
