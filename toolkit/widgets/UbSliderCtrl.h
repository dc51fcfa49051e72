#pragma once

#include <QImage>
#include <QPoint>
#include <QWidget>

#include <array>

// A horizontal slider drawn from bitmaps: a track of three pieces (left end, repeated middle,
// right end), an optional filled track shown left of the thumb, and a thumb.
//
// Geometry, client pixels: with client width W and thumb width tw the usable track is
// L = e + W − tw − s. Position p puts the thumb centre at
// x = (int)((p − min) / (max − min) × L + s + tw / 2); a mouse x maps back to
// (int)((x − tw / 2 − s) / L × (max − min) + min), limited to min … max. Range −100 … 100,
// W 236, tw 14: L = 222, position 0 → centre 118, thumb drawn from x = 111.
//
// Changes are posted (queued) to whoever listens: code 1 while a drag moves the position,
// code 2 when a change is finished, with the slider's control id. A listener reads the
// position from the slider when the notification arrives.
class CUbSliderCtrl : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kNotifyDragging = 1;
    static constexpr int kNotifyFinished = 2;
    static constexpr int kSliderMessage = 0x400 + 53; // WM_USER+53, the program's only value

    explicit CUbSliderCtrl(QWidget *parent = nullptr);

    void SetControlId(int id) { m_controlId = id; }
    int ControlId() const { return m_controlId; }
    // 0 turns the notifications off.
    void SetNotifyMessage(int message) { m_message = message; }
    int NotifyMessage() const { return m_message; }

    // The owner keeps min < max and repaints after setting them.
    void SetRange(int minimum, int maximum);
    int RangeMin() const { return m_min; }
    int RangeMax() const { return m_max; }
    void SetPos(int position);
    int GetPos() const { return m_pos; }

    // Track pieces by skin number; when any of the three is missing all three are dropped.
    bool SetTrackBitmaps(int leftId, int middleId, int rightId);
    bool SetTrackImages(const QImage &left, const QImage &middle, const QImage &right);
    // The filled pieces 199, 197, 201.
    bool SetFilledTrackBitmaps();
    bool SetFilledTrackImages(const QImage &left, const QImage &middle, const QImage &right);
    bool SetThumbBitmap(int id);
    bool SetThumbImage(const QImage &thumb);
    bool HasFilledTrack() const { return m_filled; }

    // Start offset s and end adjustment e (both 0 in the program).
    void SetTrackAdjust(int start, int end);

    int UsableLength() const;
    int ThumbCentre() const; // for the current position
    int ThumbCentreFor(int position) const;
    int PositionForX(int x) const;
    QRect ThumbRect() const;
    bool IsDragging() const { return m_dragging; }

signals:
    void Notification(int code, int controlId);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void Post(int code);
    void RebuildTracks();
    void EndDrag();
    static QImage BuildTrack(const std::array<QImage, 3> &pieces, const QSize &size);

    int m_controlId = 0;
    int m_message = kSliderMessage;
    int m_min = 0;
    int m_max = 100;
    int m_pos = 0;
    std::array<QImage, 3> m_track;
    std::array<QImage, 3> m_filledTrack;
    bool m_filled = false;
    QImage m_thumb;
    QImage m_trackImage;
    QImage m_filledImage;
    bool m_rebuild = false;
    int m_start = 0;
    int m_end = 0;
    bool m_dragging = false;
    bool m_moved = false;
    QPoint m_lastPoint;
};
