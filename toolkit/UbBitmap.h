#pragma once

#include <QImage>
#include <QPixmap>
#include <QSize>

// An owned bitmap for drawing on screen: skin pieces of dialogs and controls, loaded by resource
// number from the skin, or set from a decoded image. Loading a new picture replaces the old one.
class CUbBitmap
{
public:
    CUbBitmap() = default;
    explicit CUbBitmap(const QImage &image);
    virtual ~CUbBitmap();

    CUbBitmap(const CUbBitmap &) = default;
    CUbBitmap &operator=(const CUbBitmap &) = default;

    // The skin bitmap with that number; false (the bitmap unchanged) when there is none.
    bool LoadBitmap(int resourceId);
    // Takes a copy of the image; false (unchanged) for a null image.
    bool SetImage(const QImage &image);
    void DeleteObject();

    bool IsNull() const { return m_pixmap.isNull(); }
    int Width() const { return m_pixmap.width(); }
    int Height() const { return m_pixmap.height(); }
    QSize Size() const { return m_pixmap.size(); }
    const QPixmap &Pixmap() const { return m_pixmap; }

private:
    QPixmap m_pixmap;
};
