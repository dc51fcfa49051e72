#include "PackageNames.h"

QString CPackageNames::DescriptionFileName(const QString &itemId)
{
    return itemId + QStringLiteral(".vmd");
}

QString CPackageNames::MemberFileName(const QString &itemId, int number, const QString &extension)
{
    return itemId + QString::asprintf("_%04d.", number) + extension;
}

QString CPackageNames::SavedImageFileName(const QString &itemId, int number)
{
    return itemId + QString::asprintf("_%04d_sav.jpg", number);
}

QString CPackageNames::ArchiveFileName(const QString &userId, const QString &pnsCd,
                                       const QString &serviceKey)
{
    return userId + QLatin1Char('_') + pnsCd + QLatin1Char('_') + serviceKey;
}

QString CPackageNames::InFolder(const QString &folder, const QString &name)
{
    return folder + QLatin1Char('/') + name;
}

bool CPackageNames::IsSafeFileName(const QString &name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (QChar c : name) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == 0x7F || u == u'/' || u == u'\\')
            return false;
    }
    return name.toUtf8().size() <= 255;
}
