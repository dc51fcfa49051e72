#pragma once

#include "MeasureSize.h"
#include "UbSafeTypedPtrArray.h"

// The lengths typed during this run, in the order they were first confirmed. No bound, no
// removal.
class CMeasureSizeArray : public CUbSafeTypedPtrArray<CMeasureSize>
{
public:
    // Appends the length unless an entry with exactly the same length and unit exists.
    // Returns true when it was appended.
    bool Remember(double length, int unit)
    {
        for (const CMeasureSize *entry : *this) {
            if (entry->Length == length && entry->Unit == unit)
                return false;
        }
        auto *entry = new CMeasureSize;
        entry->Length = length;
        entry->Unit = unit;
        Append(entry);
        return true;
    }
};
