#include "DrawHelpers.h"

#include "UbBitmap.h"
#include "UbFont.h"

#include <QFontMetricsF>
#include <QMutex>
#include <QMutexLocker>
#include <QPen>

#include <algorithm>

namespace {
QMutex g_fontMutex;
std::optional<QFont> g_annotationFont;

// Repeats `piece` along a horizontal span [from, to) at y; the last copy is cut.
void TileHorizontally(QPainter &target, const CUbBitmap &piece, int from, int to, int y)
{
    const int step = piece.Width();
    if (piece.IsNull() || step <= 0)
        return;
    for (int x = from; x < to; x += step)
        DrawBitmap(target, piece, x, y, std::min(step, to - x), piece.Height(), 0, 0);
}

void TileVertically(QPainter &target, const CUbBitmap &piece, int from, int to, int x)
{
    const int step = piece.Height();
    if (piece.IsNull() || step <= 0)
        return;
    for (int y = from; y < to; y += step)
        DrawBitmap(target, piece, x, y, piece.Width(), std::min(step, to - y), 0, 0);
}
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
    const int l = rect.x();
    const int t = rect.y();
    const int r = rect.x() + rect.width();
    const int b = rect.y() + rect.height();
    DrawBitmap(target, topLeft, l, t, topLeft.Width(), topLeft.Height(), 0, 0);
    DrawBitmap(target, topRight, r - topRight.Width(), t, topRight.Width(), topRight.Height(), 0,
               0);
    TileHorizontally(target, top, l + topLeft.Width(), r - topRight.Width(), t);
    DrawBitmap(target, bottomLeft, l, b - bottomLeft.Height(), bottomLeft.Width(),
               bottomLeft.Height(), 0, 0);
    DrawBitmap(target, bottomRight, r - bottomRight.Width(), b - bottomRight.Height(),
               bottomRight.Width(), bottomRight.Height(), 0, 0);
    TileHorizontally(target, bottom, l + bottomLeft.Width(), r - bottomRight.Width(),
                     b - bottom.Height());
    TileVertically(target, left, t + topLeft.Height(), b - bottomLeft.Height(), l);
    TileVertically(target, right, t + topRight.Height(), b - bottomRight.Height(),
                   r - right.Width());
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
