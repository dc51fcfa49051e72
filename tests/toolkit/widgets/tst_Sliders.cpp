// Bitmap sliders with real mouse events: geometry, click-to-position, drags and the queued
// notifications, and the zoom slider's factor mapping.
#include "Skin.h"
#include "UbSliderCtrl.h"
#include "ZoomSliderCtrl.h"
#include "helper_Widgets.h"

#include <QSignalSpy>

#include <gtest/gtest.h>
#include <memory>

namespace {

constexpr int kId = 4097;

class Slider : public ::testing::Test
{
protected:
    void SetUp() override
    {
        parent = std::make_unique<QWidget>();
        parent->resize(300, 60);
        slider = new CUbSliderCtrl(parent.get());
        slider->SetControlId(kId);
        slider->setGeometry(17, 20, 236, 16);
        slider->SetRange(-100, 100);
        slider->SetPos(0);
        ASSERT_TRUE(slider->SetTrackBitmaps(198, 196, 200));
        ASSERT_TRUE(slider->SetFilledTrackBitmaps());
        ASSERT_TRUE(slider->SetThumbBitmap(202));
        ASSERT_TRUE(ShowAndWait(parent.get()));
        connect();
    }

    void connect()
    {
        QObject::connect(slider, &CUbSliderCtrl::Notification, slider, [this](int code, int id) {
            codes.append(code);
            ids.append(id);
            positions.append(slider->GetPos());
        });
    }

    std::unique_ptr<QWidget> parent;
    CUbSliderCtrl *slider = nullptr;
    QList<int> codes, ids, positions;
};

TEST_F(Slider, GeometryOfTheEffectSlider)
{
    EXPECT_EQ(slider->UsableLength(), 222);
    EXPECT_EQ(slider->ThumbCentre(), 118);
    EXPECT_EQ(slider->ThumbRect(), QRect(111, 0, 14, 16));
    EXPECT_EQ(slider->ThumbCentreFor(-100), 7);
    EXPECT_EQ(slider->ThumbCentreFor(100), 229);
}

TEST_F(Slider, PositionForMouseX)
{
    struct Row
    {
        int x;
        int position;
    };
    const Row rows[] = {{7, -100}, {229, 100}, {300, 100}, {-50, -100}, {118, 0}, {62, -50}};
    for (const Row &r : rows)
        EXPECT_EQ(slider->PositionForX(r.x), r.position) << "x " << r.x;
}

TEST_F(Slider, ClickOnTheTrackMovesThereAndPostsOnlyTwo)
{
    QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(7, 8));
    EXPECT_EQ(slider->GetPos(), -100);
    // Posted, not sent: the listener hears of it once the event loop runs.
    EXPECT_TRUE(codes.isEmpty());
    ASSERT_TRUE(WaitFor([&] { return codes.size() == 1; }));
    EXPECT_EQ(codes, QList<int> {CUbSliderCtrl::kNotifyFinished});
    EXPECT_EQ(ids, QList<int> {kId});

    QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(229, 8));
    EXPECT_EQ(slider->GetPos(), 100);
    ASSERT_TRUE(WaitFor([&] { return codes.size() == 2; }));
    // A click that lands on the current position changes nothing and posts nothing.
    QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(235, 8));
    QTest::qWait(30);
    EXPECT_EQ(codes.size(), 2);
}

TEST_F(Slider, DragPostsOneAtEveryChangeThenOneTwo)
{
    QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(118, 8));
    EXPECT_TRUE(slider->IsDragging());
    EXPECT_EQ(slider->GetPos(), 0); // pressing the thumb does not move it
    for (int x : {130, 130, 140, 175})
        QTest::mouseMove(slider, QPoint(x, 8));
    QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(175, 8));
    EXPECT_FALSE(slider->IsDragging());
    ASSERT_TRUE(WaitFor([&] { return codes.size() == 4; }));
    QTest::qWait(30);
    EXPECT_EQ(codes, (QList<int> {1, 1, 1, 2}));
    EXPECT_EQ(ids, (QList<int> {kId, kId, kId, kId}));
    EXPECT_EQ(slider->GetPos(), slider->PositionForX(175));
    // Each notification is read after the slider has stored the final position of its event.
    EXPECT_EQ(positions.last(), slider->GetPos());
}

TEST_F(Slider, ADragBackToTheStartPostsNothingFinished)
{
    QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(118, 8));
    QTest::mouseMove(slider, QPoint(119, 8)); // the same position: no change
    QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(119, 8));
    QTest::qWait(30);
    EXPECT_TRUE(codes.isEmpty());
}

