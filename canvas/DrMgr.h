#pragma once

#include "DrObject.h"
#include "UbSafeTypedPtrList.h"

// The annotation list of one photograph (or of the canvas): owns its objects, head drawn first
// (at the bottom), tail drawn last (on top).
class CDrMgr : public CUbSafeTypedPtrList<CDrObject>
{
public:
    CDrMgr();
    ~CDrMgr();
};
