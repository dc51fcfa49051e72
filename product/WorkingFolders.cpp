#include "WorkingFolders.h"

#include "ImageFiles.h"
#include "PackageNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

void CWorkingFolders::EmptyFolder(const QString &folder, const QString &keepPath)
{
    if (folder.isEmpty())
        return;
    const QString keep = keepPath.isEmpty() ? QString() : QFileInfo(keepPath).absoluteFilePath();
    const QDir dir(folder);
    // System lists broken links too; Files alone lists links to files. Links to folders are
    // neither and stay, like folders.
    const QFileInfoList entries
        = dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo &entry : entries) {
        if (entry.isDir() && !entry.isSymLink())
            continue;
        if (entry.isSymLink() && QFileInfo(entry.symLinkTarget()).isDir())
            continue;
        const QString path = entry.absoluteFilePath();
        if (!keep.isEmpty() && path.compare(keep, Qt::CaseInsensitive) == 0)
            continue;
        QFile::remove(path);
    }
}

bool CWorkingFolders::CopyIntoFolder(const QString &sourcePath, const QString &folder,
                                     const QString &name)
{
    if (!CPackageNames::IsSafeFileName(name))
        return false;
    const QFileInfo source(sourcePath);
    if (source.isSymLink() || !source.isFile())
        return false;
    const QString target = CPackageNames::InFolder(folder, name);
    // QFile::copy refuses an existing target and puts the copy in place only when complete.
    if (QFileInfo(target).exists() || QFileInfo(target).isSymLink())
        return false;
    return QFile::copy(sourcePath, target);
}

bool CWorkingFolders::MakeThumbnail(CImgFile &photo)
{
    const QImage thumbnail = ScaleImageToFit(photo.workingPath, ThumbnailBox, ThumbnailBox);
    if (thumbnail.isNull())
        return false;
    photo.SetThumbnail(thumbnail);
    return true;
}

std::unique_ptr<CImgFile> CWorkingFolders::MakePhotoFromFile(const QString &sourcePath,
                                                             const QString &tempFolder,
                                                             const QDateTime &timeStamp)
{
    const QString name = QFileInfo(sourcePath).fileName();
    QDir().mkpath(tempFolder);
    if (!CopyIntoFolder(sourcePath, tempFolder, name))
        return nullptr;
    auto photo = std::make_unique<CImgFile>();
    photo->sourcePath = sourcePath;
    photo->workingPath = CPackageNames::InFolder(tempFolder, name);
    photo->fileName = name;
    photo->timeStamp = timeStamp;
    if (!MakeThumbnail(*photo)) {
        QFile::remove(photo->workingPath);
        return nullptr;
    }
    return photo;
}
