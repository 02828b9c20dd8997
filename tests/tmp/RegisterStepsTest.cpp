#include "bench/RegisterSteps.h"
#include "bench/StepResultGrid.h"
#include "bench/TemperatureModels.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vek;

namespace {

using T = RegisterStepTable;

} // namespace

TEST(RegisterSteps, LabelsAndEntryLimits)
{
    T t;
    EXPECT_EQ(t.Steps(), 48);
    EXPECT_EQ(t.Cell(0, 0), "Address");
    EXPECT_EQ(t.Cell(0, 11), "Delay");
    EXPECT_EQ(t.Cell(0, 12), "ACM");
    EXPECT_EQ(t.Cell(48, 0), "Value-48");
    EXPECT_FALSE(t.SetCell(0, 11, QStringLiteral("1")));
    EXPECT_FALSE(t.SetCell(3, 0, QStringLiteral("1")));
    EXPECT_FALSE(t.SetCell(1, 1, QStringLiteral("12345")));
    EXPECT_FALSE(t.SetCell(1, 1, QStringLiteral("1G")));
    EXPECT_TRUE(t.SetCell(1, 10, QStringLiteral("ffFF")));
    EXPECT_FALSE(t.SetCell(1, 11, QStringLiteral("1234567")));
    EXPECT_TRUE(t.SetCell(1, 12, QStringLiteral("2.4 V!")));
    EXPECT_FALSE(t.SetCell(49, 1, QStringLiteral("1")));
}

TEST(RegisterSteps, SavesTheUsedExtentInFixedFields)
{
    T t;
    // Addresses in columns 1-3, none in 4, one in 5 that the gap hides.
    for (auto [c, a] : {std::pair{1, "3C"}, {2, "3D"}, {3, "30"}, {5, "40"}})
        t.SetCell(0, c, QString::fromLatin1(a));
    for (int row = 1; row <= 3; ++row)
        for (int c = 1; c <= 5; ++c)
            t.SetCell(row, c, QString::number(row * 10 + c, 16).toUpper());
    t.SetCell(1, 11, QStringLiteral("15"));
    t.SetCell(1, 12, QStringLiteral("2.4"));
    // Row 3's column 1 is empty: the steps end at row 2.
    t.SetCell(3, 1, QString());
    EXPECT_EQ(t.UsedColumns(), 3);
    EXPECT_EQ(t.UsedRows(), 2);
    const RegisterStepFiles f = RegisterStepFileBytes(t);
    const QByteArray blanks(28, ' ');
    EXPECT_EQ(f.registers, "  3C  3D  30" + blanks + "\r\n   B   C   D" + blanks +
                               "\r\n  15  16  17" + blanks + "\r\n");
    EXPECT_EQ(f.delays, QByteArray("    15\r\n      \r\n"));
    EXPECT_EQ(f.acms, QByteArray("   2.4\r\n      \r\n"));
}

TEST(RegisterSteps, LoadsStepsFillsDefaultsAndStopsAtTheStepCount)
{
    T t;
    t.SetSteps(3);
    t.SetCell(2, 5, QStringLiteral("77"));
    // LF-only lines, a short line, a field of blanks that leaves its cell, one line too many.
    const QByteArray registers = "  3C  3D\n  01    \n 1 2  0x\r\n  0A  0B\r\n  FF  FF\r\n";
    EXPECT_EQ(RegDownload(t, registers), 3);
    EXPECT_EQ(t.Cell(0, 1), "3C");
    EXPECT_EQ(t.Cell(1, 2), "");
    EXPECT_EQ(t.Cell(2, 1), "12");
    EXPECT_EQ(t.Cell(2, 2), "0");
    EXPECT_EQ(t.Cell(2, 5), "77");
    EXPECT_EQ(t.Cell(3, 2), "0B");

    ReadStepColumnFile(t, "   007\n    1A\r\n", T::kDelayColumn);
    ReadStepColumnFile(t, "  2.40\r\n", T::kAcmColumn);
    EXPECT_EQ(t.Cell(1, 11), "7");
    EXPECT_EQ(t.Cell(2, 11), "1");
    EXPECT_EQ(t.Cell(3, 11), "15");
    EXPECT_EQ(t.Cell(1, 12), "2.4");
    EXPECT_EQ(t.Cell(2, 12), "2.4");
    EXPECT_EQ(AcmFieldText(QStringLiteral("   .5x")), "0.5");
    EXPECT_EQ(AcmFieldText(QStringLiteral("2.4A")), "2.4");
    EXPECT_EQ(AcmFieldText(QStringLiteral("1E5")), "100000");
}

