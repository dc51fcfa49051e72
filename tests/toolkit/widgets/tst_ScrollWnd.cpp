// The scroll window's bars, positions, scroll codes and wheel rule on a real widget.
#include "UbScrollWnd.h"
#include "helper_Widgets.h"

#include <QApplication>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>

#include <gtest/gtest.h>
#include <memory>

namespace {

class Scroll : public ::testing::Test
{
protected:
    void SetUp() override
    {
        wnd = std::make_unique<CUbScrollWnd>();
        wnd->resize(300, 200);
        ASSERT_TRUE(ShowAndWait(wnd.get()));
        ASSERT_EQ(wnd->viewport()->size(), QSize(300, 200));
    }

    // The order grid: content 259 high, 8-pixel lines.
    void GridContent() { wnd->SetScrollSizes(QSize(0, 80), 200, 259, QSize(0, 8)); }

    bool Wheel(int delta, Qt::KeyboardModifiers modifiers = {})
    {
        const QPointF at(50, 50);
        QWheelEvent event(at, wnd->viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta),
                          Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(wnd->viewport(), &event);
        return event.isAccepted();
    }

    int Y() const { return wnd->ScrollPosition().y(); }

    std::unique_ptr<CUbScrollWnd> wnd;
};

TEST_F(Scroll, SizesDefaultToTenthsOfTheLargerOne)
{
    wnd->SetScrollSizes(QSize(0, 0), 1000, 505);
    EXPECT_EQ(wnd->PageSize(), QSize(100, 50));
    EXPECT_EQ(wnd->LineSize(), QSize(10, 5));
    wnd->SetScrollSizes(QSize(-5, 60), -10, 600);
    EXPECT_EQ(wnd->TotalSize(), QSize(0, 600));
    EXPECT_EQ(wnd->PageSize(), QSize(0, 60));
    EXPECT_EQ(wnd->LineSize(), QSize(0, 6));
}

TEST_F(Scroll, OrderGridRangeAndPage)
{
    GridContent();
    EXPECT_TRUE(wnd->IsBarShown(Qt::Vertical));
    EXPECT_FALSE(wnd->IsBarShown(Qt::Horizontal));
    EXPECT_EQ(wnd->BarRange(Qt::Vertical), qMakePair(0, 258));
    EXPECT_EQ(wnd->BarPage(Qt::Vertical), 200);
    EXPECT_EQ(wnd->ScrollLimit(Qt::Vertical), 59);
}

TEST_F(Scroll, OneNotchScrollsThreeLinesAndNeverPastTheEnds)
{
    ASSERT_EQ(QApplication::wheelScrollLines(), 3);
    GridContent();
    wnd->OnScrollBy(QSize(0, 59), true);
    ASSERT_EQ(Y(), 59);
    EXPECT_TRUE(Wheel(120));
    EXPECT_EQ(Y(), 35); // up by 3 × 8
    wnd->OnScrollBy(QSize(0, -25), true);
    ASSERT_EQ(Y(), 10);
    Wheel(120);
    EXPECT_EQ(Y(), 0);
    Wheel(-120);
    EXPECT_EQ(Y(), 24);
    Wheel(-1200); // ten notches down, but never more than a page (80) at once
    EXPECT_EQ(Y(), 59);
}

TEST_F(Scroll, WheelWithShiftOrCtrlIsLeftAlone)
{
    GridContent();
    EXPECT_FALSE(Wheel(-120, Qt::ControlModifier));
    EXPECT_FALSE(Wheel(-120, Qt::ShiftModifier));
    EXPECT_EQ(Y(), 0);
    wnd->SetWheelIgnoresModifiers(true);
    Wheel(-120, Qt::ControlModifier);
    EXPECT_EQ(Y(), 24);
}

TEST_F(Scroll, PartsOfANotchAddUp)
{
    GridContent();
    Wheel(-15);
    Wheel(-15);
    EXPECT_EQ(Y(), 8); // −30 of 120 makes one of three lines
}

TEST_F(Scroll, ContentThatFitsHasNoBarAndStaysAtZero)
{
    wnd->SetScrollSizes(QSize(0, 0), 300, 200);
    EXPECT_FALSE(wnd->IsBarShown(Qt::Vertical));
    EXPECT_FALSE(wnd->IsBarShown(Qt::Horizontal));
    Wheel(-120);
    EXPECT_FALSE(wnd->OnScrollBy(QSize(10, 10), true));
    EXPECT_EQ(wnd->ScrollPosition(), QPoint(0, 0));
}

TEST_F(Scroll, ScrollCodes)
{
    GridContent();
    struct Row
    {
        const char *name;
        int code;
        int position;
        int expectedY;
        bool moved;
    };
    const Row rows[] = {
        {"thumb position alone", CUbScrollWnd::ThumbPosition, 30, 0, false},
        {"thumb tracking", CUbScrollWnd::ThumbTrack, 30, 30, true},
        {"end of scroll", CUbScrollWnd::EndScroll, 0, 30, false},
        {"line down", CUbScrollWnd::LineDown, 0, 38, true},
        {"line up", CUbScrollWnd::LineUp, 0, 30, true},
        {"page up", CUbScrollWnd::PageUp, 0, 0, true},
        {"page down", CUbScrollWnd::PageDown, 0, 59, true},
        {"bottom again", CUbScrollWnd::Bottom, 0, 59, false},
        {"top", CUbScrollWnd::Top, 0, 0, true},
        {"track past the end", CUbScrollWnd::ThumbTrack, 500, 59, true},
    };
    for (const Row &r : rows) {
        EXPECT_EQ(wnd->OnScroll(Qt::Vertical, r.code, r.position, true), r.moved) << r.name;
        EXPECT_EQ(Y(), r.expectedY) << r.name;
    }
    // The axis without a bar does not move.
    EXPECT_FALSE(wnd->OnScroll(Qt::Horizontal, CUbScrollWnd::Bottom, 0, true));
    EXPECT_EQ(wnd->ScrollPosition().x(), 0);
}

TEST_F(Scroll, WithoutDoScrollNothingMovesButTheAnswerSaysItWould)
{
    GridContent();
    EXPECT_TRUE(wnd->OnScrollBy(QSize(0, 10), false));
    EXPECT_EQ(Y(), 0);
}

TEST_F(Scroll, BarArrowsGoThroughTheScrollCodes)
{
    GridContent();
    wnd->verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(Y(), 8);
    wnd->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(Y(), 59);
    wnd->verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(Y(), 0);
}

TEST_F(Scroll, AVerticalBarCanMakeTheHorizontalOneNeeded)
{
    const int bar = wnd->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, wnd.get());
    // Fits across only while there is no vertical bar.
    wnd->SetScrollSizes(QSize(0, 0), 300 - bar / 2, 400);
    EXPECT_TRUE(wnd->IsBarShown(Qt::Vertical));
    EXPECT_TRUE(wnd->IsBarShown(Qt::Horizontal));
    EXPECT_EQ(wnd->ScrollLimit(Qt::Horizontal), bar - bar / 2);
    EXPECT_EQ(wnd->ScrollLimit(Qt::Vertical), 400 - (200 - bar));
}

TEST_F(Scroll, ShrinkingTheContentClampsThePosition)
{
    GridContent();
    wnd->OnScrollBy(QSize(0, 59), true);
    wnd->SetScrollSizes(QSize(0, 80), 200, 230, QSize(0, 8));
    EXPECT_EQ(Y(), 30);
    wnd->SetScrollSizes(QSize(0, 80), 200, 100, QSize(0, 8));
    EXPECT_EQ(Y(), 0);
    EXPECT_FALSE(wnd->IsBarShown(Qt::Vertical));
}

TEST_F(Scroll, GrowingTheWindowDropsABarThatIsNoLongerNeeded)
{
    GridContent();
    wnd->OnScrollBy(QSize(0, 40), true);
    wnd->resize(300, 300);
    EXPECT_TRUE(WaitFor([&] { return !wnd->IsBarShown(Qt::Vertical); }));
    EXPECT_EQ(Y(), 0);
    wnd->resize(300, 150);
    EXPECT_TRUE(WaitFor([&] { return wnd->IsBarShown(Qt::Vertical); }));
    EXPECT_EQ(wnd->ScrollLimit(Qt::Vertical), 259 - 150);
}

} // namespace
