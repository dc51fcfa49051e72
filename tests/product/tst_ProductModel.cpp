// The product model: owning containers, header copies, the product's state rules.
#include "DrComment.h"
#include "Product.h"
#include "helper_QtPrint.h"

#include <QImage>

#include <functional>
#include <gtest/gtest.h>
#include <string>

namespace {

// Counts live instances so ownership mistakes (leaks, double or early deletes) show up.
struct Tracked
{
    static inline int alive = 0;
    explicit Tracked(int v = 0)
        : value(v)
    {
        ++alive;
    }
    ~Tracked() { --alive; }
    int value;
};

class TrackedObject : public CDrComment
{
public:
    static inline int alive = 0;
    TrackedObject() { ++alive; }
    ~TrackedObject() override { --alive; }
};

CImgFile *MakePhoto(const QString &name, int annotations = 0)
{
    auto *photo = new CImgFile;
    photo->fileName = name;
    for (int i = 0; i < annotations; ++i)
        photo->annotations.AddTail(new TrackedObject);
    return photo;
}

} // namespace

TEST(SafeTypedPtrArray, OwnsWhatItHoldsUntilHandedBack)
{
    Tracked::alive = 0;
    Tracked *kept = nullptr;
    {
        CUbSafeTypedPtrArray<Tracked> array;
        EXPECT_EQ(array.Append(new Tracked(1)), 0);
        EXPECT_EQ(array.Append(new Tracked(2)), 1);
        EXPECT_EQ(array.Append(new Tracked(3)), 2);
        kept = array.RemoveAt(1);
        EXPECT_EQ(Tracked::alive, 3) << "RemoveAt must not delete";
        ASSERT_EQ(array.Count(), 2);
        EXPECT_EQ(array.At(1)->value, 3);
        array.RemoveAll();
        EXPECT_EQ(array.Count(), 0);
        EXPECT_EQ(Tracked::alive, 1);
        array.Append(new Tracked(4));
    }
    EXPECT_EQ(Tracked::alive, 1) << "destruction deletes the remaining element";
    EXPECT_EQ(kept->value, 2);
    delete kept;
}

TEST(SafeTypedPtrArray, ReorderPutsOldIndicesAtNewPositions)
{
    CUbSafeTypedPtrArray<Tracked> array;
    for (int v : {10, 11, 12, 13})
        array.Append(new Tracked(v));
    array.Reorder({2, 0, 3, 1});
    std::string order;
    for (const Tracked *t : array)
        order += std::to_string(t->value) + " ";
    EXPECT_EQ(order, "12 10 13 11 ");
}

struct FatalAccess
{
    const char *name;
    std::function<void()> access;
    const char *message;
};

class SafeTypedPtrArrayDeath : public ::testing::TestWithParam<FatalAccess>
{
};

TEST_P(SafeTypedPtrArrayDeath, AbortsWithMessage)
{
    EXPECT_DEATH(GetParam().access(), GetParam().message);
}

namespace {

void WithTwo(const std::function<void(CUbSafeTypedPtrArray<Tracked> &)> &f)
{
    CUbSafeTypedPtrArray<Tracked> array;
    array.Append(new Tracked);
    array.Append(new Tracked);
    f(array);
}

} // namespace

