#include "UbBitmap.h"

#include "SkinLookup.h"

CUbBitmap::CUbBitmap(const QImage &image)
{
    SetImage(image);
}

CUbBitmap::~CUbBitmap() = default;

bool CUbBitmap::LoadBitmap(int resourceId)
{
    return SetImage(FindSkinPicture(SkinPictureKind::Bitmap, resourceId));
}

bool CUbBitmap::SetImage(const QImage &image)
{
    if (image.isNull())
        return false;
    QPixmap pixmap = QPixmap::fromImage(image);
    if (pixmap.isNull())
        return false;
    m_pixmap = std::move(pixmap);
    return true;
}

void CUbBitmap::DeleteObject()
{
    m_pixmap = QPixmap();
}
