#pragma once

#include <QAbstractScrollArea>
#include <QSize>

class QPainter;

// A child window that scrolls content larger than its client area with standard bars and the
// wheel. The subclass draws the content offset by ScrollPosition(); the base keeps the sizes,
// the bars and the positions consistent.
//
// Units are pixels. For one axis with content 259 and client 200 the bar's range is 0 … 258
// with a page of 200, so the position runs 0 … 59 (ScrollLimit).
class CUbScrollWnd : public QAbstractScrollArea
{
    Q_OBJECT
public:
    // Scroll codes of one axis, numbered like the platform's scroll messages.
    enum ScrollCode {
        LineUp = 0,
        LineDown = 1,
        PageUp = 2,
        PageDown = 3,
        ThumbPosition = 4,
        ThumbTrack = 5,
        Top = 6,
        Bottom = 7,
        EndScroll = 8
    };

    explicit CUbScrollWnd(QWidget *parent = nullptr);

    // Stores the content size and the page and line distances (made non-negative). A page of 0
    // becomes a tenth of the content, a line of 0 a tenth of the page, per axis.
    void SetScrollSizes(const QSize &page, int totalWidth, int totalHeight,
                        const QSize &line = QSize(0, 0));
    bool HasScrollSizes() const { return m_mapped; }
    QSize TotalSize() const { return m_total; }
    QSize PageSize() const { return m_page; }
    QSize LineSize() const { return m_line; }

    // Recomputes which bars are needed, their ranges and pages, and clamps the positions.
    void UpdateBars();

    QPoint ScrollPosition() const;
    int ScrollLimit(Qt::Orientation orientation) const;
    // The bar's range as the platform states it, 0 … total − 1, and its page (the client
    // extent); (0, 0) and 0 while the bar is hidden.
    QPair<int, int> BarRange(Qt::Orientation orientation) const;
    int BarPage(Qt::Orientation orientation) const;
    bool IsBarShown(Qt::Orientation orientation) const;

    // One axis's scroll request; returns whether anything moved.
    virtual bool OnScroll(Qt::Orientation orientation, int code, int position, bool doScroll);
    virtual bool OnScrollBy(const QSize &delta, bool doScroll);

    // Wheel scrolling skips the Shift and Ctrl wheel (left to the subclass) unless this is set.
    void SetWheelIgnoresModifiers(bool ignore) { m_wheelIgnoresModifiers = ignore; }

protected:
    virtual void Draw(QPainter &painter) { Q_UNUSED(painter); }

    void paintEvent(QPaintEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    QScrollBar *Bar(Qt::Orientation orientation) const;
    bool IsBarUsable(Qt::Orientation orientation) const;
    void OnBarAction(Qt::Orientation orientation, int action);

    bool m_mapped = false;
    QSize m_total;
    QSize m_page;
    QSize m_line;
    bool m_centre = false;
    bool m_updating = false;
    bool m_wheelIgnoresModifiers = false;
    int m_wheelAccum = 0; // wheel delta not yet turned into lines
};
