#pragma once

#include "ThumbStripGeometry.h"
#include "UbSafeTypedPtrArray.h"

#include <QImage>
#include <QWidget>

#include <functional>
#include <vector>

// The row of small thumbnails under the toolbar, in product order. It owns scaled copies of the
// pictures it is given and knows nothing else of the product: the main window says what to show
// and decides whether a click may change the selection.
class CVmThumbnailCtrl : public QWidget
{
    Q_OBJECT
public:
    static constexpr int ControlId = 2002;

    // One cell's content. The picture is already scaled to the cell (in device pixels).
    class CFileInfo
    {
    public:
        QString name; // left empty by the program
        QImage image;
        bool marked = false;
    };

    explicit CVmThumbnailCtrl(QWidget *parent = nullptr);

    // Asked when the user clicks another thumbnail; true lets the selection move there.
    void SetSelectionHandler(std::function<bool(int index)> handler)
    {
        m_selectionHandler = std::move(handler);
    }
    // The badge drawn over marked items at the cell's top-left corner.
    void SetBadge(const QImage &badge) { m_badge = badge; }

    bool InsertItem(int index, const QImage &image);
    bool RemoveItem(int index);
    void RemoveAll();
    bool ReplaceImage(int index, const QImage &image);
    bool SetMarked(int index, bool marked = true);
    bool IsMarked(int index) const;
    // Position i afterwards holds the item that was at order[i]; false (nothing moved) unless the
    // order is a permutation of the items.
    bool Reorder(const std::vector<int> &order);
    void Scroll(bool forward);
    // Asks for photograph 0; when granted, it becomes the selection.
    bool SelectFirst();
    // Sets the selection without asking (the main window already made that photo current) and
    // scrolls it into view.
    void SetSelection(int index);

    int ItemCount() const { return m_items.Count(); }
    int Selection() const { return m_selection; }
    int ScrollOffset() const { return m_scrollOffset; }
    const ThumbStripGeometry &Geometry() const { return m_geometry; }
    bool CanScrollBack() const;
    bool CanScrollForward() const;
    // The picture of an item as shown (for tests and the order sheet).
    QImage ItemImage(int index) const;
    QSize sizeHint() const override;

signals:
    // The row moved or its item count changed: the owner updates its arrow buttons.
    void scrollStateChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QImage ScaledForCell(const QImage &image) const;
    void ClampScroll();

    ThumbStripGeometry m_geometry;
    CUbSafeTypedPtrArray<CFileInfo> m_items;
    int m_selection = -1;
    int m_scrollOffset = 0;
    QImage m_badge;
    std::function<bool(int)> m_selectionHandler;
};
