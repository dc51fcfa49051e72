// The skin supplies every numbered picture the windows use, at the size they place it by.
#include "Skin.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QSet>

#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

struct Stated
{
    const char *name;
    SkinKind kind;
    int number;
    int width;
    int height;
};

std::ostream &operator<<(std::ostream &os, const Stated &s)
{
    return os << s.name;
}

// Sizes the windows rely on: they cut strips by a quarter of the height, tile frame pieces by
// their own size and place pictures by it.
const Stated kStated[] = {
    {"CloseCross157", SkinKind::Bitmap, 157, 13, 52},
    {"PrinterProperties286", SkinKind::Bitmap, 286, 62, 88},
    {"FrameTopLeft230", SkinKind::Bitmap, 230, 13, 24},
    {"FrameTop234", SkinKind::Bitmap, 234, 164, 24},
    {"FrameTopRight233", SkinKind::Bitmap, 233, 9, 24},
    {"FrameRight232", SkinKind::Bitmap, 232, 7, 126},
    {"FrameBottomRight231", SkinKind::Bitmap, 231, 7, 7},
    {"FrameBottom227", SkinKind::Bitmap, 227, 170, 7},
    {"FrameBottomLeft228", SkinKind::Bitmap, 228, 7, 7},
    {"FrameLeft229", SkinKind::Bitmap, 229, 7, 116},
    {"EffectBackground243", SkinKind::Bitmap, 243, 270, 175},
    {"Badge243", SkinKind::Png, 243, 60, 45},
    {"LensRing316", SkinKind::Png, 316, 200, 200},
    {"HeaderTile160", SkinKind::Bitmap, 160, 85, 37},
    {"OrderHint244", SkinKind::Bitmap, 244, 374, 35},
    {"OrderCancel189", SkinKind::Bitmap, 189, 86, 104},
    {"OrderOk190", SkinKind::Bitmap, 190, 86, 104},
    {"OrderRestore301", SkinKind::Bitmap, 301, 86, 104},
    {"PreviousArrow303", SkinKind::Png, 303, 28, 48},
    {"NextArrow302", SkinKind::Png, 302, 28, 48},
    {"ZoomTrackLeft261", SkinKind::Bitmap, 261, 7, 15},
    {"ZoomTrackMiddle262", SkinKind::Bitmap, 262, 25, 15},
    {"ZoomTrackRight263", SkinKind::Bitmap, 263, 9, 15},
    {"ZoomThumb264", SkinKind::Bitmap, 264, 13, 15},
    {"EffectThumb202", SkinKind::Bitmap, 202, 14, 16},
    {"EffectTrackLeft198", SkinKind::Bitmap, 198, 53, 16},
    {"EffectFilledMiddle197", SkinKind::Bitmap, 197, 53, 16},
    {"LabelPrinter289", SkinKind::Bitmap, 289, 40, 30},
    {"LabelCopies288", SkinKind::Bitmap, 288, 40, 30},
    {"LabelRange290", SkinKind::Bitmap, 290, 54, 30},
    {"LabelOrientation287", SkinKind::Bitmap, 287, 54, 30},
    {"LabelMethod291", SkinKind::Bitmap, 291, 54, 30},
};

class StatedSize : public ::testing::TestWithParam<Stated>
{
};

TEST_P(StatedSize, SuppliedAtItsSize)
{
    const Stated s = GetParam();
    const QImage image = CSkin::Picture(s.number, s.kind);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.width(), s.width);
    EXPECT_EQ(image.height(), s.height);
}

INSTANTIATE_TEST_SUITE_P(Skin, StatedSize, ::testing::ValuesIn(kStated),
                         [](const auto &info) { return std::string(info.param.name); });

// Every number a window asks for, by kind.
const int kBitmaps[] = {
    129, 130, 131, 132, 133, 134, 135, 136, 137, 138, 139, 142, 143, 146, 150, 151, 152, 154, 155,
    156, 157, 159, 160, 161, 162, 163, 172, 178, 179, 189, 190, 192, 193, 196, 197, 198, 199, 200,
    201, 202, 203, 204, 205, 206, 207, 208, 209, 210, 211, 212, 213, 214, 215, 216, 217, 218, 219,
    220, 221, 224, 225, 226, 227, 228, 229, 230, 231, 232, 233, 234, 235, 237, 238, 239, 240, 242,
    243, 244, 245, 246, 254, 255, 256, 257, 258, 260, 261, 262, 263, 264, 265, 268, 269, 270, 271,
    272, 273, 274, 277, 278, 279, 282, 284, 285, 286, 287, 288, 289, 290, 291, 301, 305, 306, 307,
    308, 309, 310, 311, 312, 317, 318, 319, 320, 321, 322, 323, 324};
const int kPngs[] = {194, 243, 250, 293, 298, 299, 300, 302, 303, 316};
const int kCursors[] = {164, 165, 249, 251};

TEST(Skin, EveryNumberTheWindowsUseIsSupplied)
{
    for (int n : kBitmaps)
        EXPECT_FALSE(CSkin::Picture(n).isNull()) << "bitmap " << n;
    for (int n : kPngs)
        EXPECT_FALSE(CSkin::Png(n).isNull()) << "PNG " << n;
    for (int n : kCursors) {
        ASSERT_TRUE(CSkin::Has(n, SkinKind::Cursor)) << "cursor " << n;
        EXPECT_FALSE(CSkin::Cursor(n).pixmap().isNull()) << "cursor " << n;
    }
}

