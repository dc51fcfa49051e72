#pragma once

#include "DrRectBase.h"

// The crop rectangle the canvas shows while the crop tool is active. It belongs to the canvas,
// never to an annotation list, and is not written into the product description.
class CDrCut : public CDrRectBase
{
public:
    explicit CDrCut(CDrMgr *owner = nullptr)
        : CDrRectBase(owner)
    { }

    int Active = 0; // 1 while the crop tool shows it
    CBasePropInfo Properties;

    int GetType() const override { return 5; }
    void Draw(QPainter &painter, const ViewTransform &transform) const override;
    void SetProperties(const CBasePropInfo &) override { }
    CBasePropInfo &GetProperties() override { return Properties; }
    CDrObject *CreateEmpty() const override { return new CDrCut(Owner); }
};
