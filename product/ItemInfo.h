#pragma once

#include "CategoryArray.h"

#include <QString>

// The product header: title, texts, service id, categories and the save options. Copying a
// header (between the main window and the item information dialog) duplicates the categories.
class CItemInfo
{
public:
    CItemInfo() = default;
    CItemInfo(const CItemInfo &other);
    CItemInfo &operator=(const CItemInfo &other);

    QString title;
    QString link;
    QString tag;
    QString explanation; // CR LF line ends
    QString itemId; // empty until the first save obtains one or the product is opened
    QString htmlDescription;
    CCategoryArray categories;

    // Save options; the description carries their block only when saveOptionsSet is 1.
    int saveOptionsSet = 0;
    QString codes;
    int publicationType = 0;
    int varimetButton = 0;
    int miniViewer = 0;
    int embeddingViewer = 0;
    int cclUse = 0;
    int cclProfit = 0;
    int cclChange = 0;

    // Empties every text, zeroes every number and deletes the categories.
    void Reset();
    // Copies every field and duplicates the categories.
    void CopyFrom(const CItemInfo &other);
};
