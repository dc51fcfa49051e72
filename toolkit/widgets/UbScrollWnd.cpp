#include "UbScrollWnd.h"

#include <QApplication>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

int MulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    return static_cast<int>(std::llround(double(a) * double(b) / double(c)));
}

} // namespace

CUbScrollWnd::CUbScrollWnd(QWidget *parent)
    : QAbstractScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(horizontalScrollBar(), &QAbstractSlider::actionTriggered, this,
            [this](int action) { OnBarAction(Qt::Horizontal, action); });
    connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this,
            [this](int action) { OnBarAction(Qt::Vertical, action); });
}

QScrollBar *CUbScrollWnd::Bar(Qt::Orientation orientation) const
{
    return orientation == Qt::Horizontal ? horizontalScrollBar() : verticalScrollBar();
}

void CUbScrollWnd::SetScrollSizes(const QSize &page, int totalWidth, int totalHeight,
                                  const QSize &line)
{
    const bool mappingChanged = !m_mapped;
    m_mapped = true;
    m_total = QSize(std::max(0, totalWidth), std::max(0, totalHeight));
    m_page = QSize(std::max(0, page.width()), std::max(0, page.height()));
    m_line = QSize(std::max(0, line.width()), std::max(0, line.height()));
    if (m_page.width() == 0)
        m_page.setWidth(m_total.width() / 10);
    if (m_page.height() == 0)
        m_page.setHeight(m_total.height() / 10);
    if (m_line.width() == 0)
        m_line.setWidth(m_page.width() / 10);
    if (m_line.height() == 0)
        m_line.setHeight(m_page.height() / 10);
    UpdateBars();
    if (mappingChanged)
        viewport()->update();
}

bool CUbScrollWnd::IsBarShown(Qt::Orientation orientation) const
{
    const Qt::ScrollBarPolicy policy
        = orientation == Qt::Horizontal ? horizontalScrollBarPolicy() : verticalScrollBarPolicy();
    return policy == Qt::ScrollBarAlwaysOn;
}

bool CUbScrollWnd::IsBarUsable(Qt::Orientation orientation) const
{
    return IsBarShown(orientation) && Bar(orientation)->isEnabled();
}

