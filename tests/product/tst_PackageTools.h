#pragma once

// Shared by the description and package tests: working folders in a temporary place, photo
// files, and products built in memory.
#include "DrComment.h"
#include "DrLine.h"
#include "ImageFiles.h"
#include "Measurement.h"
#include "Product.h"
#include "WorkingFolders.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace PackageTest {

// The executable's folder with "__temp__" and "__temp__/__down__" in it, as the application
// lays them out.
struct Folders
{
    Folders()
    {
        exeFolder = root.path() + QStringLiteral("/exe");
        tempFolder = exeFolder + QStringLiteral("/__temp__");
        downFolder = tempFolder + QStringLiteral("/__down__");
        QDir().mkpath(downFolder);
        sourceFolder = root.path() + QStringLiteral("/photos");
        QDir().mkpath(sourceFolder);
    }
    QTemporaryDir root;
    QString exeFolder, tempFolder, downFolder, sourceFolder;
};

// A picture with gradients and edges, so JPEG has real work to do and pixel checks mean
// something.
inline QImage TestPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = qRgb((x * 255) / std::max(1, width - 1), (y * 255) / std::max(1, height - 1),
                           ((x / 16 + y / 16) % 2) ? 200 : 60);
    }
    return image;
}

inline QString WritePicture(const QString &path, int width, int height)
{
    QDir().mkpath(path.left(path.lastIndexOf(QLatin1Char('/'))));
    EXPECT_TRUE(SaveImageFile(95, TestPicture(width, height), path, QStringLiteral("jpg")));
    return path;
}

// A photo entry whose working copy is a new picture of that size in the temporary folder.
inline CImgFile *AddPhoto(CProduct &product, const Folders &folders, const QString &name, int width,
                          int height)
{
    const QString source
        = WritePicture(folders.sourceFolder + QLatin1Char('/') + name, width, height);
    std::unique_ptr<CImgFile> photo
        = CWorkingFolders::MakePhotoFromFile(source, folders.tempFolder);
    EXPECT_TRUE(photo);
    if (!photo)
        return nullptr;
    CImgFile *entry = photo.get();
    product.AppendPhoto(photo.release());
    return entry;
}

inline void AddCategory(CItemInfo &header, const QString &id, const QString &pathName)
{
    auto *category = new CCategory;
    category->id = id;
    category->pathName = pathName;
    header.categories.Append(category);
}

inline void AddComment(CImgFile &photo, double x, double y, const QString &text)
{
    auto *comment = new CDrComment(&photo.annotations);
    comment->X = x;
    comment->Y = y;
    comment->SetText(text);
    photo.annotations.AddTail(comment);
}

inline void AddLine(CImgFile &photo, double x1, double y1, double x2, double y2, int color,
                    int thickness)
{
    auto *line = new CDrLine(&photo.annotations);
    line->X1 = x1;
    line->Y1 = y1;
    line->X2 = x2;
    line->Y2 = y2;
    line->Properties.Color = color;
    line->Properties.Thickness = thickness;
    photo.annotations.AddTail(line);
}

inline QByteArray ReadBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(bytes) == bytes.size();
}

// The largest difference of any colour channel between two pictures of the same size.
inline int MaxChannelDifference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return 256;
    int worst = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q))});
        }
    }
    return worst;
}

// The mean absolute channel difference, for pictures that went through JPEG more than once.
inline double MeanChannelDifference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return 256;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q))
                + std::abs(qBlue(p) - qBlue(q));
        }
    }
    return sum / (3.0 * a.width() * a.height());
}

} // namespace PackageTest
