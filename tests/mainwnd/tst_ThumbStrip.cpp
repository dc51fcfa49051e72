// The main window's layout arithmetic and the thumbnail strip, without the window.
#include "MainLayout.h"
#include "ThumbStripGeometry.h"
#include "VmThumbnailCtrl.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

QImage Photo(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(120, 80, 40));
    return image;
}

TEST(MainLayout, TopRowHangsFromTheRightEdge)
{
    // Window buttons 18 wide, 1 pixel apart; text buttons 60 wide, 13 then 3 pixels apart.
    const QList<QSize> sizes
        = {{18, 18}, {18, 18}, {18, 18}, {60, 20}, {60, 20}, {60, 20}, {60, 20}};
    const QList<QRect> places = MainLayout::TopRowPlaces(1280, sizes);
    ASSERT_EQ(places.size(), 7);
    EXPECT_EQ(places[0].x() + places[0].width(), 1280 - 6); // close
    EXPECT_EQ(places[1].x() + places[1].width(), places[0].x() - 1); // maximise
    EXPECT_EQ(places[3].x() + places[3].width(), places[2].x() - 13); // settings
    EXPECT_EQ(places[4].x() + places[4].width(), places[3].x() - 3); // share
    EXPECT_EQ(places[6].y(), 6);
}

TEST(MainLayout, CounterAndPercentTexts)
{
    EXPECT_EQ(MainLayout::CounterText(-1, 3), QStringLiteral("0 / 3"));
    EXPECT_EQ(MainLayout::CounterText(0, 3), QStringLiteral("1 / 3"));
    // The canvas goes far beyond the slider's 1090 %; the label shows what is shown.
    EXPECT_EQ(MainLayout::PercentText(100.0), QStringLiteral("10000 %"));
    EXPECT_EQ(MainLayout::PercentText(0.4999), QStringLiteral("49 %"));
}

TEST(ThumbStripGeometry, CellsScrollingAndHits)
{
    const ThumbStripGeometry g;
    EXPECT_EQ(g.VisibleCount(700), 10);
    EXPECT_EQ(g.VisibleCount(g.WidthForCells(7)), 7);
    EXPECT_EQ(g.VisibleCount(g.WidthForCells(7) - 1), 6);

    // 12 items, 10 in view: two steps forward, the third does nothing; back twice to 0.
    int offset = 0;
    for (int expected : {69, 138, 138}) {
        offset = g.ScrolledOffset(true, 700, 12, offset);
        EXPECT_EQ(offset, expected);
    }
    EXPECT_FALSE(g.CanScrollForward(700, 12, offset));
    offset = g.ScrolledOffset(false, 700, 12, offset);
    offset = g.ScrolledOffset(false, 700, 12, offset);
    EXPECT_EQ(offset, 0);
    EXPECT_FALSE(g.CanScrollBack(offset, 12));

    // Removing items never leaves a view of empty cells only.
    EXPECT_EQ(g.ClampedOffset(700, 12, 138), 138);
    EXPECT_EQ(g.ClampedOffset(700, 11, 138), 69);
    EXPECT_EQ(g.ClampedOffset(700, 3, 138), 0);

    EXPECT_EQ(g.HitTest(QPoint(1 + 69 + 10, 10), 10, 0), 1);
    EXPECT_EQ(g.HitTest(QPoint(1 + 60 + 4, 10), 10, 0), -1); // the gap between two cells
    EXPECT_EQ(g.HitTest(QPoint(1 + 10, 10), 10, 69), 1); // cell 0 scrolled out of view
}

class Strip : public ::testing::Test
{
protected:
    void SetUp() override
    {
        strip.resize(700, 47);
        strip.SetSelectionHandler([this](int index) {
            asked.append(index);
            return allow;
        });
        for (int i = 0; i < 6; ++i)
            ASSERT_TRUE(strip.InsertItem(i, Photo(140, 105)));
        strip.SetSelection(4);
    }

    CVmThumbnailCtrl strip;
    QList<int> asked;
    bool allow = true;
};

TEST_F(Strip, SelectionFollowsItsPhotograph)
{
    ASSERT_TRUE(strip.InsertItem(0, Photo(140, 105)));
    EXPECT_EQ(strip.Selection(), 5);
    ASSERT_TRUE(strip.RemoveItem(2));
    EXPECT_EQ(strip.Selection(), 4);
    ASSERT_TRUE(strip.RemoveItem(4));
    EXPECT_EQ(strip.Selection(), -1);
    EXPECT_FALSE(strip.RemoveItem(5));
    EXPECT_FALSE(strip.InsertItem(7, Photo(10, 10)));

    // A selection beyond the last visible cell scrolls into view, and back.
    for (int i = 0; i < 8; ++i)
        ASSERT_TRUE(strip.InsertItem(strip.ItemCount(), Photo(140, 105)));
    strip.SetSelection(11);
    EXPECT_EQ(strip.ScrollOffset(), 2 * 69);
    strip.SetSelection(0);
    EXPECT_EQ(strip.ScrollOffset(), 0);
}

TEST_F(Strip, ClicksAskTheOwner)
{
    const auto click = [this](int cell) {
        QTest::mouseClick(&strip, Qt::LeftButton, {}, QPoint(1 + cell * 69 + 30, 20));
    };
    allow = false;
    click(1);
    EXPECT_EQ(asked, QList<int>({1}));
    EXPECT_EQ(strip.Selection(), 4); // refused: the red frame stays
    allow = true;
    click(4); // the selected one: nothing asked
    click(8); // an empty frame
    EXPECT_EQ(asked, QList<int>({1}));
    click(2);
    EXPECT_EQ(strip.Selection(), 2);
}

TEST_F(Strip, PicturesFitTheCell)
{
    ASSERT_TRUE(strip.ReplaceImage(0, Photo(105, 140))); // a portrait
    EXPECT_EQ(strip.ItemImage(0).size(), QSize(33, 45));
    EXPECT_EQ(strip.ItemImage(1).size(), QSize(60, 45));
    EXPECT_FALSE(strip.Reorder({0, 0, 1, 2, 3, 4}));
    ASSERT_TRUE(strip.Reorder({1, 0, 2, 3, 4, 5}));
    EXPECT_EQ(strip.ItemImage(1).size(), QSize(33, 45));
}

} // namespace
