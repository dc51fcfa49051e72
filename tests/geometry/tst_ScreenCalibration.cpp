#include "PrimaryScreen.h"
#include "ScreenCalibration.h"
#include "VmReg.h"

#include <QLocale>
#include <QSettings>

#include <climits>
#include <clocale>
#include <cmath>
#include <gtest/gtest.h>
#include <string>

namespace {

constexpr double kTolerance = 5e-8;

class StoredCalibration : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Halvern"),
                           QStringLiteral("VmEditor"));
        settings.clear();
        settings.sync();
        ASSERT_TRUE(reg.Open());
    }
    CVmReg reg;
};

TEST_F(StoredCalibration, RoundTripKeepsSixDecimals)
{
    ASSERT_TRUE(SaveCalibration(reg, {3.6136929, 3.6136929}));
    EXPECT_EQ(reg.ReadString(QLatin1String(CVmReg::kPixelPerMilliX)), QStringLiteral("3.613693"));
    CVmReg later;
    ASSERT_TRUE(later.Open());
    const ScreenCalibration loaded = LoadCalibration(later);
    EXPECT_EQ(loaded, (ScreenCalibration {3.613693, 3.613693}));
}

TEST_F(StoredCalibration, DecimalPointDoesNotFollowTheUserLocale)
{
    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    const bool german = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
    QLocale::setDefault(QLocale(QLocale::German));
    ASSERT_TRUE(SaveCalibration(reg, {4.25, 3.5}));
    EXPECT_EQ(reg.ReadString(QLatin1String(CVmReg::kPixelPerMilliX)), QStringLiteral("4.250000"));
    EXPECT_EQ(LoadCalibration(reg), (ScreenCalibration {4.25, 3.5}));
    QLocale::setDefault(QLocale::c());
    std::setlocale(LC_NUMERIC, previous.c_str());
    if (!german)
        GTEST_LOG_(INFO) << "de_DE.UTF-8 is not installed; only Qt's locale was switched";
}

TEST_F(StoredCalibration, HalfValidPairIsUncalibrated)
{
    ASSERT_TRUE(reg.WriteString(QLatin1String(CVmReg::kPixelPerMilliX), QStringLiteral("3.5")));
    ASSERT_TRUE(reg.WriteString(QLatin1String(CVmReg::kPixelPerMilliY), QStringLiteral("0")));
    const ScreenCalibration loaded = LoadCalibration(reg);
    EXPECT_FALSE(IsCalibrated(loaded));
    EXPECT_EQ(loaded, ScreenCalibration());
}

TEST_F(StoredCalibration, MonitorInch)
{
    EXPECT_EQ(LoadMonitorInch(reg), -1);
    EXPECT_FALSE(SaveMonitorInch(reg, 0));
    EXPECT_FALSE(SaveMonitorInch(reg, -3));
    EXPECT_EQ(LoadMonitorInch(reg), -1);
    ASSERT_TRUE(SaveMonitorInch(reg, 27));
    EXPECT_EQ(LoadMonitorInch(reg), 27);
    EXPECT_FALSE(SaveMonitorInch(reg, -1));
    EXPECT_EQ(LoadMonitorInch(reg), 27);
}

TEST(Calibration, FromMonitorDiagonal)
{
    struct Row
    {
        const char *name;
        int inches, width, height;
        double expected;
    };
    const Row rows[] = {
        {"FullHd24", 24, 1920, 1080, 3.6136929},
        {"Sxga19", 19, 1280, 1024, 3.3966013},
        {"ZeroInches", 0, 1920, 1080, 0.0},
        {"NegativeInches", -5, 1920, 1080, 0.0},
    };
    for (const Row &row : rows)
        EXPECT_NEAR(FromMonitorDiagonal(row.inches, row.width, row.height), row.expected,
                    kTolerance)
            << row.name;
}