void CUbScrollWnd::UpdateBars()
{
    if (m_updating || !m_mapped)
        return;
    m_updating = true;
    const int barW = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const int barH = barW;
    // The client area the content would get with no bars at all.
    QSize client = viewport()->size();
    if (IsBarShown(Qt::Vertical))
        client.rwidth() += barW;
    if (IsBarShown(Qt::Horizontal))
        client.rheight() += barH;

    if (client.width() < barW || client.height() < barH) {
        if (!client.isEmpty()) {
            horizontalScrollBar()->setEnabled(false);
            verticalScrollBar()->setEnabled(false);
        }
        m_updating = false;
        return;
    }

    int rangeX = m_total.width() - client.width();
    int rangeY = m_total.height() - client.height();
    bool needH = rangeX > 0;
    if (needH)
        rangeY += barH;
    const bool needV = rangeY > 0;
    if (needV) {
        rangeX += barW;
        if (!needH && rangeX > 0) {
            needH = true;
            rangeY += barH;
        }
    }

    const QPoint before = ScrollPosition();
    setHorizontalScrollBarPolicy(needH ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(needV ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    const QSize extent(client.width() - (needV ? barW : 0), client.height() - (needH ? barH : 0));

    QScrollBar *h = horizontalScrollBar();
    QScrollBar *v = verticalScrollBar();
    h->setEnabled(true);
    v->setEnabled(true);
    const int limitX = needH ? std::max(0, m_total.width() - extent.width()) : 0;
    const int limitY = needV ? std::max(0, m_total.height() - extent.height()) : 0;
    h->setRange(0, limitX);
    h->setPageStep(std::max(1, extent.width()));
    h->setSingleStep(std::max(1, m_line.width()));
    v->setRange(0, limitY);
    v->setPageStep(std::max(1, extent.height()));
    v->setSingleStep(std::max(1, m_line.height()));
    // setRange clamps the positions; the contents follow the change.
    if (ScrollPosition() != before)
        viewport()->update();
    m_updating = false;
}

QPoint CUbScrollWnd::ScrollPosition() const
{
    QPoint position(horizontalScrollBar()->value(), verticalScrollBar()->value());
    if (m_centre) {
        const QSize client = viewport()->size();
        if (m_total.width() < client.width())
            position.setX(-(client.width() - m_total.width()) / 2);
        if (m_total.height() < client.height())
            position.setY(-(client.height() - m_total.height()) / 2);
    }
    return position;
}

int CUbScrollWnd::ScrollLimit(Qt::Orientation orientation) const
{
    return Bar(orientation)->maximum();
}

QPair<int, int> CUbScrollWnd::BarRange(Qt::Orientation orientation) const
{
    if (!IsBarShown(orientation))
        return {0, 0};
    const int total = orientation == Qt::Horizontal ? m_total.width() : m_total.height();
    return {0, total - 1};
}

int CUbScrollWnd::BarPage(Qt::Orientation orientation) const
{
    return IsBarShown(orientation) ? Bar(orientation)->pageStep() : 0;
}

bool CUbScrollWnd::OnScroll(Qt::Orientation orientation, int code, int position, bool doScroll)
{
    const int current = Bar(orientation)->value();
    const int line = orientation == Qt::Horizontal ? m_line.width() : m_line.height();
    const int page = orientation == Qt::Horizontal ? m_page.width() : m_page.height();
    long long target = current;
    switch (code) {
    case LineUp:
        target -= line;
        break;
    case LineDown:
        target += line;
        break;
    case PageUp:
        target -= page;
        break;
    case PageDown:
        target += page;
        break;
    case ThumbTrack:
        target = position;
        break;
    case Top:
        target = 0;
        break;
    case Bottom:
        target = INT_MAX;
        break;
    default: // the thumb's final position and the end of scrolling change nothing
        break;
    }
    const int delta = static_cast<int>(std::clamp<long long>(target - current, INT_MIN, INT_MAX));
    const QSize d = orientation == Qt::Horizontal ? QSize(delta, 0) : QSize(0, delta);
    const bool moved = OnScrollBy(d, doScroll);
    if (moved && doScroll)
        viewport()->repaint();
    return moved;
}

bool CUbScrollWnd::OnScrollBy(const QSize &delta, bool doScroll)
{
    int dx = delta.width();
    int dy = delta.height();
    if (!IsBarUsable(Qt::Horizontal))
        dx = 0;
    if (!IsBarUsable(Qt::Vertical))
        dy = 0;
    const QPoint current(horizontalScrollBar()->value(), verticalScrollBar()->value());
    const int x = static_cast<int>(std::clamp<long long>(static_cast<long long>(current.x()) + dx,
                                                         0, ScrollLimit(Qt::Horizontal)));
    const int y = static_cast<int>(std::clamp<long long>(static_cast<long long>(current.y()) + dy,
                                                         0, ScrollLimit(Qt::Vertical)));
    if (x == current.x() && y == current.y())
        return false;
    if (doScroll) {
        horizontalScrollBar()->setValue(x);
        verticalScrollBar()->setValue(y);
    }
    return true;
}

void CUbScrollWnd::OnBarAction(Qt::Orientation orientation, int action)
{
    QScrollBar *bar = Bar(orientation);
    int code = -1;
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
        code = LineUp;
        break;
    case QAbstractSlider::SliderSingleStepAdd:
        code = LineDown;
        break;
    case QAbstractSlider::SliderPageStepSub:
        code = PageUp;
        break;
    case QAbstractSlider::SliderPageStepAdd:
        code = PageDown;
        break;
    case QAbstractSlider::SliderMove:
        code = ThumbTrack;
        break;
    case QAbstractSlider::SliderToMinimum:
        code = Top;
        break;
    case QAbstractSlider::SliderToMaximum:
        code = Bottom;
        break;
    default:
        return;
    }
    // The bar has already moved its slider for the action; put it back and let OnScroll decide,
    // so a subclass sees every bar request the same way as its own.
    const int requested = bar->sliderPosition();
    bar->setSliderPosition(bar->value());
    OnScroll(orientation, code, requested, true);
}

void CUbScrollWnd::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    // Keep the bars true to the new client size even before the subclass sets new sizes.
    if (m_mapped)
        UpdateBars();
}

void CUbScrollWnd::scrollContentsBy(int, int)
{
    viewport()->update();
}

void CUbScrollWnd::paintEvent(QPaintEvent *)
{
    QPainter painter(viewport());
    Draw(painter);
}

void CUbScrollWnd::wheelEvent(QWheelEvent *event)
{
    if (!m_wheelIgnoresModifiers
        && (event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier))) {
        event->ignore();
        return;
    }
    const int delta = event->angleDelta().y();
    if (delta == 0) {
        event->ignore();
        return;
    }
    Qt::Orientation axis;
    if (IsBarUsable(Qt::Vertical))
        axis = Qt::Vertical;
    else if (IsBarUsable(Qt::Horizontal))
        axis = Qt::Horizontal;
    else {
        event->ignore();
        return;
    }
    const int lines = QApplication::wheelScrollLines();
    const int page = axis == Qt::Vertical ? m_page.height() : m_page.width();
    const int line = axis == Qt::Vertical ? m_line.height() : m_line.width();
    int step;
    if (lines < 0) {
        step = delta > 0 ? -page : page; // the setting asks for page scrolling
    } else {
        // Fine-grained wheels and touchpads send parts of a notch: gather them until they
        // make at least one line.
        m_wheelAccum += delta;
        const int n = MulDiv(-m_wheelAccum, lines, 120);
        if (n == 0) {
            event->accept();
            return;
        }
        m_wheelAccum = 0;
        step = std::min(n * line, page); // never more than a page downwards
    }
    const QSize d = axis == Qt::Vertical ? QSize(0, step) : QSize(step, 0);
    if (OnScrollBy(d, true))
        viewport()->repaint();
    event->accept();
}
