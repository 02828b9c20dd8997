#include "instruments/StepTable.h"
#include "instruments/StepTableModel.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vek;

namespace {

StepTable Table(std::initializer_list<std::pair<const char *, const char *>> rows)
{
    StepTable t;
    int step = 1;
    for (const auto &[marker, command] : rows) {
        t.SetMarker(step, QString::fromLatin1(marker));
        t.SetCommand(step++, QString::fromLatin1(command));
    }
    return t;
}

} // namespace

TEST(StepTable, SavesEveryStepUpToTheLastUsedOneInactiveAsZero)
{
    // Inactive: empty, zero, not hexadecimal, or with a blank. Step 5 lies beyond the count.
    StepTable t = Table(
        {{"1", "OUT 600 mV ,0 Hz"}, {"", "STBY"}, {"0", "OPER"}, {"ABCD", "OPER"}, {"2", "late"}});
    t.SetMarker(3, QStringLiteral("x"));
    EXPECT_EQ(StepFileBytes(t, 4), QByteArray("   1OUT 600 mV ,0 Hz\r\n   0STBY\r\n   0OPER\r\nABCDOPER\r\n"));
    EXPECT_EQ(StepFileBytes(t, 0), QByteArray());
    EXPECT_EQ(StepFileBytes(Table({{"1", "a"}, {"", ""}}), 48), QByteArray("   1a\r\n")); // no trailing empty rows
    t.SetMarker(2, QStringLiteral(" 1"));
    EXPECT_FALSE(t.Active(2));
}

TEST(StepTable, CalibratorLoadSkipsLinesWithoutMarker)
{
    StepTable t = Table({{"9", "keep 1"}, {"9", "keep 2"}, {"9", "keep 3"}, {"9", "keep 4"}});
    // LF-only and CR LF lines, a blank step, hexadecimal letters, a short line.
    const QByteArray file = "   1OUT 600 mV ,0 Hz\n    STBY\r\n1F  OPER\r\n F1 kept\r\n"
                            "  2\r\n   3beyond the count\r\n";
    EXPECT_EQ(LoadStepFileBytes(t, file, 3, StepFileKind::Calibrator), 3);
    EXPECT_EQ(t.Marker(1), "1");
    EXPECT_EQ(t.Command(1), "OUT 600 mV ,0 Hz");
    EXPECT_EQ(t.Marker(2), "1F");
    EXPECT_EQ(t.Command(2), "OPER");
    EXPECT_EQ(t.Marker(3), "F1");
    EXPECT_EQ(t.Command(3), "kept");
    // Rows beyond the count are neither loaded nor cleared.
    EXPECT_EQ(t.Command(4), "keep 4");
}

TEST(StepTable, PowerLoadTakesEveryLineAndClearsTheRest)
{
    StepTable t = Table({{"9", "old"}, {"9", "old"}, {"9", "old"}});
    EXPECT_EQ(LoadStepFileBytes(t, "    OUTP OFF\r\n   1VOLT 3.3", 3, StepFileKind::PowerSupply),
              2);
    EXPECT_EQ(t.Marker(1), "");
    EXPECT_EQ(t.Command(1), "OUTP OFF");
    EXPECT_FALSE(t.Active(1));
    EXPECT_EQ(t.Command(2), "VOLT 3.3");
    EXPECT_EQ(t.Marker(3), "");
    EXPECT_EQ(t.Command(3), "");
}

TEST(StepTable, StepCountAndTableSize)
{
    for (const char *bad : {"0", "10001", "-5", "abc", "", "4.5"}) {
        bool fellBack = false;
        EXPECT_EQ(StepCountFromText(QString::fromLatin1(bad), &fellBack), 48) << bad;
        EXPECT_TRUE(fellBack) << bad;
    }
    EXPECT_EQ(StepCountFromText(QStringLiteral("10000")), 10000);
    EXPECT_EQ(StepCountFromText(QStringLiteral(" 60")), 60);

    // Loading more steps than rows grows the table; shrinking the view keeps the texts.
    StepTable t;
    EXPECT_EQ(t.Rows(), 48);
    const QByteArray sixty = QByteArray("   5VOLT 1\r\n").repeated(60);
    EXPECT_EQ(LoadStepFileBytes(t, sixty, 60, StepFileKind::PowerSupply), 60);
    EXPECT_EQ(t.Rows(), 60);
    t.SetRows(10);
    EXPECT_EQ(t.Command(60), "");
    t.GrowTo(60);
    EXPECT_EQ(t.Command(60), "VOLT 1");
}

