#pragma once

#include <QAbstractButton>
#include <QImage>
#include <QList>

// A push button drawn from a strip of four equal images stacked from the top: normal, hover,
// pressed, disabled. clicked() comes only when the left button is released over the button.
//
// Visual state: 0 normal, 1 hover, 2 disabled, 3 pressed. While the left button is held after a
// press on the button, the state is 3 over the button and 0 off it, so sliding off shows the
// normal image and sliding back the pressed one. A latched button shows its pressed image
// whatever the state (the owner latches radio-like choices).
class CUbImgButton : public QAbstractButton
{
    Q_OBJECT
public:
    enum State { Normal = 0, Hover = 1, Disabled = 2, Pressed = 3 };

    explicit CUbImgButton(QWidget *parent = nullptr);

    // Loads skin strip number resourceId, cuts it into the four states and moves the button to
    // (x, y) in its parent with the size of one state. False, with nothing changed, when the
    // strip cannot be had.
    bool SetBitmap(int resourceId, int x, int y);
    // The same without moving or resizing the button.
    bool SetDibBitmap(int resourceId);
    // A strip given as an image; the button keeps its place and size.
    bool SetStripImage(const QImage &strip);

    void SetLatched(bool latched);
    bool IsLatched() const { return m_latched; }

    void SetControlId(int id) { m_controlId = id; }
    int ControlId() const { return m_controlId; }

    int VisualState() const { return m_state; }
    // The state the next paint draws: a disabled window forces 2, the latched flag 3 (last).
    int DrawnState() const;
    QImage DrawnImage() const;
    QSize ImageSize() const { return m_imageSize; }
    bool IsHover() const { return m_hover; }
    bool IsPressedDown() const { return m_pressed; }
    bool IsTracking() const { return m_tracking; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void HandleMove(const QPoint &point);
    void UpdateState();

    QList<QImage> m_images; // normal, hover, pressed, disabled
    QSize m_imageSize;
    int m_state = Normal;
    bool m_hover = false;
    bool m_pressed = false;
    bool m_tracking = false;
    bool m_latched = false;
    QPoint m_lastPoint {-1, -1};
    int m_controlId = 0;
};