TEST(Calibration, CardRectangleBothWays)
{
    const double density = FromMonitorDiagonal(19, 1280, 1024);
    EXPECT_EQ(CardRectangleSize({density, density}), QSize(289, 182));

    const ScreenCalibration card = FromCardRectangle(400, 250);
    EXPECT_NEAR(card.PixelPerMilliX, 4.7058824, kTolerance);
    EXPECT_NEAR(card.PixelPerMilliY, 4.6728972, kTolerance);
    EXPECT_EQ(CardRectangleSize(card), QSize(400, 250));

    // The default picture, and what it would give if confirmed as it is.
    EXPECT_EQ(CardRectangleSize({}), QSize(413, 267));
    EXPECT_EQ(CardRectangleSize({3.5, 0.0}), QSize(413, 267));
    const ScreenCalibration fromDefault = FromCardRectangle(413, 267);
    EXPECT_NEAR(fromDefault.PixelPerMilliX, 4.8588235, kTolerance);
    EXPECT_NEAR(fromDefault.PixelPerMilliY, 4.9906542, kTolerance);

    EXPECT_EQ(CardRectangleSize({0.01, 0.01}), QSize(10, 10));
    EXPECT_EQ(CardRectangleSize({1e300, 1e300}), QSize(INT_MAX, INT_MAX));
}

TEST(Calibration, IsCalibrated)
{
    EXPECT_TRUE(IsCalibrated({3.6, 3.6}));
    EXPECT_FALSE(IsCalibrated({}));
    EXPECT_FALSE(IsCalibrated({3.5, 0.0}));
    EXPECT_FALSE(IsCalibrated({0.0, 3.5}));
    EXPECT_FALSE(IsCalibrated({-1.0, 3.5}));
}

TEST(Calibration, Conversions)
{
    EXPECT_DOUBLE_EQ(LengthToMm(2, LengthUnit::Inch), 50.8);
    EXPECT_DOUBLE_EQ(LengthToMm(2, LengthUnit::Millimetre), 2.0);

    const ScreenCalibration screen {4.0, 5.0};
    EXPECT_DOUBLE_EQ(RealSizeFactor(screen, 10.0), 0.4);
    EXPECT_DOUBLE_EQ(RealSizeFactorY(screen, 10.0), 0.5);
    EXPECT_DOUBLE_EQ(RealSizeWidth(1000, screen, 10.0), 400.0);
    EXPECT_EQ(DescriptionRealWidth(1000, screen, 10.0), 1200);
    EXPECT_EQ(DescriptionRealWidth(1001, {1.0, 1.0}, 6.0), 501); // 500.5 rounds up

    // A 100-pixel line over 2 inches: 100 / 50.8 image pixels per millimetre.
    const double scale = PhotoScale(100.0, LengthToMm(2, LengthUnit::Inch));
    EXPECT_NEAR(scale, 1.9685039, kTolerance);
    EXPECT_NEAR(ImagePixelsToMm(100.0, scale), 50.8, 1e-9);
    EXPECT_NEAR(MmToImagePixels(50.8, scale), 100.0, 1e-9);

    // A printer with 4960 dots over 210 mm.
    const double printer = DeviceDensity(4960, 210);
    EXPECT_NEAR(MmToDevicePixels(210, printer), 4960, 1e-9);
    EXPECT_NEAR(ImagePixelsToDevicePixels(1000, printer, 10.0), 100 * printer, 1e-9);

    // Unmeasured photographs and empty lengths never yield infinities.
    EXPECT_EQ(RealSizeFactor(screen, 0.0), 0.0);
    EXPECT_EQ(ImagePixelsToMm(10, 0.0), 0.0);
    EXPECT_EQ(PhotoScale(10, 0.0), 0.0);
    EXPECT_EQ(ImagePixelsToDevicePixels(10, printer, -1.0), 0.0);
    EXPECT_EQ(DeviceDensity(4960, 0), 0.0);
}

TEST(Calibration, RoundHalfUp)
{
    EXPECT_EQ(RoundHalfUp(288.5), 289);
    EXPECT_EQ(RoundHalfUp(288.49), 288);
    EXPECT_EQ(RoundHalfUp(0.0), 0);
    EXPECT_EQ(RoundHalfUp(std::nan("")), 0);
    EXPECT_EQ(RoundHalfUp(1e20), INT_MAX);
}

TEST(Calibration, PrimaryScreenSizeIsThatOfTheScreen)
{
    const QSize size = PrimaryScreenSize();
    ASSERT_FALSE(size.isEmpty());
    EXPECT_NEAR(FromMonitorDiagonal(24, size.width(), size.height()),
                std::hypot(size.width(), size.height()) / 609.6, 1e-12);
}

} // namespace
