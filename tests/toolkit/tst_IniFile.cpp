#include "LoadConfiguration.h"
#include "ServiceDefaults.h"
#include "UbIniFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace {

bool WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(bytes) == bytes.size();
}

struct Row
{
    const char *name;
    QByteArray content;
    std::optional<QString> expected; // of [Setup] WebSite
};

class IniFileLookup : public ::testing::TestWithParam<Row>
{
};

TEST_P(IniFileLookup, ReadsSetupWebSite)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("VmEditor.ini"));
    ASSERT_TRUE(WriteFile(path, GetParam().content));
    const CUbIniFile ini(path);
    EXPECT_EQ(ini.GetString(QStringLiteral("Setup"), QStringLiteral("WebSite")),
              GetParam().expected);
}

const Row kRows[] = {
    {"Present", "[Setup]\nWebSite=shop.example\n", QStringLiteral("shop.example")},
    {"PresentButEmpty", "[Setup]\nWebSite=\n", QString()},
    {"LastLineWithoutLineEnd", "[Setup]\r\nWebSite=shop.example", QStringLiteral("shop.example")},
    {"CrLf", "[Setup]\r\nWebSite=shop.example\r\n", QStringLiteral("shop.example")},
    {"LoneCr", "[Setup]\rWebSite=shop.example\r", QStringLiteral("shop.example")},
    {"IgnoresCase", "[SETUP]\nwebsite=shop.example\n", QStringLiteral("shop.example")},
    {"Blanks", "  [ Setup ]  \n\t WebSite =  shop.example \t\n", QStringLiteral("shop.example")},
    {"QuotesRemoved", "[Setup]\nWebSite=\"shop.example\"\n", QStringLiteral("shop.example")},
    {"CommentedOut", "[Setup]\n;WebSite=shop.example\n", std::nullopt},
    {"SemicolonInsideValueKept", "[Setup]\nWebSite=a;b\n", QStringLiteral("a;b")},
    {"OtherSection", "[Other]\nWebSite=shop.example\n[Setup]\nKey=1\n", std::nullopt},
    {"FirstKeyWins", "[Setup]\nWebSite=one\nWebSite=two\n", QStringLiteral("one")},
    {"FirstSectionWins", "[Setup]\nKey=1\n[Setup]\nWebSite=two\n", std::nullopt},
    {"MarkerCountsAsMissing", "[Setup]\nWebSite=@@CUbIniFile::GetString@@\n", std::nullopt},
    {"MarkerIsCaseSensitive", "[Setup]\nWebSite=@@cubinifile::getstring@@\n",
     QStringLiteral("@@cubinifile::getstring@@")},
    {"ByteOrderMark", "\xEF\xBB\xBF[Setup]\nWebSite=shop.example\n",
     QStringLiteral("shop.example")},
    {"Utf8Value", "[Setup]\nWebSite=\xEC\x83\x81\xEC\xA0\x90.example\n",
     QString::fromUtf8("\xEC\x83\x81\xEC\xA0\x90.example")},
    {"EmptyFile", "", std::nullopt},
};

INSTANTIATE_TEST_SUITE_P(Rows, IniFileLookup, ::testing::ValuesIn(kRows),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(IniFile, MissingFileIsMissingValue)
{
    QTemporaryDir dir;
    const CUbIniFile ini(dir.filePath(QStringLiteral("absent.ini")));
    EXPECT_FALSE(ini.GetString(QStringLiteral("Setup"), QStringLiteral("WebSite")));
}

TEST(IniFile, LongValueIsCutTo2047Characters)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("long.ini"));
    ASSERT_TRUE(WriteFile(path, "[Setup]\nWebSite=" + QByteArray(3000, 'h') + "\n"));
    const std::optional<QString> value
        = CUbIniFile(path).GetString(QStringLiteral("Setup"), QStringLiteral("WebSite"));
    ASSERT_TRUE(value);
    EXPECT_EQ(value->size(), 2047);

    // A character outside the BMP straddling the cut is dropped whole.
    ASSERT_TRUE(
        WriteFile(path, "[Setup]\nWebSite=" + QByteArray(2046, 'h') + "\xF0\x9F\x98\x80\n"));
    const std::optional<QString> cut
        = CUbIniFile(path).GetString(QStringLiteral("Setup"), QStringLiteral("WebSite"));
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->size(), 2046);
}

TEST(LoadConfiguration, HostFromTheFileBesideTheExecutable)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("VmEditor.ini"));
    // No file: the bundled service's host.
    EXPECT_EQ(LoadConfiguration(dir.path()), QLatin1String(ServiceDefaults::kServiceHost));
    ASSERT_TRUE(WriteFile(ini, "[Setup]\r\nWebSite=content.example:8080\r\n"));
    EXPECT_EQ(LoadConfiguration(dir.path()), QStringLiteral("content.example:8080"));
    // Present but empty is taken as it is, not replaced by the default.
    ASSERT_TRUE(WriteFile(ini, "[Setup]\r\nWebSite=\r\n"));
    EXPECT_EQ(LoadConfiguration(dir.path()), QString());
    ASSERT_TRUE(WriteFile(ini, "[Setup]\r\nOther=x\r\n"));
    EXPECT_EQ(LoadConfiguration(dir.path()), QLatin1String(ServiceDefaults::kServiceHost));
}

} // namespace
