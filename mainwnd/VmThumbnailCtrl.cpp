#include "VmThumbnailCtrl.h"

#include "ImageFiles.h"

#include <QMouseEvent>
#include <QPainter>

CVmThumbnailCtrl::CVmThumbnailCtrl(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("VmThumbnailCtrl"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QSize CVmThumbnailCtrl::sizeHint() const
{
    return QSize(m_geometry.WidthForCells(7), m_geometry.cellHeight + 2 * m_geometry.topMargin);
}

QImage CVmThumbnailCtrl::ScaledForCell(const QImage &image) const
{
    // Made at the cell size times the screen's density so the picture is sharp on HiDPI screens;
    // painting draws it back at the cell's logical size.
    const qreal ratio = std::max<qreal>(1.0, devicePixelRatioF());
    const int boxWidth = qRound(m_geometry.cellWidth * ratio);
    const int boxHeight = qRound(m_geometry.cellHeight * ratio);
    QImage scaled = ScaleImageToFit(image, boxWidth, boxHeight);
    if (!scaled.isNull())
        scaled.setDevicePixelRatio(ratio);
    return scaled;
}

bool CVmThumbnailCtrl::InsertItem(int index, const QImage &image)
{
    if (index < 0 || index > m_items.Count())
        return false;
    QImage scaled = ScaledForCell(image);
    if (scaled.isNull())
        return false;
    auto *item = new CFileInfo;
    item->image = std::move(scaled);
    m_items.InsertAt(index, item);
    if (m_selection >= 0 && index <= m_selection)
        ++m_selection;
    update();
    emit scrollStateChanged();
    return true;
}

bool CVmThumbnailCtrl::RemoveItem(int index)
{
    if (index < 0 || index >= m_items.Count())
        return false;
    delete m_items.RemoveAt(index);
    if (index == m_selection)
        m_selection = -1;
    else if (index < m_selection)
        --m_selection; // the same photograph stays selected
    ClampScroll();
    update();
    emit scrollStateChanged();
    return true;
}

void CVmThumbnailCtrl::RemoveAll()
{
    m_items.RemoveAll();
    m_selection = -1;
    m_scrollOffset = 0;
    update();
    emit scrollStateChanged();
}

bool CVmThumbnailCtrl::ReplaceImage(int index, const QImage &image)
{
    if (index < 0 || index >= m_items.Count())
        return false;
    QImage scaled = ScaledForCell(image);
    if (scaled.isNull())
        return false;
    m_items.At(index)->image = std::move(scaled);
    update();
    return true;
}

bool CVmThumbnailCtrl::SetMarked(int index, bool marked)
{
    if (index < 0 || index >= m_items.Count())
        return false;
    m_items.At(index)->marked = marked;
    return true;
}

bool CVmThumbnailCtrl::IsMarked(int index) const
{
    return index >= 0 && index < m_items.Count() && m_items.At(index)->marked;
}

QImage CVmThumbnailCtrl::ItemImage(int index) const
{
    if (index < 0 || index >= m_items.Count())
        return QImage();
    return m_items.At(index)->image;
}

bool CVmThumbnailCtrl::Reorder(const std::vector<int> &order)
{
    // Checked here so a bad order is refused rather than fatal in the owning array.
    if (!m_items.IsPermutation(order))
        return false;
    m_items.Reorder(order);
    update();
    return true;
}

void CVmThumbnailCtrl::Scroll(bool forward)
{
    const int offset = m_geometry.ScrolledOffset(forward, width(), m_items.Count(), m_scrollOffset);
    if (offset == m_scrollOffset)
        return;
    m_scrollOffset = offset;
    update();
    emit scrollStateChanged();
}

void CVmThumbnailCtrl::ClampScroll()
{
    m_scrollOffset = m_geometry.ClampedOffset(width(), m_items.Count(), m_scrollOffset);
}

bool CVmThumbnailCtrl::CanScrollBack() const
{
    return m_geometry.CanScrollBack(m_scrollOffset, m_items.Count());
}

bool CVmThumbnailCtrl::CanScrollForward() const
{
    return m_geometry.CanScrollForward(width(), m_items.Count(), m_scrollOffset);
}

bool CVmThumbnailCtrl::SelectFirst()
{
    if (m_items.IsEmpty() || !m_selectionHandler || !m_selectionHandler(0))
        return false;
    SetSelection(0);
    return true;
}

void CVmThumbnailCtrl::SetSelection(int index)
{
    m_selection = (index >= 0 && index < m_items.Count()) ? index : -1;
    if (m_selection >= 0) {
        // The red frame stays in view (paging through photos moves it past the last cell).
        const int visible = std::max(1, m_geometry.VisibleCount(width()));
        const int first = m_geometry.FirstVisible(m_scrollOffset);
        int wanted = first;
        if (m_selection < first)
            wanted = m_selection;
        else if (m_selection >= first + visible)
            wanted = m_selection - visible + 1;
        if (wanted != first) {
            m_scrollOffset = wanted * m_geometry.Step();
            emit scrollStateChanged();
        }
    }
    update();
}

void CVmThumbnailCtrl::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    ClampScroll();
    emit scrollStateChanged();
}

void CVmThumbnailCtrl::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    const int cells = std::max(m_geometry.VisibleCount(width()), m_items.Count());
    for (int i = 0; i < cells; ++i) {
        const QRect cell = m_geometry.CellRect(i, m_scrollOffset);
        if (cell.right() < 0 || cell.left() > width())
            continue;
        painter.setPen(QColor(0, 0, 0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(cell.adjusted(-1, -1, 0, 0));
        painter.setPen(Qt::white);
        painter.drawRect(cell.adjusted(-2, -2, 1, 1));
        if (i < m_items.Count()) {
            const CFileInfo *item = m_items.At(i);
            const QSize shown = item->image.deviceIndependentSize().toSize();
            const QPoint at(cell.left() + (cell.width() - shown.width()) / 2,
                            cell.top() + (cell.height() - shown.height()) / 2);
            painter.drawImage(at, item->image);
            if (item->marked && !m_badge.isNull())
                painter.drawImage(cell.topLeft() + QPoint(2, 2), m_badge);
        } else {
            painter.fillRect(cell, Qt::white);
        }
    }
    if (m_selection >= 0 && m_selection < m_items.Count()) {
        const QRect cell = m_geometry.CellRect(m_selection, m_scrollOffset);
        QPen red(QColor(255, 0, 0));
        red.setWidth(2);
        painter.setPen(red);
        painter.drawRect(cell.adjusted(1, 1, -1, -1));
        painter.setPen(Qt::white);
        painter.drawRect(cell.left() + 1, cell.top() + 1, cell.width() - 4, cell.height() - 4);
    }
}

void CVmThumbnailCtrl::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const int cells = std::max(m_geometry.VisibleCount(width()), m_items.Count());
    int index = m_geometry.HitTest(event->position().toPoint(), cells, m_scrollOffset);
    if (index >= m_items.Count())
        index = -1;
    if (index == -1 || index == m_selection)
        return;
    if (m_selectionHandler && m_selectionHandler(index))
        SetSelection(index);
}
