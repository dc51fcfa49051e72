#pragma once

#include <QString>

// One item summary of the service's item list.
class COpenItem
{
public:
    QString itemId;
    QString itemNm;
    QString thumbnail;
    QString cateNm;
    int totCnt = 0;
    int vmiCnt = 0;
    QString statusNm;
    QString regDtm;
    QString key1;
    QString key2;
    QString key3;
};
