#pragma once

#include "PackageFiles.h"
#include "ProductDescription.h"
#include "ScreenCalibration.h"

#include <QString>

// The saving and opening sequences of a package, without dialogs and transfers: the main
// window calls these between its own steps (save options, item id, upload; item browser,
// download) and turns the results into its messages.
class CPackageFlows
{
public:
    enum class SaveResult {
        Saved,
        FilesFailed, // a rendition or the description could not be written: "파일저장 실패!"
        PackageFailed, // the archive could not be built: "zip 저장실패"
    };

    struct SaveRequest
    {
        QString tempFolder;
        QString userId;
        QString pnsCd;
        QString serviceKey; // MakeServiceKey of the signed-in user
        ScreenCalibration calibration;
    };

    // With the item id known: each photograph's item and renditions in product order, the
    // description file, then the archive "userid_pnscd_key" in the temporary folder, whose path
    // is handed back for the upload. Every file stays in the temporary folder.
    static SaveResult SavePackage(CProduct &product, const SaveRequest &request,
                                  QString *archivePath, PackageTimings *timings = nullptr);

    enum class OpenResult {
        Opened,
        ArchiveUnreadable, // deleted; "파일을 열지 못했습니다."
        NotReadable, // the product is left empty; no message
    };

    // The downloaded archive is opened (when it cannot be, it is deleted), the download folder
    // emptied except for the archive, every member unpacked into it, and the description read
    // with the chosen item's id. On any failure after the archive opened the product is empty.
    static OpenResult OpenPackage(CProduct &product, const QString &archivePath,
                                  const QString &downFolder, const QString &tempFolder,
                                  const QString &itemId,
                                  const CProductDescription::AcceptPhoto &accept = {});
};
