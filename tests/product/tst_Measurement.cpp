// A photograph's scale from its measuring line, and the history of typed lengths.
#include "MeasureSizeArray.h"
#include "Measurement.h"
#include "helper_QtPrint.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

TEST(Measurement, ApplyTurnsTheLineAndLengthIntoTheScale)
{
    struct Row
    {
        const char *name;
        QPointF start, end;
        double length;
        int unit;
        double lengthMm, pixelPerMilli;
    } rows[] = {
        {"horizontal 100 mm", {100, 50}, {1100, 50}, 100, CMeasureSize::Millimetre, 100, 10},
        {"horizontal 2 inch", {100, 50}, {1100, 50}, 2, CMeasureSize::Inch, 50.8, 19.685039},
        {"vertical, reversed", {10, 900}, {10, 100}, 80, CMeasureSize::Millimetre, 80, 10},
        {"diagonal", {0, 0}, {300, 400}, 50, CMeasureSize::Millimetre, 50, 10},
        {"ten inches", {0, 0}, {254, 0}, 10, CMeasureSize::Inch, 254, 1},
        {"zero-length line", {5, 5}, {5, 5}, 10, CMeasureSize::Millimetre, 10, 0},
    };
    for (const Row &row : rows) {
        CImgFile photo;
        ASSERT_TRUE(CMeasurement::ApplyMeasurement(photo, row.start, row.end, row.length, row.unit))
            << row.name;
        EXPECT_DOUBLE_EQ(photo.LengthMm, row.lengthMm) << row.name;
        EXPECT_NEAR(photo.ImagePixelPerMilli, row.pixelPerMilli, 5e-7) << row.name;
        EXPECT_EQ(photo.InputLength, row.length) << row.name;
        EXPECT_EQ(photo.InputUnit, row.unit) << row.name;
        EXPECT_EQ(photo.MeasureX2, row.end.x()) << row.name;
    }
}

TEST(Measurement, UnusableLengthsKeepThePreviousMeasurement)
{
    const double lengths[] = {0.0, -5.0, std::numeric_limits<double>::quiet_NaN(),
                              std::numeric_limits<double>::infinity(), 1e308};
    for (double length : lengths) {
        CImgFile photo;
        CMeasurement::ApplyMeasurement(photo, {0, 0}, {100, 0}, 10, CMeasureSize::Millimetre);
        EXPECT_FALSE(
            CMeasurement::ApplyMeasurement(photo, {0, 0}, {500, 0}, length, CMeasureSize::Inch))
            << length;
        EXPECT_EQ(photo.LengthMm, 10) << length;
        EXPECT_EQ(photo.ImagePixelPerMilli, 10) << length;
        EXPECT_EQ(photo.MeasureX2, 100) << length;
    }
}

TEST(Measurement, RestoreFromDescriptionRecomputesTheScale)
{
    CImgFile photo;
    photo.InputLength = 3;
    photo.InputUnit = CMeasureSize::Inch;
    CMeasurement::RestoreMeasurement(photo, {100, 0}, {1100, 0}, 50.8);
    EXPECT_EQ(photo.InputUnit, CMeasureSize::Millimetre);
    EXPECT_EQ(photo.InputLength, 0);
    EXPECT_NEAR(photo.ImagePixelPerMilli, 19.685039, 5e-7);
    CMeasurement::RestoreMeasurement(photo, {100, 0}, {1100, 0}, 0);
    EXPECT_EQ(photo.ImagePixelPerMilli, 0);
    EXPECT_EQ(photo.MeasureX2, 1100) << "the line is kept, the photo is not measured";
}

TEST(MeasureSizeArray, RemembersEachLengthAndUnitOnce)
{
    CMeasureSizeArray history;
    EXPECT_TRUE(history.Remember(85.6, CMeasureSize::Millimetre));
    EXPECT_FALSE(history.Remember(85.6, CMeasureSize::Millimetre));
    EXPECT_TRUE(history.Remember(85.6, CMeasureSize::Inch));
    ASSERT_EQ(history.Count(), 2);
    EXPECT_EQ(history.At(0)->HistoryText(), QStringLiteral("85.600 (mm)"));
    EXPECT_EQ(history.At(1)->HistoryText(), QStringLiteral("85.600 (inch)"));
}
