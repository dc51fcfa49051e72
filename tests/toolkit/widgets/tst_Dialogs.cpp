// Popup and sheet bases as real windows: frame, title, close cross, dragging, child colours,
// and sheets that the confirm and cancel keys cannot close.
#include "Skin.h"
#include "UbImgButton.h"
#include "VmDialog.h"
#include "VmPopupDialog.h"
#include "VmSheetDlg.h"
#include "helper_Widgets.h"

#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>
#include <memory>

namespace {

const QColor kFace(244, 244, 246);

bool IsWhitish(const QColor &c)
{
    return c.red() > 200 && c.green() > 200 && c.blue() > 200;
}

class Popup : public ::testing::Test
{
protected:
    void SetUp() override
    {
        popup = std::make_unique<CVmPopupDialog>(158);
        popup->SetTitle(QString::fromUtf8("상세정보"));
        popup->resize(400, 300);
        popup->move(100, 100);
        ASSERT_TRUE(ShowAndWait(popup.get()));
    }
    std::unique_ptr<CVmPopupDialog> popup;
};

TEST_F(Popup, CloseCrossSitsSevenFromTheRightAndCentredInTheBand)
{
    ASSERT_NE(popup->CloseButton(), nullptr);
    EXPECT_EQ(popup->CloseButton()->ControlId(), CVmPopupDialog::kCloseButtonId);
    EXPECT_EQ(popup->CloseButton()->geometry(), QRect(400 - 13 - 7, 5, 13, 13));
    popup->resize(300, 200);
    EXPECT_EQ(popup->CloseButton()->geometry(), QRect(300 - 13 - 7, 5, 13, 13));
}

TEST_F(Popup, WithoutBackgroundShowsFaceBandBorderAndTitle)
{
    const QImage shot = popup->grab().toImage();
    ASSERT_EQ(shot.size(), QSize(400, 300));
    const std::array<QImage, 8> pieces = CSkin::PopupFramePieces();
    // Light grey face inside the border.
    EXPECT_EQ(shot.pixelColor(200, 150), kFace);
    // The top edge repeats between the corners: a column matches the piece it was copied from.
    for (int x : {13, 100, 176, 177, 250, 390 - 1}) {
        const int column = (x - 13) % 164;
        EXPECT_EQ(shot.pixelColor(x, 2), pieces[1].pixelColor(column, 2)) << x;
    }
    EXPECT_EQ(shot.pixelColor(2, 2), pieces[0].pixelColor(2, 2));
    EXPECT_EQ(shot.pixelColor(398, 20), pieces[2].pixelColor(7, 20));
    // Seven-pixel border: left, right and bottom edges come from their pieces.
    EXPECT_EQ(shot.pixelColor(0, 150), pieces[7].pixelColor(0, 10));
    EXPECT_EQ(shot.pixelColor(399, 150), pieces[3].pixelColor(6, 10));
    EXPECT_EQ(shot.pixelColor(200, 299), pieces[5].pixelColor(10, 6));
    // White title text from x = 35 inside the band, nothing white before it.
    int whiteBefore = 0, whiteTitle = 0;
    for (int y = 0; y < 24; ++y) {
        for (int x = 8; x < 35; ++x)
            whiteBefore += IsWhitish(shot.pixelColor(x, y));
        for (int x = 35; x < 120; ++x)
            whiteTitle += IsWhitish(shot.pixelColor(x, y));
    }
    EXPECT_EQ(whiteBefore, 0);
    EXPECT_GT(whiteTitle, 20);
    int leftmost = 400;
    for (int y = 0; y < 24; ++y)
        for (int x = 30; x < 120; ++x)
            if (IsWhitish(shot.pixelColor(x, y)))
                leftmost = std::min(leftmost, x);
    EXPECT_GE(leftmost, 35);
    EXPECT_LE(leftmost, 38);
}

TEST_F(Popup, BackgroundPictureReplacesTheFrame)
{
    ASSERT_TRUE(popup->LoadBackground(235));
    popup->SizeToBackground();
    EXPECT_EQ(popup->size(), QSize(330, 190));
    const QImage shot = popup->grab().toImage();
    const QImage background = CSkin::Picture(235);
    for (const QPoint &p : {QPoint(60, 60), QPoint(200, 100), QPoint(5, 180)})
        EXPECT_EQ(shot.pixelColor(p), background.pixelColor(p)) << p.x() << "," << p.y();
    EXPECT_FALSE(popup->LoadBackground(99999));
}

TEST_F(Popup, DraggingTheTitleBandMovesTheWindow)
{
    const QPoint start = popup->pos();
    QTest::mousePress(popup.get(), Qt::LeftButton, {}, QPoint(150, 10));
    QTest::mouseMove(popup.get(), QPoint(180, 15));
    QTest::mouseRelease(popup.get(), Qt::LeftButton, {}, QPoint(180, 15));
    EXPECT_EQ(popup->pos(), start + QPoint(30, 5));
}

TEST_F(Popup, APressBelowTheBandReachesTheDialog)
{
    EXPECT_TRUE(popup->IsCaptionPoint(QPoint(5, 23)));
    EXPECT_FALSE(popup->IsCaptionPoint(QPoint(5, 24)));
    const QPoint start = popup->pos();
    QTest::mousePress(popup.get(), Qt::LeftButton, {}, QPoint(150, 24));
    QTest::mouseMove(popup.get(), QPoint(180, 40));
    QTest::mouseRelease(popup.get(), Qt::LeftButton, {}, QPoint(180, 40));
    EXPECT_EQ(popup->pos(), start);
}

TEST_F(Popup, CloseCrossCancelsTheDialog)
{
    popup->open();
    CUbImgButton *close = popup->CloseButton();
    QTest::mouseClick(close, Qt::LeftButton, {}, close->rect().center());
    EXPECT_EQ(popup->result(), QDialog::Rejected);
    EXPECT_FALSE(popup->isVisible());
}

TEST(PopupChildren, LabelsAndButtonsTakeTheFaceOthersKeepTheirs)
{
    CVmPopupDialog popup(226);
    auto *label = new QLabel(QStringLiteral("label"), &popup);
    auto *push = new QPushButton(QStringLiteral("push"), &popup);
    auto *edit = new QLineEdit(&popup);
    const QColor editWindow = edit->palette().color(QPalette::Window);
    popup.resize(200, 120);
    ASSERT_TRUE(ShowAndWait(&popup));
    EXPECT_EQ(label->palette().color(QPalette::Window), kFace);
    EXPECT_FALSE(label->autoFillBackground());
    EXPECT_EQ(push->palette().color(QPalette::Window), kFace);
    EXPECT_EQ(edit->palette().color(QPalette::Window), editWindow);
}

class CountingSheet : public CVmSheetDlg
{
public:
    using CVmSheetDlg::CVmSheetDlg;
    int layouts = 0;
    int clips = 0;

protected:
    void Layout() override { ++layouts; }
    void AdjustClip(QRegion &region) override
    {
        ++clips;
        region -= QRect(0, 0, 10, 10);
    }
    void Draw(QPainter &painter) override { painter.fillRect(rect(), Qt::darkCyan); }
};

TEST(Sheet, ConfirmAndCancelKeysLeaveItOpen)
{
    QWidget owner;
    owner.resize(400, 300);
    auto *sheet = new CountingSheet(&owner);
    sheet->setGeometry(7, 36, 386, 242);
    sheet->setFocusPolicy(Qt::StrongFocus);
    sheet->show();
    ASSERT_TRUE(ShowAndWait(&owner));
    ASSERT_TRUE(sheet->isVisible());
    sheet->setFocus();
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
        QTest::keyClick(sheet, key);
        EXPECT_TRUE(sheet->isVisible()) << key;
    }
    EXPECT_EQ(sheet->result(), 0);
}

