#pragma once

#include <QString>

// The product's publication record: filled from the upload answer, and its keys from the chosen
// server item when a product is opened from the service.
class CUploadResult
{
public:
    int success = 0;
    QString vmiPath;
    QString vmiUrl;
    QString key1;
    QString key2;
    QString key3;

    void Reset();
};