TEST(RegisterSteps, GapsStayAtTheirStepThroughSaveAndLoad)
{
    QTemporaryDir dir;
    const QString folder = dir.path() + '/';
    T t;
    t.SetSteps(4);
    t.SetCell(0, 1, QStringLiteral("3C"));
    t.SetCell(0, 2, QStringLiteral("30"));
    for (int row = 1; row <= 4; ++row)
        t.SetCell(row, 1, QString::number(row));
    t.SetCell(1, 2, QStringLiteral("80"));
    t.SetCell(4, 2, QStringLiteral("81"));
    t.SetCell(1, 11, QStringLiteral("3"));
    t.SetCell(3, 11, QStringLiteral("5"));
    t.SetCell(2, 12, QStringLiteral("1.2"));
    t.SetCell(4, 12, QStringLiteral("2.4"));
    ASSERT_TRUE(SaveRegisterStepFiles(folder, t).isEmpty());
    T back;
    back.SetSteps(4);
    ASSERT_TRUE(LoadRegisterStepFiles(folder, back).ok);
    for (int row = 0; row <= 4; ++row)
        for (int c = 1; c <= 12; ++c)
            EXPECT_EQ(back.Cell(row, c), t.Cell(row, c)) << row << "," << c;
}

TEST(RegisterSteps, DownloadReadsEveryFileBeforeTheTableChanges)
{
    QTemporaryDir dir;
    const QString folder = dir.path() + '/';
    T t;
    t.SetCell(1, 1, QStringLiteral("AA"));
    RegisterStepLoad load = LoadRegisterStepFiles(folder, t);
    EXPECT_FALSE(load.ok);
    EXPECT_EQ(load.failedFile, "Register.txt");
    EXPECT_EQ(t.Cell(1, 1), "AA");

    t.SetCell(0, 1, QStringLiteral("3C"));
    ASSERT_TRUE(SaveRegisterStepFiles(folder, t).isEmpty());
    // Without "Delay.txt" the step columns stay cleared and no defaults are filled in.
    QFile::remove(folder + "Delay.txt");
    t.SetCell(1, 11, QStringLiteral("9"));
    t.SetCell(1, 1, QStringLiteral("BB"));
    load = LoadRegisterStepFiles(folder, t);
    EXPECT_TRUE(load.ok);
    EXPECT_FALSE(load.delayRead);
    EXPECT_EQ(t.Cell(1, 1), "AA");
    EXPECT_EQ(t.Cell(1, 11), "");
    // A "Delay.txt" that cannot be read (here a folder) is named.
    ASSERT_TRUE(QDir(folder).mkdir("Delay.txt"));
    EXPECT_EQ(LoadRegisterStepFiles(folder, t).failedFile, "Delay.txt");
    EXPECT_EQ(SaveRegisterStepFiles(folder, t), "Delay.txt");
}

TEST(StepResultGrid, SizeHeadersAndStepCells)
{
    StepResultGrid g;
    g.Prepare(25);
    EXPECT_EQ(g.Columns(), 11);
    EXPECT_EQ(g.Rows(), 4);
    EXPECT_EQ(g.Cell(0, 1), "D - 1");
    EXPECT_EQ(g.Cell(0, 10), "D - 10");
    g.SetStepText(25, QStringLiteral("1.000000"));
    g.SetStepText(40, QStringLiteral("beyond"));
    EXPECT_EQ(g.Cell(3, 5), "1.000000");

    StepResultModel model(g);
    g.Prepare(3);
    EXPECT_EQ(model.columnCount(), 11);
    model.Refresh();
    EXPECT_EQ(model.columnCount(), 4);
    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.data(model.index(0, 3)).toString(), "D - 3");
}
