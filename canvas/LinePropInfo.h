#pragma once

#include "BasePropInfo.h"

class CLinePropInfo : public CBasePropInfo
{
public:
    int Color = 0; // Windows colour value 00BBGGRR
    int Thickness = 1; // pixels

    int GetType() const override { return 2; }
    void Reset() override;
    void CopyFrom(const CBasePropInfo &other) override;
};
