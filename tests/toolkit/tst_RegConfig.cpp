#include "VmReg.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <sys/stat.h>

namespace {

QSettings RawSettings()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Halvern"),
                     QStringLiteral("VmEditor"));
}

unsigned FileMode(const QString &path)
{
    struct stat info
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return 0;
    return info.st_mode & 07777;
}

class RegConfig : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QSettings settings = RawSettings();
        settings.clear();
        settings.sync();
        QFile::remove(settings.fileName());
    }
};

TEST_F(RegConfig, KeyPathsMapOntoTheUserSettingsFile)
{
    EXPECT_EQ(CVmReg::ProgramKeyPath(), QStringLiteral("SOFTWARE\\Halvern\\VmEditor"));
    EXPECT_EQ(CVmReg::SaveOptionsKeyPath(),
              QStringLiteral("SOFTWARE\\Halvern\\VmEditor\\SaveOptions"));

    CVmReg reg;
    ASSERT_TRUE(reg.Open());
    EXPECT_EQ(reg.FileName(), RawSettings().fileName());
    CUbRegConfig options;
    ASSERT_TRUE(options.Open(CVmReg::SaveOptionsKeyPath(), true));
    ASSERT_TRUE(options.WriteDword(QLatin1String(CVmReg::kPublicType), 2));
    ASSERT_TRUE(reg.WriteString(QLatin1String(CVmReg::kUserId), QStringLiteral("kim")));

    QSettings raw = RawSettings();
    EXPECT_EQ(raw.value(QStringLiteral("SaveOptions/PublicType")).toInt(), 2);
    EXPECT_EQ(raw.value(QStringLiteral("UserID")).toString(), QStringLiteral("kim"));
    // The subkey's value is not one of the program key's values.
    EXPECT_FALSE(reg.ReadDword(QLatin1String(CVmReg::kPublicType)));

    for (const char *bad : {"Halvern\\VmEditor", "HARDWARE\\Halvern\\VmEditor", ""}) {
        CUbRegConfig key;
        EXPECT_FALSE(key.Open(QString::fromLatin1(bad), true)) << bad;
        EXPECT_FALSE(key.WriteString(QStringLiteral("x"), QStringLiteral("y")));
        EXPECT_FALSE(key.ReadString(QStringLiteral("x")));
    }
}

TEST_F(RegConfig, SaveOptionsSubkeyOpensOnlyWhenPresent)
{
    CVmReg options;
    EXPECT_FALSE(options.OpenSaveOptions());
    EXPECT_FALSE(options.IsOpen());
    {
        QSettings raw = RawSettings();
        raw.setValue(QStringLiteral("SaveOptions/FacebookSave"), 1);
    }
    ASSERT_TRUE(options.OpenSaveOptions());
    EXPECT_EQ(options.ReadDword(QLatin1String(CVmReg::kFacebookSave)), 1u);
    // Present subkey, missing value: the caller's -1 case.
    EXPECT_FALSE(options.ReadDword(QLatin1String(CVmReg::kPublicType)));
}

TEST_F(RegConfig, StringsAndNumbersRoundTrip)
{
    CVmReg reg;
    ASSERT_TRUE(reg.Open());
    const QString korean = QString::fromUtf8("\xEA\xB9\x80\xEC\xB2\xA0\xEC\x88\x98");
    ASSERT_TRUE(reg.WriteString(QLatin1String(CVmReg::kUserId), korean));
    ASSERT_TRUE(reg.WriteDword(QLatin1String(CVmReg::kMonitorInch), 27));
    ASSERT_TRUE(reg.WriteDword(QStringLiteral("AllBits"), 0xFFFFFFFFu));

    CVmReg again;
    ASSERT_TRUE(again.Open());
    EXPECT_EQ(again.ReadString(QLatin1String(CVmReg::kUserId)), korean);
    EXPECT_EQ(again.ReadDword(QLatin1String(CVmReg::kMonitorInch)), 27u);
    EXPECT_EQ(static_cast<int>(*again.ReadDword(QStringLiteral("AllBits"))), -1);
    EXPECT_FALSE(again.ReadString(QLatin1String(CVmReg::kUserPw)));
    ASSERT_TRUE(again.WriteString(QStringLiteral("NotANumber"), QStringLiteral("12x")));
    EXPECT_FALSE(again.ReadDword(QStringLiteral("NotANumber")));
}

TEST_F(RegConfig, StringReadsAreLimitedTo1024Bytes)
{
    struct Row
    {
        const char *name;
        QString stored;
        std::optional<QString> expected;
    };
    const Row rows[] = {
        {"Fits", QString(512, u'a'), QString(512, u'a')},
        {"OneTooMany", QString(513, u'a'), std::nullopt},
        {"CutAtFirstZero", QStringLiteral("ab") + QChar(u'\0') + QStringLiteral("cd"),
         QStringLiteral("ab")},
        {"LeadingZero", QString(QChar(u'\0')) + QStringLiteral("x"), QString()},
    };
    CVmReg reg;
    ASSERT_TRUE(reg.Open());
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(reg.WriteString(QStringLiteral("Probe"), row.stored));
        CVmReg fresh;
        ASSERT_TRUE(fresh.Open());
        EXPECT_EQ(fresh.ReadString(QStringLiteral("Probe")), row.expected);
    }
}

