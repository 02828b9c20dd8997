#include "app/placement/WindowPlacement.h"

#include <gtest/gtest.h>

using namespace vek;

namespace {

QByteArray Entries(int n, int count)
{
    QByteArray out = "1.10\r\n" + QByteArray::number(count) + "\r\n";
    for (int i = 0; i < n; ++i)
        out += "Form" + QByteArray::number(i) + "\r\n" + QByteArray::number(i) + " 2 3 4 0 1\r\n";
    return out;
}

} // namespace

TEST(PlacementFile, WritesVersionCountAndFixedWidthEntries)
{
    PlacementTable t;
    ASSERT_TRUE(t.Record({"MainPanel", 10, 20, 893, 813, WindowShowState::Normal, true}));
    ASSERT_TRUE(t.Record({"Vek_RAM", -5, 40, 480, 420, WindowShowState::Maximized, false}));
    ASSERT_TRUE(t.Record({"TMP", 0, 0, 760, 560, WindowShowState::Minimized, false}));
    EXPECT_EQ(t.Serialize(), QByteArray("1.10\r\n"
                                        "3\r\n"
                                        "MainPanel\r\n"
                                        "   10   20  893  813    0    1\r\n"
                                        "Vek_RAM\r\n"
                                        "   -5   40  480  420    1    0\r\n"
                                        "TMP\r\n"
                                        "    0    0  760  560    2    0\r\n"));
}

TEST(PlacementFile, ReadBackGivesTheSameTable)
{
    PlacementTable t;
    t.Record({"MainPanel", -1920, -1080, 12345, 800, WindowShowState::Maximized, true});
    t.Record({"Vek_Reg2", 100000, -99999, 0, -1, WindowShowState::Normal, false});
    PlacementTable back;
    ASSERT_TRUE(back.Parse(t.Serialize()));
    EXPECT_EQ(back.Entries(), t.Entries());
}

TEST(PlacementFile, RecordUpdatesAnEntryAndRefusesTheFortyFirst)
{
    PlacementTable t;
    for (int i = 0; i < 40; ++i)
        ASSERT_TRUE(t.Record({QString("W%1").arg(i), i, 0, 1, 1, WindowShowState::Normal, false}));
    EXPECT_FALSE(t.Record({"W40", 0, 0, 1, 1, WindowShowState::Normal, false}));
    EXPECT_TRUE(t.Record({"W7", 70, 0, 1, 1, WindowShowState::Normal, true}));
    EXPECT_EQ(t.Entries().size(), 40);
    EXPECT_EQ(t.Find("W7")->left, 70);
    EXPECT_EQ(t.Find("w7"), nullptr); // names match exactly
}

TEST(PlacementFile, ReadingRules)
{
    const struct {
        QByteArray bytes;
        bool version;
        int entries;
        const char *what;
    } cases[] = {
        {Entries(50, 50), true, 40, "50 windows restore only the first 40"},
        {Entries(3, 45), true, 3, "a count above the entries stops at the end of the file"},
        {Entries(5, 2), true, 2, "the count limits the entries"},
        {Entries(5, -4), true, 0, "a negative count reads nothing"},
        {"1.10\r\nmany\r\n", true, 0, "a count that is no number reads nothing"},
        {"1.10\r\n2\r\nA\r\n1 2 3 4 0 1\r\nB\r\n1 2 3\r\n", true, 1, "a cut-off entry is dropped"},
        {"1.10\r\n2\r\nA\r\n1 2 3 4 0 1\r\nB\r\n1 2 x 4 0 1\r\n", true, 1,
         "a garbled entry stops the reading"},
        {"1.10\n1\nA\n1\n2\n3\n4\n0\n1\n", true, 1, "numbers are read across line ends"},
        {"1.1\r\n1\r\nA\r\n1 2 3 4 0 1\r\n", false, 0, "another version is ignored"},
        {"1.10 \r\n1\r\nA\r\n1 2 3 4 0 1\r\n", false, 0, "the version line must be exact"},
        {"", false, 0, "an empty file"},
    };
    for (const auto &c : cases) {
        PlacementTable t;
        EXPECT_EQ(t.Parse(c.bytes), c.version) << c.what;
        EXPECT_EQ(t.Entries().size(), c.entries) << c.what;
    }
}

