// Renders the main window with three photographs, a line, a text box and a comment the way a
// user sees it, and keeps the picture: in the build folder always, and in $VM_SCREENSHOT_DIR
// when that is set. For looking, not for asserting pixels.
#include "DrTextBox.h"
#include "DrTextCtrl.h"
#include "MainDlg.h"
#include "MainLayout.h"
#include "VmEditCtrl.h"
#include "VmThumbnailCtrl.h"

#include <QDir>
#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QImage ProductPhoto(int width, int height, QColor body)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient backdrop(0, 0, 0, height);
    backdrop.setColorAt(0, QColor(238, 234, 228));
    backdrop.setColorAt(1, QColor(170, 160, 150));
    painter.fillRect(image.rect(), backdrop);
    const QRectF shape(width * 0.25, height * 0.2, width * 0.5, height * 0.6);
    QRadialGradient light(shape.topLeft() + QPointF(shape.width() * 0.3, shape.height() * 0.3),
                          shape.width());
    light.setColorAt(0, body.lighter(150));
    light.setColorAt(1, body.darker(160));
    painter.setPen(Qt::NoPen);
    painter.setBrush(light);
    painter.drawRoundedRect(shape, width * 0.05, width * 0.05);
    return image;
}

TEST(MainScreenshot, WindowWithPhotosAndAnnotations)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    MainSession session;
    session.tempFolder = dir.filePath(QStringLiteral("__temp__"));
    session.downFolder = session.tempFolder + QStringLiteral("/__down__");
    QStringList files;
    const QColor bodies[] = {QColor(150, 74, 40), QColor(40, 90, 150), QColor(60, 130, 70)};
    for (int i = 0; i < 3; ++i) {
        files.append(dir.filePath(QStringLiteral("photo%1.jpg").arg(i + 1)));
        ASSERT_TRUE(ProductPhoto(1600, 1200, bodies[i]).save(files.last(), "JPEG", 90));
    }
    MainWindowSeams seams;
    seams.choosePhotoFiles = [&files](QWidget *) {
        return files;
    };
    seams.editCommentText = [](QWidget *, QString &text) {
        text = QString::fromUtf8("모서리 가죽이 조금 벗겨져 있습니다.");
        return true;
    };
    CMainDlg window(session, seams);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.RunCommand(MainLayout::CmdAddPhotos);
    ASSERT_EQ(window.Product().Count(), 3);

    CVmEditCtrl *canvas = window.Canvas();
    const QPoint from = canvas->GetView().ToScreen(QPointF(420, 980)).toPoint();
    const QPoint to = canvas->GetView().ToScreen(QPointF(1180, 980)).toPoint();
    canvas->ArmLine();
    QTest::mousePress(canvas, Qt::LeftButton, {}, from);
    QMouseEvent move(QEvent::MouseMove, QPointF(to), canvas->mapToGlobal(QPointF(to)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(canvas, &move);
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, to);
    ASSERT_TRUE(canvas->AddTextBox(canvas->TextBoxProps));
    ASSERT_NE(canvas->Editor(), nullptr);
    canvas->Editor()->insertPlainText(QString::fromUtf8("가죽 지갑, 가로 120 mm"));
    canvas->EndEdit();
    window.RunCommand(MainLayout::CmdText);
    QCoreApplication::processEvents();

    const QImage shot = window.grab().toImage();
    ASSERT_FALSE(shot.isNull());
    ASSERT_TRUE(shot.save(QStringLiteral(VM_TEST_BINARY_DIR "/main-window.png")));
    const QString keep = qEnvironmentVariable("VM_SCREENSHOT_DIR");
    if (!keep.isEmpty()) {
        QDir().mkpath(keep);
        ASSERT_TRUE(shot.save(keep + QStringLiteral("/main-window.png")));
    }
    EXPECT_EQ(canvas->GetAnnotations().Count(), 3);
}

} // namespace