TEST_F(Slider, NoMessageNoNotifications)
{
    slider->SetNotifyMessage(0);
    QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(7, 8));
    QTest::qWait(30);
    EXPECT_EQ(slider->GetPos(), -100);
    EXPECT_TRUE(codes.isEmpty());
}

TEST_F(Slider, FilledTrackLeftOfTheThumbPlainRightOfIt)
{
    const QImage shot = slider->grab().toImage();
    const QColor filled = CSkin::Picture(197).pixelColor(20, 8);
    const QColor plain = CSkin::Picture(196).pixelColor(20, 8);
    ASSERT_NE(filled, plain);
    EXPECT_EQ(shot.pixelColor(60, 8), filled);
    EXPECT_EQ(shot.pixelColor(180, 8), plain);
    // The thumb is drawn from x = 111.
    const QImage thumb = CSkin::Picture(202);
    EXPECT_EQ(shot.pixelColor(111 + 7, 2), thumb.pixelColor(7, 2));
}

TEST_F(Slider, AMissingTrackPieceDropsAllThreeAndPaintsBlack)
{
    EXPECT_FALSE(slider->SetTrackBitmaps(198, 99999, 200));
    ASSERT_TRUE(slider->SetFilledTrackImages({}, {}, {}) == false);
    EXPECT_FALSE(slider->HasFilledTrack());
    const QImage shot = slider->grab().toImage();
    EXPECT_EQ(shot.pixelColor(30, 8), QColor(Qt::black));
}

TEST(SliderEdges, EmptyRangeAndNoThumbDoNotDivideByZero)
{
    CUbSliderCtrl slider;
    slider.resize(100, 16);
    EXPECT_EQ(slider.ThumbCentre(), 0); // no thumb yet
    EXPECT_EQ(slider.PositionForX(50), 0);
    slider.SetThumbBitmap(202);
    slider.SetRange(5, 5);
    EXPECT_EQ(slider.PositionForX(50), 5);
    EXPECT_EQ(slider.ThumbCentre(), 7);
    slider.resize(10, 16); // narrower than the thumb
    slider.SetRange(0, 10);
    EXPECT_EQ(slider.PositionForX(3), 0);
}

TEST(ZoomSlider, SetZoomPositions)
{
    struct Row
    {
        double factor;
        int position;
    };
    const Row rows[] = {{1.005, 0},  {0.5, -50},  {0.004, -99}, {1.05, 1},        {3.0, 20},
                        {20.0, 99},  {0.995, 0},  {0.99, -1},   {1.01, 1},        {0.0, -99},
                        {-3.0, -99}, {1e300, 99}, {10.9, 99},   {std::nan(""), 0}};
    CZoomSliderCtrl slider;
    EXPECT_EQ(slider.RangeMin(), -99);
    EXPECT_EQ(slider.RangeMax(), 99);
    for (const Row &r : rows) {
        slider.SetZoom(r.factor);
        EXPECT_EQ(slider.GetPos(), r.position) << "factor " << r.factor;
    }
}

TEST(ZoomSlider, EveryPositionSurvivesTheWayBack)
{
    // The main window sets the slider from the zoom it read from it: the thumb must not move.
    for (int position = -99; position <= 99; ++position)
        EXPECT_EQ(CZoomSliderCtrl::PositionForZoom(CZoomSliderCtrl::ZoomForPosition(position)),
                  position);
}

TEST(ZoomSlider, GetZoomFactors)
{
    struct Row
    {
        int position;
        double factor;
    };
    const Row rows[] = {{-50, 0.5}, {20, 3.0}, {99, 10.9}, {0, 1.0}, {-99, 0.01}, {1, 1.1}};
    CZoomSliderCtrl slider;
    for (const Row &r : rows) {
        slider.SetPos(r.position);
        EXPECT_DOUBLE_EQ(slider.GetZoom(), r.factor) << "position " << r.position;
    }
}

TEST(ZoomSlider, MainWindowPiecesGiveTheZoomGeometry)
{
    QWidget parent;
    auto *slider = new CZoomSliderCtrl(&parent);
    slider->setGeometry(319, 47, 78, 15);
    ASSERT_TRUE(slider->SetTrackBitmaps(261, 262, 263));
    slider->SetThumbBitmap(264);
    // L = 78 − 13 = 65; position 0 → centre (int)(99 / 198 × 65 + 6) = 38.
    EXPECT_EQ(slider->UsableLength(), 65);
    EXPECT_EQ(slider->ThumbCentre(), 38);
}

} // namespace
