#include "UbSliderCtrl.h"

#include "Skin.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

CUbSliderCtrl::CUbSliderCtrl(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::ArrowCursor);
}

void CUbSliderCtrl::SetRange(int minimum, int maximum)
{
    m_min = minimum;
    m_max = maximum;
}

void CUbSliderCtrl::SetPos(int position)
{
    m_pos = position;
    update();
}

void CUbSliderCtrl::SetTrackAdjust(int start, int end)
{
    m_start = start;
    m_end = end;
    update();
}

bool CUbSliderCtrl::SetTrackImages(const QImage &left, const QImage &middle, const QImage &right)
{
    if (left.isNull() || middle.isNull() || right.isNull()) {
        m_track = {};
        m_rebuild = true;
        update();
        return false;
    }
    m_track = {left, middle, right};
    m_rebuild = true;
    update();
    return true;
}

bool CUbSliderCtrl::SetTrackBitmaps(int leftId, int middleId, int rightId)
{
    return SetTrackImages(CSkin::Picture(leftId), CSkin::Picture(middleId),
                          CSkin::Picture(rightId));
}

bool CUbSliderCtrl::SetFilledTrackImages(const QImage &left, const QImage &middle,
                                         const QImage &right)
{
    if (left.isNull() || middle.isNull() || right.isNull()) {
        m_filledTrack = {};
        m_filled = false;
        m_rebuild = true;
        update();
        return false;
    }
    m_filledTrack = {left, middle, right};
    m_filled = true;
    m_rebuild = true;
    update();
    return true;
}

bool CUbSliderCtrl::SetFilledTrackBitmaps()
{
    return SetFilledTrackImages(CSkin::Picture(199), CSkin::Picture(197), CSkin::Picture(201));
}

bool CUbSliderCtrl::SetThumbImage(const QImage &thumb)
{
    m_thumb = thumb; // a missing picture leaves no thumb at all
    m_rebuild = true;
    update();
    return !thumb.isNull();
}

bool CUbSliderCtrl::SetThumbBitmap(int id)
{
    return SetThumbImage(CSkin::Picture(id));
}

int CUbSliderCtrl::UsableLength() const
{
    return m_end + width() - m_thumb.width() - m_start;
}

int CUbSliderCtrl::ThumbCentreFor(int position) const
{
    if (m_thumb.isNull())
        return 0;
    const int tw = m_thumb.width();
    // An empty range would divide by zero: the thumb then rests at the start.
    if (m_max <= m_min)
        return m_start + tw / 2;
    return static_cast<int>(double(position - m_min) / double(m_max - m_min) * UsableLength()
                            + m_start + tw / 2);
}

int CUbSliderCtrl::ThumbCentre() const
{
    return ThumbCentreFor(m_pos);
}

int CUbSliderCtrl::PositionForX(int x) const
{
    if (m_thumb.isNull())
        return 0;
    const int length = UsableLength();
    if (length <= 0 || m_max <= m_min)
        return m_min;
    const int tw = m_thumb.width();
    const int p = static_cast<int>(
        double(x - tw / 2 - m_start) / double(length) * double(m_max - m_min) + m_min);
    return std::clamp(p, m_min, m_max);
}

QRect CUbSliderCtrl::ThumbRect() const
{
    const int tw = m_thumb.width();
    return QRect(ThumbCentre() - tw / 2, 0, tw, m_thumb.height());
}

QImage CUbSliderCtrl::BuildTrack(const std::array<QImage, 3> &pieces, const QSize &size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    // Plain copies, as with a bitmap blit: the right end replaces what the last middle tile
    // left under it instead of blending with it.
    p.setCompositionMode(QPainter::CompositionMode_Source);
    const QImage &left = pieces[0], &middle = pieces[1], &right = pieces[2];
    p.drawImage(0, 0, left);
    if (middle.width() > 0) {
        for (int x = left.width(); x < size.width() - right.width(); x += middle.width())
            p.drawImage(x, 0, middle);
    }
    p.drawImage(size.width() - right.width(), 0, right);
    return image;
}

void CUbSliderCtrl::RebuildTracks()
{
    m_trackImage = QImage();
    m_filledImage = QImage();
    if (!m_track[0].isNull() && width() > 0 && height() > 0)
        m_trackImage = BuildTrack(m_track, size());
    if (m_filled && width() > 0 && height() > 0)
        m_filledImage = BuildTrack(m_filledTrack, size());
    m_rebuild = false;
}

void CUbSliderCtrl::paintEvent(QPaintEvent *)
{
    if (m_rebuild)
        RebuildTracks();
    QPainter p(this);
    // The slider sits on its parent's face: let the parent show through where no piece is.
    if (parentWidget())
        p.fillRect(rect(), parentWidget()->palette().window());
    const int centre = ThumbCentre();
    if (m_trackImage.isNull()) {
        p.fillRect(rect(), Qt::black);
    } else if (m_filledImage.isNull()) {
        p.drawImage(0, 0, m_trackImage);
    } else {
        const int h = m_thumb.isNull() ? height() : m_thumb.height();
        p.drawImage(QRect(0, 0, centre, h), m_filledImage, QRect(0, 0, centre, h));
        p.drawImage(QRect(centre, 0, width() - centre, h), m_trackImage,
                    QRect(centre, 0, width() - centre, h));
    }
    if (!m_thumb.isNull())
        p.drawImage(centre - m_thumb.width() / 2, 0, m_thumb);
}

void CUbSliderCtrl::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (!m_track[0].isNull())
        m_rebuild = true;
}

void CUbSliderCtrl::Post(int code)
{
    if (m_message == 0)
        return;
    // Queued, like a posted message: the listener runs after this event has been handled and
    // the slider has repainted. Dropped if the slider is gone by then.
    const int id = m_controlId;
    QMetaObject::invokeMethod(
        this, [this, code, id] { emit Notification(code, id); }, Qt::QueuedConnection);
}

void CUbSliderCtrl::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPoint point = event->position().toPoint();
    if (!m_thumb.isNull() && ThumbRect().contains(point)) {
        m_lastPoint = point;
        m_dragging = true;
        m_moved = false;
        return; // Qt holds the mouse for us until the release
    }
    const int position = PositionForX(point.x());
    if (position != m_pos) {
        m_pos = position;
        repaint();
        Post(kNotifyFinished);
    }
}

void CUbSliderCtrl::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging)
        return;
    if (!(event->buttons() & Qt::LeftButton)) {
        // The button went up where we could not see it: the drag ends as if released.
        EndDrag();
        return;
    }
    const QPoint point = event->position().toPoint();
    if (point != m_lastPoint) {
        const int position = PositionForX(point.x());
        if (position != m_pos) {
            m_pos = position;
            Post(kNotifyDragging);
            m_moved = true;
            repaint();
        }
        m_lastPoint = point;
    }
}

void CUbSliderCtrl::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_dragging && event->button() == Qt::LeftButton)
        EndDrag();
}

void CUbSliderCtrl::EndDrag()
{
    if (!m_dragging)
        return;
    m_dragging = false;
    if (m_moved)
        Post(kNotifyFinished);
    m_moved = false;
}

void CUbSliderCtrl::hideEvent(QHideEvent *event)
{
    EndDrag();
    QWidget::hideEvent(event);
}

void CUbSliderCtrl::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        EndDrag();
    QWidget::changeEvent(event);
}
