// The main window driven as a user drives it: a real CMainDlg on the offscreen platform, real
// photographs in temporary folders, the file dialog and the message boxes answered by the test.
#include "DrComment.h"
#include "EffectDlg.h"
#include "MainDlg.h"
#include "MainLayout.h"
#include "UbImgButton.h"
#include "VmEditCtrl.h"
#include "VmSheetDlg.h"
#include "VmThumbnailCtrl.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <cmath>
#include <gtest/gtest.h>

namespace {

using namespace MainLayout;

CUbImgButton *ButtonWithId(QWidget *parent, int id)
{
    const QList<CUbImgButton *> buttons = parent->findChildren<CUbImgButton *>();
    for (CUbImgButton *button : buttons) {
        if (button->ControlId() == id)
            return button;
    }
    return nullptr;
}

QByteArray FileHash(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1);
}

class MainWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        session.tempFolder = dir.filePath(QStringLiteral("__temp__"));
        session.downFolder = session.tempFolder + QStringLiteral("/__down__");
        ASSERT_TRUE(QDir().mkpath(session.downFolder));
        seams.choosePhotoFiles = [this](QWidget *) {
            return chosen;
        };
        seams.askYesNo = [this](QWidget *, const QString &question) {
            questions.append(question);
            return answerYes;
        };
        seams.showMessage = [this](QWidget *, const QString &text) {
            messages.append(text);
        };
        seams.loadCalibration = [this] {
            return calibration;
        };
        seams.saveProduct = [](QWidget *, CProduct &) {
            return true;
        };
        window = std::make_unique<CMainDlg>(session, seams);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    // A photograph file of the given size and colour; `format` by suffix.
    QString MakePhoto(const QString &name, QSize size = QSize(400, 300),
                      QColor colour = QColor(150, 90, 40))
    {
        const QString folder = dir.filePath(QStringLiteral("photos"));
        QDir().mkpath(QFileInfo(folder + QLatin1Char('/') + name).absolutePath());
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        QPainter(&image).fillRect(QRect(QPoint(size.width() / 4, size.height() / 4), size / 2),
                                  Qt::white);
        const QString path = folder + QLatin1Char('/') + name;
        EXPECT_TRUE(image.save(path));
        return path;
    }

    int AddPhotos(const QStringList &paths)
    {
        chosen = paths;
        const int before = window->Product().Count();
        window->RunCommand(CmdAddPhotos);
        QCoreApplication::processEvents();
        return window->Product().Count() - before;
    }

    CImgFile *Photo(int index) { return window->Product().PhotoAt(index); }
    CVmEditCtrl *Canvas() { return window->Canvas(); }

    // Marks the product saved, as a successful upload does.
    void Save()
    {
        window->RunCommand(CmdSave);
        ASSERT_FALSE(window->IsModified());
    }

    QTemporaryDir dir;
    MainSession session;
    MainWindowSeams seams;
    QStringList chosen;
    QStringList questions;
    QStringList messages;
    bool answerYes = true;
    ScreenCalibration calibration;
    std::unique_ptr<CMainDlg> window;
};

TEST_F(MainWindow, StartsEmptyAndKeepsItsMinimumSize)
{
    EXPECT_EQ(window->CounterText(), QStringLiteral("0 / 0"));
    EXPECT_FALSE(window->Button(CmdStripBack)->isEnabled());
    EXPECT_FALSE(window->Button(CmdStripForward)->isEnabled());
    window->resize(800, 500);
    EXPECT_EQ(window->size(), QSize(950, 600));

    // Dragging the grip cannot make it smaller either.
    window->resize(1280, 768);
    const QPoint grip(1270, 758);
    QTest::mousePress(window.get(), Qt::LeftButton, {}, grip);
    QMouseEvent move(QEvent::MouseMove, QPointF(grip - QPoint(600, 600)),
                     window->mapToGlobal(QPointF(grip - QPoint(600, 600))), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window.get(), &move);
    QTest::mouseRelease(window.get(), Qt::LeftButton, {}, grip - QPoint(600, 600));
    EXPECT_GE(window->width(), 950);
    EXPECT_GE(window->height(), 600);

    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_TRUE(window->isVisible());
}

