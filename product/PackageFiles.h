#pragma once

#include "Product.h"

#include <QList>
#include <QString>

// One file of a package: its name inside the archive and the file it is read from.
struct PackageMember
{
    QString name;
    QString sourcePath;
};

// Where the time of BuildPackage goes, photograph by photograph (for the benchmark).
struct PackageTimings
{
    double descriptionMs = 0; // adding the description
    QList<double> reencodeMs; // decoding the working copy and writing it at quality 95
    QList<double> archiveMs; // adding the photograph's members to the archive
};

// The package: the renditions of each photograph, the archive built from the description and
// those files, and the unpacking of a downloaded archive. Renditions and the re-encoded images
// are written into the temporary folder and stay there until it is next emptied.
class CPackageFiles
{
public:
    static constexpr int ColumnBoxWidth = 192;
    static constexpr int ColumnBoxHeight = 1024;
    static constexpr int SmallBoxWidth = 46;
    static constexpr int SmallBoxHeight = 75;
    static constexpr int FullImageQuality = 95;

    // Photograph number (from 1) as "vmt" (its in-memory thumbnail), "vmu" (fitted into
    // 192 x 1024), "vmv" (fitted into 46 x 75) and, when its resize flag is 1, "vi1" (fitted
    // into its pixel size times the resize scale, rounded), all JPEG at the encoder's default
    // quality, in that order; false at the first file that cannot be written.
    static bool WriteRenditions(const CProduct &product, int number, const QString &tempFolder);

    // The members in archive order: the description, then for each photograph its "vmi" (read
    // from the re-encoded "_sav.jpg"), "vmt", "vmu", "vmv" and, when flagged, "vi1".
    static QList<PackageMember> Members(const CProduct &product, const QString &tempFolder);

    // Creates the archive and adds the members in order, re-encoding each working copy at
    // quality 95 just before its "vmi" member. Any failure deletes the archive. A product
    // without photographs gives an archive holding the description alone.
    static bool BuildPackage(const CProduct &product, const QString &archivePath,
                             const QString &tempFolder, PackageTimings *timings = nullptr);
    // The archive step alone: the given files, in order; any failure deletes the archive.
    static bool PackFiles(const QString &archivePath, const QList<PackageMember> &members);

    // Unpacks every member into the download folder; nothing is ever placed outside it.
    static bool UnpackPackage(const QString &archivePath, const QString &downFolder);
};
