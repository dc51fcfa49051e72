// The archive reader: archives made by other tools, bytes in front of an archive, the name
// clean-up, attributes and times, and hostile archives that must never write outside the
// target folder, follow links, or fill the disk.
#include "UbUnzip.h"
#include "UbZip.h"
#include "tst_ZipTestTools.h"

#include <QDateTime>
#include <QFileInfo>
#include <QTemporaryDir>

#include <functional>
#include <gtest/gtest.h>

using namespace ZipFormat;
using namespace ZipTest;

namespace {

// The member files every tool archives.
struct TreeFile
{
    QString path;
    QByteArray content;
};

std::vector<TreeFile> SampleTree()
{
    return {
        {QStringLiteral("a.txt"), TextBytes(100000)},
        {QStringLiteral("bin.dat"), RandomBytes(300000, 21)},
        {QStringLiteral("sub/deep/c.txt"), TextBytes(5000)},
        {QStringLiteral("empty.txt"), QByteArray()},
        {QStringLiteral("한글.txt"), TextBytes(1234)},
    };
}

QStringList TopLevelNames()
{
    return {QStringLiteral("a.txt"), QStringLiteral("bin.dat"), QStringLiteral("sub"),
            QStringLiteral("empty.txt"), QStringLiteral("한글.txt")};
}

const char *const kPythonWriter = R"(
import sys, zipfile
class Unseekable:
    def __init__(self, f): self.f = f
    def write(self, b): return self.f.write(b)
    def flush(self): self.f.flush()
out = open(sys.argv[1], "wb")
target = Unseekable(out) if sys.argv[2] == "stream" else out
with zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED) as z:
    for name in sys.argv[3:]:
        z.write(name)
out.close()
)";

QStringList AllFiles()
{
    QStringList names;
    for (const TreeFile &f : SampleTree())
        names << f.path;
    return names;
}

struct ToolCase
{
    const char *name;
    const char *tool;
    // Makes `archive` from the sample tree in `work`; returns the tool's run.
    std::function<ToolRun(const QString &work, const QString &archive)> make;
    bool expectDescriptor = false;
    int prefixJunk = 0;
};

const ToolCase kToolCases[] = {
    {"InfoZipDeflated", "zip",
     [](const QString &work, const QString &archive) {
         return RunTool("zip", QStringList {"-q", "-r", archive} + TopLevelNames(), work);
     }},
    {"InfoZipStored", "zip",
     [](const QString &work, const QString &archive) {
         return RunTool("zip", QStringList {"-q", "-0", "-r", archive} + TopLevelNames(), work);
     }},
    {"InfoZipWithLongComment", "zip",
     [](const QString &work, const QString &archive) {
         return RunTool("zip", QStringList {"-q", "-r", "-z", archive} + TopLevelNames(), work,
                        TextBytes(40000));
     }},
    {"InfoZipWithJunkInFront", "zip",
     [](const QString &work, const QString &archive) {
         const ToolRun run
             = RunTool("zip", QStringList {"-q", "-r", archive} + TopLevelNames(), work);
         WriteFile(archive, QByteArray("JUNK1234") + ReadFile(archive));
         return run;
     },
     false, 8},
    {"PythonSeekable", "python3",
     [](const QString &work, const QString &archive) {
         return RunTool("python3",
                        QStringList {"-c", QString::fromUtf8(kPythonWriter), archive, "file"}
                            + AllFiles(),
                        work);
     }},
    {"PythonUnseekableStream", "python3",
     [](const QString &work, const QString &archive) {
         return RunTool("python3",
                        QStringList {"-c", QString::fromUtf8(kPythonWriter), archive, "stream"}
                            + AllFiles(),
                        work);
     },
     true},
    {"BsdtarZip", "bsdtar",
     [](const QString &work, const QString &archive) {
         return RunTool("bsdtar", QStringList {"--format", "zip", "-cf", archive} + TopLevelNames(),
                        work);
     }},
};

class ToolArchiveTest : public ::testing::TestWithParam<ToolCase>
{
};