INSTANTIATE_TEST_SUITE_P(
    Index, SafeTypedPtrArrayDeath,
    ::testing::Values(
        FatalAccess {"AtCount", [] { WithTwo([](auto &a) { a.At(2); }); },
                     "At: invalid argument: index out of range \\(index 2, limit 2\\)"},
        FatalAccess {"AtMinusOne", [] { WithTwo([](auto &a) { a.At(-1); }); },
                     "At: invalid argument"},
        FatalAccess {"AtOnEmpty", [] { CUbSafeTypedPtrArray<Tracked>().At(0); },
                     "index 0, limit 0"},
        FatalAccess {"RemoveAtCount", [] { WithTwo([](auto &a) { a.RemoveAt(2); }); },
                     "RemoveAt: invalid argument"},
        FatalAccess {"InsertPastEnd", [] { WithTwo([](auto &a) { a.InsertAt(3, nullptr); }); },
                     "InsertAt: invalid argument"},
        FatalAccess {"ReorderDuplicate", [] { WithTwo([](auto &a) {
                                                  a.Reorder({1, 1});
                                              }); },
                     "index given twice"},
        FatalAccess {"ReorderShort", [] { WithTwo([](auto &a) { a.Reorder({0}); }); },
                     "order size does not match"},
        FatalAccess {"ProductPhotoAtCount",
                     [] {
                         CProduct product;
                         product.AppendPhoto(MakePhoto(QStringLiteral("a.jpg")));
                         product.PhotoAt(product.Count());
                     },
                     "At: invalid argument"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ItemInfo, CopyDuplicatesCategoriesAndResetEmptiesAll)
{
    CItemInfo original;
    original.title = QStringLiteral("가방");
    original.itemId = QStringLiteral("I-7");
    original.publicationType = 2;
    original.saveOptionsSet = 1;
    auto *category = new CCategory;
    category->pathName = CCategory::JoinPathName(QStringLiteral("패션"), QStringLiteral("가방"));
    category->id = QStringLiteral("12");
    original.categories.Append(category);

    CItemInfo copy(original);
    ASSERT_EQ(copy.categories.Count(), 1);
    EXPECT_NE(copy.categories.At(0), original.categories.At(0)) << "categories are duplicated";
    EXPECT_EQ(copy.categories.At(0)->pathName, QStringLiteral("패션|가방"));
    original.categories.At(0)->id = QStringLiteral("99");
    original.Reset();
    EXPECT_EQ(copy.categories.At(0)->id, QStringLiteral("12"));
    EXPECT_EQ(copy.title, QStringLiteral("가방"));
    EXPECT_EQ(copy.publicationType, 2);

    EXPECT_TRUE(original.title.isEmpty());
    EXPECT_TRUE(original.itemId.isEmpty());
    EXPECT_EQ(original.categories.Count(), 0);
    EXPECT_EQ(original.saveOptionsSet, 0);
    EXPECT_EQ(original.publicationType, 0);

    copy = copy; // self-assignment must not empty the categories
    EXPECT_EQ(copy.categories.Count(), 1);
    EXPECT_EQ(CCategory::JoinPathName(QString(), QStringLiteral("top")), QStringLiteral("top"));
}

TEST(Product, ClearDeletesPhotosWithTheirAnnotationsAndResetsState)
{
    TrackedObject::alive = 0;
    CProduct product;
    product.state = CProduct::OpenedProduct;
    product.header.title = QStringLiteral("t");
    product.header.saveOptionsSet = 1;
    product.publication.success = 1;
    product.publication.key1 = QStringLiteral("k");
    product.AppendPhoto(MakePhoto(QStringLiteral("a.jpg"), 2));
    EXPECT_EQ(product.AppendPhoto(MakePhoto(QStringLiteral("b.jpg"), 1)), 1);
    product.currentPhoto = 1;
    product.modified = true;
    ASSERT_EQ(TrackedObject::alive, 3);

    product.Clear();
    EXPECT_EQ(product.Count(), 0);
    EXPECT_EQ(TrackedObject::alive, 0);
    EXPECT_EQ(product.state, CProduct::NoProduct);
    EXPECT_EQ(product.currentPhoto, -1);
    EXPECT_FALSE(product.modified);
    EXPECT_EQ(product.header.saveOptionsSet, 0);
    EXPECT_TRUE(product.header.title.isEmpty());
    EXPECT_EQ(product.publication.success, 0);
    EXPECT_TRUE(product.publication.key1.isEmpty());
}

TEST(Product, RemovePhotoHandsTheEntryBackAndKeepsModified)
{
    TrackedObject::alive = 0;
    CProduct product;
    product.AppendPhoto(MakePhoto(QStringLiteral("a.jpg"), 1));
    product.AppendPhoto(MakePhoto(QStringLiteral("b.jpg")));
    for (bool modified : {false, true}) {
        product.modified = modified;
        CImgFile *removed = product.RemovePhotoAt(0);
        EXPECT_EQ(product.modified, modified);
        EXPECT_EQ(TrackedObject::alive, modified ? 0 : 1) << "the entry is the caller's";
        delete removed;
        product.AppendPhoto(MakePhoto(QStringLiteral("c.jpg")));
    }
    EXPECT_EQ(product.PhotoAt(0)->fileName, QStringLiteral("c.jpg"));
}

TEST(Product, MeasuredMeansLengthNotZeroWhateverTheLine)
{
    struct Row
    {
        const char *name;
        double lengthMm;
        double x2;
        bool measured;
    } rows[] = {
        {"line drawn, no length", 0.0, 500.0, false},
        {"ten inches", 10 * 25.4, 0.0, true},
        {"tiny length", 1e-9, 10.0, true},
    };
    for (const Row &row : rows) {
        CImgFile photo;
        photo.MeasureX1 = 10;
        photo.MeasureX2 = row.x2;
        photo.LengthMm = row.lengthMm;
        EXPECT_EQ(CProduct::IsMeasured(photo), row.measured) << row.name;
    }
}

TEST(ImgFile, ThumbnailSetsSizeAndResetReturnsToNew)
{
    TrackedObject::alive = 0;
    CImgFile photo;
    photo.SetThumbnail(QImage(140, 105, QImage::Format_RGB32));
    EXPECT_EQ(photo.width, 140);
    EXPECT_EQ(photo.height, 105);
    photo.workingPath = QStringLiteral("/tmp/x.jpg");
    photo.LengthMm = 5;
    photo.ImagePixelPerMilli = 3;
    photo.resizeFlag = 1;
    photo.resizeScale = 0.5;
    photo.timeStamp = QDateTime::currentDateTime();
    photo.annotations.AddTail(new TrackedObject);

    photo.Reset();
    EXPECT_TRUE(photo.thumbnail.isNull());
    EXPECT_EQ(photo.width, 0);
    EXPECT_EQ(photo.height, 0);
    EXPECT_TRUE(photo.workingPath.isEmpty());
    EXPECT_EQ(photo.LengthMm, 0);
    EXPECT_EQ(photo.ImagePixelPerMilli, 0);
    EXPECT_EQ(photo.resizeFlag, 0);
    EXPECT_EQ(photo.resizeScale, 0);
    EXPECT_FALSE(photo.timeStamp.isValid());
    EXPECT_EQ(photo.annotations.Count(), 0);
    EXPECT_EQ(TrackedObject::alive, 0);
}
