#include "SkinLookup.h"

#include "Skin.h"

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
    if (resolver)
        return resolver(kind, resourceId);
    return CSkin::Picture(resourceId,
                          kind == SkinPictureKind::Png ? SkinKind::Png : SkinKind::Bitmap);
}
