#include "PackageFlows.h"

#include "PackageFiles.h"
#include "PackageNames.h"
#include "UbUnzip.h"
#include "WorkingFolders.h"

#include <QDir>
#include <QFile>

CPackageFlows::SaveResult CPackageFlows::SavePackage(CProduct &product, const SaveRequest &request,
                                                     QString *archivePath, PackageTimings *timings)
{
    const QString &itemId = product.header.itemId;
    const QString descriptionName = CPackageNames::DescriptionFileName(itemId);
    if (!CPackageNames::IsSafeFileName(descriptionName))
        return SaveResult::FilesFailed;
    QDir().mkpath(request.tempFolder);

    QString text = CProductDescription::WriteHead(product.header);
    for (int i = 0; i < product.Count(); ++i) {
        text += CProductDescription::WriteItem(*product.PhotoAt(i), request.calibration);
        if (!CPackageFiles::WriteRenditions(product, i + 1, request.tempFolder))
            return SaveResult::FilesFailed;
    }
    text += CProductDescription::WriteTail();
    // A description that cannot be written must not let an older one of the same name be packed.
    const QString descriptionPath = CPackageNames::InFolder(request.tempFolder, descriptionName);
    if (!CProductDescription::SaveDescriptionFile(descriptionPath, text)) {
        QFile::remove(descriptionPath);
        return SaveResult::FilesFailed;
    }

    const QString archiveName
        = CPackageNames::ArchiveFileName(request.userId, request.pnsCd, request.serviceKey);
    if (!CPackageNames::IsSafeFileName(archiveName))
        return SaveResult::PackageFailed;
    const QString path = CPackageNames::InFolder(request.tempFolder, archiveName);
    if (!CPackageFiles::BuildPackage(product, path, request.tempFolder, timings))
        return SaveResult::PackageFailed;
    if (archivePath)
        *archivePath = path;
    return SaveResult::Saved;
}

CPackageFlows::OpenResult CPackageFlows::OpenPackage(CProduct &product, const QString &archivePath,
                                                     const QString &downFolder,
                                                     const QString &tempFolder,
                                                     const QString &itemId,
                                                     const CProductDescription::AcceptPhoto &accept)
{
    product.Clear();
    CUbUnzip unzip;
    if (!unzip.Open(archivePath)) {
        QFile::remove(archivePath);
        return OpenResult::ArchiveUnreadable;
    }
    CWorkingFolders::EmptyDownFolder(downFolder, archivePath);
    const bool unpacked = unzip.ExtractAll(downFolder);
    unzip.Close();
    // An archive that could not be unpacked whole is not read at all: its description could
    // name members that never arrived, or older files left from another package.
    if (!unpacked
        || !CProductDescription::ReadDescription(product, downFolder, itemId, tempFolder, accept)) {
        product.Clear();
        return OpenResult::NotReadable;
    }
    return OpenResult::Opened;
}
