#pragma once

#include "BasePropInfo.h"

#include <QString>

class CCommentPropInfo : public CBasePropInfo
{
public:
    QString Text;

    int GetType() const override { return 3; }
    void Reset() override { Text.clear(); }
    void CopyFrom(const CBasePropInfo &other) override
    {
        if (other.GetType() == GetType() && &other != this)
            Text = static_cast<const CCommentPropInfo &>(other).Text;
    }
};