TEST_P(ToolArchiveTest, ExtractsEveryMemberExactly)
{
    const ToolCase &c = GetParam();
    if (!HaveTool(c.tool))
        GTEST_SKIP() << c.tool << " is not installed";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString work = dir.filePath("tree");
    for (const TreeFile &f : SampleTree())
        ASSERT_TRUE(WriteFile(work + "/" + f.path, f.content));
    const QString archive = dir.filePath("made.zip");
    const ToolRun run = c.make(work, archive);
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    const QByteArray bytes = ReadFile(archive);
    ASSERT_GT(bytes.size(), 100);
    if (c.expectDescriptor) { // the fixture really uses data descriptors
        ASSERT_TRUE(Get16(reinterpret_cast<const uint8_t *>(bytes.constData()) + 6) & 0x0008);
    }

    CUbUnzip unzip;
    ASSERT_TRUE(unzip.Open(archive)) << unzip.LastError();
    ZipItem count;
    ASSERT_TRUE(unzip.GetItem(-1, count));
    EXPECT_GE(count.index, int(SampleTree().size()));
    const QString out = dir.filePath("out");
    ASSERT_TRUE(QDir().mkpath(out));
    ASSERT_TRUE(unzip.ExtractAll(out)) << std::hex << unzip.LastError();
    for (const TreeFile &f : SampleTree()) {
        const QString path = out + "/" + f.path;
        EXPECT_TRUE(QFileInfo(path).isFile()) << f.path.toStdString();
        EXPECT_EQ(ReadFile(path), f.content) << f.path.toStdString();
        EXPECT_FALSE(QFileInfo(path).isSymLink());
    }
    // No temporary files are left beside the members.
    for (const QString &name : ListTree(out))
        EXPECT_FALSE(name.contains(".part")) << name.toStdString();
    // Modification times survive to the second (every tool here records them).
    EXPECT_EQ(QFileInfo(out + "/bin.dat").lastModified().toSecsSinceEpoch() / 2,
              QFileInfo(work + "/bin.dat").lastModified().toSecsSinceEpoch() / 2);
}

INSTANTIATE_TEST_SUITE_P(Tools, ToolArchiveTest, ::testing::ValuesIn(kToolCases),
                         [](const auto &info) { return std::string(info.param.name); });

class ReaderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_out = m_dir.filePath("out");
        ASSERT_TRUE(QDir().mkpath(m_out));
    }
    QString Save(const QByteArray &bytes, const QString &name = QStringLiteral("a.zip"))
    {
        const QString path = m_dir.filePath(name);
        EXPECT_TRUE(WriteFile(path, bytes));
        return path;
    }
    bool OpenBytes(CUbUnzip &unzip, const QByteArray &bytes) { return unzip.Open(Save(bytes)); }
    QStringList Everything() const { return ListTree(m_dir.path()); }

    QTemporaryDir m_dir;
    QString m_out;
};

TEST(ZipNameCleanup, RemovesDrivesLeadingSlashesAndParentPrefixes)
{
    const struct
    {
        const char *in, *out;
    } rows[] = {
        {"../../evil.txt", "evil.txt"},
        {"..\\..\\evil.txt", "evil.txt"},
        {"C:\\evil.txt", "evil.txt"},
        {"C:evil.txt", "evil.txt"},
        {"a/../b.txt", "b.txt"},
        {"/abs/x", "abs/x"},
        {"\\\\server\\share\\x", "server\\share\\x"},
        {"x/y/../../z", "../z"}, // the remainder still climbs: refused at extraction
        {"../x", "../x"},
        {"a/..\\b", "b"},
        {"a\\../b", "b"},
        {"plain/name.txt", "plain/name.txt"},
        {"D:/../C:/x", "../C:/x"}, // refused at extraction
        {"", ""},
    };
    for (const auto &row : rows)
        EXPECT_EQ(CleanEntryName(QString::fromUtf8(row.in)), QString::fromUtf8(row.out)) << row.in;
}

