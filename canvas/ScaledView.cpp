#include "ScaledView.h"

#include "CanvasGeometry.h"
#include "ImageFiles.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

QRectF ImageDestination(const ViewTransform &view, QSize image)
{
    return QRectF(view.OffsetX, view.OffsetY, image.width() * view.ScaleX,
                  image.height() * view.ScaleY);
}

bool SameView(const ViewTransform &a, const ViewTransform &b)
{
    return a.ScaleX == b.ScaleX && a.ScaleY == b.ScaleY && a.OffsetX == b.OffsetX
        && a.OffsetY == b.OffsetY;
}

} // namespace

QImage CScaledView::RenderSmooth(const QImage &image, const ViewTransform &view,
                                 const QRect &visible, qreal devicePixelRatio)
{
    // On a high-density screen the copy holds device pixels, so the photo stays sharp.
    const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    QImage out(visible.size() * ratio, QImage::Format_RGB32);
    if (out.isNull())
        return out;
    out.setDevicePixelRatio(ratio);
    out.fill(Qt::white);
    if (image.isNull() || !(view.ScaleX > 0) || !(view.ScaleY > 0))
        return out;

    // The whole image pixels behind the visible rectangle, one extra on each side so the
    // filter has its neighbours at the edges.
    const int w = image.width();
    const int h = image.height();
    const auto clampTo = [](double v, int hi) {
        return int(std::clamp(v, 0.0, double(hi)));
    };
    const int sx0 = clampTo(std::floor(view.ToImageX(visible.left())) - 1, w);
    const int sy0 = clampTo(std::floor(view.ToImageY(visible.top())) - 1, h);
    const int sx1 = clampTo(std::ceil(view.ToImageX(visible.left() + visible.width())) + 1, w);
    const int sy1 = clampTo(std::ceil(view.ToImageY(visible.top() + visible.height())) + 1, h);
    if (sx1 <= sx0 || sy1 <= sy0)
        return out;

    // A view of those pixels without copying them (the photograph may be 100 MB).
    const QImage part(image.constScanLine(sy0) + qsizetype(sx0) * (image.depth() / 8), sx1 - sx0,
                      sy1 - sy0, image.bytesPerLine(), image.format());
    const QRectF dest(view.ToScreenX(sx0), view.ToScreenY(sy0), (sx1 - sx0) * view.ScaleX,
                      (sy1 - sy0) * view.ScaleY);

    QPainter painter(&out);
    painter.translate(-visible.left(), -visible.top());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (view.ScaleX < 1.0 || view.ScaleY < 1.0) {
        // Reduce by area averaging to (nearly) the final size first; the remaining sub-pixel
        // placement is then a bilinear step close to 1:1.
        const QSize size(std::max(1, int(std::lround(dest.width() * ratio))),
                         std::max(1, int(std::lround(dest.height() * ratio))));
        const QImage reduced = part.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        painter.drawImage(dest, reduced);
    } else {
        painter.drawImage(dest, part);
    }
    return out;
}

void CScaledView::DrawDirect(QPainter &painter, const QImage &image, const ViewTransform &view,
                             bool smooth)
{
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    painter.drawImage(ImageDestination(view, image.size()), image);
    painter.restore();
}

bool CScaledView::IsCurrent(const QImage &image, const ViewTransform &view, QSize client) const
{
    return !m_copy.isNull() && m_imageKey == image.cacheKey() && m_client == client
        && SameView(m_view, view);
}

bool CScaledView::IsCurrent(const QImage &image, const ViewTransform &view, QSize client,
                            qreal devicePixelRatio) const
{
    return IsCurrent(image, view, client) && m_ratio == devicePixelRatio;
}

void CScaledView::Invalidate()
{
    m_adjusted = QImage();
    m_copy = QImage();
    m_copyRect = QRect();
    m_imageKey = 0;
}

void CScaledView::SetAdjustment(int brightness, int contrast)
{
    if (brightness == m_brightness && contrast == m_contrast)
        return;
    m_brightness = brightness;
    m_contrast = contrast;
    m_adjusted = QImage();
}

void CScaledView::Paint(QPainter &painter, const QImage &image, const ViewTransform &view,
                        QSize client, bool fast)
{
    if (image.isNull())
        return;
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    if (!IsCurrent(image, view, client, ratio)) {
        const QRect visible = CanvasGeometry::VisibleClientRect(view, image.size(), client);
        if (visible.isEmpty())
            return;
        if (fast) {
            DrawDirect(painter, image, view, false);
            return;
        }
        QImage copy = RenderSmooth(image, view, visible, ratio);
        if (copy.isNull()) {
            // Out of memory for the copy: draw without it rather than not at all.
            DrawDirect(painter, image, view, false);
            return;
        }
        m_copy = std::move(copy);
        m_adjusted = QImage();
        m_copyRect = visible;
        m_imageKey = image.cacheKey();
        m_view = view;
        m_client = client;
        m_ratio = ratio;
        ++m_rebuilds;
    }
    if (m_brightness == 0 && m_contrast == 0) {
        painter.drawImage(m_copyRect.topLeft(), m_copy);
        return;
    }
    if (m_adjusted.isNull()) {
        m_adjusted = m_copy.copy();
        AdjustBrightnessContrast(m_adjusted, m_brightness, m_contrast);
    }
    painter.drawImage(m_copyRect.topLeft(), m_adjusted);
}
