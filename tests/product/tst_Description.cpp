#include "PackageNames.h"
#include "ProductDescription.h"
#include "XmlDocument.h"
#include "helper_QtPrint.h"
#include "tst_PackageTools.h"

#include <QImageWriter>

#include <functional>
#include <gtest/gtest.h>

using namespace PackageTest;

namespace {

const QString kDataDir = QStringLiteral(VM_TEST_DATA_DIR "/description/");
const ScreenCalibration kCalibrated {2.0, 2.0};

QByteArray Expected(const char *name)
{
    return ReadBytes(kDataDir + QLatin1String(name));
}

void PlainHeader(CProduct &product, const QString &itemId, const QString &title)
{
    product.header.itemId = itemId;
    product.header.title = title;
}

// Item 100: two categories, a link with "&", a two-line explanation, publication type 2, and
// three photographs: measured 3000 x 2000 with a line and a comment, unmeasured 100 x 50 without
// annotations, unmeasured 3000 x 2000.
void RichProduct(CProduct &product, const Folders &folders)
{
    CItemInfo &h = product.header;
    h.itemId = QStringLiteral("100");
    h.title = QStringLiteral("가방 Bag");
    h.link = QStringLiteral("http://shop.example/item?x=1&y=2");
    h.tag = QStringLiteral("leather");
    h.explanation = QStringLiteral("line one\r\nline two");
    AddCategory(h, QStringLiteral("12"), QStringLiteral("Fashion"));
    AddCategory(h, QStringLiteral("34"), QStringLiteral("Fashion|Bags"));
    h.saveOptionsSet = 1;
    h.publicationType = 2;
    CImgFile *measured = AddPhoto(product, folders, QStringLiteral("a.jpg"), 3000, 2000);
    CMeasurement::ApplyMeasurement(*measured, {100, 50}, {1100, 50}, 100, 1);
    AddLine(*measured, 1, 2, 3.5, 4, 0x0000FF, 2);
    AddComment(*measured, 12.5, 30, QStringLiteral("see here"));
    AddPhoto(product, folders, QStringLiteral("b.jpg"), 100, 50);
    AddPhoto(product, folders, QStringLiteral("c.jpg"), 3000, 2000);
}

struct FileCase
{
    const char *name;
    const char *expectedFile;
    std::function<void(CProduct &, const Folders &)> build;
    std::function<QByteArray(QByteArray)> adjustExpected;
};

void PrintTo(const FileCase &row, std::ostream *out)
{
    *out << row.name;
}

QByteArray Unchanged(QByteArray bytes)
{
    return bytes;
}

std::function<QByteArray(QByteArray)> TempSave(const char *letter)
{
    return [letter](QByteArray bytes) {
        return bytes.replace("tempSave=\"Y\"", QByteArray("tempSave=\"") + letter + '"');
    };
}

std::function<void(CProduct &, const Folders &)> WithOptions(int publicationType)
{
    return [publicationType](CProduct &product, const Folders &) {
        PlainHeader(product, QStringLiteral("78"), QStringLiteral("Options"));
        product.header.saveOptionsSet = 1;
        product.header.publicationType = publicationType;
    };
}

class DescriptionFile : public ::testing::TestWithParam<FileCase>
{
};

TEST_P(DescriptionFile, IsWrittenByteForByte)
{
    const FileCase &row = GetParam();
    Folders folders;
    CProduct product;
    row.build(product, folders);
    const QString text = CProductDescription::WriteDescription(product, kCalibrated);
    const QString path = folders.tempFolder + QStringLiteral("/out.vmd");
    ASSERT_TRUE(CProductDescription::SaveDescriptionFile(path, text));
    const QByteArray expected = row.adjustExpected(Expected(row.expectedFile));
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_EQ(ReadBytes(path), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DescriptionFile,
    ::testing::Values(
        FileCase {"NoCategoriesNoPhotos", "no-categories.vmd",
                  [](CProduct &p, const Folders &) {
                      PlainHeader(p, QStringLiteral("77"), QStringLiteral("Plain"));
                  },
                  Unchanged},
        FileCase {"OptionsNotSetNoBlock", "no-categories.vmd",
                  [](CProduct &p, const Folders &) {
                      PlainHeader(p, QStringLiteral("77"), QStringLiteral("Plain"));
                      p.header.publicationType = 1; // chosen, but the dialog was not confirmed
                  },
                  Unchanged},
        FileCase {"PublicationType1", "save-options-1.vmd", WithOptions(1), Unchanged},
        FileCase {"PublicationType2", "save-options-1.vmd", WithOptions(2), TempSave("N")},
        FileCase {"PublicationType3", "save-options-1.vmd", WithOptions(3), TempSave("T")},
        FileCase {"PublicationTypeMinus1", "save-options-1.vmd", WithOptions(-1), TempSave("T")},
        FileCase {"RichMeasuredAndUnmeasured", "rich.vmd", RichProduct, Unchanged}),
    [](const ::testing::TestParamInfo<FileCase> &info) { return std::string(info.param.name); });

TEST(Description, WriteRecordsTheResizeChoiceInEachPhotograph)
{
    Folders folders;
    CProduct product;
    RichProduct(product, folders);
    CProductDescription::WriteDescription(product, kCalibrated);
    EXPECT_EQ(product.PhotoAt(0)->resizeFlag, 1);
    EXPECT_DOUBLE_EQ(product.PhotoAt(0)->resizeScale, 0.6);
    EXPECT_EQ(product.PhotoAt(1)->resizeFlag, 0);
    EXPECT_EQ(product.PhotoAt(2)->resizeFlag, 1);
    EXPECT_DOUBLE_EQ(product.PhotoAt(2)->resizeScale, 2048.0 / 3000.0);
    // The width and height fields stay the thumbnail's size.
    EXPECT_EQ(product.PhotoAt(0)->width, 140);
    EXPECT_EQ(product.PhotoAt(0)->height, 93);
}

struct ResizeCase
{
    const char *name;
    QSize pixels;
    bool calibrated;
    double lengthMm; // 0: not measured
    double pixelPerMilli;
    int flag;
    double scale;
};

class ResizeRule : public ::testing::TestWithParam<ResizeCase>
{
};

TEST_P(ResizeRule, ChoosesTheDownscale)
{
    const ResizeCase &row = GetParam();
    CImgFile photo;
    photo.LengthMm = row.lengthMm;
    photo.ImagePixelPerMilli = row.pixelPerMilli;
    const auto choice = CProductDescription::ChooseResize(
        row.pixels, photo, row.calibrated ? kCalibrated : ScreenCalibration {});
    EXPECT_EQ(choice.flag, row.flag);
    EXPECT_NEAR(choice.scale, row.scale, 1e-12);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ResizeRule,
    ::testing::Values(
        ResizeCase {"SmallUnmeasured", {2048, 1000}, true, 0, 0, 0, 0},
        ResizeCase {"WideUnmeasured", {4000, 3000}, true, 0, 0, 1, 0.512},
        ResizeCase {"TallUnmeasured", {3000, 6000}, true, 0, 0, 1, 1024.0 / 3000.0},
        ResizeCase {"UncalibratedMeasuredUsesTheFit", {4000, 3000}, false, 100, 10, 1, 0.512},
        // 3 x 4000 x 2 / 10 = 2400 beats the 1024 fit.
        ResizeCase {"MeasuredRealSizeWins", {4000, 3000}, true, 100, 10, 1, 0.6},
        // 3 x 4000 x 2 / 100 = 240 loses to the 1024 fit.
        ResizeCase {"MeasuredFitWins", {4000, 3000}, true, 10, 100, 1, 0.256},
        ResizeCase {"MeasuredRealSizeLargerThanPhoto", {4000, 3000}, true, 100, 1, 0, 0},
        ResizeCase {"ZeroLengthLineUsesTheFit", {4000, 3000}, true, 5, 0, 1, 0.256},
        ResizeCase {"NoPicture", {0, 0}, true, 0, 0, 0, 0}),
    [](const ::testing::TestParamInfo<ResizeCase> &info) { return std::string(info.param.name); });

TEST(Description, PixelSizeComesFromTheHeaderUpright)
{
    Folders folders;
    const QString path = WritePicture(folders.tempFolder + QStringLiteral("/p.jpg"), 640, 480);
    EXPECT_EQ(CProductDescription::PhotoPixelSize(path), QSize(640, 480));
    // A photograph stored on its side with an orientation tag is measured upright.
    const QString turned = folders.tempFolder + QStringLiteral("/turned.jpg");
    QImageWriter writer(turned, "jpeg");
    writer.setTransformation(QImageIOHandler::TransformationRotate90);
    ASSERT_TRUE(writer.write(TestPicture(64, 32)));
    EXPECT_EQ(CProductDescription::PhotoPixelSize(turned), LoadImageCopy(turned).size());
    EXPECT_EQ(CProductDescription::PhotoPixelSize(turned), QSize(32, 64));
    // Working copies of opened products carry the package's extension.
    const QString vmi = folders.tempFolder + QStringLiteral("/1_0001.vmi");
    ASSERT_TRUE(QFile::copy(path, vmi));
    EXPECT_EQ(CProductDescription::PhotoPixelSize(vmi), QSize(640, 480));
    EXPECT_TRUE(CProductDescription::PhotoPixelSize(folders.tempFolder + QStringLiteral("/none"))
                    .isEmpty());
}

// Writes the product's description and each working copy as the package's "vmi" member into
// the folder, the way an unpacked package lies in the download folder.
void LayOutAsDownloaded(CProduct &product, const QString &folder)
{
    const QString itemId = product.header.itemId;
    ASSERT_TRUE(CProductDescription::SaveDescriptionFile(
        folder + QLatin1Char('/') + CPackageNames::DescriptionFileName(itemId),
        CProductDescription::WriteDescription(product, {})));
    for (int i = 0; i < product.Count(); ++i) {
        ASSERT_TRUE(
            QFile::copy(product.PhotoAt(i)->workingPath,
                        folder + QLatin1Char('/')
                            + CPackageNames::MemberFileName(itemId, i + 1, QStringLiteral("vmi"))));
    }
}

TEST(Description, RichProductReadsBack)
{
    Folders folders;
    CProduct original;
    RichProduct(original, folders);
    LayOutAsDownloaded(original, folders.downFolder);

    CProduct product;
    int accepted = 0;
    ASSERT_TRUE(CProductDescription::ReadDescription(product, folders.downFolder,
                                                     QStringLiteral("100"), folders.tempFolder,
                                                     [&accepted](CImgFile &) {
                                                         ++accepted;
                                                         return true;
                                                     }));
    EXPECT_EQ(accepted, 3);
    EXPECT_EQ(product.state, CProduct::OpenedProduct);
    const CItemInfo &h = product.header;
    EXPECT_EQ(h.itemId, QStringLiteral("100"));
    EXPECT_EQ(h.title, original.header.title);
    EXPECT_EQ(h.link, original.header.link);
    EXPECT_EQ(h.tag, original.header.tag);
    EXPECT_EQ(h.explanation, original.header.explanation);
    ASSERT_EQ(h.categories.Count(), 2);
    EXPECT_EQ(h.categories[1]->id, QStringLiteral("34"));
    EXPECT_EQ(h.categories[1]->pathName, QStringLiteral("Fashion|Bags"));
    EXPECT_EQ(h.saveOptionsSet, 0); // the block is not read
    ASSERT_EQ(product.Count(), 3);

    const CImgFile &measured = *product.PhotoAt(0);
    EXPECT_EQ(measured.MeasureX1, 100);
    EXPECT_EQ(measured.MeasureX2, 1100);
    EXPECT_EQ(measured.LengthMm, 100);
    EXPECT_DOUBLE_EQ(measured.ImagePixelPerMilli, 10);
    EXPECT_EQ(measured.InputUnit, 1);
    EXPECT_EQ(measured.InputLength, 0);
    // Only comments come back.
    ASSERT_EQ(measured.annotations.Count(), 1);
    const auto *comment = dynamic_cast<const CDrComment *>(measured.annotations.GetAt(0));
    ASSERT_NE(comment, nullptr);
    EXPECT_EQ(comment->Text(), QStringLiteral("see here"));
    EXPECT_EQ(comment->X, 12.5);

    const CImgFile &small = *product.PhotoAt(1);
    EXPECT_EQ(small.LengthMm, 0);
    EXPECT_EQ(small.ImagePixelPerMilli, 0);
    EXPECT_TRUE(small.annotations.IsEmpty());
    EXPECT_EQ(small.sourcePath, folders.downFolder + QStringLiteral("/100_0002.vmi"));
    EXPECT_EQ(small.workingPath, folders.tempFolder + QStringLiteral("/100_0002.vmi"));
    EXPECT_TRUE(small.fileName.isEmpty());
    EXPECT_EQ(ReadBytes(small.workingPath), ReadBytes(small.sourcePath));
    EXPECT_EQ(QSize(small.width, small.height), QSize(140, 70));
}

TEST(Description, TextsWithMarkupStayWellFormedAndReadBackUnchanged)
{
    Folders folders;
    CProduct original;
    CItemInfo &h = original.header;
    h.itemId = QStringLiteral("5");
    h.title = QStringLiteral("<b>Tom & Jerry</b> ]]> end \r mid");
    h.link = QStringLiteral("http://x.example/?a=<1>&b=]]>");
    // Characters no 8-bit code page holds reach the file as themselves.
    h.tag = QStringLiteral("a&b <c> \"q\" 'r' \U0001F600 \u265E \u00E9");
    h.explanation = QStringLiteral("first ]]> second\r\n<third> & ]]]]>\r\nlast");
    h.codes = QStringLiteral("<iframe src=\"x?a=1&b=2\"></iframe>");
    h.saveOptionsSet = 1;
    AddCategory(h, QStringLiteral("1&2"), QStringLiteral("A<B|C]]>D"));
    CImgFile *photo = AddPhoto(original, folders, QStringLiteral("p.jpg"), 64, 48);
    AddComment(*photo, 1, 2, QStringLiteral("x ]]> y"));

    const QString text = CProductDescription::WriteDescription(original, {});
    CXmlDocument document;
    ASSERT_TRUE(document.LoadXml(text)) << qPrintable(text);
    EXPECT_TRUE(text.contains(QStringLiteral("<text>&lt;b>Tom &amp; Jerry&lt;/b> ]]&gt; end "
                                             "&#13; mid</text>")));

    LayOutAsDownloaded(original, folders.downFolder);
    CProduct product;
    ASSERT_TRUE(CProductDescription::ReadDescription(product, folders.downFolder,
                                                     QStringLiteral("5"), folders.tempFolder));
    EXPECT_EQ(product.header.title, h.title);
    EXPECT_EQ(product.header.link, h.link);
    EXPECT_EQ(product.header.tag, h.tag);
    EXPECT_EQ(product.header.explanation, h.explanation);
    ASSERT_EQ(product.header.categories.Count(), 1);
    EXPECT_EQ(product.header.categories[0]->id, QStringLiteral("1&2"));
    EXPECT_EQ(product.header.categories[0]->pathName, QStringLiteral("A<B|C]]>D"));
    ASSERT_EQ(product.Count(), 1);
    const auto *comment
        = dynamic_cast<const CDrComment *>(product.PhotoAt(0)->annotations.GetAt(0));
    ASSERT_NE(comment, nullptr);
    EXPECT_EQ(comment->Text(), QStringLiteral("x ]]> y"));
}

TEST(Description, LinkAmpersandRule)
{
    Folders folders;
    CProduct original;
    original.header.itemId = QStringLiteral("6");
    original.header.link = QStringLiteral("x=1&amp;y=2");
    const QString text = CProductDescription::WriteDescription(original, {});
    EXPECT_TRUE(text.contains(QStringLiteral("<link>x=1&amp;amp;y=2</link>")));
    LayOutAsDownloaded(original, folders.downFolder);
    CProduct product;
    ASSERT_TRUE(CProductDescription::ReadDescription(product, folders.downFolder,
                                                     QStringLiteral("6"), folders.tempFolder));
    // A link that held "&amp;" itself comes back with a plain "&" there.
    EXPECT_EQ(product.header.link, QStringLiteral("x=1&y=2"));
}

const char *const kValidDescription = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
                                      "<product>\r\n"
                                      "<productHeader>\r\n"
                                      "\t<itemID>9</itemID>\r\n"
                                      "\t<productTitle>\r\n"
                                      "\t\t<text>T</text>\r\n"
                                      "\t\t<link>L</link>\r\n"
                                      "\t</productTitle>\r\n"
                                      "\t<categories>\r\n"
                                      "\t\t<category>\r\n"
                                      "\t\t\t<itemID>C</itemID>\r\n"
                                      "\t\t\t<itemName>N</itemName>\r\n"
                                      "\t\t</category>\r\n"
                                      "\t</categories>\r\n"
                                      "\t<tag>G</tag>\r\n"
                                      "\t<explanation><![CDATA[E]]></explanation>\r\n"
                                      "</productHeader>\r\n"
                                      "<productBody>\r\n"
                                      "<list>\r\n"
                                      "\t<item>\r\n"
                                      "\t\t<type>0</type>\r\n"
                                      "\t\t<x1>0.000</x1>\r\n"
                                      "\t\t<y1>0.000</y1>\r\n"
                                      "\t\t<x2>0.000</x2>\r\n"
                                      "\t\t<y2>0.000</y2>\r\n"
                                      "\t\t<length>0.000</length>\r\n"
                                      "\t\t<resize_list>\r\n"
                                      "\t\t</resize_list>\r\n"
                                      "\t</item>\r\n"
                                      "</list>\r\n"
                                      "</productBody>\r\n"
                                      "</product>\r\n";

struct MissingCase
{
    const char *name;
    const char *removed; // exact text taken out of the valid description
};

class MissingElement : public ::testing::TestWithParam<MissingCase>
{
protected:
    void SetUp() override
    {
        WritePicture(folders.downFolder + QStringLiteral("/9_0001.vmi"), 32, 24);
    }
    bool Read(const QByteArray &description)
    {
        EXPECT_TRUE(WriteBytes(folders.downFolder + QStringLiteral("/9.vmd"), description));
        return CProductDescription::ReadDescription(product, folders.downFolder,
                                                    QStringLiteral("9"), folders.tempFolder);
    }
    Folders folders;
    CProduct product;
};

TEST_F(MissingElement, CompleteDescriptionReads)
{
    ASSERT_TRUE(Read(kValidDescription));
    EXPECT_EQ(product.Count(), 1);
    EXPECT_EQ(product.header.categories[0]->pathName, QStringLiteral("N"));
}

TEST_P(MissingElement, FailsTheWholeRead)
{
    QByteArray description(kValidDescription);
    const QByteArray removed(GetParam().removed);
    const qsizetype at = description.indexOf(removed);
    ASSERT_GE(at, 0);
    description.remove(at, removed.size());
    EXPECT_FALSE(Read(description));
    EXPECT_NE(product.state, CProduct::OpenedProduct);
}

INSTANTIATE_TEST_SUITE_P(
    Elements, MissingElement,
    ::testing::Values(MissingCase {"HeaderItemId", "\t<itemID>9</itemID>\r\n"},
                      MissingCase {"ProductTitle",
                                   "\t<productTitle>\r\n\t\t<text>T</text>\r\n"
                                   "\t\t<link>L</link>\r\n\t</productTitle>\r\n"},
                      MissingCase {"TitleText", "\t\t<text>T</text>\r\n"},
                      MissingCase {"Link", "\t\t<link>L</link>\r\n"},
                      MissingCase {"Categories",
                                   "\t<categories>\r\n\t\t<category>\r\n\t\t\t<itemID>C</itemID>"
                                   "\r\n\t\t\t<itemName>N</itemName>\r\n\t\t</category>\r\n\t"
                                   "</categories>\r\n"},
                      MissingCase {"CategoryItemId", "\t\t\t<itemID>C</itemID>\r\n"},
                      MissingCase {"CategoryItemName", "\t\t\t<itemName>N</itemName>\r\n"},
                      MissingCase {"Tag", "\t<tag>G</tag>\r\n"},
                      MissingCase {"Explanation", "\t<explanation><![CDATA[E]]></explanation>\r\n"},
                      MissingCase {"ProductBody", "<productBody>\r\n<list>\r\n"},
                      MissingCase {"Type", "\t\t<type>0</type>\r\n"},
                      MissingCase {"X1", "\t\t<x1>0.000</x1>\r\n"},
                      MissingCase {"Y1", "\t\t<y1>0.000</y1>\r\n"},
                      MissingCase {"X2", "\t\t<x2>0.000</x2>\r\n"},
                      MissingCase {"Y2", "\t\t<y2>0.000</y2>\r\n"},
                      MissingCase {"Length", "\t\t<length>0.000</length>\r\n"},
                      MissingCase {"NotWellFormed", "</product>\r\n"}),
    [](const ::testing::TestParamInfo<MissingCase> &info) { return std::string(info.param.name); });

TEST_F(MissingElement, HeaderWithoutBody)
{
    QByteArray description(kValidDescription);
    description.replace("<productBody>", "<productBodies>");
    description.replace("</productBody>", "</productBodies>");
    EXPECT_FALSE(Read(description));
}

TEST_F(MissingElement, BodyWithoutList)
{
    QByteArray description(kValidDescription);
    description.replace("<list>", "<lists>");
    description.replace("</list>", "</lists>");
    EXPECT_FALSE(Read(description));
}

TEST_F(MissingElement, EmptyListOpensInState3)
{
    QByteArray description(kValidDescription);
    const qsizetype start = description.indexOf("\t<item>");
    const qsizetype end = description.indexOf("</list>");
    description.remove(start, end - start);
    ASSERT_TRUE(Read(description));
    EXPECT_EQ(product.state, CProduct::OpenedProduct);
    EXPECT_EQ(product.Count(), 0);
    EXPECT_EQ(product.header.tag, QStringLiteral("G"));
}

TEST_F(MissingElement, MissingImageFileFails)
{
    QFile::remove(folders.downFolder + QStringLiteral("/9_0001.vmi"));
    EXPECT_FALSE(Read(kValidDescription));
    EXPECT_EQ(product.Count(), 0);
}

TEST_F(MissingElement, ImageThatIsNoPictureFailsAndLeavesNoCopy)
{
    ASSERT_TRUE(WriteBytes(folders.downFolder + QStringLiteral("/9_0001.vmi"), "not a picture"));
    EXPECT_FALSE(Read(kValidDescription));
    EXPECT_FALSE(QFile::exists(folders.tempFolder + QStringLiteral("/9_0001.vmi")));
}

TEST_F(MissingElement, RefusedByTheStripLeavesNoCopy)
{
    ASSERT_TRUE(WriteBytes(folders.downFolder + QStringLiteral("/9.vmd"), kValidDescription));
    EXPECT_FALSE(CProductDescription::ReadDescription(product, folders.downFolder,
                                                      QStringLiteral("9"), folders.tempFolder,
                                                      [](CImgFile &) { return false; }));
    EXPECT_EQ(product.Count(), 0);
    EXPECT_FALSE(QFile::exists(folders.tempFolder + QStringLiteral("/9_0001.vmi")));
}

TEST_F(MissingElement, ReadEmptiesTheTemporaryFolderButKeepsTheDownloadFolder)
{
    const QString stale = folders.tempFolder + QStringLiteral("/old.jpg");
    ASSERT_TRUE(WriteBytes(stale, "x"));
    ASSERT_TRUE(Read(kValidDescription));
    EXPECT_FALSE(QFile::exists(stale));
    EXPECT_TRUE(QFile::exists(folders.downFolder + QStringLiteral("/9.vmd")));
}

TEST_F(MissingElement, ItemIdThatIsNoFileNameIsRefused)
{
    for (const char *itemId : {"", "..", "../9", "a/b", "a\\b"}) {
        EXPECT_FALSE(CProductDescription::ReadDescription(
            product, folders.downFolder, QString::fromLatin1(itemId), folders.tempFolder))
            << itemId;
    }
}

} // namespace
