// The colour effect popup driven with real mouse and key events: what it reports while a
// slider moves, and what Cancel and Escape hand back.
#include "EffectDlg.h"
#include "UbImgButton.h"
#include "UbSliderCtrl.h"
#include "helper_Canvas.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class EffectDialog : public ::testing::Test
{
protected:
    void Open(int brightness, int contrast)
    {
        dialog.SetValues(brightness, contrast);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        ASSERT_NE(dialog.BrightnessSlider(), nullptr);
    }

    CEffectDlg dialog;
};

TEST_F(EffectDialog, DraggingTheBrightnessThumbPreviewsThenChangesOnce)
{
    Open(0, 0);
    CUbSliderCtrl *slider = dialog.BrightnessSlider();
    QSignalSpy previews(&dialog, &CEffectDlg::colourPreview);
    QSignalSpy changes(&dialog, &CEffectDlg::colourChanged);
    const QPoint from = slider->ThumbRect().center();
    QTest::mousePress(slider, Qt::LeftButton, Qt::NoModifier, from);
    for (int dx = 10; dx <= 40; dx += 10)
        SendMouse(slider, QEvent::MouseMove, from + QPoint(dx, 0), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !previews.isEmpty(); }));
    EXPECT_TRUE(changes.isEmpty()) << "nothing is final while the thumb is held";
    QTest::mouseRelease(slider, Qt::LeftButton, Qt::NoModifier, from + QPoint(40, 0));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !changes.isEmpty(); }));
    QCoreApplication::processEvents(); // a second report would be queued by now
    ASSERT_EQ(changes.count(), 1);
    EXPECT_GT(changes.at(0).at(0).toInt(), 0);
    EXPECT_EQ(changes.at(0).at(0).toInt(), dialog.Brightness());
    EXPECT_EQ(changes.at(0).at(1).toInt(), 0);
    EXPECT_EQ(previews.last().at(0).toInt(), dialog.Brightness());
}

TEST_F(EffectDialog, CancelReturnsToTheValuesItOpenedWithAndEscapeKeepsThem)
{
    Open(30, -20);
    QSignalSpy cancels(&dialog, &CEffectDlg::cancelled);
    QSignalSpy applies(&dialog, &CEffectDlg::applied);
    CUbSliderCtrl *slider = dialog.BrightnessSlider();
    QTest::mouseClick(slider, Qt::LeftButton, Qt::NoModifier, QPoint(slider->width() - 2, 8));
    ASSERT_NE(dialog.Brightness(), 30);

    QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton, Qt::NoModifier,
                      dialog.CancelButton()->rect().center());
    ASSERT_EQ(cancels.count(), 1);
    EXPECT_EQ(cancels.at(0).at(0).toInt(), 30);
    EXPECT_EQ(cancels.at(0).at(1).toInt(), -20);
    EXPECT_EQ(dialog.Brightness(), 30);
    EXPECT_EQ(dialog.Contrast(), -20);
    EXPECT_EQ(applies.count(), 1);
    EXPECT_FALSE(dialog.isVisible());

    // Escape closes it as Apply does, keeping the values.
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_EQ(applies.count(), 2);
    EXPECT_EQ(cancels.count(), 1);
    EXPECT_FALSE(dialog.isVisible());
}

} // namespace
