#pragma once

#include "ImgFile.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <memory>

// The two working folders: the temporary folder, where working copies live and packages are
// assembled, and the download folder inside it, where downloaded packages are unpacked. Only
// files are ever deleted; folders stay (so the download folder survives every emptying of the
// temporary folder). The application's EmptyTempFolder and EmptyDownFolder call these with its
// own paths.
class CWorkingFolders
{
public:
    static constexpr int ThumbnailBox = 140;

    // Deletes every file directly in the folder (hidden ones and links included, the links
    // themselves and never what they point at) except the one whose full path equals keepPath
    // ignoring case. Sub-folders are left alone; a file that cannot be deleted stays.
    static void EmptyFolder(const QString &folder, const QString &keepPath = QString());
    static void EmptyTempFolder(const QString &tempFolder) { EmptyFolder(tempFolder); }
    static void EmptyDownFolder(const QString &downFolder, const QString &keepPath = QString())
    {
        EmptyFolder(downFolder, keepPath);
    }

    // Copies a regular file into the folder under the name. False, and nothing replaced, when a
    // file of that name is already there, the name is not a plain file name, or the source is
    // not a regular file (a link is not followed); a failed copy leaves nothing behind.
    static bool CopyIntoFolder(const QString &sourcePath, const QString &folder,
                               const QString &name);

    // The working copy's thumbnail, fitted into 140 x 140; the entry's width and height become
    // its size. False when the working copy cannot be decoded.
    static bool MakeThumbnail(CImgFile &photo);

    // The model half of adding a photograph from disk: the file is copied into the temporary
    // folder (created when missing) under its own name and a new entry made for it with its
    // thumbnail. Null when the copy is refused (a file of that name is there already: the second
    // of two photographs named a.jpg is not added) or the copy is not a picture (the copy is
    // removed again). The caller appends the entry and sets the modified flag.
    static std::unique_ptr<CImgFile>
    MakePhotoFromFile(const QString &sourcePath, const QString &tempFolder,
                      const QDateTime &timeStamp = QDateTime::currentDateTime());
    // The same with the working copy's name chosen by the caller (see UniqueName); the entry's
    // file name stays the source's own.
    static std::unique_ptr<CImgFile> MakePhotoFromFile(const QString &sourcePath,
                                                       const QString &tempFolder,
                                                       const QString &copyName,
                                                       const QDateTime &timeStamp);
    // A name for a copy of `name` that is neither in the folder nor in `taken` (compared ignoring
    // case): the name itself, else "stem (2).ext", "stem (3).ext" ... So two photographs called
    // a.jpg from different folders are both kept, as a.jpg and "a (2).jpg".
    static QString UniqueName(const QString &folder, const QString &name,
                              const QStringList &taken = {});
};
