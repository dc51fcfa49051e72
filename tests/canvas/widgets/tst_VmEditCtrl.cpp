// The editing canvas driven the way a user drives it: real widget, offscreen platform, mouse
// and key events, a 2000 x 1000 photograph in an 800 x 600 client (fit scale 0.4, corner at
// client (0, 100)).
#include "DrComment.h"
#include "DrLine.h"
#include "DrTextBox.h"
#include "DrTextCtrl.h"
#include "UbImgButton.h"
#include "VmEditCtrl.h"
#include "helper_Canvas.h"

#include <QDialog>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class Canvas : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        photo = dir.filePath(QStringLiteral("photo.png"));
        ASSERT_TRUE(MakeProductPhoto(2000, 1000).save(photo));
        canvas.resize(800, 600);
        canvas.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&canvas));
        ASSERT_TRUE(canvas.LoadImage(photo));
    }

    // Client position of an image point.
    QPoint At(double ix, double iy) const
    {
        return canvas.View.ToScreen(QPointF(ix, iy)).toPoint();
    }

    QTemporaryDir dir;
    QString photo;
    CVmEditCtrl canvas;
};

TEST_F(Canvas, LoadFitsTheWholePhoto)
{
    EXPECT_EQ(canvas.ImageWidth, 2000);
    EXPECT_EQ(canvas.ImageHeight, 1000);
    EXPECT_EQ(canvas.ViewMode, CVmEditCtrl::ViewFit);
    EXPECT_DOUBLE_EQ(canvas.View.ScaleX, 0.4);
    EXPECT_DOUBLE_EQ(canvas.View.ScaleY, 0.4);
    EXPECT_DOUBLE_EQ(canvas.View.OffsetX, 0);
    EXPECT_DOUBLE_EQ(canvas.View.OffsetY, 100);
    EXPECT_FALSE(canvas.IsModified());

    // Fitting follows the window while the mode is fit.
    canvas.resize(1000, 600);
    EXPECT_DOUBLE_EQ(canvas.View.ScaleX, 0.5);
    EXPECT_DOUBLE_EQ(canvas.View.OffsetX, 0);
    EXPECT_DOUBLE_EQ(canvas.View.OffsetY, 50);

    // Loading another photo forgets the annotations and tells the parent the selection is gone.
    ASSERT_TRUE(canvas.AddComment());
    static_cast<CDrComment *>(canvas.Selection)->SetText(QStringLiteral("old"));
    QSignalSpy notes(&canvas, &CVmEditCtrl::selectionChanged);
    ASSERT_TRUE(canvas.LoadImage(photo));
    EXPECT_EQ(canvas.Selection, nullptr);
    EXPECT_EQ(canvas.Objects.Count(), 0);
    ASSERT_EQ(notes.count(), 1);
    EXPECT_EQ(notes.at(0).at(0).value<CDrObject *>(), nullptr);

    // A file that cannot be decoded leaves the canvas empty.
    const QString junk = dir.filePath(QStringLiteral("junk.jpg"));
    QFile file(junk);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a picture");
    file.close();
    EXPECT_FALSE(canvas.LoadImage(junk));
    EXPECT_FALSE(canvas.HasImage());
    EXPECT_EQ(canvas.ImageWidth, 0);
}

TEST_F(Canvas, ZoomStepsFromTheFitScale)
{
    // 0.4 counts as level 0.5: in gives 0.7, out 0.3; the client centre stays on its point.
    const QPointF centre(400, 300);
    const QPointF under = canvas.View.ToImage(centre);
    EXPECT_TRUE(canvas.ZoomIn());
    EXPECT_DOUBLE_EQ(canvas.View.ScaleX, 0.7);
    EXPECT_EQ(canvas.ViewMode, CVmEditCtrl::ViewFree);
    EXPECT_NEAR(canvas.View.ToImage(centre).x(), under.x(), 1e-9);
    EXPECT_NEAR(canvas.View.ToImage(centre).y(), under.y(), 1e-9);
    canvas.FitToWindow();
    EXPECT_TRUE(canvas.ZoomOut());
    EXPECT_DOUBLE_EQ(canvas.View.ScaleX, 0.3);

    canvas.SetZoom(100);
    EXPECT_FALSE(canvas.ZoomIn());
    EXPECT_DOUBLE_EQ(canvas.View.ScaleX, 100);
    canvas.SetZoom(0.01);
    EXPECT_FALSE(canvas.ZoomOut());
    EXPECT_DOUBLE_EQ(canvas.View.ScaleX, 0.01);
}