TEST_F(MainWindow, AddsPhotosInDialogOrderAndShowsTheFirst)
{
    const QStringList files
        = {MakePhoto(QStringLiteral("b.jpg")), MakePhoto(QStringLiteral("a.png")),
           MakePhoto(QStringLiteral("c.bmp"))};
    ASSERT_EQ(AddPhotos(files), 3);
    EXPECT_EQ(window->Product().state, CProduct::NewProduct);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Photo(i)->sourcePath, files[i]);
    EXPECT_EQ(window->CurrentPhoto(), 0);
    EXPECT_EQ(window->Strip()->Selection(), 0);
    EXPECT_EQ(Canvas()->GetImagePath(), Photo(0)->workingPath);
    EXPECT_EQ(window->CounterText(), QStringLiteral("1 / 3"));
    EXPECT_TRUE(window->IsModified());

    // More photos keep the current one.
    ASSERT_EQ(AddPhotos({MakePhoto(QStringLiteral("d.jpg"))}), 1);
    EXPECT_EQ(window->CurrentPhoto(), 0);
}

TEST_F(MainWindow, KeepsSameNamesAndReportsUnreadableFilesTogether)
{
    const QString first = MakePhoto(QStringLiteral("one/a.jpg"));
    const QString second = MakePhoto(QStringLiteral("two/a.jpg"), QSize(200, 100));
    QFile junk(dir.filePath(QStringLiteral("photos/broken.jpg")));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a picture");
    junk.close();
    QFile junk2(dir.filePath(QStringLiteral("photos/empty.png")));
    ASSERT_TRUE(junk2.open(QIODevice::WriteOnly));
    junk2.close();

    EXPECT_EQ(AddPhotos({first, junk.fileName(), second, junk2.fileName()}), 2);
    EXPECT_NE(Photo(0)->workingPath, Photo(1)->workingPath);
    EXPECT_EQ(FileHash(Photo(1)->workingPath), FileHash(second));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(QStringLiteral("broken.jpg")));
    EXPECT_TRUE(messages[0].contains(QStringLiteral("empty.png")));
    // Nothing of the unreadable files stays in the working folder.
    EXPECT_EQ(QDir(session.tempFolder).entryList(QDir::Files).size(), 2);
}

TEST_F(MainWindow, DeleteRemovesThePhotoAndItsCopy)
{
    ASSERT_EQ(AddPhotos({MakePhoto(QStringLiteral("a.jpg")), MakePhoto(QStringLiteral("b.jpg"))}),
              2);
    Save();
    const QString copy = Photo(0)->workingPath;
    window->RunCommand(CmdDeletePhoto);
    EXPECT_EQ(window->CounterText(), QStringLiteral("0 / 1"));
    EXPECT_FALSE(QFile::exists(copy));
    EXPECT_FALSE(Canvas()->HasImage());
    EXPECT_EQ(window->Strip()->ItemCount(), 1);
    EXPECT_TRUE(window->IsModified());
}

TEST_F(MainWindow, OnlyChangedPixelsRewriteTheWorkingCopy)
{
    ASSERT_EQ(AddPhotos({MakePhoto(QStringLiteral("a.jpg")), MakePhoto(QStringLiteral("b.png")),
                         MakePhoto(QStringLiteral("c.jpg"))}),
              3);
    const QByteArray before = FileHash(Photo(0)->workingPath);

    // An annotation only: the annotations travel, the picture file stays byte for byte.
    ASSERT_TRUE(Canvas()->AddComment());
    ASSERT_TRUE(window->SelectPhoto(2));
    EXPECT_EQ(Photo(0)->annotations.Count(), 1);
    EXPECT_EQ(FileHash(Photo(0)->workingPath), before);

    // A crop of the PNG rewrites it, still as a PNG.
    ASSERT_TRUE(window->SelectPhoto(1));
    Canvas()->SetTool(CVmEditCtrl::ToolCrop);
    Canvas()->CropOk();
    QCoreApplication::processEvents();
    ASSERT_TRUE(window->SelectPhoto(0));
    QFile png(Photo(1)->workingPath);
    ASSERT_TRUE(png.open(QIODevice::ReadOnly));
    EXPECT_TRUE(png.read(8).startsWith("\x89PNG"));
    EXPECT_LT(QImage(Photo(1)->workingPath).width(), 400);

    // Picking the current photo again does nothing.
    const QByteArray now = FileHash(Photo(0)->workingPath);
    EXPECT_TRUE(window->SelectPhoto(0));
    EXPECT_EQ(FileHash(Photo(0)->workingPath), now);
}