TEST(ZipAttributes, FromHostAndExternalAttributes)
{
    const struct
    {
        const char *row;
        uint16_t madeBy;
        uint32_t external, attributes;
    } rows[] = {
        {"unix rw file", 0x031E, 0x81A40000, 0x20},
        {"unix read-only file", 0x031E, 0x81240000, 0x21},
        {"unix folder", 0x031E, 0x41ED0010, 0x30},
        {"dos read-only", 0x0014, 0x00000001, 0x01},
        {"dos without archive bit", 0x0014, 0x00000000, 0x00},
        {"ntfs hidden archive", 0x0B17, 0x81800022, 0x22},
        {"vfat all bits", 0x0E14, 0xFFFFFFFF, 0x37},
        {"os/2 bits", 0x0614, 0x00000010, 0x21}, // other host: only bit 30/23 count
    };
    for (const auto &row : rows)
        EXPECT_EQ(AttributesFromExternal(row.madeBy, row.external), row.attributes) << row.row;
}

TEST_F(ReaderTest, UnixModesDecideWritability)
{
    RawEntry rw {"rw.txt", "writable"};
    RawEntry ro {"ro.txt", "read only"};
    ro.external = 0x81240000;
    CUbUnzip unzip;
    ASSERT_TRUE(OpenBytes(unzip, BuildArchive({rw, ro}).bytes));
    ASSERT_TRUE(unzip.ExtractAll(m_out));
    EXPECT_TRUE(QFileInfo(m_out + "/rw.txt").permissions() & QFileDevice::WriteOwner);
    EXPECT_FALSE(QFileInfo(m_out + "/ro.txt").permissions() & QFileDevice::WriteOwner);
    EXPECT_EQ(ReadFile(m_out + "/ro.txt"), "read only");
    // Extracting again replaces the read-only file.
    ASSERT_TRUE(unzip.ExtractAll(m_out));
}

TEST_F(ReaderTest, TimesFromDosFieldsAndExtendedTimestamp)
{
    RawEntry plain {"plain.txt", "x"};
    RawEntry stamped {"stamped.txt", "y"};
    const int32_t modified = 1700000000, accessed = 1700000100;
    stamped.localExtra = QByteArray("\x0A\x00\x04\x00"
                                    "abcd",
                                    8); // an unrelated block first
    stamped.localExtra += QByteArray("UT\x09\x00\x03", 5);
    Put32(stamped.localExtra, uint32_t(modified));
    Put32(stamped.localExtra, uint32_t(accessed));
    CUbUnzip unzip;
    ASSERT_TRUE(OpenBytes(unzip, BuildArchive({plain, stamped}).bytes));
    ZipItem item;
    ASSERT_TRUE(unzip.GetItem(0, item));
    const int64_t dos = DosToFileTime(0x58A6, 0x51F2);
    const QDateTime local(QDate(2024, 5, 6), QTime(10, 15, 36), Qt::LocalTime);
    EXPECT_EQ(dos, UnixToFileTime(local.toSecsSinceEpoch()));
    EXPECT_EQ(item.writeTime, dos);
    EXPECT_EQ(item.accessTime, dos);
    EXPECT_EQ(item.creationTime, dos);
    ASSERT_TRUE(unzip.GetItem(1, item));
    EXPECT_EQ(item.writeTime, UnixToFileTime(modified));
    EXPECT_EQ(item.accessTime, UnixToFileTime(accessed));
    EXPECT_EQ(item.creationTime, dos); // flag bit 2 is clear
    ASSERT_TRUE(unzip.ExtractAll(m_out));
    EXPECT_EQ(QFileInfo(m_out + "/stamped.txt").lastModified().toSecsSinceEpoch(), modified);
}

