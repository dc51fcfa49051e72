#pragma once

#include "ServiceDatabase.h"

#include <QList>
#include <QString>

// What the service learns from an uploaded package before it stores it.
struct CPackageInfo
{
    QString itemId; // from the description member "<itemId>.vmd"
    CServiceItemSummary summary;
    QList<CServicePhoto> photos;
};

// The one place an uploaded package is validated: it must open as a zip, every member must be
// named after the item as the editor names them ("<id>.vmd", "<id>_nnnn.vmi/.vmt/.vmu/.vmv/.vi1",
// each once), the sizes it declares must be bounded, and the description must read with the
// editor's own reader, naming the same item id as its file name, with a picture for every
// photograph. The description and full images are unpacked into workFolder (a fresh, empty
// folder the caller owns and removes); nothing else is written.
class CPackageCheck
{
public:
    // Most members a package may hold (the description and five files per photograph).
    static constexpr int kMaxMembers = 1 + 5 * 2000;
    // Most bytes all members may declare unpacked, and one member alone.
    static constexpr qint64 kMaxUnpackedBytes = 1024LL * 1024 * 1024;
    static constexpr qint64 kMaxMemberBytes = 128LL * 1024 * 1024;

    // The item a package is for, from the name of its first member "<itemId>.vmd", without
    // unpacking anything; false when it is no zip or does not begin with a description.
    static bool ItemIdOf(const QString &zipPath, QString &itemId);

    static bool Inspect(const QString &zipPath, const QString &workFolder, CPackageInfo &info,
                        QString *why);

    // Whether name is one of the members a package of that item may hold.
    static bool IsMemberName(const QString &itemId, const QString &name);
    // Whether the item id is one the service hands out: 1 … 18 decimal digits.
    static bool IsItemId(const QString &itemId);
};
