#include "UbMemDC.h"

#include <QPaintDevice>

CUbMemDC::CUbMemDC(QPainter *target, const QRect &box)
    : m_target(target)
{
    if (!m_target || !m_target->isActive() || !m_target->device()) {
        m_flushed = true;
        return;
    }
    QPaintDevice *device = m_target->device();
    m_devicePixelRatio = device->devicePixelRatioF();
    // Widgets report their size in logical pixels, images and pixmaps in device pixels.
    const bool logicalSize = device->devType() == QInternal::Widget;
    const qreal scale = logicalSize ? 1.0 : 1.0 / m_devicePixelRatio;
    const QRectF deviceLogical(0, 0, device->width() * scale, device->height() * scale);
    const QTransform world = m_target->worldTransform();
    QRectF logicalBox;
    if (!box.isNull())
        logicalBox = box;
    else if (m_target->hasClipping())
        logicalBox = m_target->clipBoundingRect();
    else
        logicalBox = world.inverted().mapRect(deviceLogical);
    m_box = logicalBox.toAlignedRect();
    const QRectF onDevice = world.mapRect(QRectF(m_box)) & deviceLogical;
    m_deviceBox
        = QRectF(onDevice.x() * m_devicePixelRatio, onDevice.y() * m_devicePixelRatio,
                 onDevice.width() * m_devicePixelRatio, onDevice.height() * m_devicePixelRatio)
              .toAlignedRect();
    if (m_deviceBox.isEmpty()) {
        m_flushed = true;
        return;
    }
    m_surface = QImage(m_deviceBox.size(), QImage::Format_ARGB32_Premultiplied);
    if (m_surface.isNull()) {
        m_flushed = true;
        return;
    }
    m_surface.setDevicePixelRatio(m_devicePixelRatio);
    m_surface.fill(Qt::transparent);
    begin(&m_surface);
    // The surface's first device pixel is the box's corner; everything else as in the target.
    setTransform(world
                 * QTransform::fromTranslate(-m_deviceBox.x() / m_devicePixelRatio,
                                             -m_deviceBox.y() / m_devicePixelRatio));
    setFont(m_target->font());
    setPen(m_target->pen());
    setBrush(m_target->brush());
    setRenderHints(m_target->renderHints());
}

CUbMemDC::~CUbMemDC()
{
    Flush();
}

void CUbMemDC::Flush()
{
    if (m_flushed)
        return;
    m_flushed = true;
    end();
    m_target->save();
    m_target->resetTransform();
    m_target->setCompositionMode(QPainter::CompositionMode_SourceOver);
    m_target->drawImage(
        QPointF(m_deviceBox.x() / m_devicePixelRatio, m_deviceBox.y() / m_devicePixelRatio),
        m_surface);
    m_target->restore();
}