TEST_F(Canvas, RealSizeNeedsCalibrationAndScale)
{
    EXPECT_FALSE(canvas.ShowRealSize(10)); // no calibration
    canvas.SetScreenCalibration(4, 4);
    for (const double scale : {0.0, -10.0, qQNaN(), qInf()}) {
        EXPECT_FALSE(canvas.ShowRealSize(scale)) << scale;
        EXPECT_EQ(canvas.GetViewMode(), CVmEditCtrl::ViewFit) << scale;
        EXPECT_EQ(canvas.PhotoScale, 0.0) << scale;
    }
    QSignalSpy views(&canvas, &CVmEditCtrl::viewChanged);
    EXPECT_TRUE(canvas.ShowRealSize(10));
    EXPECT_EQ(canvas.GetViewMode(), CVmEditCtrl::ViewRealSize);
    ASSERT_EQ(views.count(), 1);
    EXPECT_EQ(views.at(0).at(2).toInt(), int(CVmEditCtrl::ViewRealSize));
    EXPECT_DOUBLE_EQ(canvas.View.ScaleX, 0.4);
    EXPECT_DOUBLE_EQ(canvas.View.ScaleY, 0.4);
    // A resize keeps real size and re-centres.
    canvas.resize(1000, 600);
    EXPECT_DOUBLE_EQ(canvas.View.ScaleX, 0.4);
    EXPECT_DOUBLE_EQ(canvas.View.OffsetX, 100);
}

TEST_F(Canvas, PressOutsideThePhotoClearsTheSelectionAndStartsNoDrag)
{
    ASSERT_TRUE(canvas.AddComment());
    static_cast<CDrComment *>(canvas.Selection)->SetText(QStringLiteral("stays"));
    QSignalSpy notes(&canvas, &CVmEditCtrl::selectionChanged);
    const ViewTransform before = canvas.View;
    QTest::mousePress(&canvas, Qt::LeftButton, Qt::NoModifier, QPoint(600, 50)); // above it
    EXPECT_EQ(canvas.Selection, nullptr);
    EXPECT_FALSE(canvas.Dragging);
    SendMouse(&canvas, QEvent::MouseMove, QPoint(650, 80), Qt::LeftButton);
    QTest::mouseRelease(&canvas, Qt::LeftButton, Qt::NoModifier, QPoint(650, 80));
    EXPECT_DOUBLE_EQ(canvas.View.OffsetX, before.OffsetX);
    EXPECT_DOUBLE_EQ(canvas.View.OffsetY, before.OffsetY);
    ASSERT_EQ(notes.count(), 1);
    EXPECT_EQ(notes.at(0).at(0).value<CDrObject *>(), nullptr);
    EXPECT_EQ(canvas.Objects.Count(), 1); // a comment with text survives deselection
}

TEST_F(Canvas, DraggingOnThePhotoPansWithTheFastPath)
{
    const double x0 = canvas.View.OffsetX, y0 = canvas.View.OffsetY;
    QTest::mousePress(&canvas, Qt::LeftButton, Qt::NoModifier, QPoint(400, 300));
    EXPECT_TRUE(canvas.Dragging);
    EXPECT_TRUE(canvas.FastRender);
    SendMouse(&canvas, QEvent::MouseMove, QPoint(430, 310), Qt::LeftButton);
    SendMouse(&canvas, QEvent::MouseMove, QPoint(450, 320), Qt::LeftButton);
    QTest::mouseRelease(&canvas, Qt::LeftButton, Qt::NoModifier, QPoint(450, 320));
    EXPECT_FALSE(canvas.Dragging);
    EXPECT_FALSE(canvas.FastRender);
    EXPECT_DOUBLE_EQ(canvas.View.OffsetX, x0 + 50);
    EXPECT_DOUBLE_EQ(canvas.View.OffsetY, y0 + 20);
    EXPECT_EQ(canvas.ViewMode, CVmEditCtrl::ViewFit); // panning does not change the mode

    // A release that never arrives (button let go elsewhere, window hidden) ends the drag.
    QTest::mousePress(&canvas, Qt::LeftButton, Qt::NoModifier, QPoint(400, 300));
    SendMouse(&canvas, QEvent::MouseMove, QPoint(410, 300), Qt::NoButton);
    EXPECT_FALSE(canvas.Dragging);
    EXPECT_FALSE(canvas.FastRender);
    EXPECT_DOUBLE_EQ(canvas.View.OffsetX, x0 + 50); // that move did not pan
    QTest::mousePress(&canvas, Qt::LeftButton, Qt::NoModifier, QPoint(400, 300));
    canvas.hide();
    EXPECT_FALSE(canvas.Dragging);
    canvas.show();
    QTest::mouseRelease(&canvas, Qt::LeftButton, Qt::NoModifier, QPoint(400, 300));

    // The pan tool pans anywhere, also outside the photo.
    canvas.SetTool(CVmEditCtrl::ToolPan);
    Drag(&canvas, QPoint(10, 10), QPoint(0, 0));
    EXPECT_DOUBLE_EQ(canvas.View.OffsetX, x0 + 40);
    EXPECT_DOUBLE_EQ(canvas.View.OffsetY, y0 + 10);
}

