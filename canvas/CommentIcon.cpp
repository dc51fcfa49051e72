#include "CommentIcon.h"

#include <QPainter>
#include <QPainterPath>

QImage DrawCommentPinIcon()
{
    // 22 x 30: a round red head with a highlight above a short grey needle; the needle's tip
    // is the bottom centre.
    QImage icon(22, 30, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing, true);

    QPainterPath needle;
    needle.moveTo(9.5, 16);
    needle.lineTo(12.5, 16);
    needle.lineTo(11.3, 29.5);
    needle.lineTo(10.7, 29.5);
    needle.closeSubpath();
    painter.setPen(QPen(QColor(0x50, 0x50, 0x50), 0.8));
    painter.setBrush(QColor(0xA8, 0xA8, 0xA8));
    painter.drawPath(needle);

    QRadialGradient head(QPointF(8, 6), 11);
    head.setColorAt(0.0, QColor(0xFF, 0x8A, 0x80));
    head.setColorAt(0.6, QColor(0xE0, 0x20, 0x20));
    head.setColorAt(1.0, QColor(0x90, 0x08, 0x08));
    painter.setPen(QPen(QColor(0x60, 0x00, 0x00), 1.0));
    painter.setBrush(head);
    painter.drawEllipse(QRectF(2, 1, 18, 18));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 170));
    painter.drawEllipse(QRectF(6, 4, 5, 4));
    return icon;
}
