#pragma once

#include "ServiceDatabase.h"

#include <QString>

// What the service learns from an uploaded package before it stores it.
struct CPackageInfo
{
    QString itemId; // from the description member "<itemId>.vmd"
    CServiceItemSummary summary;
};

// The one place an uploaded package is validated. For now it checks that the file is a zip
// whose first member is the product description "<digits>.vmd" and takes the item id from that
// name. Reading the description itself (title, category, explanation, visibility, photographs
// and their millimetre sizes) belongs here too, once the package reader is available to the
// service; until then the summary keeps its defaults.
class CPackageCheck
{
public:
    static bool Inspect(const QString &zipPath, CPackageInfo &info, QString *why);
};
