#pragma once

#include "ImgFile.h"
#include "UbSafeTypedPtrArray.h"

// The product's photographs in product order: the thumbnail strip, the description's item
// list and the package's file numbers (from 1) all follow it. Owns its entries.
class CImgFileArray : public CUbSafeTypedPtrArray<CImgFile>
{
};
