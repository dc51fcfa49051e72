#include "Product.h"

void CProduct::Clear()
{
    photos.RemoveAll();
    header.Reset();
    publication.Reset();
    state = NoProduct;
    currentPhoto = -1;
    modified = false;
}
