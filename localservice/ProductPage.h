#pragma once

#include "ServiceDatabase.h"

#include <QByteArray>
#include <QList>
#include <QString>

// One photograph as a product page shows it: where its picture is served from and, for a
// measured photograph, its physical size.
struct CProductPagePhoto
{
    QString source;
    bool measured = false;
    double widthMm = 0;
    double heightMm = 0;
};

// The preview and product detail pages: plain HTML5, every text escaped.
class CProductPage
{
public:
    static QByteArray Render(const CServiceItem &item, const QList<CProductPagePhoto> &photos,
                             bool preview);
    // The page for an item that cannot be shown.
    static QByteArray NotFound();
};
