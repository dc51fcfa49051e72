#include "DrawHelpers.h"

#include "SkinArt.h"
#include "UbBitmap.h"
#include "UbFont.h"

#include <QFontMetricsF>
#include <QMutex>
#include <QMutexLocker>
#include <QPen>

#include <algorithm>
#include <array>

namespace {
QMutex g_fontMutex;
std::optional<QFont> g_annotationFont;

} // namespace

QColor ColorFromColorRef(int colorRef)
{
    if (colorRef == -1)
        return {};
    const auto value = quint32(colorRef);
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

bool DrawBitmap(QPainter &target, const CUbBitmap &bitmap, int x, int y, int width, int height,
                int sourceX, int sourceY)
{
    if (bitmap.IsNull() || !target.isActive() || width <= 0 || height <= 0)
        return false;
    const QPainter::CompositionMode mode = target.compositionMode();
    target.setCompositionMode(QPainter::CompositionMode_Source);
    target.drawPixmap(x, y, bitmap.Pixmap(), sourceX, sourceY, width, height);
    target.setCompositionMode(mode);
    return true;
}

void DrawSkinFrame(QPainter &target, const QRect &rect, const CUbBitmap &topLeft,
                   const CUbBitmap &top, const CUbBitmap &topRight, const CUbBitmap &bottomLeft,
                   const CUbBitmap &bottom, const CUbBitmap &bottomRight, const CUbBitmap &left,
                   const CUbBitmap &right)
{
    // One frame routine for every window: the skin's, in the order it takes the pieces, with
    // the pieces copied as they are (alpha included).
    const auto image = [](const CUbBitmap &bitmap) {
        return bitmap.IsNull() ? QImage() : bitmap.Pixmap().toImage();
    };
    const std::array<QImage, 8> pieces
        = {image(topLeft),     image(top),    image(topRight),   image(right),
           image(bottomRight), image(bottom), image(bottomLeft), image(left)};
    const QPainter::CompositionMode mode = target.compositionMode();
    target.setCompositionMode(QPainter::CompositionMode_Source);
    CSkinArt::DrawFrame(target, rect, pieces);
    target.setCompositionMode(mode);
}

int QtTextFlags(unsigned format)
{
    using namespace DrawTextFormat;
    int flags = 0;
    if (format & Center)
        flags |= Qt::AlignHCenter;
    else if (format & Right)
        flags |= Qt::AlignRight;
    else
        flags |= Qt::AlignLeft;
    if (format & VCenter)
        flags |= Qt::AlignVCenter;
    else if (format & Bottom)
        flags |= Qt::AlignBottom;
    else
        flags |= Qt::AlignTop;
    if (format & SingleLine)
        flags |= Qt::TextSingleLine;
    else if (format & WordBreak)
        flags |= Qt::TextWordWrap;
    if (format & ExpandTabs)
        flags |= Qt::TextExpandTabs;
    if (format & NoClip)
        flags |= Qt::TextDontClip;
    if (!(format & NoPrefix))
        flags |= Qt::TextShowMnemonic;
    return flags;
}

void DrawFontText(const QString &text, QPainter &painter, const CUbFont &font, const QRect &rect,
                  int qtFlags, bool elideRight)
{
    if (!painter.isActive())
        return;
    const QFont previousFont = painter.font();
    const QPen previousPen = painter.pen();
    if (font.IsCreated())
        painter.setFont(font.Font());
    if (font.Color != -1) {
        QPen pen = previousPen;
        pen.setColor(ColorFromColorRef(font.Color));
        painter.setPen(pen);
    }
    QString shown = text;
    if (elideRight && !(qtFlags & Qt::TextWordWrap))
        shown = painter.fontMetrics().elidedText(text, Qt::ElideRight, rect.width(),
                                                 qtFlags & Qt::TextShowMnemonic);
    painter.drawText(rect, qtFlags, shown);
    painter.setPen(previousPen);
    painter.setFont(previousFont);
}

void SetSharedAnnotationFont(const std::optional<QFont> &font)
{
    QMutexLocker lock(&g_fontMutex);
    g_annotationFont = font;
}

std::optional<QFont> SharedAnnotationFont()
{
    QMutexLocker lock(&g_fontMutex);
    return g_annotationFont;
}

void DrawStringCentered(const QRectF &rect, const QString &text, QPainter &painter,
                        const QBrush &brush)
{
    if (!painter.isActive())
        return;
    const QFont font = SharedAnnotationFont().value_or(QFont());
    const QSizeF size = QFontMetricsF(font, painter.device()).size(0, text);
    const QRectF box(rect.left() + (rect.width() - size.width()) / 2,
                     rect.top() + (rect.height() - size.height()) / 2, size.width(), size.height());
    painter.save();
    painter.setFont(font);
    painter.setPen(QPen(brush, 0));
    painter.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, text);
    painter.restore();
}

bool PointInEllipse(const QPointF &point, const QRectF &bounds)
{
    const double a = (bounds.right() - bounds.left()) / 2;
    const double b = (bounds.bottom() - bounds.top()) / 2;
    if (a == 0 || b == 0)
        return false;
    const QPointF centre = bounds.center();
    const double dx = point.x() - centre.x();
    const double dy = point.y() - centre.y();
    return dx * dx / (a * a) + dy * dy / (b * b) <= 1.0;
}

void CopyMatrix(const QTransform &from, QTransform &to)
{
    to.setMatrix(from.m11(), from.m12(), 0, from.m21(), from.m22(), 0, from.dx(), from.dy(), 1);
}

bool CopyMatrixWithInverse(const QTransform &matrix, QTransform &forward, QTransform &inverse)
{
    CopyMatrix(matrix, forward);
    CopyMatrix(matrix, inverse);
    bool invertible = false;
    const QTransform inverted = inverse.inverted(&invertible);
    if (!invertible)
        return false;
    inverse = inverted;
    return true;
}
