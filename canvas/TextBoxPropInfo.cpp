#include "TextBoxPropInfo.h"

CTextBoxPropInfo::CTextBoxPropInfo()
{
    Reset();
}

void CTextBoxPropInfo::Reset()
{
    FontName = QStringLiteral("굴림");
    FontSize = 12;
    Align = 1;
    TextColor = 0;
    LineColor = 0;
    LineWidth = 1;
    BackColor = -1;
}

void CTextBoxPropInfo::CopyFrom(const CBasePropInfo &other)
{
    if (other.GetType() != GetType() || &other == this)
        return;
    const auto &box = static_cast<const CTextBoxPropInfo &>(other);
    FontName = box.FontName;
    FontSize = box.FontSize;
    Align = box.Align;
    TextColor = box.TextColor;
    LineColor = box.LineColor;
    LineWidth = box.LineWidth;
    BackColor = box.BackColor;
}
