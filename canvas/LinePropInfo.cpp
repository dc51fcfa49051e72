#include "LinePropInfo.h"

void CLinePropInfo::Reset()
{
    Color = 0;
    Thickness = 1;
}

void CLinePropInfo::CopyFrom(const CBasePropInfo &other)
{
    if (other.GetType() != GetType() || &other == this)
        return;
    const auto &line = static_cast<const CLinePropInfo &>(other);
    Color = line.Color;
    Thickness = line.Thickness;
}
