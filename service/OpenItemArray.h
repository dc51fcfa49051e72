#pragma once

#include "OpenItem.h"
#include "UbSafeTypedPtrArray.h"

// One page of the item list: the items (owned) and the answer's four counts.
class COpenItemArray : public CUbSafeTypedPtrArray<COpenItem>
{
public:
    int totCnt = 0;
    int pageSize = 0;
    int curPageNo = 0;
    int maxPage = 0;

    // Deletes the items and sets the counts to 0.
    void Reset()
    {
        RemoveAll();
        totCnt = pageSize = curPageNo = maxPage = 0;
    }
};
