#pragma once

#include <QString>

// Names of the files a package is made of. With item id "100", photograph 1 of the product:
// description "100.vmd"; full image "100_0001.vmi" (re-encoded first as "100_0001_sav.jpg");
// renditions "100_0001.vmt", ".vmu", ".vmv" and, when the photograph is marked for resizing,
// ".vi1". Numbers have at least four digits ("%04d": 1 -> 0001, 10000 -> 10000).
class CPackageNames
{
public:
    static QString DescriptionFileName(const QString &itemId);
    static QString MemberFileName(const QString &itemId, int number, const QString &extension);
    // The re-encoded full image in the temporary folder, packed under the "vmi" name.
    static QString SavedImageFileName(const QString &itemId, int number);
    // The archive as uploaded: "userid_pnscd_key", no extension.
    static QString ArchiveFileName(const QString &userId, const QString &pnsCd,
                                   const QString &serviceKey);
    // The downloaded archive in the download folder.
    static QString DownloadArchiveFileName() { return QStringLiteral("item.dat"); }

    // folder + "/" + name.
    static QString InFolder(const QString &folder, const QString &name);

    // True when the name is one plain file name that stays inside the folder it is joined to:
    // not empty, not "." or "..", no slash or backslash, no control character, at most 255
    // bytes in UTF-8. Item ids and user ids come from outside, so every composed name is checked
    // before a file is made or read under it.
    static bool IsSafeFileName(const QString &name);
};