TEST(StepTable, EntriesThatCannotBeSavedOrSentAreRefused)
{
    StepTable table;
    StepTableModel model(table);
    const QModelIndex marker = model.index(0, StepTableModel::kMarkerColumn);
    const QModelIndex command = model.index(0, StepTableModel::kCommandColumn);
    EXPECT_FALSE(model.setData(marker, QStringLiteral("12345")));
    EXPECT_TRUE(model.setData(marker, QStringLiteral("1234")));
    EXPECT_FALSE(model.setData(command, QString(256, QLatin1Char('a'))));
    EXPECT_FALSE(model.setData(command, QStringLiteral("OUT 1 \u2126")));
    EXPECT_TRUE(model.setData(command, QString(255, QLatin1Char('a'))));
    EXPECT_FALSE(model.setData(model.index(0, StepTableModel::kNumberColumn), QStringLiteral("7")));
    EXPECT_EQ(model.data(model.index(47, 0)).toString(), "48");
    EXPECT_EQ(model.headerData(2, Qt::Horizontal).toString(), "輸入值");
}

TEST(StepTable, FilesOnDisk)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Fluke.txt"));
    StepTable t = Table({{"1", "OUT 1 V"}});
    ASSERT_TRUE(SaveStepFile(path, t, 48));
    StepTable back;
    EXPECT_EQ(LoadStepFile(path, back, 48, StepFileKind::Calibrator), FileRead::Ok);
    EXPECT_EQ(back.Command(1), "OUT 1 V");

    // A missing file clears the steps; one that cannot be read (a folder) leaves them.
    EXPECT_EQ(LoadStepFile(dir.filePath("none.txt"), back, 48, StepFileKind::Calibrator),
              FileRead::Missing);
    EXPECT_EQ(back.Command(1), "");
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("Power.txt")));
    back.SetCommand(1, QStringLiteral("kept"));
    EXPECT_EQ(LoadStepFile(dir.filePath("Power.txt"), back, 48, StepFileKind::PowerSupply),
              FileRead::Unreadable);
    EXPECT_EQ(back.Command(1), "kept");
    // A file that cannot be written is reported and nothing is left half-written.
    EXPECT_FALSE(SaveStepFile(dir.filePath("Power.txt"), t, 48));
    EXPECT_FALSE(SaveStepFile(dir.filePath("no/such/Fluke.txt"), t, 48));
}

TEST(StepTable, TablesWithGapsKeepEveryRowAtItsStepThroughSaveAndLoad)
{
    QTemporaryDir dir;
    // The power table 1 / 0 / 0 / "outp off"; the calibrator with inactive and empty rows.
    StepTable power = Table({{"1", "VOLT 5.0"}, {"0", ""}, {"", ""}, {"1", "outp off"}});
    StepTable fluke = Table({{"1", "OUT 0 mV ,0 Hz"}, {"", ""}, {"0", "STBY"},
                             {"A", "OUT 1 V ,0 Hz"}, {"", ""}, {"2", "OPER"}});
    const std::pair<StepTable *, StepFileKind> tables[] = {{&power, StepFileKind::PowerSupply},
                                                           {&fluke, StepFileKind::Calibrator}};
    for (const auto &[table, kind] : tables) {
        const QString path = dir.filePath(kind == StepFileKind::PowerSupply ? "Power.txt" : "Fluke.txt");
        ASSERT_TRUE(SaveStepFile(path, *table, 10));
        StepTable back;
        for (int step = 1; step <= 6; ++step)
            back.SetLoadedRow(step, QStringLiteral("7"), QStringLiteral("stale"));
        ASSERT_EQ(LoadStepFile(path, back, 10, kind), FileRead::Ok);
        for (int step = 1; step <= 10; ++step) {
            SCOPED_TRACE(step);
            EXPECT_EQ(back.Active(step), table->Active(step));
            EXPECT_EQ(back.Command(step), table->Command(step));
            if (table->Active(step)) {
                EXPECT_EQ(back.Marker(step), table->Marker(step));
            }
        }
    }
}
