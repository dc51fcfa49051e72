#include "UbMemDC.h"

#include <QPaintDevice>

CUbMemDC::CUbMemDC(QPainter *target)
    : m_target(target)
{
    if (!m_target || !m_target->isActive() || !m_target->device()) {
        m_flushed = true;
        return;
    }
    QPaintDevice *device = m_target->device();
    const QRect deviceRect(0, 0, device->width(), device->height());
    const QTransform toDevice = m_target->deviceTransform();
    if (m_target->hasClipping()) {
        m_box = m_target->clipBoundingRect().toAlignedRect();
        m_deviceBox = toDevice.mapRect(QRectF(m_box)).toAlignedRect() & deviceRect;
    } else {
        m_deviceBox = deviceRect;
        bool invertible = false;
        const QTransform toLogical = toDevice.inverted(&invertible);
        m_box = invertible ? toLogical.mapRect(QRectF(deviceRect)).toAlignedRect() : deviceRect;
    }
    if (m_deviceBox.isEmpty()) {
        m_flushed = true;
        return;
    }
    m_surface = QImage(m_deviceBox.size(), QImage::Format_ARGB32_Premultiplied);
    if (m_surface.isNull()) {
        m_flushed = true;
        return;
    }
    m_devicePixelRatio = device->devicePixelRatioF();
    m_surface.setDevicePixelRatio(m_devicePixelRatio);
    m_surface.fill(Qt::transparent);
    begin(&m_surface);
    // The surface's first device pixel is the box's corner; everything else as in the target.
    setTransform(m_target->worldTransform()
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
