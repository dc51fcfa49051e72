#include "UbIniFileEx.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace {

struct LookupRow
{
    const char *name;
    QByteArray text;
    QByteArray section;
    QByteArray key;
    std::optional<QByteArray> expected;
};

class IniFileExLookup : public ::testing::TestWithParam<LookupRow>
{
};

TEST_P(IniFileExLookup, FindsTheExpectedValue)
{
    const LookupRow &row = GetParam();
    CUbIniFileEx ini;
    ini.Parse(row.text);
    EXPECT_EQ(ini.GetValue(row.section, row.key), row.expected);
}

const LookupRow kLookupRows[] = {
    {"CrLfLines", "[VmEditor]\r\nVersion=1209250\r\n", "VmEditor", "Version", "1209250"},
    {"LastLineWithoutLineEndIsLost", "[VmEditor]\r\nVersion=1209250", "VmEditor", "Version",
     std::nullopt},
    {"LoneCrEndsALine", "[VmEditor]\rVersion=7\r", "VmEditor", "Version", "7"},
    {"LfCrIsTwoLineEnds", "[VmEditor]\n\rVersion=7\n", "VmEditor", "Version", "7"},
    {"CommentsAndBlanks", " [ VmEditor ] ; the editor\r\nVersion = 1 ; first release\r\n",
     "VmEditor", "Version", "1"},
    {"TabsTrimmed", "[VmEditor]\n\tVersion\t=\t5\t\n", "VmEditor", "Version", "5"},
    {"NamesIgnoreAsciiCase", "[vmeditor]\nVERSION=3\n", "VmEditor", "version", "3"},
    {"FirstOfDuplicateSections", "[VmEditor]\nOther=1\n[VmEditor]\nVersion=2\n", "VmEditor",
     "Version", std::nullopt},
    {"FirstOfDuplicateKeys", "[VmEditor]\nVersion=1\nVersion=2\n", "VmEditor", "Version", "1"},
    {"ThreePiecesSkipped", "[S]\na=b=c\n", "S", "a", std::nullopt},
    {"EmptyValueSkipped", "[S]\nkey=\n", "S", "key", std::nullopt},
    {"TrailingEqualsIgnored", "[S]\nkey=v=\n", "S", "key", "v"},
    {"EmptyMiddlePieceCounts", "[S]\nkey==v\n", "S", "key", std::nullopt},
    {"PairBeforeAnySectionSkipped", "key=v\n[S]\n", "S", "key", std::nullopt},
    {"BracketWithoutCloseSkipped", "[S\nkey=v\n", "S", "key", std::nullopt},
    {"PairAfterUnclosedBracketStaysInSection", "[S]\n[T\nkey=v\n", "S", "key", "v"},
    {"TextEndsAtZeroByte", QByteArray("[S]\nkey=v\n\0other=w\n", 20), "S", "other", std::nullopt},
    {"MissingSection", "[S]\nkey=v\n", "T", "key", std::nullopt},
};

INSTANTIATE_TEST_SUITE_P(Rows, IniFileExLookup, ::testing::ValuesIn(kLookupRows),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(IniFileEx, ShortLinesDeclareNothing)
{
    CUbIniFileEx ini;
    ini.Parse("ab\r\n=\r\n[]\r\nx=\r\n");
    EXPECT_TRUE(ini.Sections().empty());
}

TEST(IniFileEx, OneSectionWithOnePair)
{
    CUbIniFileEx ini;
    ini.Parse("[VmEditor]\r\nVersion=1209250\r\n");
    ASSERT_EQ(ini.Sections().size(), 1u);
    EXPECT_EQ(ini.Sections()[0].name, "VmEditor");
    ASSERT_EQ(ini.Sections()[0].values.size(), 1u);
    EXPECT_EQ(ini.Sections()[0].values[0].key, "Version");
}

TEST(IniFileEx, DuplicateSectionsAreKeptApart)
{
    CUbIniFileEx ini;
    ini.Parse("[VmEditor]\nA=1\n[VmEditor]\nB=2\n");
    ASSERT_EQ(ini.Sections().size(), 2u);
    EXPECT_EQ(ini.Sections()[1].values.at(0).key, "B");
}

TEST(IniFileEx, ParseReplacesEarlierContent)
{
    CUbIniFileEx ini;
    ini.Parse("[A]\nk=1\n");
    ini.Parse("[B]\nk=2\n");
    EXPECT_FALSE(ini.GetValue("A", "k"));
    EXPECT_EQ(ini.GetValue("B", "k"), QByteArray("2"));
}

// The line buffer holds 1023 bytes of a line and its line end; longer lines are cut there and
// the lines after them are read normally.
TEST(IniFileEx, OverLongLinesAreCutAtTheLineBuffer)
{
    struct Row
    {
        const char *name;
        int valueLength;
        const char *lineEnd;
        int expectedLength;
    };
    const Row rows[] = {
        {"FitsWithLf", 1020, "\n", 1020}, // 2 + 1020 + 1 = 1023 bytes
        {"FitsWithCrLf", 1019, "\r\n", 1019}, // 2 + 1019 + 2
        {"CutWithLf", 1021, "\n", 1021}, // the LF falls off, nothing of the value
        {"CutLong", 5000, "\n", 1021},        {"CutLongCrLf", 100000, "\r\n", 1021},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        QByteArray text = "[S]\nk=" + QByteArray(row.valueLength, 'x') + row.lineEnd + "j=1\n";
        CUbIniFileEx ini;
        ini.Parse(text);
        const std::optional<QByteArray> value = ini.GetValue("S", "k");
        ASSERT_TRUE(value);
        EXPECT_EQ(value->size(), row.expectedLength);
        EXPECT_EQ(ini.GetValue("S", "j"), QByteArray("1"));
    }
}

TEST(IniFileEx, ManyEqualsSignsDoNotOverrun)
{
    CUbIniFileEx ini;
    ini.Parse("[S]\n" + QByteArray(4000, '=') + "\nk=v\n");
    EXPECT_EQ(ini.GetValue("S", "k"), QByteArray("v"));
    ini.Parse(static_cast<const char *>(nullptr));
    EXPECT_TRUE(ini.Sections().empty());
}

} // namespace