TEST_F(ReaderTest, EmptyArchivesAndZeroLengthEntries)
{
    CUbUnzip unzip;
    ASSERT_TRUE(OpenBytes(unzip, BuildArchive({}).bytes));
    ZipItem item;
    ASSERT_TRUE(unzip.GetItem(-1, item));
    EXPECT_EQ(item.index, 0);
    EXPECT_TRUE(unzip.ExtractAll(m_out));
    EXPECT_FALSE(unzip.GetItem(0, item));
    EXPECT_EQ(unzip.LastError(), 0x10000);

    RawEntry deflated {"zero-deflated", QByteArray()};
    RawEntry stored {"zero-stored", QByteArray()};
    stored.method = 0;
    ASSERT_TRUE(OpenBytes(unzip, BuildArchive({deflated, stored}).bytes));
    EXPECT_EQ(unzip.UnzipItem(0, m_out + "/zd"), 0);
    EXPECT_EQ(unzip.UnzipItem(1, m_out + "/zs"), 0);
    EXPECT_TRUE(QFileInfo(m_out + "/zd").isFile());
    EXPECT_EQ(QFileInfo(m_out + "/zd").size(), 0);
    EXPECT_EQ(QFileInfo(m_out + "/zs").size(), 0);
}

TEST_F(ReaderTest, FilesThatAreNoArchive)
{
    const struct
    {
        const char *row;
        QByteArray bytes;
    } rows[] = {
        {"empty file", QByteArray()},
        {"shorter than an end record", QByteArray("PK\x05\x06", 4)},
        {"text", TextBytes(5000)},
        {"end record on a second disk",
         [] {
             QByteArray b = BuildArchive({}).bytes;
             b[4] = 1;
             return b;
         }()},
        {"entry counts differ",
         [] {
             QByteArray b = BuildArchive({RawEntry {"a", "b"}}).bytes;
             b[b.size() - 22 + 8] = 2;
             return b;
         }()},
        {"directory beyond the end record",
         [] {
             QByteArray b = BuildArchive({RawEntry {"a", "b"}}).bytes;
             b[b.size() - 22 + 16] = char(0x7F);
             return b;
         }()},
    };
    for (const auto &row : rows) {
        CUbUnzip unzip;
        EXPECT_FALSE(OpenBytes(unzip, row.bytes)) << row.row;
        EXPECT_EQ(unzip.LastError(), 0x200) << row.row;
    }
    CUbUnzip unzip;
    EXPECT_FALSE(unzip.Open(m_dir.filePath("missing.zip")));
    EXPECT_EQ(unzip.LastError(), 0x200);
}

TEST_F(ReaderTest, WalksTheDirectoryInAnyOrderAndSkipsJunkInFront)
{
    std::vector<RawEntry> entries;
    for (int i = 0; i < 6; ++i)
        entries.push_back(RawEntry {"e" + QByteArray::number(i), TextBytes(100 + i)});
    const RawArchive archive = BuildArchive(entries, QByteArray(8, 'J'));
    CUbUnzip unzip;
    ASSERT_TRUE(OpenBytes(unzip, archive.bytes));
    for (int index : {3, 1, 5, 0, 5, 2, 4}) {
        ZipItem item;
        ASSERT_TRUE(unzip.GetItem(index, item)) << index;
        EXPECT_EQ(item.index, index);
        EXPECT_EQ(item.name, QStringLiteral("e%1").arg(index));
        EXPECT_EQ(item.size, uint32_t(100 + index));
    }
    ASSERT_TRUE(unzip.ExtractAll(m_out));
    EXPECT_EQ(ReadFile(m_out + "/e4"), TextBytes(104));
}