TEST(Skin, TableRowsAreUniqueAndDrawnAtTheirSize)
{
    QSet<quint64> seen;
    for (const SkinEntry &e : CSkin::Entries()) {
        const quint64 key = (quint64(e.kind) << 32) | quint32(e.number);
        EXPECT_FALSE(seen.contains(key)) << "duplicate row " << e.number;
        seen.insert(key);
        const QImage image = CSkin::Picture(e.number, e.kind);
        EXPECT_EQ(image.size(), QSize(e.width, e.height)) << e.number;
        if (e.role == SkinRole::Strip) {
            EXPECT_EQ(e.height % 4, 0) << "strip " << e.number;
        }
    }
}

TEST(Skin, KindsKeepSeparateNumbers)
{
    EXPECT_NE(CSkin::Picture(243).size(), CSkin::Png(243).size());
    EXPECT_FALSE(CSkin::Has(250)); // the comment pin is a PNG only
    EXPECT_TRUE(CSkin::Picture(999).isNull());
    EXPECT_TRUE(CSkin::Png(157).isNull());
}

TEST(Skin, StripsSplitIntoFourEqualStatesThatDiffer)
{
    for (const SkinEntry &e : CSkin::Entries()) {
        if (e.role != SkinRole::Strip)
            continue;
        const QList<QImage> states = CSkin::StripStates(e.number);
        ASSERT_EQ(states.size(), 4) << e.number;
        for (const QImage &s : states)
            EXPECT_EQ(s.size(), QSize(e.width, e.height / 4)) << e.number;
        // Normal, hover, pressed and disabled must each look different.
        for (int a = 0; a < 4; ++a)
            for (int b = a + 1; b < 4; ++b)
                EXPECT_NE(states[a], states[b]) << "strip " << e.number << " states " << a << b;
    }
}

TEST(Skin, SplitRefusesAStripThatIsNotFourHigh)
{
    EXPECT_TRUE(CSkin::SplitStrip(QImage(10, 30, QImage::Format_ARGB32)).isEmpty());
    EXPECT_TRUE(CSkin::SplitStrip(QImage()).isEmpty());
    EXPECT_EQ(CSkin::SplitStrip(QImage(10, 40, QImage::Format_ARGB32)).size(), 4);
}

TEST(Skin, PopupFacesAndFrameUseTheLightFaceAndDarkBand)
{
    const QImage frameRight = CSkin::Picture(232);
    EXPECT_EQ(frameRight.pixelColor(3, 60), QColor(244, 244, 246));
    const QImage top = CSkin::Picture(234);
    EXPECT_LT(top.pixelColor(80, 12).lightness(), 90); // dark title band
    const QImage login = CSkin::Picture(235);
    EXPECT_EQ(login.pixelColor(login.width() / 2, login.height() - 20), QColor(244, 244, 246));
    EXPECT_LT(login.pixelColor(200, 10).lightness(), 90);
}

TEST(Skin, PopupFramePiecesComeInTheApplicationsOrder)
{
    const std::array<QImage, 8> pieces = CSkin::PopupFramePieces();
    const QSize expected[8]
        = {{13, 24}, {164, 24}, {9, 24}, {7, 126}, {7, 7}, {170, 7}, {7, 7}, {7, 116}};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(pieces[i].size(), expected[i]) << i;
}

TEST(Skin, CaptionsRenderWithAKoreanFace)
{
    CSkin::InstallFontSubstitutions();
    QFont gulim(QString::fromUtf8("굴림"));
    const QFontInfo info(gulim);
    EXPECT_TRUE(CSkin::CaptionFamilies().contains(info.family())) << info.family().toStdString();
    EXPECT_TRUE(QFontMetrics(gulim).inFontUcs4(QChar(u'확').unicode()));

    // The OK button's normal state carries white caption pixels on the blue face.
    const QImage ok = CSkin::StripStates(226).at(0);
    int white = 0;
    for (int y = 0; y < ok.height(); ++y)
        for (int x = 0; x < ok.width(); ++x)
            white += ok.pixelColor(x, y).lightness() > 200;
    EXPECT_GT(white, 10);
}

TEST(Skin, CardKeepsTheCardProportions)
{
    const QImage card = CSkin::Picture(224);
    EXPECT_NEAR(double(card.width()) / card.height(), 85.0 / 53.5, 0.01);
}

TEST(Skin, PicturesAreDrawnOnceAndSharedAcrossThreads)
{
    const qint64 key = CSkin::Picture(312).cacheKey();
    std::vector<qint64> keys(4);
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i)
        threads.emplace_back(
            [&keys, i] { keys[i] = CSkin::Picture(i % 2 ? 312 : 323).cacheKey(); });
    for (std::thread &t : threads)
        t.join();
    EXPECT_EQ(keys[1], key);
    EXPECT_EQ(keys[3], key);
    EXPECT_EQ(keys[0], keys[2]);
}

TEST(Skin, CursorsHaveTheirHotSpots)
{
    const QCursor select = CSkin::Cursor(251);
    EXPECT_EQ(select.hotSpot(), QPoint(1, 1));
    const QCursor pan = CSkin::Cursor(249);
    EXPECT_EQ(pan.hotSpot(), QPoint(16, 16));
    EXPECT_EQ(pan.pixmap().size(), QSize(32, 32));
    EXPECT_EQ(CSkin::Cursor(12345).shape(), Qt::ArrowCursor);
}

} // namespace
