#include "SkinLookup.h"

#include <QMutex>
#include <QMutexLocker>

namespace {
QMutex g_mutex;
SkinPictureResolver g_resolver;
} // namespace

void SetSkinPictureResolver(SkinPictureResolver resolver)
{
    QMutexLocker lock(&g_mutex);
    g_resolver = std::move(resolver);
}

QImage FindSkinPicture(SkinPictureKind kind, int resourceId)
{
    SkinPictureResolver resolver;
    {
        QMutexLocker lock(&g_mutex);
        resolver = g_resolver;
    }
    return resolver ? resolver(kind, resourceId) : QImage();
}
