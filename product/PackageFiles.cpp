#include "PackageFiles.h"

#include "ImageFiles.h"
#include "PackageNames.h"
#include "ProductDescription.h"
#include "ScreenCalibration.h"
#include "UbUnzip.h"
#include "UbZip.h"

#include <QElapsedTimer>
#include <QFile>

namespace {

const QString kJpeg = QStringLiteral("jpg");

QString MemberPath(const QString &tempFolder, const QString &itemId, int number,
                   const char *extension)
{
    return CPackageNames::InFolder(
        tempFolder, CPackageNames::MemberFileName(itemId, number, QLatin1String(extension)));
}

bool SaveRendition(const QImage &image, const QString &path)
{
    return !image.isNull() && SaveImageFile(0, image, path, kJpeg);
}

bool NamesAreSafe(const QString &itemId)
{
    return CPackageNames::IsSafeFileName(CPackageNames::DescriptionFileName(itemId))
        && CPackageNames::IsSafeFileName(CPackageNames::SavedImageFileName(itemId, 1));
}

// Deletes the archive when a build step failed.
bool Abandon(CUbZip &zip, const QString &archivePath)
{
    zip.Close();
    QFile::remove(archivePath);
    return false;
}

} // namespace

bool CPackageFiles::WriteRenditions(const CProduct &product, int number, const QString &tempFolder)
{
    if (number < 1 || number > product.Count() || !NamesAreSafe(product.header.itemId))
        return false;
    const CImgFile &photo = *product.PhotoAt(number - 1);
    const QString &itemId = product.header.itemId;
    if (!SaveRendition(photo.thumbnail, MemberPath(tempFolder, itemId, number, "vmt")))
        return false;
    if (!SaveRendition(ScaleImageToFit(photo.workingPath, ColumnBoxWidth, ColumnBoxHeight),
                       MemberPath(tempFolder, itemId, number, "vmu")))
        return false;
    if (!SaveRendition(ScaleImageToFit(photo.workingPath, SmallBoxWidth, SmallBoxHeight),
                       MemberPath(tempFolder, itemId, number, "vmv")))
        return false;
    if (photo.resizeFlag == 1) {
        const QSize size = CProductDescription::PhotoPixelSize(photo.workingPath);
        const int boxWidth = RoundHalfUp(photo.resizeScale * size.width());
        const int boxHeight = RoundHalfUp(photo.resizeScale * size.height());
        if (!SaveRendition(ScaleImageToFit(photo.workingPath, boxWidth, boxHeight),
                           MemberPath(tempFolder, itemId, number, "vi1")))
            return false;
    }
    return true;
}

QList<PackageMember> CPackageFiles::Members(const CProduct &product, const QString &tempFolder)
{
    const QString &itemId = product.header.itemId;
    QList<PackageMember> members;
    const QString description = CPackageNames::DescriptionFileName(itemId);
    members.append({description, CPackageNames::InFolder(tempFolder, description)});
    for (int n = 1; n <= product.Count(); ++n) {
        QList<const char *> extensions = {"vmi", "vmt", "vmu", "vmv"};
        if (product.PhotoAt(n - 1)->resizeFlag == 1)
            extensions.append("vi1");
        for (const char *extension : extensions) {
            const QString name = CPackageNames::MemberFileName(itemId, n, QLatin1String(extension));
            const QString source = qstrcmp(extension, "vmi") == 0
                ? CPackageNames::InFolder(tempFolder, CPackageNames::SavedImageFileName(itemId, n))
                : CPackageNames::InFolder(tempFolder, name);
            members.append({name, source});
        }
    }
    return members;
}

bool CPackageFiles::BuildPackage(const CProduct &product, const QString &archivePath,
                                 const QString &tempFolder, PackageTimings *timings)
{
    if (!NamesAreSafe(product.header.itemId))
        return false;
    const QList<PackageMember> members = Members(product, tempFolder);
    CUbZip zip;
    if (!zip.Create(archivePath))
        return Abandon(zip, archivePath);
    QElapsedTimer timer;
    timer.start();
    if (!zip.AddFile(members[0].name, members[0].sourcePath))
        return Abandon(zip, archivePath);
    if (timings)
        timings->descriptionMs = timer.nsecsElapsed() / 1e6;

    qsizetype next = 1;
    for (int n = 1; n <= product.Count(); ++n) {
        timer.restart();
        const QString saved = CPackageNames::InFolder(
            tempFolder, CPackageNames::SavedImageFileName(product.header.itemId, n));
        const QImage full = LoadImageCopy(product.PhotoAt(n - 1)->workingPath);
        if (full.isNull() || !SaveImageFile(FullImageQuality, full, saved, kJpeg))
            return Abandon(zip, archivePath);
        if (timings)
            timings->reencodeMs.append(timer.nsecsElapsed() / 1e6);
        timer.restart();
        const int memberCount = product.PhotoAt(n - 1)->resizeFlag == 1 ? 5 : 4;
        for (int m = 0; m < memberCount; ++m, ++next) {
            if (!zip.AddFile(members[next].name, members[next].sourcePath))
                return Abandon(zip, archivePath);
        }
        if (timings)
            timings->archiveMs.append(timer.nsecsElapsed() / 1e6);
    }
    if (!zip.Close()) {
        QFile::remove(archivePath);
        return false;
    }
    return true;
}

bool CPackageFiles::PackFiles(const QString &archivePath, const QList<PackageMember> &members)
{
    CUbZip zip;
    if (!zip.Create(archivePath))
        return Abandon(zip, archivePath);
    for (const PackageMember &member : members) {
        if (!zip.AddFile(member.name, member.sourcePath))
            return Abandon(zip, archivePath);
    }
    if (!zip.Close()) {
        QFile::remove(archivePath);
        return false;
    }
    return true;
}

bool CPackageFiles::UnpackPackage(const QString &archivePath, const QString &downFolder)
{
    CUbUnzip unzip;
    if (!unzip.Open(archivePath))
        return false;
    const bool unpacked = unzip.ExtractAll(downFolder);
    unzip.Close();
    return unpacked;
}
