#include "PackageFiles.h"
#include "PackageFlows.h"
#include "PackageNames.h"
#include "ProductDescription.h"
#include "UbUnzip.h"
#include "helper_QtPrint.h"
#include "tst_PackageTools.h"
#include "tst_ZipTestTools.h"

#include <QFileInfo>

#include <gtest/gtest.h>

using namespace PackageTest;

namespace {

QStringList ArchiveNames(const QString &archivePath)
{
    CUbUnzip unzip;
    QStringList names;
    if (!unzip.Open(archivePath))
        return names;
    ZipItem count;
    unzip.GetItem(-1, count);
    for (int i = 0; i < count.index; ++i) {
        ZipItem item;
        if (unzip.GetItem(i, item))
            names << item.name;
    }
    return names;
}

CPackageFlows::SaveRequest Request(const Folders &folders)
{
    CPackageFlows::SaveRequest request;
    request.tempFolder = folders.tempFolder;
    request.userId = QStringLiteral("kim");
    request.pnsCd = QStringLiteral("P01");
    request.serviceKey = QStringLiteral("0123abcd");
    request.calibration = {2.0, 2.0};
    return request;
}

TEST(PackageNames, FormsTheNamesOfEveryFile)
{
    EXPECT_EQ(CPackageNames::DescriptionFileName(QStringLiteral("100")), QStringLiteral("100.vmd"));
    EXPECT_EQ(CPackageNames::MemberFileName(QStringLiteral("100"), 1, QStringLiteral("vmi")),
              QStringLiteral("100_0001.vmi"));
    EXPECT_EQ(CPackageNames::MemberFileName(QStringLiteral("100"), 10000, QStringLiteral("vmt")),
              QStringLiteral("100_10000.vmt"));
    EXPECT_EQ(CPackageNames::SavedImageFileName(QStringLiteral("100"), 12),
              QStringLiteral("100_0012_sav.jpg"));
    EXPECT_EQ(CPackageNames::ArchiveFileName(QStringLiteral("kim"), QStringLiteral("P01"),
                                             QStringLiteral("k")),
              QStringLiteral("kim_P01_k"));
    for (const char *unsafe : {"", ".", "..", "a/b", "a\\b", "a\nb"})
        EXPECT_FALSE(CPackageNames::IsSafeFileName(QString::fromLatin1(unsafe))) << unsafe;
    EXPECT_FALSE(CPackageNames::IsSafeFileName(QString(256, QLatin1Char('a'))));
    EXPECT_TRUE(CPackageNames::IsSafeFileName(QStringLiteral("..x.vmd")));
}

TEST(Package, MembersOfItem100WithThreePhotographsInOrder)
{
    Folders folders;
    CProduct product;
    product.header.itemId = QStringLiteral("100");
    for (const char *name : {"a.jpg", "b.jpg", "c.jpg"})
        AddPhoto(product, folders, QLatin1String(name), 200, 100);
    QString archive;
    ASSERT_EQ(CPackageFlows::SavePackage(product, Request(folders), &archive),
              CPackageFlows::SaveResult::Saved);
    EXPECT_EQ(archive, folders.tempFolder + QStringLiteral("/kim_P01_0123abcd"));
    const QStringList expected = {QStringLiteral("100.vmd"),      QStringLiteral("100_0001.vmi"),
                                  QStringLiteral("100_0001.vmt"), QStringLiteral("100_0001.vmu"),
                                  QStringLiteral("100_0001.vmv"), QStringLiteral("100_0002.vmi"),
                                  QStringLiteral("100_0002.vmt"), QStringLiteral("100_0002.vmu"),
                                  QStringLiteral("100_0002.vmv"), QStringLiteral("100_0003.vmi"),
                                  QStringLiteral("100_0003.vmt"), QStringLiteral("100_0003.vmu"),
                                  QStringLiteral("100_0003.vmv")};
    EXPECT_EQ(ArchiveNames(archive), expected);
    // Every package file stays in the temporary folder.
    for (const QString &name : expected) {
        if (!name.endsWith(QLatin1String(".vmi"))) {
            EXPECT_TRUE(QFile::exists(folders.tempFolder + QLatin1Char('/') + name))
                << qPrintable(name);
        }
    }
    EXPECT_TRUE(QFile::exists(folders.tempFolder + QStringLiteral("/100_0003_sav.jpg")));
}

TEST(Package, FlaggedPhotographAddsItsResizedRendition)
{
    Folders folders;
    CProduct product;
    product.header.itemId = QStringLiteral("7");
    AddPhoto(product, folders, QStringLiteral("big.jpg"), 4000, 3000);
    AddPhoto(product, folders, QStringLiteral("small.jpg"), 100, 50);
    QString archive;
    ASSERT_EQ(CPackageFlows::SavePackage(product, Request(folders), &archive),
              CPackageFlows::SaveResult::Saved);
    const QStringList names = ArchiveNames(archive);
    ASSERT_EQ(names.size(), 1 + 5 + 4);
    EXPECT_EQ(names[5], QStringLiteral("7_0001.vi1"));
    EXPECT_EQ(names[6], QStringLiteral("7_0002.vmi"));
    // 4000 x 3000 unmeasured: 2048 x 1536.
    EXPECT_EQ(GetImageSize(LoadImageCopy(folders.tempFolder + QStringLiteral("/7_0001.vi1"))),
              QSize(2048, 1536));
    EXPECT_FALSE(QFile::exists(folders.tempFolder + QStringLiteral("/7_0002.vi1")));
}

struct RenditionCase
{
    const char *name;
    QSize photo;
    QSize column;
    QSize small;
};

class Renditions : public ::testing::TestWithParam<RenditionCase>
{
};

TEST_P(Renditions, HaveTheFittedSizes)
{
    const RenditionCase &row = GetParam();
    Folders folders;
    CProduct product;
    product.header.itemId = QStringLiteral("3");
    AddPhoto(product, folders, QStringLiteral("p.jpg"), row.photo.width(), row.photo.height());
    ASSERT_TRUE(CPackageFiles::WriteRenditions(product, 1, folders.tempFolder));
    auto size = [&folders](const char *extension) {
        return GetImageSize(LoadImageCopy(folders.tempFolder + QStringLiteral("/3_0001.")
                                          + QLatin1String(extension)));
    };
    EXPECT_EQ(size("vmu"), row.column);
    EXPECT_EQ(size("vmv"), row.small);
    EXPECT_EQ(size("vmt"), product.PhotoAt(0)->thumbnail.size());
    EXPECT_FALSE(QFile::exists(folders.tempFolder + QStringLiteral("/3_0001.vi1")));
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, Renditions,
    ::testing::Values(RenditionCase {"Large", {4000, 3000}, {192, 144}, {46, 34}},
                      RenditionCase {"SmallIsEnlarged", {100, 50}, {192, 96}, {46, 23}},
                      RenditionCase {"Tall", {300, 3000}, {102, 1024}, {7, 75}}),
    [](const ::testing::TestParamInfo<RenditionCase> &info) {
        return std::string(info.param.name);
    });

TEST(Package, RenditionFailureStopsTheSave)
{
    Folders folders;
    CProduct product;
    product.header.itemId = QStringLiteral("8");
    CImgFile *photo = AddPhoto(product, folders, QStringLiteral("p.jpg"), 64, 48);
    ASSERT_TRUE(QFile::remove(photo->workingPath));
    EXPECT_FALSE(CPackageFiles::WriteRenditions(product, 1, folders.tempFolder));
    EXPECT_EQ(CPackageFlows::SavePackage(product, Request(folders), nullptr),
              CPackageFlows::SaveResult::FilesFailed);
    EXPECT_FALSE(QFile::exists(folders.tempFolder + QStringLiteral("/kim_P01_0123abcd")));
}

TEST(Package, ProductWithoutPhotographsHoldsTheDescriptionAlone)
{
    Folders folders;
    CProduct product;
    product.header.itemId = QStringLiteral("55");
    QString archive;
    ASSERT_EQ(CPackageFlows::SavePackage(product, Request(folders), &archive),
              CPackageFlows::SaveResult::Saved);
    EXPECT_EQ(ArchiveNames(archive), QStringList {QStringLiteral("55.vmd")});
}

TEST(Package, FailedBuildDeletesTheArchive)
{
    Folders folders;
    CProduct product;
    product.header.itemId = QStringLiteral("9");
    AddPhoto(product, folders, QStringLiteral("p.jpg"), 64, 48);
    ASSERT_TRUE(CPackageFiles::WriteRenditions(product, 1, folders.tempFolder));
    const QString archive = folders.tempFolder + QStringLiteral("/out");
    // No description file was written.
    EXPECT_FALSE(CPackageFiles::BuildPackage(product, archive, folders.tempFolder));
    EXPECT_FALSE(QFile::exists(archive));
    // Description there, a rendition missing.
    ASSERT_TRUE(WriteBytes(folders.tempFolder + QStringLiteral("/9.vmd"), "<product/>"));
    ASSERT_TRUE(QFile::remove(folders.tempFolder + QStringLiteral("/9_0001.vmv")));
    EXPECT_FALSE(CPackageFiles::BuildPackage(product, archive, folders.tempFolder));
    EXPECT_FALSE(QFile::exists(archive));
}

TEST(Package, UnsafeNamesAreRefusedBeforeAnythingIsWritten)
{
    Folders folders;
    CProduct product;
    product.header.itemId = QStringLiteral("../escaped");
    EXPECT_EQ(CPackageFlows::SavePackage(product, Request(folders), nullptr),
              CPackageFlows::SaveResult::FilesFailed);
    product.header.itemId = QStringLiteral("10");
    CPackageFlows::SaveRequest request = Request(folders);
    request.userId = QStringLiteral("../../kim");
    EXPECT_EQ(CPackageFlows::SavePackage(product, request, nullptr),
              CPackageFlows::SaveResult::PackageFailed);
    EXPECT_EQ(ZipTest::ListTree(folders.root.path()).filter(QStringLiteral("kim")), QStringList());
    EXPECT_FALSE(QFile::exists(folders.exeFolder + QStringLiteral("/escaped.vmd")));
}

TEST(WorkingFolders, SecondPhotographOfTheSameNameIsNotAdded)
{
    Folders folders;
    const QString first = WritePicture(folders.sourceFolder + QStringLiteral("/one/a.jpg"), 40, 30);
    const QString second
        = WritePicture(folders.sourceFolder + QStringLiteral("/two/a.jpg"), 80, 20);
    auto photo = CWorkingFolders::MakePhotoFromFile(first, folders.tempFolder);
    ASSERT_TRUE(photo);
    EXPECT_EQ(photo->fileName, QStringLiteral("a.jpg"));
    EXPECT_EQ(photo->workingPath, folders.tempFolder + QStringLiteral("/a.jpg"));
    EXPECT_EQ(QSize(photo->width, photo->height), QSize(140, 105));
    EXPECT_FALSE(CWorkingFolders::MakePhotoFromFile(second, folders.tempFolder));
    // The first copy is untouched.
    EXPECT_EQ(ReadBytes(photo->workingPath), ReadBytes(first));
}

TEST(WorkingFolders, ReadOnlyOrLinkedPhotographGetsAWritableWorkingCopy)
{
    Folders folders;
    const QString original = WritePicture(folders.sourceFolder + QStringLiteral("/ro.jpg"), 40, 30);
    ASSERT_TRUE(QFile::setPermissions(original, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    auto photo = CWorkingFolders::MakePhotoFromFile(original, folders.tempFolder);
    ASSERT_TRUE(photo);
    // Edits are written back over the working copy, so it must be writable by its owner.
    EXPECT_TRUE(QFileInfo(photo->workingPath).permissions() & QFileDevice::WriteOwner);

    const QString link = folders.sourceFolder + QStringLiteral("/linked.jpg");
    const QString target = WritePicture(folders.root.path() + QStringLiteral("/t.jpg"), 40, 30);
    ASSERT_TRUE(QFile::link(target, link));
    auto linked = CWorkingFolders::MakePhotoFromFile(link, folders.tempFolder);
    ASSERT_TRUE(linked);
    EXPECT_FALSE(QFileInfo(linked->workingPath).isSymLink());
    EXPECT_EQ(ReadBytes(linked->workingPath), ReadBytes(target));
}

TEST(WorkingFolders, FileThatIsNoPictureIsNotAddedAndLeavesNoCopy)
{
    Folders folders;
    const QString source = folders.sourceFolder + QStringLiteral("/notes.jpg");
    ASSERT_TRUE(WriteBytes(source, "text"));
    EXPECT_FALSE(CWorkingFolders::MakePhotoFromFile(source, folders.tempFolder));
    EXPECT_FALSE(QFile::exists(folders.tempFolder + QStringLiteral("/notes.jpg")));
}

TEST(WorkingFolders, EmptyingDeletesFilesOnly)
{
    Folders folders;
    const QString outside = folders.root.path() + QStringLiteral("/outside.txt");
    ASSERT_TRUE(WriteBytes(outside, "keep"));
    for (const char *name : {"a.jpg", ".hidden", "ITEM.DAT"})
        ASSERT_TRUE(WriteBytes(folders.downFolder + QLatin1Char('/') + QLatin1String(name), "x"));
    ASSERT_TRUE(QFile::link(outside, folders.downFolder + QStringLiteral("/link")));
    ASSERT_TRUE(QDir().mkpath(folders.downFolder + QStringLiteral("/sub")));
    ASSERT_TRUE(WriteBytes(folders.tempFolder + QStringLiteral("/t.jpg"), "x"));

    // The keep path is compared without regard to case.
    CWorkingFolders::EmptyDownFolder(folders.downFolder,
                                     folders.downFolder + QStringLiteral("/item.dat"));
    EXPECT_EQ(ZipTest::ListTree(folders.downFolder),
              (QStringList {QStringLiteral("ITEM.DAT"), QStringLiteral("sub")}));
    EXPECT_EQ(ReadBytes(outside), QByteArray("keep")); // the link went, not its target

    CWorkingFolders::EmptyTempFolder(folders.tempFolder);
    EXPECT_FALSE(QFile::exists(folders.tempFolder + QStringLiteral("/t.jpg")));
    EXPECT_TRUE(QFileInfo(folders.downFolder).isDir());
    EXPECT_TRUE(QFile::exists(folders.downFolder + QStringLiteral("/ITEM.DAT")));
}

// Saves a rich product, moves its archive to "item.dat" of a fresh download folder of another
// installation and opens it there.
TEST(PackageRoundTrip, OpenedProductEqualsTheSavedOne)
{
    Folders saving;
    CProduct original;
    CItemInfo &h = original.header;
    h.itemId = QStringLiteral("4711");
    h.title = QStringLiteral("지갑 & <wallet>");
    h.link = QStringLiteral("http://shop.example/?a=1&b=2");
    h.tag = QStringLiteral("tag ]]> tag");
    h.explanation = QStringLiteral("one\r\ntwo ]]> three");
    h.saveOptionsSet = 1;
    h.publicationType = 1;
    AddCategory(h, QStringLiteral("1"), QStringLiteral("Top"));
    AddCategory(h, QStringLiteral("2"), QStringLiteral("Top|Sub"));
    CImgFile *first = AddPhoto(original, saving, QStringLiteral("first.jpg"), 1600, 1200);
    CMeasurement::ApplyMeasurement(*first, {10, 20}, {10, 520}, 2, 2);
    AddComment(*first, 100.25, 200.5, QStringLiteral("hinge\nsecond line"));
    AddComment(*first, 5, 6, QString());
    AddLine(*first, 0, 0, 10, 10, 0xFF, 3);
    AddPhoto(original, saving, QStringLiteral("second.png"), 300, 500);
    CImgFile *third = AddPhoto(original, saving, QStringLiteral("third.jpg"), 2500, 1000);
    AddComment(*third, 1, 1, QStringLiteral("x"));

    QString archive;
    ASSERT_EQ(CPackageFlows::SavePackage(original, Request(saving), &archive),
              CPackageFlows::SaveResult::Saved);
    const ZipTest::ToolRun test = ZipTest::RunTool(QStringLiteral("unzip"), {"-tq", archive});
    if (test.exitCode != -1) {
        EXPECT_EQ(test.exitCode, 0) << test.output.constData();
    }

    Folders opening;
    const QString itemDat = opening.downFolder + QStringLiteral("/item.dat");
    ASSERT_TRUE(QFile::copy(archive, itemDat));
    ASSERT_TRUE(WriteBytes(opening.downFolder + QStringLiteral("/stale.vmd"), "old"));
    CProduct product;
    product.state = CProduct::NewProduct;
    std::vector<bool> measuredMarks;
    ASSERT_EQ(CPackageFlows::OpenPackage(product, itemDat, opening.downFolder, opening.tempFolder,
                                         h.itemId,
                                         [&measuredMarks](CImgFile &photo) {
                                             measuredMarks.push_back(CProduct::IsMeasured(photo));
                                             return true;
                                         }),
              CPackageFlows::OpenResult::Opened);
    EXPECT_EQ(measuredMarks, (std::vector<bool> {true, false, false}));
    EXPECT_EQ(product.state, CProduct::OpenedProduct);

    // The archive and the unpacked members stay in the download folder; the old file is gone.
    QStringList expectedDown = ArchiveNames(itemDat);
    expectedDown << QStringLiteral("item.dat");
    expectedDown.sort();
    EXPECT_EQ(ZipTest::ListTree(opening.downFolder), expectedDown);

    const CItemInfo &r = product.header;
    EXPECT_EQ(r.itemId, h.itemId);
    EXPECT_EQ(r.title, h.title);
    EXPECT_EQ(r.link, h.link);
    EXPECT_EQ(r.tag, h.tag);
    EXPECT_EQ(r.explanation, h.explanation);
    ASSERT_EQ(r.categories.Count(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(r.categories[i]->id, h.categories[i]->id);
        EXPECT_EQ(r.categories[i]->pathName, h.categories[i]->pathName);
    }

    ASSERT_EQ(product.Count(), original.Count());
    for (int i = 0; i < product.Count(); ++i) {
        SCOPED_TRACE(i);
        const CImgFile &a = *original.PhotoAt(i);
        const CImgFile &b = *product.PhotoAt(i);
        EXPECT_EQ(b.MeasureX1, a.MeasureX1);
        EXPECT_EQ(b.MeasureY1, a.MeasureY1);
        EXPECT_EQ(b.MeasureX2, a.MeasureX2);
        EXPECT_EQ(b.MeasureY2, a.MeasureY2);
        EXPECT_NEAR(b.LengthMm, a.LengthMm, 0.0005);
        EXPECT_NEAR(b.ImagePixelPerMilli, a.ImagePixelPerMilli, 1e-4);
        EXPECT_EQ(QSize(b.width, b.height), QSize(a.width, a.height));
        // Comments come back in order; lines are not read.
        QList<const CDrComment *> written;
        for (const CDrObject *object : a.annotations) {
            if (const auto *comment = dynamic_cast<const CDrComment *>(object))
                written << comment;
        }
        ASSERT_EQ(b.annotations.Count(), written.size());
        for (int k = 0; k < written.size(); ++k) {
            const auto *comment = dynamic_cast<const CDrComment *>(b.annotations.GetAt(k));
            ASSERT_NE(comment, nullptr);
            EXPECT_EQ(comment->Text(), written[k]->Text());
            EXPECT_EQ(comment->X, written[k]->X);
            EXPECT_EQ(comment->Y, written[k]->Y);
        }
        EXPECT_EQ(b.workingPath,
                  opening.tempFolder + QLatin1Char('/')
                      + CPackageNames::MemberFileName(h.itemId, i + 1, QStringLiteral("vmi")));
        const QImage before = LoadImageCopy(a.workingPath);
        const QImage after = LoadImageCopy(b.workingPath);
        ASSERT_EQ(after.size(), before.size());
        // One more JPEG generation at quality 95 with 4:2:0 chroma over a hard checker pattern.
        EXPECT_LT(MeanChannelDifference(before, after), 4.0);
        EXPECT_LT(MaxChannelDifference(before, after), 48);
    }
}

TEST(PackageRoundTrip, ArchiveThatCannotBeOpenedIsDeleted)
{
    Folders folders;
    const QString itemDat = folders.downFolder + QStringLiteral("/item.dat");
    ASSERT_TRUE(WriteBytes(itemDat, "<html>error page</html>"));
    CProduct product;
    EXPECT_EQ(CPackageFlows::OpenPackage(product, itemDat, folders.downFolder, folders.tempFolder,
                                         QStringLiteral("1")),
              CPackageFlows::OpenResult::ArchiveUnreadable);
    EXPECT_FALSE(QFile::exists(itemDat));
    EXPECT_EQ(product.state, CProduct::NoProduct);
}

TEST(PackageRoundTrip, PackageWithoutItsDescriptionLeavesAnEmptyProduct)
{
    Folders folders;
    const QString itemDat = folders.downFolder + QStringLiteral("/item.dat");
    ASSERT_TRUE(ZipTest::WriteFile(
        itemDat, ZipTest::BuildArchive({ZipTest::RawEntry("other.vmd", "<product/>")}).bytes));
    CProduct product;
    EXPECT_EQ(CPackageFlows::OpenPackage(product, itemDat, folders.downFolder, folders.tempFolder,
                                         QStringLiteral("1")),
              CPackageFlows::OpenResult::NotReadable);
    EXPECT_EQ(product.state, CProduct::NoProduct);
    EXPECT_EQ(product.Count(), 0);
}

TEST(PackageRoundTrip, HostilePackageLeavesNothingOutsideTheDownloadFolder)
{
    Folders folders;
    const QStringList before = ZipTest::ListTree(folders.root.path());
    const QByteArray payload("owned");
    std::vector<ZipTest::RawEntry> entries;
    for (const char *name :
         {"../evil1", "../../evil2", "/tmp/evil3", "sub/../../evil4", "..\\evil5", "C:\\evil6",
          "a/./../../evil7", "....//evil8", "%2e%2e/evil9"})
        entries.emplace_back(QByteArray(name), payload);
    entries.emplace_back(QByteArray("1.vmd"), QByteArray("<product/>"));
    const QString itemDat = folders.downFolder + QStringLiteral("/item.dat");
    ASSERT_TRUE(ZipTest::WriteFile(itemDat, ZipTest::BuildArchive(entries).bytes));

    CProduct product;
    const CPackageFlows::OpenResult result = CPackageFlows::OpenPackage(
        product, itemDat, folders.downFolder, folders.tempFolder, QStringLiteral("1"));
    EXPECT_NE(result, CPackageFlows::OpenResult::Opened);
    EXPECT_EQ(product.Count(), 0);
    // Whatever was unpacked lies below the download folder.
    const QString downRelative = QDir(folders.root.path()).relativeFilePath(folders.downFolder);
    for (const QString &path : ZipTest::ListTree(folders.root.path())) {
        if (!before.contains(path)) {
            EXPECT_TRUE(path.startsWith(downRelative + QLatin1Char('/'))) << qPrintable(path);
        }
    }
    EXPECT_FALSE(QFile::exists(QStringLiteral("/tmp/evil3")));
    EXPECT_FALSE(CPackageFiles::UnpackPackage(folders.root.path() + QStringLiteral("/none"),
                                              folders.downFolder));
}

} // namespace
