#pragma once

#include "BasePropInfo.h"

#include <QString>

class CTextBoxPropInfo : public CBasePropInfo
{
public:
    CTextBoxPropInfo();

    QString FontName;
    int FontSize = 12; // points
    int Align = 1; // 1 left, 2 centre, 3 right
    int TextColor = 0;
    int LineColor = 0; // border colour, -1 none
    int LineWidth = 1; // border pixels
    int BackColor = -1; // fill, -1 none

    int GetType() const override { return 1; }
    void Reset() override;
    void CopyFrom(const CBasePropInfo &other) override;
};