// A hostile name either lands at the expected place inside the folder, or is refused; in no
// case does anything appear outside it.
TEST_F(ReaderTest, NamesNeverLeaveTheTargetFolder)
{
    const struct
    {
        const char *row;
        QByteArray name;
        const char *placedAt; // nullptr: refused
    } rows[] = {
        {"parent prefixes", "../../evil.txt", "evil.txt"},
        {"backslash parents", "..\\..\\evil.txt", "evil.txt"},
        {"drive letter", "C:\\evil.txt", "evil.txt"},
        {"drive relative", "C:../evil.txt", nullptr},
        {"inner parent", "a/../b.txt", "b.txt"},
        {"absolute", "/abs/x", "abs/x"},
        {"absolute backslash", "\\abs\\y", "abs/y"},
        {"unc", "//server/share/z", "server/share/z"},
        {"climbs after clean-up", "../x", nullptr},
        {"backslash climb", "..\\x", nullptr},
        {"climb after two levels", "x/y/../../z", nullptr},
        {"trailing parent", "a/..", nullptr},
        {"dot segments", "./a/./b.txt", "a/b.txt"},
        {"nul byte", QByteArray("ok\0/../../evil", 14), nullptr},
        {"control character", "a\nb", nullptr},
        {"dots only name", "....", "...."},
        {"empty name", "", nullptr},
        {"backslash folders", "dir\\file.txt", "dir/file.txt"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.row);
        QTemporaryDir dir;
        const QString out = dir.filePath("t/out");
        ASSERT_TRUE(QDir().mkpath(out));
        CUbUnzip unzip;
        ASSERT_TRUE(unzip.OpenMemory(BuildArchive({RawEntry {row.name, "payload"}}).bytes));
        const bool ok = unzip.ExtractAll(out);
        EXPECT_EQ(ok, row.placedAt != nullptr);
        QStringList expected {"t", "t/out"};
        if (row.placedAt) {
            const QStringList parts = QString::fromUtf8(row.placedAt).split('/');
            QString path = "t/out";
            for (const QString &part : parts)
                expected << (path += "/" + part);
            EXPECT_EQ(ReadFile(dir.filePath(path)), "payload");
        }
        expected.sort();
        EXPECT_EQ(ListTree(dir.path()), expected);
    }
}

TEST_F(ReaderTest, NeverWritesThroughLinks)
{
    const QString outside = m_dir.filePath("outside");
    ASSERT_TRUE(QDir().mkpath(outside));
    ASSERT_TRUE(WriteFile(outside + "/target.txt", "keep"));
    ASSERT_TRUE(QFile::link(outside, m_out + "/linkdir"));
    ASSERT_TRUE(QFile::link(outside + "/target.txt", m_out + "/linkfile.txt"));
    ASSERT_TRUE(QFile::link(outside + "/new.txt", m_out + "/dangling.txt"));

    const struct
    {
        const char *row;
        QByteArray name;
    } rows[] = {
        {"folder link", "linkdir/x.txt"},
        {"file link", "linkfile.txt"},
        {"dangling link", "dangling.txt"},
    };
    for (const auto &row : rows) {
        CUbUnzip unzip;
        ASSERT_TRUE(unzip.OpenMemory(BuildArchive({RawEntry {row.name, "evil"}}).bytes));
        EXPECT_FALSE(unzip.ExtractAll(m_out)) << row.row;
    }
    EXPECT_EQ(ListTree(outside), QStringList {"target.txt"});
    EXPECT_EQ(ReadFile(outside + "/target.txt"), "keep");
    EXPECT_TRUE(QFileInfo(m_out + "/linkfile.txt").isSymLink());

    // A member recorded as a link (Unix mode 0120777) comes out as a plain file.
    RawEntry link {"made-link", "../outside/target.txt"};
    link.external = 0xA1FF0000;
    CUbUnzip unzip;
    ASSERT_TRUE(unzip.OpenMemory(BuildArchive({link}).bytes));
    ASSERT_TRUE(unzip.ExtractAll(m_out));
    EXPECT_FALSE(QFileInfo(m_out + "/made-link").isSymLink());
    EXPECT_EQ(ReadFile(m_out + "/made-link"), "../outside/target.txt");
}

TEST_F(ReaderTest, NamesOfTheLimitAndBeyond)
{
    QByteArray longest;
    while (longest.size() < 259)
        longest += "abcdefghi/";
    longest.truncate(259);
    const QByteArray tooLong = longest + "x";
    CUbUnzip unzip;
    ASSERT_TRUE(unzip.OpenMemory(BuildArchive({{longest, "a"}, {tooLong, "b"}, {"c", "c"}}).bytes));
    ZipItem item;
    ASSERT_TRUE(unzip.GetItem(0, item));
    EXPECT_EQ(item.name.size(), 259);
    EXPECT_FALSE(unzip.GetItem(1, item));
    EXPECT_EQ(unzip.LastError(), 0x700);
    ASSERT_TRUE(unzip.GetItem(2, item)); // the walk goes on past the refused entry
    EXPECT_EQ(item.name, "c");
    EXPECT_FALSE(unzip.ExtractAll(m_out));
    EXPECT_TRUE(ListTree(m_out).isEmpty());
}

