#include "UbImgButton.h"

#include "Skin.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

CUbImgButton::CUbImgButton(QWidget *parent)
    : QAbstractButton(parent)
{
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover, false);
}

bool CUbImgButton::SetStripImage(const QImage &strip)
{
    const QList<QImage> states = CSkin::SplitStrip(strip);
    if (states.size() != 4)
        return false;
    m_images = states;
    m_imageSize = states.first().size();
    updateGeometry();
    update();
    return true;
}

bool CUbImgButton::SetDibBitmap(int resourceId)
{
    return SetStripImage(CSkin::Picture(resourceId));
}

bool CUbImgButton::SetBitmap(int resourceId, int x, int y)
{
    if (!SetStripImage(CSkin::Picture(resourceId)))
        return false;
    setGeometry(x, y, m_imageSize.width(), m_imageSize.height());
    return true;
}

void CUbImgButton::SetLatched(bool latched)
{
    if (m_latched == latched)
        return;
    m_latched = latched;
    update();
}

QSize CUbImgButton::sizeHint() const
{
    return m_imageSize.isValid() ? m_imageSize : QSize(16, 16);
}

int CUbImgButton::DrawnState() const
{
    // A latched choice stays pressed even while its window is disabled.
    if (m_latched)
        return Pressed;
    if (!isEnabled())
        return Disabled;
    return m_state;
}

QImage CUbImgButton::DrawnImage() const
{
    if (m_images.size() != 4)
        return {};
    // Strip order is normal, hover, pressed, disabled.
    static const int kImageOfState[4] = {0, 1, 3, 2};
    const QImage &image = m_images.at(kImageOfState[DrawnState()]);
    return image.isNull() ? m_images.first() : image;
}

void CUbImgButton::paintEvent(QPaintEvent *)
{
    const QImage image = DrawnImage();
    if (image.isNull())
        return;
    QPainter painter(this);
    painter.drawImage((width() - image.width()) / 2, (height() - image.height()) / 2, image);
}

void CUbImgButton::UpdateState()
{
    int state;
    if (!isEnabled())
        state = Disabled;
    else if (m_pressed)
        state = rect().contains(m_lastPoint) ? Pressed : Normal;
    else
        state = m_hover ? Hover : Normal;
    if (state != m_state) {
        m_state = state;
        update();
    }
}

void CUbImgButton::mousePressEvent(QMouseEvent *event)
{
    m_lastPoint = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        m_pressed = true;
        m_tracking = true;
        if (!hasFocus())
            setFocus(Qt::MouseFocusReason);
        UpdateState();
    }
    QAbstractButton::mousePressEvent(event);
}

void CUbImgButton::mouseReleaseEvent(QMouseEvent *event)
{
    const QPoint point = event->position().toPoint();
    m_lastPoint = point;
    if (event->button() == Qt::LeftButton) {
        m_pressed = false;
        UpdateState();
    }
    // The platform button clicks only when the release is over the button.
    QPointer<CUbImgButton> alive(this);
    QAbstractButton::mouseReleaseEvent(event);
    if (!alive)
        return; // the click closed the owner and took the button with it
    HandleMove(point);
    if (event->button() == Qt::LeftButton)
        m_tracking = false;
}

void CUbImgButton::mouseMoveEvent(QMouseEvent *event)
{
    QAbstractButton::mouseMoveEvent(event);
    HandleMove(event->position().toPoint());
}

void CUbImgButton::enterEvent(QEnterEvent *event)
{
    QAbstractButton::enterEvent(event);
    HandleMove(event->position().toPoint());
}

void CUbImgButton::leaveEvent(QEvent *event)
{
    QAbstractButton::leaveEvent(event);
    // Qt reports leaving instead of letting the button watch the mouse through a capture.
    if (!m_pressed)
        HandleMove(QPoint(-1, -1));
}

void CUbImgButton::HandleMove(const QPoint &point)
{
    m_lastPoint = point;
    m_tracking = true;
    const bool inside = rect().contains(point);
    if (m_hover && !inside) {
        if (!m_pressed)
            m_tracking = false;
        m_hover = false;
        UpdateState();
    } else if (!m_hover && inside) {
        m_hover = true;
        UpdateState();
    } else if (m_pressed) {
        UpdateState();
    }
}

void CUbImgButton::focusOutEvent(QFocusEvent *event)
{
    if (m_state != Disabled)
        m_state = Normal;
    m_pressed = false;
    m_tracking = false;
    update();
    QAbstractButton::focusOutEvent(event);
}

void CUbImgButton::changeEvent(QEvent *event)
{
    QAbstractButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) {
        if (!isEnabled()) {
            m_hover = false;
            m_pressed = false;
        }
        UpdateState();
        update();
    }
}