TEST_F(RegConfig, LogoutLeavesEmptyValuesPresent)
{
    CVmReg reg;
    ASSERT_TRUE(reg.Open());
    ASSERT_TRUE(reg.WriteString(QLatin1String(CVmReg::kUserId), QStringLiteral("kim")));
    ASSERT_TRUE(reg.WriteString(QLatin1String(CVmReg::kUserPw), QStringLiteral("secret")));
    ASSERT_TRUE(reg.WriteString(QLatin1String(CVmReg::kUserId), QString()));
    ASSERT_TRUE(reg.WriteString(QLatin1String(CVmReg::kUserPw), QString()));

    CVmReg later;
    ASSERT_TRUE(later.Open());
    EXPECT_EQ(later.ReadString(QLatin1String(CVmReg::kUserId)), QString());
    EXPECT_EQ(later.ReadString(QLatin1String(CVmReg::kUserPw)), QString());
    EXPECT_TRUE(RawSettings().contains(QStringLiteral("UserPW")));
}

TEST_F(RegConfig, SettingsFileIsReadableByItsOwnerOnly)
{
    CVmReg reg;
    ASSERT_TRUE(reg.Open());
    ASSERT_TRUE(reg.WriteString(QLatin1String(CVmReg::kUserPw), QStringLiteral("secret")));
    EXPECT_EQ(FileMode(reg.FileName()), 0600u);

    // A file left readable by others is closed up by the next write.
    ASSERT_EQ(::chmod(QFile::encodeName(reg.FileName()).constData(), 0644), 0);
    ASSERT_TRUE(reg.WriteDword(QLatin1String(CVmReg::kMonitorInch), 24));
    EXPECT_EQ(FileMode(reg.FileName()), 0600u);
}

TEST_F(RegConfig, CalibrationPairRule)
{
    struct Row
    {
        const char *name;
        std::optional<QString> x, y;
        bool ok;
        double expectedX, expectedY;
    };
    const Row rows[] = {
        {"BothValid", QStringLiteral("3.613693"), QStringLiteral("3.5"), true, 3.613693, 3.5},
        {"YMissing", QStringLiteral("3.7"), std::nullopt, false, 0, 0},
        {"XMissing", std::nullopt, QStringLiteral("3.7"), false, 0, 0},
        {"YZero", QStringLiteral("3.5"), QStringLiteral("0"), false, 0, 0},
        {"XNegative", QStringLiteral("-3.5"), QStringLiteral("3.5"), false, 0, 0},
        {"NotANumber", QStringLiteral("abc"), QStringLiteral("3.5"), false, 0, 0},
        {"Infinite", QStringLiteral("inf"), QStringLiteral("3.5"), false, 0, 0},
        {"LeadingBlankAndSign", QStringLiteral("  +4.25"), QStringLiteral("4.5mm"), true, 4.25,
         4.5},
        {"CommaEndsTheNumber", QStringLiteral("3,75"), QStringLiteral("2"), true, 3.0, 2.0},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        SetUp();
        CVmReg reg;
        ASSERT_TRUE(reg.Open());
        if (row.x) {
            ASSERT_TRUE(reg.WriteString(QLatin1String(CVmReg::kPixelPerMilliX), *row.x));
        }
        if (row.y) {
            ASSERT_TRUE(reg.WriteString(QLatin1String(CVmReg::kPixelPerMilliY), *row.y));
        }
        double x = -1, y = -1;
        EXPECT_EQ(reg.LoadCalibration(x, y), row.ok);
        EXPECT_DOUBLE_EQ(x, row.expectedX);
        EXPECT_DOUBLE_EQ(y, row.expectedY);
    }
}

TEST_F(RegConfig, SaveCalibrationWritesSixDecimals)
{
    CVmReg reg;
    ASSERT_TRUE(reg.Open());
    ASSERT_TRUE(reg.SaveCalibration(3.6136929, 4.0));
    EXPECT_EQ(reg.ReadString(QLatin1String(CVmReg::kPixelPerMilliX)), QStringLiteral("3.613693"));
    EXPECT_EQ(reg.ReadString(QLatin1String(CVmReg::kPixelPerMilliY)), QStringLiteral("4.000000"));
}

// A settings file that cannot be written makes every write report failure instead of
// success, and the failed first value stops the second from being attempted.
TEST_F(RegConfig, WritesReportFailureWhenTheFileCannotBeWritten)
{
    CVmReg reg;
    ASSERT_TRUE(reg.Open());
    const QString fileName = reg.FileName();
    QFile::remove(fileName);
    ASSERT_TRUE(QDir().mkpath(fileName)); // a folder where the file should be
    EXPECT_FALSE(reg.WriteString(QLatin1String(CVmReg::kUserId), QStringLiteral("kim")));
    EXPECT_FALSE(reg.SaveCalibration(3.5, 3.5));
    EXPECT_FALSE(reg.WriteDword(QLatin1String(CVmReg::kMonitorInch), 19));
    ASSERT_TRUE(QDir(fileName).removeRecursively());

    EXPECT_TRUE(reg.WriteDword(QLatin1String(CVmReg::kMonitorInch), 19));
}

TEST(ParseDecimalC, ReadsLikeAtofInTheCLocale)
{
    struct Row
    {
        const char *text;
        double expected;
    };
    const Row rows[]
        = {{"3.613693", 3.613693}, {" \t2.5", 2.5}, {"-1.25", -1.25}, {"+7", 7.0},  {"1e2", 100.0},
           {"12abc", 12.0},        {"", 0.0},       {"abc", 0.0},     {"+-1", 0.0}, {".5", 0.5}};
    for (const Row &row : rows)
        EXPECT_DOUBLE_EQ(ParseDecimalC(QString::fromLatin1(row.text)), row.expected) << row.text;
}

} // namespace
