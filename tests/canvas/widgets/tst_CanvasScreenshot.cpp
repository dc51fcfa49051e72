// The canvas as a user sees it: a product photograph with a line, a text box, a comment and the
// crop tool. The picture is kept in the build folder, and in $VM_SCREENSHOT_DIR when set.
#include "DrComment.h"
#include "DrLine.h"
#include "DrTextBox.h"
#include "Skin.h"
#include "UbImgButton.h"
#include "VmEditCtrl.h"
#include "helper_Canvas.h"

#include <QDir>
#include <QSet>

#include <gtest/gtest.h>

TEST(CanvasScreenshot, PhotoWithAnnotationsAndTheCropTool)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString photo = dir.filePath(QStringLiteral("bag.jpg"));
    ASSERT_TRUE(MakeProductPhoto(3000, 2000).save(photo, "JPEG", 92));
    if (CSkin::Has(250, SkinKind::Png))
        CDrComment::SetIcon(CSkin::Png(250));

    CVmEditCtrl canvas;
    canvas.resize(900, 560);
    canvas.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&canvas));
    ASSERT_TRUE(canvas.LoadImage(photo));

    auto *line = new CDrLine(&canvas.Objects);
    line->X1 = 840;
    line->Y1 = 1560;
    line->X2 = 2160;
    line->Y2 = 1560;
    line->Properties.Color = 0x2020E0; // red
    line->Properties.Thickness = 3;
    canvas.Objects.AddTail(line);

    CTextBoxPropInfo props;
    props.BackColor = 0xFFFFFF;
    props.LineColor = 0x303030;
    props.Align = 2;
    ASSERT_TRUE(canvas.AddTextBox(props));
    auto *box = static_cast<CDrTextBox *>(canvas.Selection);
    canvas.EndEdit();
    box->Text = QStringLiteral("가로 32 cm");
    box->X = 1200;
    box->Y = 1640;

    ASSERT_TRUE(canvas.AddComment());
    auto *comment = static_cast<CDrComment *>(canvas.Selection);
    comment->SetText(QStringLiteral("모서리 긁힘 있음"));
    comment->X = 2050;
    comment->Y = 520;
    canvas.Select(nullptr);

    canvas.SetTool(CVmEditCtrl::ToolCrop);
    ASSERT_TRUE(canvas.CropOkButton()->isVisible());
    const QImage shot = canvas.grab().toImage();
    ASSERT_EQ(shot.size(), QSize(900, 560));

    QSet<QRgb> colours;
    for (int y = 0; y < shot.height(); y += 4)
        for (int x = 0; x < shot.width(); x += 4)
            colours.insert(shot.pixel(x, y));
    EXPECT_GT(colours.size(), 200); // a photograph, not a flat fill
    // White margins left and right of the fitted 3:2 photo (scale 0.28, 840 wide).
    EXPECT_EQ(shot.pixel(5, 280), qRgb(255, 255, 255));
    // The crop rectangle lightens the photo behind it.
    const QPoint inside = canvas.Crop.GetScreenRect(canvas.View).ToQRect().topLeft() + QPoint(8, 8);
    EXPECT_GT(qGray(shot.pixel(inside)), 150);

    ASSERT_TRUE(shot.save(QStringLiteral(VM_TEST_BINARY_DIR "/canvas.png")));
    const QString keep = qEnvironmentVariable("VM_SCREENSHOT_DIR");
    if (!keep.isEmpty()) {
        QDir().mkpath(keep);
        ASSERT_TRUE(shot.save(keep + QStringLiteral("/canvas.png")));
    }
}
