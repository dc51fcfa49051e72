#pragma once

#include "Category.h"
#include "UbSafeTypedPtrArray.h"

// The product's categories, in the order in which they were chosen. Owns its entries.
class CCategoryArray : public CUbSafeTypedPtrArray<CCategory>
{
public:
    // Replaces the contents with duplicates of the other array's entries.
    void CopyFrom(const CCategoryArray &other)
    {
        if (&other == this)
            return;
        RemoveAll();
        for (const CCategory *category : other)
            Append(new CCategory(*category));
    }
};
