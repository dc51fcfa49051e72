#pragma once

#include "ViewTransform.h"

#include <QImage>
#include <QRect>
#include <QSize>

class QPainter;

// Draws a (possibly huge) photograph through a view transform without rescaling it on every
// paint. At rest the visible part is scaled once with area-averaging filtering into a copy of
// exactly the client pixels it covers; later paints with the same scale, offsets, client size
// and image only blit that copy. While the user drags, a view that has no copy yet is drawn
// straight from the photograph with nearest-pixel sampling, which costs only the client pixels.
// Both paths put every image pixel at the same client position.
class CScaledView
{
public:
    // Paints the image (already cleared background assumed) on a painter whose device is the
    // client area. `fast`: a drag is in progress, so no smooth copy is made now.
    void Paint(QPainter &painter, const QImage &image, const ViewTransform &view, QSize client,
               bool fast);
    // Forgets the copy (the image's pixels changed).
    void Invalidate();
    // Brightness and contrast applied to the copy as it is shown, not to the image: a colour
    // preview then costs the client's pixels per step, never the whole photograph's. (0, 0)
    // shows the copy unchanged. The fast path of a drag draws the image without it.
    void SetAdjustment(int brightness, int contrast);
    // True when a paint with these arguments would only blit the copy.
    bool IsCurrent(const QImage &image, const ViewTransform &view, QSize client) const;
    bool IsCurrent(const QImage &image, const ViewTransform &view, QSize client,
                   qreal devicePixelRatio) const;
    // How often the smooth copy was built (for tests and the benchmark).
    int RebuildCount() const { return m_rebuilds; }

    // The visible client rectangle of the image scaled smoothly, as an RGB32 image of that
    // rectangle's size times the device pixel ratio (white where the image does not reach).
    static QImage RenderSmooth(const QImage &image, const ViewTransform &view, const QRect &visible,
                               qreal devicePixelRatio = 1.0);
    // The image drawn through the view with the painter's current device clip.
    static void DrawDirect(QPainter &painter, const QImage &image, const ViewTransform &view,
                           bool smooth);

private:
    QImage m_copy;
    QRect m_copyRect;
    qint64 m_imageKey = 0;
    ViewTransform m_view;
    QSize m_client;
    qreal m_ratio = 1.0;
    int m_rebuilds = 0;
    int m_brightness = 0;
    int m_contrast = 0;
    QImage m_adjusted; // m_copy with the adjustment applied; null until needed
};
