#pragma once

#include "DrComment.h"
#include "DrMgr.h"
#include "XmlNode.h"

// Reads the annotation block of a photograph element of the product description back into its
// list. Only comments are restored: the block's Line elements have no reader.
class CCommentListReader
{
public:
    // Empties the list, then appends a comment for every child of "comment"/"list" that reads
    // as one; other children are skipped. A missing block leaves the list empty.
    static void ReadCommentList(CDrMgr &list, const CXmlNodePtr &photoElement);
    // Fills the comment from an element with "x", "y" and "text" children; false when one is
    // missing (the comment is then left unchanged).
    static bool ReadComment(CDrComment &comment, const CXmlNodePtr &element);
};
