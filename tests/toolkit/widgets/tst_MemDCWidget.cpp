// The off-screen surface inside a real widget paint pass, where the painter's device reports its
// size in logical pixels.
#include "UbMemDC.h"

#include <QImage>
#include <QPaintEvent>
#include <QPixmap>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

class Painted : public QWidget
{
protected:
    void paintEvent(QPaintEvent *event) override
    {
        QPainter painter(this);
        CUbMemDC memDC(&painter, event->rect());
        memDC.fillRect(rect(), Qt::white);
        memDC.fillRect(QRect(width() - 10, height() - 10, 10, 10), Qt::red);
    }
};

} // namespace

TEST(UbMemDCInWidget, PaintsTheWholeWidgetAtItsPlace)
{
    Painted widget;
    widget.resize(120, 90);
    const QImage shot = widget.grab().toImage();
    ASSERT_FALSE(shot.isNull());
    const qreal ratio = shot.devicePixelRatio();
    const auto at = [&](int x, int y) {
        return shot.pixel(int(x * ratio), int(y * ratio));
    };
    EXPECT_EQ(at(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(at(109, 79), qRgb(255, 255, 255));
    EXPECT_EQ(at(110, 80), qRgb(255, 0, 0));
    EXPECT_EQ(at(119, 89), qRgb(255, 0, 0));
}
