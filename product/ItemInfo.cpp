#include "ItemInfo.h"

CItemInfo::CItemInfo(const CItemInfo &other)
{
    CopyFrom(other);
}

CItemInfo &CItemInfo::operator=(const CItemInfo &other)
{
    CopyFrom(other);
    return *this;
}

void CItemInfo::Reset()
{
    title.clear();
    link.clear();
    tag.clear();
    explanation.clear();
    itemId.clear();
    htmlDescription.clear();
    categories.RemoveAll();
    saveOptionsSet = 0;
    codes.clear();
    publicationType = 0;
    varimetButton = 0;
    miniViewer = 0;
    embeddingViewer = 0;
    cclUse = 0;
    cclProfit = 0;
    cclChange = 0;
}

void CItemInfo::CopyFrom(const CItemInfo &other)
{
    if (&other == this)
        return;
    title = other.title;
    link = other.link;
    tag = other.tag;
    explanation = other.explanation;
    itemId = other.itemId;
    htmlDescription = other.htmlDescription;
    categories.CopyFrom(other.categories);
    saveOptionsSet = other.saveOptionsSet;
    codes = other.codes;
    publicationType = other.publicationType;
    varimetButton = other.varimetButton;
    miniViewer = other.miniViewer;
    embeddingViewer = other.embeddingViewer;
    cclUse = other.cclUse;
    cclProfit = other.cclProfit;
    cclChange = other.cclChange;
}
