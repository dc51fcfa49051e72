// Image buttons with real mouse events: the four looks, sliding off a pressed button, clicks.
#include "Skin.h"
#include "UbImgButton.h"
#include "helper_Widgets.h"

#include <QLineEdit>
#include <QSignalSpy>

#include <gtest/gtest.h>
#include <memory>

namespace {

class ImgButton : public ::testing::Test
{
protected:
    void SetUp() override
    {
        parent = std::make_unique<QWidget>();
        parent->resize(200, 100);
        button = new CUbImgButton(parent.get());
        ASSERT_TRUE(button->SetBitmap(226, 20, 20));
        other = new QLineEdit(parent.get());
        other->setGeometry(100, 60, 80, 20);
        states = CSkin::StripStates(226);
        ASSERT_TRUE(ShowAndWait(parent.get()));
    }

    QPoint Centre() const { return button->rect().center(); }

    std::unique_ptr<QWidget> parent;
    CUbImgButton *button = nullptr;
    QLineEdit *other = nullptr;
    QList<QImage> states; // normal, hover, pressed, disabled
};

TEST_F(ImgButton, TakesThePlaceAndSizeOfOneState)
{
    EXPECT_EQ(button->geometry(), QRect(20, 20, 56, 22));
    EXPECT_EQ(button->ImageSize(), QSize(56, 22));
    // An unknown strip changes nothing.
    EXPECT_FALSE(button->SetBitmap(99999, 0, 0));
    EXPECT_EQ(button->geometry(), QRect(20, 20, 56, 22));
    EXPECT_EQ(button->DrawnImage(), states[0]);
}

TEST_F(ImgButton, HoverShowsTheSecondImage)
{
    QTest::mouseMove(button, Centre());
    EXPECT_EQ(button->VisualState(), CUbImgButton::Hover);
    EXPECT_EQ(button->DrawnImage(), states[1]);
    QTest::mouseMove(parent.get(), QPoint(150, 10));
    EXPECT_TRUE(WaitFor([&] { return button->VisualState() == CUbImgButton::Normal; }));
    EXPECT_EQ(button->DrawnImage(), states[0]);
}

TEST_F(ImgButton, SlidingOffAPressedButtonShowsNormalAndSendsNoClick)
{
    QSignalSpy clicks(button, &QAbstractButton::clicked);
    QTest::mouseMove(button, Centre());
    QTest::mousePress(button, Qt::LeftButton, {}, Centre());
    EXPECT_EQ(button->VisualState(), CUbImgButton::Pressed);
    EXPECT_EQ(button->DrawnImage(), states[2]);

    QTest::mouseMove(button, QPoint(-10, 5)); // off the button, still held
    EXPECT_EQ(button->VisualState(), CUbImgButton::Normal);
    EXPECT_EQ(button->DrawnImage(), states[0]);

    QTest::mouseMove(button, Centre()); // back on
    EXPECT_EQ(button->VisualState(), CUbImgButton::Pressed);

    QTest::mouseMove(button, QPoint(-10, 5));
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(-10, 5));
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_FALSE(button->IsPressedDown());
    EXPECT_FALSE(button->IsTracking());
    EXPECT_EQ(button->VisualState(), CUbImgButton::Normal);
}

TEST_F(ImgButton, ReleaseOverTheButtonClicksOnce)
{
    QSignalSpy clicks(button, &QAbstractButton::clicked);
    QTest::mouseMove(button, Centre());
    QTest::mouseClick(button, Qt::LeftButton, {}, Centre());
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(button->VisualState(), CUbImgButton::Hover);
    // The right button is not a click.
    QTest::mouseClick(button, Qt::RightButton, {}, Centre());
    EXPECT_EQ(clicks.count(), 1);
}

TEST_F(ImgButton, DisabledShowsTheFourthImageAndIgnoresHover)
{
    button->setEnabled(false);
    EXPECT_EQ(button->VisualState(), CUbImgButton::Disabled);
    EXPECT_EQ(button->DrawnImage(), states[3]);
    QTest::mouseMove(button, Centre());
    QTest::mouseMove(button, Centre() + QPoint(1, 1));
    EXPECT_EQ(button->VisualState(), CUbImgButton::Disabled);
    EXPECT_EQ(button->DrawnImage(), states[3]);
    QSignalSpy clicks(button, &QAbstractButton::clicked);
    QTest::mouseClick(button, Qt::LeftButton, {}, Centre());
    EXPECT_EQ(clicks.count(), 0);

    button->setEnabled(true);
    EXPECT_NE(button->VisualState(), CUbImgButton::Disabled);
}

TEST_F(ImgButton, LatchedShowsPressedWhateverTheState)
{
    button->SetLatched(true);
    EXPECT_EQ(button->DrawnImage(), states[2]);
    QTest::mouseMove(button, Centre());
    EXPECT_EQ(button->DrawnImage(), states[2]);
    button->SetLatched(false);
    EXPECT_EQ(button->DrawnImage(), states[1]);
}

TEST_F(ImgButton, LosingFocusWhilePressedDropsThePress)
{
    QTest::mousePress(button, Qt::LeftButton, {}, Centre());
    ASSERT_TRUE(button->IsPressedDown());
    other->setFocus();
    EXPECT_TRUE(WaitFor([&] { return !button->hasFocus(); }));
    EXPECT_FALSE(button->IsPressedDown());
    EXPECT_EQ(button->VisualState(), CUbImgButton::Normal);
    QTest::mouseRelease(button, Qt::LeftButton, {}, Centre());
}

TEST_F(ImgButton, ImageIsCentredInALargerButton)
{
    button->resize(76, 42);
    const QImage shot = button->grab().toImage();
    // The state image sits at ((76 − 56) / 2, (42 − 22) / 2) = (10, 10).
    const QImage drawn = button->DrawnImage();
    EXPECT_EQ(shot.pixelColor(10 + 28, 10 + 1), drawn.pixelColor(28, 1));
    EXPECT_EQ(shot.pixelColor(10 + 28, 10 + 20), drawn.pixelColor(28, 20));
}

} // namespace