// Corrupt headers and data: the request fails with its code and nothing is left on disk.
TEST_F(ReaderTest, CorruptEntriesFailWithoutLeavingFiles)
{
    const QByteArray data = RandomBytes(50000, 3) + TextBytes(50000);
    auto patch = [](RawArchive a, int offset, QByteArray bytes) {
        a.bytes.replace(offset, bytes.size(), bytes);
        return a.bytes;
    };
    const RawArchive good = BuildArchive({RawEntry {"f.bin", data}});
    const int local = good.localOffsets[0];
    const RawArchive storedGood = [&] {
        RawEntry e {"f.bin", data};
        e.method = 0;
        return BuildArchive({e});
    }();
    const struct
    {
        const char *row;
        QByteArray bytes;
        int getItem, unzipItem;
    } rows[] = {
        {"local signature", patch(good, local, "PK\x07\x08"), 0x700, 0x700},
        {"local method differs", patch(good, local + 8, QByteArray(1, 0)), 0x700, 0x700},
        {"local crc differs", patch(good, local + 14, "XXXX"), 0x700, 0x700},
        {"local size differs", patch(good, local + 22, "XXXX"), 0x700, 0x700},
        {"local name length differs", patch(good, local + 26, QByteArray(1, 9)), 0x700, 0x700},
        {"crc wrong in both headers",
         [&] {
             RawEntry e {"f.bin", data};
             e.crc = 0x12345678;
             return BuildArchive({e}).bytes;
         }(),
         0, 0x5000000},
        {"bzip2 method",
         [&] {
             RawEntry e {"f.bin", data};
             e.method = 12;
             return BuildArchive({e}).bytes;
         }(),
         0x700, 0x700},
        {"deflate stream cut short",
         [&] {
             RawEntry e {"f.bin", data};
             e.payload = RawDeflate(data).left(20000);
             return BuildArchive({e}).bytes;
         }(),
         0, 0x5000000},
        {"deflate garbage",
         [&] {
             RawEntry e {"f.bin", data};
             e.payload = QByteArray(3000, char(0xFF));
             return BuildArchive({e}).bytes;
         }(),
         0, 0x5000000},
        {"stored data shorter than its size",
         [&] {
             RawEntry e {"f.bin", data};
             e.method = 0;
             e.payload = data.left(1000);
             return BuildArchive({e}).bytes;
         }(),
         0, 0x5000000},
        {"inflates beyond its size",
         [&] {
             RawEntry e {"f.bin", data};
             e.size = 1000;
             return BuildArchive({e}).bytes;
         }(),
         0, 0x5000000},
        {"inflates short of its size",
         [&] {
             RawEntry e {"f.bin", data};
             e.size = uint32_t(data.size() + 1);
             return BuildArchive({e}).bytes;
         }(),
         0, 0x5000000},
        {"encrypted",
         [&] {
             RawEntry e {"f.bin", data};
             e.flags = 0x0001;
             return BuildArchive({e}).bytes;
         }(),
         0, 0x1000},
        {"local header beyond the end",
         [&] {
             RawArchive a = storedGood;
             a.bytes.replace(a.centralOffsets[0] + 42, 4, QByteArray("\xF0\xFF\xFF\x00", 4));
             return a.bytes;
         }(),
         0x800, 0x800},
    };
    ASSERT_TRUE(WriteFile(m_out + "/f.bin", "previous"));
    for (const auto &row : rows) {
        SCOPED_TRACE(row.row);
        CUbUnzip unzip;
        ASSERT_TRUE(unzip.OpenMemory(row.bytes));
        ZipItem item;
        EXPECT_EQ(unzip.GetItem(0, item), row.getItem == 0);
        EXPECT_EQ(unzip.LastError(), row.getItem);
        EXPECT_EQ(unzip.UnzipItem(0, m_out + "/f.bin"), row.unzipItem);
        EXPECT_FALSE(unzip.ExtractAll(m_out));
        // The file that was there before is untouched, and no partial file is left.
        EXPECT_EQ(ReadFile(m_out + "/f.bin"), "previous");
        EXPECT_EQ(ListTree(m_out), QStringList {"f.bin"});
    }
    CUbUnzip unzip;
    ASSERT_TRUE(unzip.OpenMemory(good.bytes));
    EXPECT_EQ(unzip.UnzipItem(0, m_out + "/f.bin"), 0);
    EXPECT_EQ(ReadFile(m_out + "/f.bin"), data);
}

