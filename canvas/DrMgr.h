#pragma once

#include "DrObject.h"
#include "UbSafeTypedPtrList.h"

#include <QString>

// The annotation list of one photograph (or of the canvas): owns its objects, head drawn first
// (at the bottom), tail drawn last (on top).
class CDrMgr : public CUbSafeTypedPtrList<CDrObject>
{
public:
    CDrMgr();
    ~CDrMgr();

    // The first object from the head whose hit test is true for the point. Where objects
    // overlap the earliest added is found, although it is drawn beneath the later ones.
    CDrObject *FindObjectAt(const ViewTransform &transform, int screenX, int screenY, double imageX,
                            double imageY) const;
    // Paints every object, head to tail.
    void Draw(QPainter &painter, const ViewTransform &transform) const;

    // Empties the destination, then appends a copy of every source object, head to tail. The
    // copies keep the source objects' Owner.
    static void CopyList(const CDrMgr &source, CDrMgr &destination);
    // The list's block of the product description: empty for an empty list, else the
    // "comment" element wrapping the objects' own elements (text boxes write nothing).
    static QString WriteCommentList(const CDrMgr &list);
};
