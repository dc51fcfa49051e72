#pragma once

#include <QImage>
#include <QPainter>
#include <QRect>

// An off-screen surface for one paint pass. Qt widgets are double-buffered already, so this does
// not prevent flicker; it keeps paint code that composes a picture in several steps (and code that
// wants a private surface with the target's coordinates) as simple as drawing into the target.
//
// Built over an active target painter, it covers `box` (in a paint event: the event's rectangle),
// else the target's clip box, else the whole device, and starts transparent; its own coordinates
// are the target's logical coordinates (same world transform). Draw into it exactly as into the
// target; when it is destroyed (or Flush is called) the picture is composed over the target at the
// same place.
class CUbMemDC : public QPainter
{
public:
    explicit CUbMemDC(QPainter *target, const QRect &box = QRect());
    ~CUbMemDC();

    CUbMemDC(const CUbMemDC &) = delete;
    CUbMemDC &operator=(const CUbMemDC &) = delete;

    // The covered box in the target's logical coordinates.
    QRect Box() const { return m_box; }
    // Ends drawing and copies the picture to the target now; later drawing is ignored.
    void Flush();

private:
    QPainter *m_target;
    QRect m_box; // logical
    QRect m_deviceBox; // device pixels
    QImage m_surface;
    qreal m_devicePixelRatio = 1.0;
    bool m_flushed = false;
};