TEST(PlacementFile, StateAndVisibleCodes)
{
    PlacementTable t;
    ASSERT_TRUE(t.Parse("1.10\r\n4\r\nA\r\n0 0 1 1 1 1\r\nB\r\n0 0 1 1 2 2\r\nC\r\n0 0 1 1 7 0\r\n"
                        "D\r\n0 0 1 1 -1 -1\r\n"));
    ASSERT_EQ(t.Entries().size(), 4);
    EXPECT_EQ(t.Entries()[0].state, WindowShowState::Maximized);
    EXPECT_TRUE(t.Entries()[0].visible);
    EXPECT_EQ(t.Entries()[1].state, WindowShowState::Minimized);
    EXPECT_FALSE(t.Entries()[1].visible); // only 1 is visible
    EXPECT_EQ(t.Entries()[2].state, WindowShowState::Normal);
    EXPECT_EQ(t.Entries()[3].state, WindowShowState::Normal);
}

TEST(PlaceWindow, Rules)
{
    const int sw = 1024, sh = 768;
    const WindowFacts fixed{5, 6, 300, 200, true, false};
    const WindowFacts sizeable{5, 6, 300, 200, true, true};
    const WindowFacts centred{5, 6, 300, 200, false, true};
    const PlacementEntry normal{"W", 100, 120, 640, 480, WindowShowState::Normal, true};

    EXPECT_FALSE(PlaceWindow(normal, centred, sw, sh, true).has_value());

    auto r = PlaceWindow(normal, sizeable, sw, sh, true);
    ASSERT_TRUE(r);
    EXPECT_EQ((std::array{r->left, r->top, r->width, r->height}), (std::array{100, 120, 640, 480}));
    EXPECT_TRUE(r->show);
    EXPECT_FALSE(PlaceWindow(normal, sizeable, sw, sh, false)->show);

    // A fixed border keeps its designed size but takes the place.
    r = PlaceWindow(normal, fixed, sw, sh, true);
    EXPECT_EQ((std::array{r->left, r->top, r->width, r->height}), (std::array{100, 120, 300, 200}));

    // Pulled onto the screen: too big, or starting within 20 pixels of the far edges.
    r = PlaceWindow({"W", 1010, 750, 2000, 100, WindowShowState::Normal, false}, sizeable, sw, sh,
                    true);
    EXPECT_EQ((std::array{r->left, r->top, r->width, r->height}), (std::array{0, 668, 1024, 100}));
    r = PlaceWindow({"W", 1004, 748, 50, 60, WindowShowState::Normal, false}, sizeable, sw, sh,
                    true);
    EXPECT_EQ((std::array{r->left, r->top}), (std::array{1004, 748}));
    r = PlaceWindow({"W", 1005, 749, 50, 60, WindowShowState::Normal, false}, sizeable, sw, sh,
                    true);
    EXPECT_EQ((std::array{r->left, r->top}), (std::array{974, 708}));
    EXPECT_FALSE(r->show);

    // Not pulled when maximized or not sizeable.
    r = PlaceWindow({"W", 5000, 5000, 2000, 2000, WindowShowState::Maximized, false}, sizeable, sw,
                    sh, true);
    EXPECT_EQ((std::array{r->left, r->top, r->width, r->height}),
              (std::array{5000, 5000, 2000, 2000}));
    EXPECT_EQ(r->state, WindowShowState::Maximized);
    r = PlaceWindow({"W", 5000, 5000, 2000, 2000, WindowShowState::Normal, false}, fixed, sw, sh,
                    true);
    EXPECT_EQ((std::array{r->left, r->top}), (std::array{5000, 5000}));

    // Values from a damaged file stay within a range the window system can take.
    r = PlaceWindow(
        {"W", INT32_MIN, INT32_MAX, INT32_MIN, INT32_MIN, WindowShowState::Maximized, false},
        sizeable, sw, sh, true);
    EXPECT_EQ((std::array{r->left, r->top, r->width, r->height}),
              (std::array{-1000000, 1000000, 0, 0}));
    r = PlaceWindow(
        {"W", INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN, WindowShowState::Normal, false}, sizeable,
        sw, sh, true);
    EXPECT_EQ((std::array{r->left, r->top, r->width, r->height}),
              (std::array{1000000, 1000000, 0, 0}));
}
