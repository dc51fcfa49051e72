// Renders a popup with buttons and the two slider kinds the way a user sees them, and keeps the
// pictures: in the build folder always, and in $VM_SCREENSHOT_DIR when that is set.
#include "Skin.h"
#include "UbImgButton.h"
#include "UbSliderCtrl.h"
#include "VmPopupDialog.h"
#include "ZoomSliderCtrl.h"
#include "helper_Widgets.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

void Keep(const QImage &image, const QString &name)
{
    ASSERT_TRUE(image.save(QStringLiteral(VM_TEST_BINARY_DIR "/") + name));
    const QString dir = qEnvironmentVariable("VM_SCREENSHOT_DIR");
    if (!dir.isEmpty()) {
        QDir().mkpath(dir);
        ASSERT_TRUE(image.save(dir + QLatin1Char('/') + name));
    }
}

int DistinctColours(const QImage &image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3)
            colours.insert(image.pixel(x, y));
    return colours.size();
}

TEST(Screenshots, PopupWithButtons)
{
    CVmPopupDialog popup(158);
    popup.SetTitle(QString::fromUtf8("상세정보"));
    popup.resize(400, 300);
    auto *label = new QLabel(QString::fromUtf8("상품명"), &popup);
    label->setGeometry(24, 48, 80, 22);
    auto *edit = new QLineEdit(QString::fromUtf8("가죽 지갑 (소)"), &popup);
    edit->setGeometry(104, 48, 270, 22);
    auto *note = new QLabel(QString::fromUtf8("실측 사진 12장 · 마지막 저장 2026-12-09"), &popup);
    note->setGeometry(24, 84, 350, 22);
    auto *ok = new CUbImgButton(&popup);
    ok->SetBitmap(226, 400 / 2 - 56 - 3, 300 - 7 - 12 - 22);
    auto *cancel = new CUbImgButton(&popup);
    cancel->SetBitmap(225, 400 / 2 + 3, 300 - 7 - 12 - 22);
    auto *disabled = new CUbImgButton(&popup);
    disabled->SetBitmap(311, 24, 300 - 7 - 12 - 22);
    disabled->setEnabled(false);
    ASSERT_TRUE(ShowAndWait(&popup));
    const QImage shot = popup.grab().toImage();
    EXPECT_EQ(shot.size(), QSize(400, 300));
    EXPECT_GT(DistinctColours(shot), 20);
    Keep(shot, QStringLiteral("popup.png"));
}

TEST(Screenshots, Sliders)
{
    QWidget panel;
    QPalette palette = panel.palette();
    palette.setColor(QPalette::Window, QColor(244, 244, 246));
    panel.setPalette(palette);
    panel.setAutoFillBackground(true);
    panel.resize(300, 110);
    auto *effect = new CUbSliderCtrl(&panel);
    effect->setGeometry(17, 20, 236, 16);
    effect->SetRange(-100, 100);
    effect->SetPos(30);
    effect->SetTrackBitmaps(198, 196, 200);
    effect->SetFilledTrackBitmaps();
    effect->SetThumbBitmap(202);
    auto *zoom = new CZoomSliderCtrl(&panel);
    zoom->setGeometry(17, 60, 78, 15);
    zoom->SetTrackBitmaps(261, 262, 263);
    zoom->SetThumbBitmap(264);
    zoom->SetZoom(2.0);
    auto *percent = new QLabel(QStringLiteral("%1 %").arg(int(zoom->GetZoom() * 100)), &panel);
    percent->setGeometry(105, 58, 60, 19);
    ASSERT_TRUE(ShowAndWait(&panel));
    const QImage shot = panel.grab().toImage();
    EXPECT_GT(DistinctColours(shot), 8);
    Keep(shot, QStringLiteral("sliders.png"));
}

// Every picture of the skin on one sheet, labelled with its number, for reviewing the look.
TEST(Screenshots, SkinSheet)
{
    const int width = 1400;
    // First pass places the pictures in rows, the second draws them.
    struct Placed
    {
        SkinEntry entry;
        QPoint at;
    };
    QList<Placed> placed;
    int x = 6, y = 6, rowHeight = 0;
    for (const SkinEntry &e : CSkin::Entries()) {
        if (x + e.width + 6 > width) {
            x = 6;
            y += rowHeight + 16;
            rowHeight = 0;
        }
        placed.append({e, QPoint(x, y)});
        x += std::max(e.width, 24) + 8;
        rowHeight = std::max(rowHeight, e.height);
    }
    QImage sheet(width, y + rowHeight + 20, QImage::Format_ARGB32);
    sheet.fill(QColor(208, 212, 218));
    QPainter p(&sheet);
    QFont font = p.font();
    font.setPixelSize(9);
    p.setFont(font);
    p.setPen(Qt::black);
    for (const Placed &item : placed) {
        const SkinEntry &e = item.entry;
        const QImage image = CSkin::Picture(e.number, e.kind);
        ASSERT_EQ(image.size(), QSize(e.width, e.height)) << e.number;
        p.drawImage(item.at, image);
        const char *kind = e.kind == SkinKind::Png ? "p" : e.kind == SkinKind::Cursor ? "c" : "";
        p.drawText(item.at + QPoint(0, e.height + 11),
                   QString::number(e.number) + QLatin1String(kind));
    }
    p.end();
    Keep(sheet, QStringLiteral("skin.png"));
}

} // namespace