TEST_F(Canvas, TextBoxKeepsItsScreenSizeAtScaleTwo)
{
    canvas.SetZoom(2);
    ASSERT_TRUE(canvas.AddTextBox(CTextBoxPropInfo()));
    auto *box = dynamic_cast<CDrTextBox *>(canvas.Selection);
    ASSERT_NE(box, nullptr);
    const ScreenRect r = box->GetScreenRect(canvas.View);
    EXPECT_EQ(r.Width(), 250);
    EXPECT_EQ(r.Height(), 40);
    EXPECT_EQ(r.left, 400 - 125);
    EXPECT_EQ(r.top, 300 - 20);
    const QRectF image = box->GetImageRect(canvas.View);
    EXPECT_DOUBLE_EQ(image.width(), 125);
    EXPECT_DOUBLE_EQ(image.height(), 20);
    // The editor lies over the box, 6 pixels inside it.
    ASSERT_NE(canvas.Editor(), nullptr);
    EXPECT_TRUE(canvas.Editing);
    EXPECT_EQ(canvas.Editor()->geometry(), QRect(r.left + 6, r.top + 6, 238, 28));
    EXPECT_EQ(canvas.Editor()->GetControlId(), 4096);
}

TEST_F(Canvas, EnterInTheEditorMakesTwoLinesAndAClickOutsideStoresThem)
{
    ASSERT_TRUE(canvas.AddTextBox(CTextBoxPropInfo()));
    auto *box = static_cast<CDrTextBox *>(canvas.Selection);
    CDrTextCtrl *editor = canvas.Editor();
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, QStringLiteral("bag"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTest::keyClicks(editor, QStringLiteral("30 cm"));
    EXPECT_EQ(editor->GetText(), QStringLiteral("bag\n30 cm"));
    EXPECT_TRUE(box->Text.isEmpty()); // reaches the box only when editing ends

    QTest::mousePress(&canvas, Qt::LeftButton, Qt::NoModifier, QPoint(100, 400));
    QTest::mouseRelease(&canvas, Qt::LeftButton, Qt::NoModifier, QPoint(100, 400));
    EXPECT_FALSE(canvas.Editing);
    EXPECT_EQ(canvas.Editor(), nullptr);
    EXPECT_EQ(box->Text, QStringLiteral("bag\n30 cm"));
    EXPECT_TRUE(box->Text.contains(QLatin1Char('\n')));

    // The box draws the text on two lines: about twice the inked height of one line.
    box->Height = 120;
    box->Properties.BackColor = 0xFFFFFF;
    const auto inkedRows = [&] {
        const QImage shot = canvas.grab().toImage();
        const ScreenRect r = box->GetScreenRect(canvas.View);
        int rows = 0;
        for (int y = r.top + 2; y < r.bottom - 2; ++y) {
            bool ink = false;
            for (int x = r.left + 2; x < r.right - 2 && !ink; ++x)
                ink = qGray(shot.pixel(x, y)) < 96;
            rows += ink;
        }
        return rows;
    };
    const int two = inkedRows();
    box->Text = QStringLiteral("bag 30 cm");
    const int one = inkedRows();
    EXPECT_GT(one, 3);
    EXPECT_GT(two, one * 3 / 2);

    // Double-clicking the box opens the editor again with its text.
    canvas.Select(box);
    const ScreenRect r = box->GetScreenRect(canvas.View);
    QTest::mouseDClick(&canvas, Qt::LeftButton, Qt::NoModifier, QPoint(r.left + 100, r.top + 20));
    ASSERT_NE(canvas.Editor(), nullptr);
    EXPECT_EQ(canvas.Editor()->GetText(), box->Text);
}

TEST_F(Canvas, EndingTheEditKeepsTheTextAlsoOnEscapeInADialog)
{
    QDialog dialog;
    dialog.resize(800, 600);
    canvas.setParent(&dialog);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QSignalSpy edits(&canvas, &CVmEditCtrl::contentEdited);
    ASSERT_TRUE(canvas.AddTextBox(CTextBoxPropInfo()));
    QTest::keyClicks(canvas.Editor(), QStringLiteral("30 cm"));
    QTest::keyClick(canvas.Editor(), Qt::Key_Escape);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(canvas.Editing);
    ASSERT_EQ(canvas.GetAnnotations().Count(), 1);
    EXPECT_EQ(static_cast<CDrTextBox *>(canvas.GetAnnotations().GetAt(0))->Text,
              QStringLiteral("30 cm"));
    ASSERT_EQ(edits.count(), 2);
    EXPECT_EQ(edits.at(0).at(0).toInt(), int(CVmEditCtrl::EditAnnotationAdded));
    EXPECT_EQ(edits.at(1).at(0).toInt(), int(CVmEditCtrl::EditText));
    canvas.setParent(nullptr);
}

TEST_F(Canvas, OnlyAFinishedChangeIsAnEdit)
{
    ASSERT_TRUE(canvas.AddComment());
    auto *comment = static_cast<CDrComment *>(canvas.Selection);
    comment->SetText(QStringLiteral("흠집"));
    canvas.Select(nullptr);
    canvas.ClearModified();
    QSignalSpy edits(&canvas, &CVmEditCtrl::contentEdited);
    const auto kinds = [&] {
        QList<int> out;
        for (const auto &args : edits)
            out.append(args.at(0).toInt());
        edits.clear();
        return out;
    };

    // A press selects without changing anything; a drag away and back changes nothing either.
    Drag(&canvas, At(1000, 500), At(1000, 500), 1);
    EXPECT_EQ(canvas.GetSelection(), comment);
    Drag(&canvas, At(1000, 500), At(1000, 500) + QPoint(30, 0), 2);
    kinds();
    SendMouse(&canvas, QEvent::MouseButtonPress, At(1075, 500), Qt::LeftButton, Qt::LeftButton);
    SendMouse(&canvas, QEvent::MouseMove, At(1100, 520), Qt::LeftButton);
    SendMouse(&canvas, QEvent::MouseMove, At(1075, 500), Qt::LeftButton);
    SendMouse(&canvas, QEvent::MouseButtonRelease, At(1075, 500), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(kinds(), QList<int> {});

    canvas.ClearModified();
    Drag(&canvas, At(1075, 500), At(1075, 500) + QPoint(20, 20), 3);
    EXPECT_EQ(kinds(), QList<int> {CVmEditCtrl::EditAnnotationChanged});
    EXPECT_TRUE(canvas.IsModified());
    EXPECT_FALSE(canvas.PixelsModified());

    // An armed line needs a drag to exist; a click leaves nothing behind.
    canvas.ArmLine();
    Drag(&canvas, At(300, 300), At(300, 300), 1);
    EXPECT_EQ(canvas.Objects.Count(), 1);
    EXPECT_EQ(kinds(), QList<int> {});
    canvas.ArmLine();
    Drag(&canvas, At(300, 300), At(800, 300));
    EXPECT_EQ(kinds(), QList<int> {CVmEditCtrl::EditAnnotationAdded});

    // Annotations put in by the main window are no edit and select nothing.
    CDrMgr other;
    other.AddTail(new CDrComment(&other));
    canvas.SetAnnotations(other);
    EXPECT_EQ(canvas.GetSelection(), nullptr);
    EXPECT_EQ(canvas.GetAnnotations().Count(), 1);
    EXPECT_EQ(kinds(), QList<int> {});
}

TEST_F(Canvas, ColourPreviewAdjustsOnlyTheScreenCopy)
{
    const QPoint at = At(1000, 20);
    const QRgb original = canvas.WorkingImage.pixel(1000, 20);
    const auto shownRed = [&] {
        return qRed(canvas.grab().toImage().pixel(at));
    };
    canvas.PreviewColour(60, 0);
    canvas.repaint();
    const int built = canvas.ScaledView().RebuildCount();
    canvas.PreviewColour(40, 0);
    EXPECT_NEAR(shownRed(), std::min(255, qRed(original) + 40), 3);
    // The photograph itself was neither processed nor changed by the preview.
    EXPECT_EQ(canvas.ScaledView().RebuildCount(), built);
    EXPECT_EQ(canvas.WorkingImage.pixel(1000, 20), original);
    EXPECT_EQ(canvas.GetBrightness(), 0);
    EXPECT_FALSE(canvas.IsModified());

    canvas.CancelColourPreview();
    EXPECT_NEAR(shownRed(), qRed(original), 3);

    QSignalSpy edits(&canvas, &CVmEditCtrl::contentEdited);
    canvas.PreviewColour(40, 0);
    canvas.SetColour(40, 0);
    EXPECT_EQ(qRed(canvas.WorkingImage.pixel(1000, 20)), std::min(255, qRed(original) + 40));
    EXPECT_NEAR(shownRed(), std::min(255, qRed(original) + 40), 3);
    canvas.SetColour(40, 0);
    ASSERT_EQ(edits.count(), 1);
    EXPECT_EQ(edits.at(0).at(0).toInt(), int(CVmEditCtrl::EditColour));
    canvas.ClearModified();
    EXPECT_FALSE(canvas.PixelsModified()); // the file now holds these pixels
    canvas.SetColour(0, 0);
    EXPECT_TRUE(canvas.PixelsModified());
}

TEST_F(Canvas, SavedWorkingCopyKeepsTheFormatOfItsName)
{
    const struct
    {
        const char *name;
        QByteArray magic;
    } rows[] = {
        {"copy.png", QByteArray("\x89PNG")},
        {"copy.PNG", QByteArray("\x89PNG")},
        {"copy.bmp", QByteArray("BM")},
        {"copy.jpg", QByteArray("\xFF\xD8\xFF")},
    };
    for (const auto &row : rows) {
        const QString path = dir.filePath(QString::fromLatin1(row.name));
        ASSERT_TRUE(canvas.SaveWorkingImage(path)) << row.name;
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << row.name;
        EXPECT_TRUE(file.read(8).startsWith(row.magic)) << row.name;
    }
}

TEST_F(Canvas, DeleteInTheEditorDeletesACharacterOutsideItTheSelection)
{
    ASSERT_TRUE(canvas.AddTextBox(CTextBoxPropInfo()));
    CDrObject *box = canvas.Selection;
    CDrTextCtrl *editor = canvas.Editor();
    QTest::keyClicks(editor, QStringLiteral("abc"));
    QTest::keyClick(editor, Qt::Key_Home);
    QTest::keyClick(editor, Qt::Key_Delete);
    EXPECT_EQ(editor->GetText(), QStringLiteral("bc"));
    EXPECT_EQ(canvas.Objects.Count(), 1);
    EXPECT_EQ(canvas.Selection, box);

    canvas.EndEdit();
    QSignalSpy notes(&canvas, &CVmEditCtrl::selectionChanged);
    QSignalSpy removing(&canvas, &CVmEditCtrl::objectAboutToBeRemoved);
    QTest::keyClick(&canvas, Qt::Key_Delete);
    EXPECT_EQ(canvas.Objects.Count(), 0);
    EXPECT_EQ(canvas.Selection, nullptr);
    ASSERT_EQ(notes.count(), 1);
    EXPECT_EQ(notes.at(0).at(0).value<CDrObject *>(), nullptr);
    ASSERT_EQ(removing.count(), 1);
    EXPECT_EQ(removing.at(0).at(0).value<CDrObject *>(), box);
}

TEST_F(Canvas, LineIsDrawnOutWithTheMouseAndDraggedByItsBody)
{
    canvas.LineProps.Color = 0x0000FF;
    canvas.LineProps.Thickness = 3;
    canvas.ArmLine();
    Drag(&canvas, At(500, 500), At(1500, 500));
    ASSERT_EQ(canvas.Objects.Count(), 1);
    auto *line = dynamic_cast<CDrLine *>(canvas.Selection);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(canvas.PendingInsert, 0);
    EXPECT_TRUE(canvas.IsModified());
    EXPECT_DOUBLE_EQ(line->X1, 500);
    EXPECT_DOUBLE_EQ(line->Y1, 500);
    EXPECT_DOUBLE_EQ(line->X2, 1500);
    EXPECT_DOUBLE_EQ(line->Y2, 500);
    EXPECT_EQ(line->Properties.Color, 0x0000FF);
    EXPECT_EQ(line->Properties.Thickness, 3);

    // The body moves the whole line by the image-space mouse difference (40 px = 100 image px).
    Drag(&canvas, At(1000, 500), At(1000, 500) + QPoint(40, -20));
    EXPECT_DOUBLE_EQ(line->X1, 600);
    EXPECT_DOUBLE_EQ(line->Y1, 450);
    EXPECT_DOUBLE_EQ(line->X2, 1600);
    // The end handle follows the mouse.
    Drag(&canvas, At(1600, 450), At(1600, 800));
    EXPECT_DOUBLE_EQ(line->X2, 1600);
    EXPECT_DOUBLE_EQ(line->Y2, 800);
    EXPECT_EQ(canvas.Objects.Count(), 1);
}

TEST_F(Canvas, TextBoxMovesByItsBodyAndResizesByItsMarks)
{
    ASSERT_TRUE(canvas.AddTextBox(CTextBoxPropInfo()));
    auto *box = static_cast<CDrTextBox *>(canvas.Selection);
    const double x = box->X, y = box->Y;
    // A press on the body ends editing and moves the box.
    const ScreenRect r = box->GetScreenRect(canvas.View);
    Drag(&canvas, QPoint(r.left + 60, r.top + 20), QPoint(r.left + 100, r.top + 40));
    EXPECT_FALSE(canvas.Editing);
    EXPECT_NEAR(box->X, x + 100, 1e-9); // 40 screen px at scale 0.4
    EXPECT_NEAR(box->Y, y + 50, 1e-9);
    EXPECT_DOUBLE_EQ(box->Width, 250);

    // The right-middle mark resizes in screen pixels and never below 50 wide.
    const ScreenRect moved = box->GetScreenRect(canvas.View);
    const int my = moved.top + (moved.bottom - moved.top - 1) / 2;
    Drag(&canvas, QPoint(moved.right - 1, my), QPoint(moved.right + 49, my));
    EXPECT_NEAR(box->Width, 300, 1);
    Drag(&canvas, QPoint(box->GetScreenRect(canvas.View).right - 1, my),
         QPoint(moved.left + 10, my));
    EXPECT_NEAR(box->Width, 50, 1);
}

TEST_F(Canvas, CommentMovesAndAnEmptyOneDisappearsOnDeselection)
{
    ASSERT_TRUE(canvas.AddComment());
    auto *comment = static_cast<CDrComment *>(canvas.Selection);
    EXPECT_DOUBLE_EQ(comment->X, 1000);
    EXPECT_DOUBLE_EQ(comment->Y, 500);
    comment->SetText(QStringLiteral("흠집"));
    Drag(&canvas, At(1000, 500), At(1000, 500) + QPoint(-40, 20));
    EXPECT_DOUBLE_EQ(comment->X, 900);
    EXPECT_DOUBLE_EQ(comment->Y, 550);

    // A fresh comment left empty is removed when the user clicks elsewhere.
    ASSERT_TRUE(canvas.AddComment());
    EXPECT_EQ(canvas.Objects.Count(), 2);
    QTest::mousePress(&canvas, Qt::LeftButton, Qt::NoModifier, QPoint(50, 150));
    QTest::mouseRelease(&canvas, Qt::LeftButton, Qt::NoModifier, QPoint(50, 150));
    EXPECT_EQ(canvas.Objects.Count(), 1);
    EXPECT_EQ(canvas.Objects.GetAt(0), comment);

    // Double-clicking the comment asks the main window for its panel.
    canvas.Select(comment);
    QSignalSpy panel(&canvas, &CVmEditCtrl::CommentActivated);
    QTest::mouseDClick(&canvas, Qt::LeftButton, Qt::NoModifier, At(900, 550));
    EXPECT_EQ(panel.count(), 1);
}

TEST_F(Canvas, CropLeftOfThePhotoDoesNothing)
{
    QSignalSpy notes(&canvas, &CVmEditCtrl::cropFinished);
    canvas.SetTool(CVmEditCtrl::ToolCrop);
    EXPECT_TRUE(canvas.CropOkButton()->isVisible());
    EXPECT_TRUE(canvas.CropCancelButton()->isVisible());
    // Drag the crop body far to the left of the photo.
    const ScreenRect r = canvas.Crop.GetScreenRect(canvas.View);
    Drag(&canvas, QPoint(r.left + 30, r.top + 30), QPoint(r.left + 30 - 800, r.top + 30));
    EXPECT_LT(canvas.Crop.Right, 0);
    QTest::mouseClick(canvas.CropOkButton(), Qt::LeftButton, Qt::NoModifier,
                      canvas.CropOkButton()->rect().center());
    EXPECT_EQ(canvas.ImageWidth, 2000);
    EXPECT_EQ(canvas.Tool, CVmEditCtrl::ToolCrop);
    EXPECT_EQ(notes.count(), 0);
    EXPECT_FALSE(canvas.IsModified());

    QTest::mouseClick(canvas.CropCancelButton(), Qt::LeftButton, Qt::NoModifier,
                      canvas.CropCancelButton()->rect().center());
    EXPECT_EQ(canvas.Tool, CVmEditCtrl::ToolSelect);
    EXPECT_EQ(canvas.Crop.Active, 0);
    EXPECT_FALSE(canvas.CropOkButton()->isVisible());
    ASSERT_EQ(notes.count(), 1);
    EXPECT_FALSE(notes.at(0).at(0).toBool());
    EXPECT_EQ(notes.at(0).at(1).toRect(), QRect());
}

TEST_F(Canvas, CropShiftsAnnotationsByItsOriginAndDropsThoseLeftOff)
{
    canvas.ArmLine();
    Drag(&canvas, At(100, 100), At(600, 300));
    auto *line = static_cast<CDrLine *>(canvas.Selection);
    ASSERT_TRUE(canvas.AddComment());
    auto *offPicture = static_cast<CDrComment *>(canvas.Selection);
    offPicture->SetText(QStringLiteral("left of the crop"));
    offPicture->X = 100;
    offPicture->Y = 900;
    QSignalSpy notes(&canvas, &CVmEditCtrl::cropFinished);
    QSignalSpy removing(&canvas, &CVmEditCtrl::objectAboutToBeRemoved);
    QSignalSpy selection(&canvas, &CVmEditCtrl::selectionChanged);

    canvas.SetTool(CVmEditCtrl::ToolCrop);
    // The middle half of the client: x 200 ... 600, y 150 ... 450 → image 500 ... 1500, 125 ...
    // 875.
    EXPECT_DOUBLE_EQ(canvas.Crop.Left, 500);
    EXPECT_DOUBLE_EQ(canvas.Crop.Top, 125);
    // The buttons sit side by side, 5 apart, centred on the rectangle.
    const QRect ok = canvas.CropOkButton()->geometry();
    const QRect cancel = canvas.CropCancelButton()->geometry();
    EXPECT_EQ(cancel.left() - (ok.left() + ok.width()), 5);
    EXPECT_NEAR((ok.left() + cancel.left() + cancel.width()) / 2.0, 400, 1);

    // Enlarge by the bottom-right mark beyond the photo: clamped to its edge.
    Drag(&canvas, QPoint(599, 449), QPoint(810, 590));
    QTest::mouseClick(canvas.CropOkButton(), Qt::LeftButton, Qt::NoModifier,
                      canvas.CropOkButton()->rect().center());
    EXPECT_EQ(canvas.ImageWidth, 1500);
    EXPECT_EQ(canvas.ImageHeight, 875);
    EXPECT_EQ(canvas.BaseImage.size(), QSize(1500, 875));
    EXPECT_EQ(canvas.Tool, CVmEditCtrl::ToolSelect);
    EXPECT_TRUE(canvas.PixelsModified());
    ASSERT_EQ(notes.count(), 1);
    EXPECT_TRUE(notes.at(0).at(0).toBool());
    EXPECT_EQ(notes.at(0).at(1).toRect(), QRect(500, 125, 1500, 875));
    EXPECT_DOUBLE_EQ(canvas.View.ScaleX, std::min(800.0 / 1500, 600.0 / 875));

    // The line still crosses the picture, on the same detail; the comment now lies left of it
    // and goes, the parent told first and the selection dropped with it.
    ASSERT_EQ(canvas.Objects.Count(), 1);
    EXPECT_EQ(canvas.Objects.GetAt(0), line);
    EXPECT_DOUBLE_EQ(line->X1, -400);
    EXPECT_DOUBLE_EQ(line->Y1, -25);
    EXPECT_DOUBLE_EQ(line->X2, 100);
    EXPECT_DOUBLE_EQ(line->Y2, 175);
    ASSERT_EQ(removing.count(), 1);
    EXPECT_EQ(removing.at(0).at(0).value<CDrObject *>(), offPicture);
    EXPECT_EQ(canvas.GetSelection(), nullptr);
    ASSERT_FALSE(selection.isEmpty());
    EXPECT_EQ(selection.last().at(0).value<CDrObject *>(), nullptr);
}

TEST_F(Canvas, CropAtRealSizeShowsTheFitAndSaysSo)
{
    canvas.SetScreenCalibration(4, 4);
    ASSERT_TRUE(canvas.ShowRealSize(10));
    QSignalSpy views(&canvas, &CVmEditCtrl::viewChanged);
    canvas.SetTool(CVmEditCtrl::ToolCrop);
    canvas.CropOk();
    EXPECT_EQ(canvas.GetViewMode(), CVmEditCtrl::ViewFit);
    ASSERT_FALSE(views.isEmpty());
    EXPECT_DOUBLE_EQ(views.last().at(0).toDouble(), canvas.GetZoom());
    EXPECT_EQ(views.last().at(2).toInt(), int(CVmEditCtrl::ViewFit));
}

TEST_F(Canvas, AnotherPhotoLeavesTheCropToolAndTheArmedLine)
{
    canvas.SetTool(CVmEditCtrl::ToolCrop);
    QSignalSpy crops(&canvas, &CVmEditCtrl::cropFinished);
    ASSERT_TRUE(canvas.LoadImage(photo));
    EXPECT_EQ(canvas.GetTool(), CVmEditCtrl::ToolSelect);
    EXPECT_FALSE(canvas.CropOkButton()->isVisible());
    ASSERT_EQ(crops.count(), 1);
    EXPECT_FALSE(crops.at(0).at(0).toBool());
    // The old rectangle no longer cuts anything.
    canvas.CropOk();
    EXPECT_EQ(canvas.GetImageSize(), QSize(2000, 1000));
    EXPECT_EQ(crops.count(), 1);

    canvas.ArmLine();
    ASSERT_TRUE(canvas.LoadImage(photo));
    Drag(&canvas, At(500, 500), At(900, 500));
    EXPECT_EQ(canvas.Objects.Count(), 0);
}

TEST_F(Canvas, NewCropRectangleIsDrawnWithTheMouse)
{
    canvas.SetTool(CVmEditCtrl::ToolCrop);
    canvas.Crop.Active = 0; // as after a click outside any mark
    Drag(&canvas, QPoint(100, 200), QPoint(300, 400));
    EXPECT_EQ(canvas.Crop.Active, 1);
    EXPECT_DOUBLE_EQ(canvas.Crop.Left, 250);
    EXPECT_DOUBLE_EQ(canvas.Crop.Top, 250);
    EXPECT_DOUBLE_EQ(canvas.Crop.Right, 750);
    EXPECT_DOUBLE_EQ(canvas.Crop.Bottom, 750);
    EXPECT_TRUE(canvas.CropOkButton()->isVisible());
}

TEST_F(Canvas, TitleTextAndCursorFollowTheMouse)
{
    QSignalSpy title(&canvas, &CVmEditCtrl::TitleTextChanged);
    SendMouse(&canvas, QEvent::MouseMove, QPoint(401, 303), Qt::NoButton);
    ASSERT_EQ(title.count(), 1);
    EXPECT_EQ(title.at(0).at(0).toString(), QStringLiteral("(401, 303) => (1002, 507)"));

    ASSERT_TRUE(canvas.AddTextBox(CTextBoxPropInfo()));
    const ScreenRect r = canvas.Selection->GetScreenRect(canvas.View);
    const struct
    {
        QPoint at;
        Qt::CursorShape shape;
    } rows[] = {
        {QPoint(r.left, r.top), Qt::SizeFDiagCursor},
        {QPoint(r.right - 1, r.top), Qt::SizeBDiagCursor},
        {QPoint(r.left, r.top + 19), Qt::SizeHorCursor},
        {QPoint(r.left + 124, r.bottom - 1), Qt::SizeVerCursor},
        {QPoint(r.left + 60, r.top + 20), Qt::SizeAllCursor},
        {QPoint(20, 580), Qt::ArrowCursor},
    };
    for (const auto &row : rows) {
        SendMouse(&canvas, QEvent::MouseMove, row.at, Qt::NoButton);
        EXPECT_EQ(canvas.cursor().shape(), row.shape) << row.at.x() << "," << row.at.y();
    }
    canvas.SetSelectCursor(QCursor(Qt::CrossCursor));
    SendMouse(&canvas, QEvent::MouseMove, QPoint(20, 580), Qt::NoButton);
    EXPECT_EQ(canvas.cursor().shape(), Qt::CrossCursor);
    canvas.SetTool(CVmEditCtrl::ToolPan);
    SendMouse(&canvas, QEvent::MouseMove, QPoint(20, 580), Qt::NoButton);
    EXPECT_EQ(canvas.cursor().shape(), Qt::OpenHandCursor);
}

TEST_F(Canvas, BrightnessRebuildsTheWorkingImageThatIsSaved)
{
    const QRgb before = canvas.WorkingImage.pixel(10, 10);
    canvas.SetBrightness(40);
    EXPECT_TRUE(canvas.IsModified());
    EXPECT_TRUE(canvas.PixelsModified());
    EXPECT_EQ(canvas.BaseImage.pixel(10, 10), before);
    EXPECT_EQ(qRed(canvas.WorkingImage.pixel(10, 10)), std::min(255, qRed(before) + 40));

    const QImage thumb = canvas.MakeThumbnail();
    EXPECT_EQ(thumb.size(), QSize(140, 70));
    const QString saved = dir.filePath(QStringLiteral("saved.jpg"));
    ASSERT_TRUE(canvas.SaveWorkingImage(saved));
    const QImage back(saved);
    EXPECT_EQ(back.size(), QSize(2000, 1000));
    EXPECT_NEAR(qRed(back.pixel(10, 10)), qRed(canvas.WorkingImage.pixel(10, 10)), 3);

    canvas.Clear();
    EXPECT_FALSE(canvas.SaveWorkingImage(saved));
    EXPECT_TRUE(canvas.MakeThumbnail().isNull());
    EXPECT_EQ(canvas.Brightness, 0);
    EXPECT_TRUE(QFileInfo::exists(saved)); // a refused save leaves the old file alone
}

TEST_F(Canvas, RestingPaintReusesTheScaledCopy)
{
    canvas.repaint();
    const int built = canvas.ScaledView().RebuildCount();
    EXPECT_GE(built, 1);
    canvas.repaint();
    canvas.repaint();
    EXPECT_EQ(canvas.ScaledView().RebuildCount(), built);
    // During a pan no smooth copy is made; at rest again one is.
    QTest::mousePress(&canvas, Qt::LeftButton, Qt::NoModifier, QPoint(400, 300));
    SendMouse(&canvas, QEvent::MouseMove, QPoint(420, 300), Qt::LeftButton);
    canvas.repaint();
    EXPECT_EQ(canvas.ScaledView().RebuildCount(), built);
    QTest::mouseRelease(&canvas, Qt::LeftButton, Qt::NoModifier, QPoint(420, 300));
    canvas.repaint();
    EXPECT_EQ(canvas.ScaledView().RebuildCount(), built + 1);
    canvas.SetContrast(20);
    canvas.repaint();
    EXPECT_EQ(canvas.ScaledView().RebuildCount(), built + 2);
}

} // namespace
