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
    // A photograph reached through a link is read from its target, which must be a file.
    const QFileInfo source(QFileInfo(sourcePath).canonicalFilePath());
    if (!source.isFile())
        return false;
    const QString target = CPackageNames::InFolder(folder, name);
    // QFile::copy refuses an existing target and puts the copy in place only when complete.
    if (QFileInfo(target).exists() || QFileInfo(target).isSymLink())
        return false;
    if (!QFile::copy(source.filePath(), target))
        return false;
    // The copy takes the source's permissions; a read-only original (a card, a disc, an
    // unpacked read-only member) would make the working copy impossible to write edits back to.
    return QFile::setPermissions(target,
                                 QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                     | QFileDevice::ReadGroup | QFileDevice::ReadOther);
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
    return MakePhotoFromFile(sourcePath, tempFolder, QFileInfo(sourcePath).fileName(), timeStamp);
}

QString CWorkingFolders::UniqueName(const QString &folder, const QString &name,
                                    const QStringList &taken)
{
    const auto isFree = [&](const QString &candidate) {
        const QFileInfo there(CPackageNames::InFolder(folder, candidate));
        return !there.exists() && !there.isSymLink()
            && !taken.contains(candidate, Qt::CaseInsensitive);
    };
    if (isFree(name))
        return name;
    const QFileInfo parts(name);
    const QString stem = parts.completeBaseName();
    const QString suffix = parts.suffix().isEmpty() ? QString() : QLatin1Char('.') + parts.suffix();
    for (int n = 2;; ++n) {
        const QString candidate = QStringLiteral("%1 (%2)%3").arg(stem).arg(n).arg(suffix);
        if (isFree(candidate))
            return candidate;
    }
}

std::unique_ptr<CImgFile> CWorkingFolders::MakePhotoFromFile(const QString &sourcePath,
                                                             const QString &tempFolder,
                                                             const QString &copyName,
                                                             const QDateTime &timeStamp)
{
    const QString name = QFileInfo(sourcePath).fileName();
    QDir().mkpath(tempFolder);
    if (!CopyIntoFolder(sourcePath, tempFolder, copyName))
        return nullptr;
    auto photo = std::make_unique<CImgFile>();
    photo->sourcePath = sourcePath;
    photo->workingPath = CPackageNames::InFolder(tempFolder, copyName);
    photo->fileName = name;
    photo->timeStamp = timeStamp;
    if (!MakeThumbnail(*photo)) {
        QFile::remove(photo->workingPath);
        return nullptr;
    }
    return photo;
}