TEST_F(ReaderTest, TruncatedDownloads)
{
    CUbZip zip;
    const QString source = m_dir.filePath("src.bin");
    ASSERT_TRUE(WriteFile(source, RandomBytes(100000, 5)));
    ASSERT_TRUE(zip.Create(m_dir.filePath("whole.zip")));
    ASSERT_TRUE(zip.AddFile("one.bin", source));
    ASSERT_TRUE(zip.AddFile("two.bin", source));
    ASSERT_TRUE(zip.Close());
    const QByteArray whole = ReadFile(m_dir.filePath("whole.zip"));
    for (qsizetype size :
         {qsizetype(0), qsizetype(10), whole.size() / 2, whole.size() - 30, whole.size() - 1}) {
        CUbUnzip unzip;
        EXPECT_FALSE(unzip.OpenMemory(whole.left(size))) << size;
        EXPECT_TRUE(unzip.ExtractAll(m_out)); // nothing open: nothing to do
    }
    EXPECT_TRUE(ListTree(m_out).isEmpty());
}

TEST_F(ReaderTest, BrokenCentralHeaderFailsRequestsAtOrBeyondIt)
{
    std::vector<RawEntry> entries {{"a", "1"}, {"b", "2"}, {"c", "3"}};
    RawArchive archive = BuildArchive(entries);
    archive.bytes[archive.centralOffsets[1]] = 'X';
    CUbUnzip unzip;
    ASSERT_TRUE(unzip.OpenMemory(archive.bytes));
    ZipItem item;
    const struct
    {
        int index;
        bool ok;
    } requests[] = {{0, true}, {2, false}, {1, false}, {0, true}, {2, false}};
    for (const auto &r : requests) {
        EXPECT_EQ(unzip.GetItem(r.index, item), r.ok) << r.index;
        EXPECT_EQ(unzip.LastError(), r.ok ? 0 : 0x700) << r.index;
    }
    EXPECT_EQ(unzip.UnzipItem(1, m_out + "/b"), 0x700);
    EXPECT_FALSE(unzip.ExtractAll(m_out));
    EXPECT_TRUE(ListTree(m_out).isEmpty()); // checked before anything was written
}

