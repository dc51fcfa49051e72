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

    // The object drawn on top at the point: searched from the tail, so where objects overlap
    // the press takes the one the user sees.
    CDrObject *FindObjectAt(const ViewTransform &transform, int screenX, int screenY, double imageX,
                            double imageY) const;
    // Unlinks the object from this list and deletes it; false when the list does not hold it.
    bool DeleteObject(CDrObject *object);
    // A comment whose text is empty does not survive losing the selection: deletes it when it
    // is such a comment of this list and returns true; anything else is left alone.
    bool DeleteIfEmptyComment(CDrObject *object);
    // Paints every object, head to tail.
    void Draw(QPainter &painter, const ViewTransform &transform) const;

    // Empties the destination, then appends a copy of every source object, head to tail. The
    // copies keep the source objects' Owner.
    static void CopyList(const CDrMgr &source, CDrMgr &destination);
    // The list's block of the product description: empty for an empty list, else the
    // "comment" element wrapping the objects' own elements (text boxes write nothing).
    static QString WriteCommentList(const CDrMgr &list);
};