TEST_F(MainWindow, CropKeepsTheMeasuringLineOnItsFeature)
{
    ASSERT_EQ(AddPhotos({MakePhoto(QStringLiteral("a.jpg"), QSize(800, 600))}), 1);
    ASSERT_TRUE(window->ApplyMeasurement(QPointF(300, 300), QPointF(500, 300), 20.0, 1));
    EXPECT_TRUE(window->Strip()->IsMarked(0));
    Canvas()->SetTool(CVmEditCtrl::ToolCrop);
    Canvas()->CropOk();
    QCoreApplication::processEvents(); // the crop's notification is queued
    const QSize cropped = Canvas()->GetImageSize();
    ASSERT_LT(cropped.width(), 800);
    const double shift = 300 - Photo(0)->MeasureX1;
    EXPECT_GT(shift, 0);
    EXPECT_DOUBLE_EQ(500 - Photo(0)->MeasureX2, shift);
    EXPECT_DOUBLE_EQ(Photo(0)->ImagePixelPerMilli, 10.0); // the scale is unchanged
}

TEST_F(MainWindow, AppliesOnlyPermutationsAsOrder)
{
    ASSERT_EQ(AddPhotos({MakePhoto(QStringLiteral("a.jpg")), MakePhoto(QStringLiteral("b.jpg")),
                         MakePhoto(QStringLiteral("c.jpg"))}),
              3);
    const QString third = Photo(2)->sourcePath;
    for (const std::vector<int> &bad :
         {std::vector<int> {0, 1}, std::vector<int> {0, 0, 1}, std::vector<int> {0, 1, 3}})
        EXPECT_FALSE(window->ApplyOrder(bad));
    ASSERT_TRUE(window->ApplyOrder({2, 0, 1}));
    EXPECT_EQ(Photo(0)->sourcePath, third);
    EXPECT_EQ(window->CurrentPhoto(), 0);
    EXPECT_EQ(Canvas()->GetImagePath(), Photo(0)->workingPath);
}

TEST_F(MainWindow, APhotoThatFailsToLoadLeavesThePreviousOneShown)
{
    ASSERT_EQ(AddPhotos({MakePhoto(QStringLiteral("a.jpg")), MakePhoto(QStringLiteral("b.jpg"))}),
              2);
    ASSERT_TRUE(Canvas()->AddComment());
    QFile broken(Photo(1)->workingPath);
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
    broken.close();

    QTest::mouseClick(window->Strip(), Qt::LeftButton, {}, QPoint(1 + 69 + 30, 20));
    EXPECT_EQ(window->CurrentPhoto(), 0);
    EXPECT_EQ(window->Strip()->Selection(), 0);
    EXPECT_EQ(Canvas()->GetImagePath(), Photo(0)->workingPath);
    EXPECT_EQ(Canvas()->GetAnnotations().Count(), 1);
    EXPECT_EQ(messages.size(), 1);
}

TEST_F(MainWindow, ClosingAModifiedProductAsksFirst)
{
    ASSERT_EQ(AddPhotos({MakePhoto(QStringLiteral("a.jpg"))}), 1);
    answerYes = false;
    window->RunCommand(CmdClose);
    EXPECT_EQ(questions, QStringList {QString::fromUtf8(CMainDlg::NewQuestion)});
    EXPECT_TRUE(window->isVisible());
    answerYes = true;
    window->RunCommand(CmdClose);
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(QDir(session.tempFolder).entryList(QDir::Files).isEmpty());
}

TEST_F(MainWindow, ZoomStepsGoToTheNeighbouringLevel)
{
    ASSERT_EQ(AddPhotos({MakePhoto(QStringLiteral("a.jpg"))}), 1);
    const struct
    {
        double from;
        int command;
        double to;
    } rows[] = {{1.2, CmdZoomIn, 1.5},
                {1.3, CmdZoomIn, 2.0},
                {0.012, CmdZoomOut, 0.01},
                {0.01, CmdZoomOut, 0.01},
                {70, CmdZoomIn, 100}};
    for (const auto &row : rows) {
        Canvas()->SetZoom(row.from);
        window->RunCommand(row.command);
        EXPECT_DOUBLE_EQ(Canvas()->GetZoom(), row.to) << row.from;
    }
    EXPECT_EQ(window->PercentText(), QStringLiteral("10000 %"));
}

TEST_F(MainWindow, RealSizeNeedsACalibrationAndAUsableScale)
{
    ASSERT_EQ(AddPhotos({MakePhoto(QStringLiteral("a.jpg"))}), 1);
    window->RunCommand(CmdRealSize);
    EXPECT_EQ(messages.value(0), QString::fromUtf8(CMainDlg::SetCardSizeMessage));
    window->SetCalibration(ScreenCalibration {4.0, 4.0});
    for (double scale : {0.0, -2.0, std::nan(""), HUGE_VAL}) {
        messages.clear();
        Photo(0)->ImagePixelPerMilli = scale;
        window->RunCommand(CmdRealSize);
        EXPECT_EQ(messages.value(0), QString::fromUtf8(CMainDlg::EnterRealSizeMessage)) << scale;
        EXPECT_NE(Canvas()->GetViewMode(), int(CVmEditCtrl::ViewRealSize));
    }
    Photo(0)->ImagePixelPerMilli = 8.0;
    window->RunCommand(CmdRealSize);
    EXPECT_EQ(Canvas()->GetViewMode(), int(CVmEditCtrl::ViewRealSize));
    EXPECT_DOUBLE_EQ(Canvas()->GetZoom(), 0.5);
    EXPECT_TRUE(window->Button(CmdRealSize)->IsLatched());
}

