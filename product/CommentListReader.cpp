#include "CommentListReader.h"

#include "XmlNodes.h"

#include <memory>

bool CCommentListReader::ReadComment(CDrComment &comment, const CXmlNodePtr &element)
{
    if (!element || element->IsNull())
        return false;
    CXmlNodePtr x = element->GetChild(QStringLiteral("x"));
    CXmlNodePtr y = element->GetChild(QStringLiteral("y"));
    CXmlNodePtr text = element->GetChild(QStringLiteral("text"));
    if (x->IsNull() || y->IsNull() || text->IsNull())
        return false;
    comment.X = x->GetDouble(0.0);
    comment.Y = y->GetDouble(0.0);
    // A downloaded description may hold anything; a comment far outside any photograph is dropped.
    if (!IsPlausibleImageCoordinate(comment.X) || !IsPlausibleImageCoordinate(comment.Y))
        return false;
    comment.SetText(text->GetString());
    return true;
}

void CCommentListReader::ReadCommentList(CDrMgr &list, const CXmlNodePtr &photoElement)
{
    list.RemoveAll();
    if (!photoElement || photoElement->IsNull())
        return;
    CXmlNodePtr block = photoElement->GetChild(QStringLiteral("comment"));
    CXmlNodePtr items = block->GetChild(QStringLiteral("list"));
    if (items->IsNull())
        return;
    CXmlNodesPtr children = items->GetChildren();
    for (int i = 0; i < children->GetCount(); ++i) {
        auto comment = std::make_unique<CDrComment>(&list);
        if (ReadComment(*comment, children->GetItem(i)))
            list.AddTail(comment.release());
    }
}
