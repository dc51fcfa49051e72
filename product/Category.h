#pragma once

#include <QString>

// One product category as the service lists it. A category read back from a product
// description carries only its path name and id.
class CCategory
{
public:
    QString name; // the category's own name
    QString pathName; // names from the top level down, joined with "|"; written as itemName
    QString id; // the service's category id; written as itemID
    int type = 0; // the service's category type, 1 or 2

    void Reset();
    // Path name of a category below a parent with the given path name ("%s|%s"); a top-level
    // category (empty parent path) is named by its own name.
    static QString JoinPathName(const QString &parentPathName, const QString &name);
};