TEST_F(ReaderTest, BombsAreRefusedBeforeTheDiskFills)
{
    // 64 MiB of zeros deflate to about 64 KiB; the header admits 1000 bytes.
    const QByteArray zeros(64 << 20, '\0');
    RawEntry bomb {"bomb.bin", QByteArray()};
    bomb.payload = RawDeflate(zeros, 9);
    bomb.crc = Crc(zeros);
    bomb.size = 1000;
    CUbUnzip unzip;
    ASSERT_TRUE(unzip.OpenMemory(BuildArchive({bomb}).bytes));
    EXPECT_EQ(unzip.UnzipItem(0, m_out + "/bomb.bin"), 0x5000000);
    EXPECT_TRUE(ListTree(m_out).isEmpty());

    // Entry sizes that add up beyond the bound: refused before the first byte is written.
    RawEntry small {"first.txt", "small"};
    RawEntry huge {"huge.bin", QByteArray()};
    huge.payload = RawDeflate(QByteArray(1000, '\0'));
    huge.size = 0x50000000; // 1.25 GiB declared
    RawEntry huge2 = huge;
    huge2.name = "huge2.bin";
    ASSERT_TRUE(unzip.OpenMemory(BuildArchive({small, huge, huge2}).bytes));
    EXPECT_FALSE(unzip.ExtractAll(m_out));
    EXPECT_EQ(unzip.LastError(), 0x5000000);
    EXPECT_TRUE(ListTree(m_out).isEmpty());

    // One entry alone beyond the bound.
    RawEntry giant = huge;
    giant.size = 0xFFFFFFFF;
    ASSERT_TRUE(unzip.OpenMemory(BuildArchive({giant}).bytes));
    EXPECT_EQ(unzip.UnzipItem(0, m_out + "/g"), 0x5000000);
    EXPECT_TRUE(ListTree(m_out).isEmpty());

    // Many central headers sharing one local entry count once each.
    RawArchive shared = BuildArchive({RawEntry {"s.bin", QByteArray(1000, 'z')}});
    EndRecord end;
    ParseEndRecord(reinterpret_cast<const uint8_t *>(shared.bytes.constData()) + shared.endOffset,
                   end);
    QByteArray central = shared.bytes.mid(shared.centralOffsets[0], end.directorySize);
    // Raise the declared size in local and central headers alike, then repeat the header.
    const QByteArray declared("\x00\x00\x00\x20", 4); // 512 MiB
    QByteArray bytes = shared.bytes.left(shared.centralOffsets[0]);
    bytes.replace(shared.localOffsets[0] + 22, 4, declared);
    central.replace(24, 4, declared);
    for (int i = 0; i < 5; ++i)
        bytes += central;
    end.entriesOnDisk = end.entriesTotal = 5;
    end.directorySize = uint32_t(central.size() * 5);
    bytes += SerializeEndRecord(end);
    ASSERT_TRUE(unzip.OpenMemory(bytes));
    EXPECT_FALSE(unzip.ExtractAll(m_out));
    EXPECT_TRUE(ListTree(m_out).isEmpty());
}

TEST_F(ReaderTest, UnzipItemPlacesRelativePathsBelowTheStartFolder)
{
    RawEntry folder {"dir/", QByteArray()};
    folder.external = 0x41ED0010;
    RawEntry file {"f.txt", "text"};
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(m_out));
    CUbUnzip unzip;
    const bool opened = unzip.OpenMemory(BuildArchive({folder, file}).bytes);
    QDir::setCurrent(previous);
    ASSERT_TRUE(opened);
    EXPECT_EQ(unzip.UnzipItem(0, "made/below"), 0);
    EXPECT_EQ(unzip.UnzipItem(1, "x/y/f.txt"), 0);
    EXPECT_EQ(unzip.UnzipItem(1, m_out + "/abs.txt"), 0);
    EXPECT_EQ(unzip.UnzipItem(2, "z"), 0x10000);
    EXPECT_EQ(unzip.UnzipItem(-1, "z"), 0x10000);
    EXPECT_TRUE(QFileInfo(m_out + "/made/below").isDir());
    EXPECT_EQ(ReadFile(m_out + "/x/y/f.txt"), "text");
    EXPECT_EQ(ReadFile(m_out + "/abs.txt"), "text");
}

// Inputs that once made the reader misbehave (from fuzzing) must stay harmless.
TEST(ZipRegressionInputs, ReplayWithoutFault)
{
    const QDir data(QStringLiteral(VM_TEST_DATA_DIR "/zip"));
    const QStringList files = data.entryList(QDir::Files);
    for (const QString &name : files) {
        SCOPED_TRACE(name.toStdString());
        CUbUnzip unzip;
        if (!unzip.OpenMemory(ReadFile(data.filePath(name))))
            continue;
        ZipItem count;
        ASSERT_TRUE(unzip.GetItem(-1, count));
        for (int i = 0; i < count.index && i < 1000; ++i) {
            ZipItem item;
            if (unzip.GetItem(i, item)) {
                QStringList parts;
                SplitRelativePath(item.name, parts);
            }
            unzip.ExtractToSink(i, [](const char *, int) { return true; });
        }
    }
}

} // namespace