TEST_F(MainWindow, ColourCancelPutsBackWhatTheDialogOpenedWith)
{
    ASSERT_EQ(AddPhotos({MakePhoto(QStringLiteral("a.jpg"))}), 1);
    window->SetColour(30, 0);
    window->RunCommand(CmdColour);
    CEffectDlg *popup = window->ColourPopup();
    ASSERT_NE(popup, nullptr);
    ASSERT_TRUE(popup->isVisible());
    emit popup->colourChanged(80, 20);
    EXPECT_EQ(Canvas()->GetBrightness(), 80);
    QTest::mouseClick(ButtonWithId(popup, 1010), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(Canvas()->GetBrightness(), 30);
    EXPECT_EQ(Canvas()->GetContrast(), 0);
    EXPECT_FALSE(popup->isVisible());

    // Opened on a saved photo, a cancelled change leaves the product unmodified.
    window->SetColour(0, 0);
    Save();
    window->RunCommand(CmdColour);
    emit popup->colourChanged(50, 0);
    EXPECT_TRUE(window->IsModified());
    QTest::mouseClick(ButtonWithId(popup, 1010), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_FALSE(window->IsModified());

    // Another edit while the popup was open stays an edit after its Cancel.
    ASSERT_EQ(AddPhotos({MakePhoto(QStringLiteral("b.jpg"))}), 1);
    Save();
    window->RunCommand(CmdColour);
    emit popup->colourChanged(50, 0);
    window->RunCommand(CmdDeletePhoto);
    QTest::mouseClick(ButtonWithId(popup, 1010), Qt::LeftButton);
    EXPECT_TRUE(window->IsModified());
}

class SheetStub : public CVmSheetDlg
{
public:
    using CVmSheetDlg::CVmSheetDlg;
};

TEST_F(MainWindow, OneSheetAtATimeOverTheWorkArea)
{
    int made = 0;
    seams.createSheet = [&made](int, CMainDlg &window) {
        ++made;
        return new SheetStub(&window);
    };
    window = std::make_unique<CMainDlg>(session, seams);
    window->show();
    ASSERT_EQ(AddPhotos({MakePhoto(QStringLiteral("a.jpg"))}), 1);

    window->RunCommand(CmdPrint);
    ASSERT_NE(window->Sheet(), nullptr);
    EXPECT_EQ(window->CurrentSheetKind(), CMainDlg::SheetPrint);
    EXPECT_FALSE(Canvas()->isVisible());
    EXPECT_EQ(window->Sheet()->geometry(), SheetArea(window->size()));
    // Keys and commands of the hidden work area wait for the sheet to close.
    QTest::keyClick(window.get(), Qt::Key_Delete);
    window->RunCommand(CmdDeletePhoto);
    EXPECT_EQ(window->Product().Count(), 1);
    window->RunCommand(CmdImageOrder); // another sheet replaces it
    EXPECT_EQ(window->CurrentSheetKind(), CMainDlg::SheetImageOrder);
    window->RunCommand(CmdImageOrder); // its own command closes it
    EXPECT_EQ(window->Sheet(), nullptr);
    EXPECT_TRUE(Canvas()->isVisible());

    window->RunCommand(CmdCalibrationSheet);
    ASSERT_NE(window->Sheet(), nullptr);
    window->RunCommand(CmdSave); // product commands close a sheet first
    EXPECT_EQ(window->Sheet(), nullptr);
    EXPECT_EQ(made, 3);
}

TEST_F(MainWindow, DroppedImageFilesAreAdded)
{
    auto *mime = new QMimeData;
    mime->setUrls({QUrl::fromLocalFile(MakePhoto(QStringLiteral("a.jpg"))),
                   QUrl::fromLocalFile(dir.filePath(QStringLiteral("notes.txt")))});
    // A drop reaches the widget that accepted the drag's entry.
    QDragEnterEvent enter(QPoint(600, 400), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window.get(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(600, 400), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window.get(), &drop);
    QTRY_COMPARE(window->Product().Count(), 1); // added once the drop has returned
    EXPECT_EQ(window->CurrentPhoto(), 0);
    delete mime;
}

} // namespace