TEST(Sheet, RunModallyOnlyItsOwnerEndsIt)
{
    QWidget owner;
    owner.resize(400, 300);
    ASSERT_TRUE(ShowAndWait(&owner));
    auto *sheet = new CountingSheet(&owner, Qt::Dialog);
    bool openAfterKeys = false;
    QTimer::singleShot(50, sheet, [&] {
        QTest::keyClick(sheet, Qt::Key_Escape);
        QTest::keyClick(sheet, Qt::Key_Return);
        openAfterKeys = sheet->isVisible();
        sheet->EndSheet(7);
    });
    EXPECT_EQ(sheet->exec(), 7);
    EXPECT_TRUE(openAfterKeys);
}

TEST(Sheet, LayoutRunsOnResizeOnlyAfterInitialisationAndPaintAsksForTheClip)
{
    QWidget owner;
    owner.resize(400, 300);
    auto *sheet = new CountingSheet(&owner);
    sheet->resize(100, 100);
    EXPECT_EQ(sheet->layouts, 0);
    sheet->show();
    ASSERT_TRUE(ShowAndWait(&owner));
    EXPECT_TRUE(sheet->IsInitialised());
    const int afterInit = sheet->layouts;
    EXPECT_GE(afterInit, 1);
    sheet->resize(200, 150);
    EXPECT_EQ(sheet->layouts, afterInit + 1);
    sheet->grab();
    EXPECT_GE(sheet->clips, 1);
}

class TracingDialog : public CVmDialog
{
public:
    int layouts = 0;
    int draws = 0;

protected:
    void Layout() override { ++layouts; }
    void Draw(QPainter &) override { ++draws; }
};

TEST(PlainDialog, InitialisesOnceAndDrawsThroughDraw)
{
    TracingDialog dialog;
    dialog.resize(120, 80);
    EXPECT_FALSE(dialog.IsInitialised());
    EXPECT_EQ(dialog.layouts, 0);
    EXPECT_TRUE(dialog.EnsureInitialised());
    EXPECT_TRUE(dialog.IsInitialised());
    EXPECT_EQ(dialog.layouts, 1);
    ASSERT_TRUE(ShowAndWait(&dialog));
    const int shown = dialog.layouts;
    dialog.resize(140, 90);
    EXPECT_EQ(dialog.layouts, shown + 1);
    dialog.grab();
    EXPECT_GE(dialog.draws, 1);
}

} // namespace
