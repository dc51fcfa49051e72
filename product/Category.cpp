#include "Category.h"

void CCategory::Reset()
{
    name.clear();
    pathName.clear();
    id.clear();
    type = 0;
}

QString CCategory::JoinPathName(const QString &parentPathName, const QString &name)
{
    if (parentPathName.isEmpty())
        return name;
    return parentPathName + QLatin1Char('|') + name;
}
