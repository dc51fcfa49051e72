#include "DrCut.h"

#include <QPainter>

void CDrCut::Draw(QPainter &painter, const ViewTransform &t) const
{
    if (!Active)
        return;
    const int left = static_cast<int>(t.ToScreenX(Left));
    const int top = static_cast<int>(t.ToScreenY(Top));
    const int width = static_cast<int>(t.ToScreenX(Right)) - left;
    const int height = static_cast<int>(t.ToScreenY(Bottom)) - top;
    painter.save();
    painter.fillRect(QRect(left, top, width, height), QColor(0xFF, 0xFF, 0xFF, 150));
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(left, top, width - 1, height - 1);
    painter.restore();
}
