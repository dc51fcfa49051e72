// The archive writer: byte layout, method choice, names, times, attributes, result codes, and
// archives that tools written elsewhere accept.
#include "UbUnzip.h"
#include "UbZip.h"
#include "tst_ZipTestTools.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

using namespace ZipFormat;
using namespace ZipTest;

namespace {

const uint8_t *At(const QByteArray &bytes, qsizetype offset)
{
    return reinterpret_cast<const uint8_t *>(bytes.constData()) + offset;
}

class ZipWriterTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString Path(const QString &name) const { return m_dir.filePath(name); }
    QString Source(const QString &name, const QByteArray &bytes)
    {
        const QString path = Path(QStringLiteral("src/") + name);
        EXPECT_TRUE(WriteFile(path, bytes));
        return path;
    }

    QTemporaryDir m_dir;
};

// Parsed view of an archive the writer made, checking the structure on the way.
struct WrittenEntry
{
    LocalHeader local;
    CentralHeader central;
    QByteArray localName, centralName, localExtra, centralExtra, payload;
};

std::vector<WrittenEntry> ParseWritten(const QByteArray &bytes)
{
    std::vector<WrittenEntry> entries;
    EndRecord end;
    if (bytes.size() < kEndRecordSize
        || !ParseEndRecord(At(bytes, bytes.size() - kEndRecordSize), end)) {
        ADD_FAILURE() << "no end record at the very end";
        return entries;
    }
    EXPECT_EQ(end.entriesOnDisk, end.entriesTotal);
    EXPECT_EQ(end.commentLength, 0);
    EXPECT_EQ(qsizetype(end.directoryOffset) + end.directorySize, bytes.size() - kEndRecordSize);
    qsizetype pos = end.directoryOffset;
    qsizetype expectedLocal = 0;
    for (int i = 0; i < end.entriesTotal; ++i) {
        WrittenEntry e;
        if (!ParseCentralHeader(At(bytes, pos), e.central)) {
            ADD_FAILURE() << "central header " << i;
            break;
        }
        e.centralName = bytes.mid(pos + kCentralHeaderSize, e.central.nameLength);
        e.centralExtra
            = bytes.mid(pos + kCentralHeaderSize + e.central.nameLength, e.central.extraLength);
        pos += kCentralHeaderSize + e.central.nameLength + e.central.extraLength
            + e.central.commentLength;
        // Entries follow each other with nothing in between.
        EXPECT_EQ(qsizetype(e.central.localOffset), expectedLocal);
        const qsizetype lo = e.central.localOffset;
        EXPECT_TRUE(ParseLocalHeader(At(bytes, lo), e.local));
        e.localName = bytes.mid(lo + kLocalHeaderSize, e.local.nameLength);
        e.localExtra = bytes.mid(lo + kLocalHeaderSize + e.local.nameLength, e.local.extraLength);
        const qsizetype data = lo + kLocalHeaderSize + e.local.nameLength + e.local.extraLength;
        e.payload = bytes.mid(data, e.local.compressedSize);
        expectedLocal = data + e.local.compressedSize;
        entries.push_back(e);
    }
    EXPECT_EQ(qsizetype(end.directoryOffset), expectedLocal);
    return entries;
}

QByteArray RawInflate(const QByteArray &data)
{
    z_stream z {};
    inflateInit2(&z, -MAX_WBITS);
    QByteArray out;
    char buffer[16384];
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData()));
    z.avail_in = uInt(data.size());
    int rc = Z_OK;
    while (rc == Z_OK) {
        z.next_out = reinterpret_cast<Bytef *>(buffer);
        z.avail_out = sizeof buffer;
        rc = inflate(&z, Z_NO_FLUSH);
        out.append(buffer, int(sizeof buffer - z.avail_out));
    }
    EXPECT_EQ(rc, Z_STREAM_END);
    inflateEnd(&z);
    return out;
}

TEST_F(ZipWriterTest, LayoutOfDeflatedStoredAndEmptyEntries)
{
    const QByteArray photo = TextBytes(70000) + RandomBytes(30000, 1);
    const QByteArray archived = RandomBytes(5000, 2);
    struct Row
    {
        QString entryName;
        QByteArray storedName;
        QByteArray content;
        uint16_t method, flags;
    } rows[] = {
        {QStringLiteral("photos\\a.jpg"), "photos/a.jpg", photo, 8, 0x0002},
        {QStringLiteral("x.ZIP"), "x.ZIP", archived, 0, 0x0000},
        {QStringLiteral("y.tgz"), "y.tgz", archived, 0, 0x0000},
        {QStringLiteral("empty.txt"), "empty.txt", QByteArray(), 8, 0x0002},
        {QStringLiteral("사진.vmi"), QStringLiteral("사진.vmi").toUtf8(), photo, 8, 0x0002},
    };
    CUbZip zip;
    ASSERT_TRUE(zip.Create(Path("out.zip")));
    int n = 0;
    for (const Row &row : rows)
        ASSERT_TRUE(zip.AddFile(row.entryName, Source(QString::number(n++), row.content)));
    ASSERT_TRUE(zip.Close());

    const std::vector<WrittenEntry> entries = ParseWritten(ReadFile(Path("out.zip")));
    ASSERT_EQ(entries.size(), std::size(rows));
    for (size_t i = 0; i < entries.size(); ++i) {
        const WrittenEntry &e = entries[i];
        const Row &row = rows[i];
        SCOPED_TRACE(row.storedName.toStdString());
        EXPECT_EQ(e.localName, row.storedName);
        EXPECT_EQ(e.centralName, row.storedName);
        EXPECT_EQ(e.local.versionNeeded, 20);
        EXPECT_EQ(e.central.versionNeeded, 20);
        EXPECT_EQ(e.central.versionMadeBy, 0x0B17);
        // Final values in the local header, equal to the central ones: no data descriptor.
        EXPECT_EQ(e.local.flags, row.flags);
        EXPECT_EQ(e.central.flags, row.flags);
        EXPECT_EQ(e.local.method, row.method);
        EXPECT_EQ(e.central.method, row.method);
        EXPECT_EQ(e.local.crc, Crc(row.content));
        EXPECT_EQ(e.central.crc, e.local.crc);
        EXPECT_EQ(e.local.size, uint32_t(row.content.size()));
        EXPECT_EQ(e.central.size, e.local.size);
        EXPECT_EQ(e.central.compressedSize, e.local.compressedSize);
        EXPECT_EQ(e.local.dosTime, e.central.dosTime);
        EXPECT_EQ(e.local.dosDate, e.central.dosDate);
        EXPECT_EQ(e.central.externalAttributes, 0x81800020u);
        EXPECT_EQ(e.central.internalAttributes, 0);
        EXPECT_EQ(e.central.commentLength, 0);
        EXPECT_EQ(e.central.diskStart, 0);
        ASSERT_EQ(e.localExtra.size(), 17);
        EXPECT_EQ(e.localExtra.left(5), QByteArray("UT\x0D\x00\x07", 5));
        ASSERT_EQ(e.centralExtra.size(), 9);
        EXPECT_EQ(e.centralExtra.left(5), QByteArray("UT\x05\x00\x07", 5));
        EXPECT_EQ(e.centralExtra.mid(5, 4), e.localExtra.mid(5, 4)); // modification time
        if (row.method == 8)
            EXPECT_EQ(RawInflate(e.payload), row.content);
        else
            EXPECT_EQ(e.payload, row.content);
    }
    EXPECT_EQ(entries[3].local.crc, 0u);
    EXPECT_EQ(entries[3].local.size, 0u);
}

TEST(ZipMethodChoice, StoresOnlyArchiveExtensions)
{
    const struct
    {
        const char *name;
        bool stored;
    } rows[] = {
        {"a.Z", true},      {"a.z", true},    {"a.zip", true},      {"A.ZIP", true},
        {"a.zoo", true},    {"a.arc", true},  {"a.lzh", true},      {"a.arj", true},
        {"a.gz", true},     {"a.TGZ", true},  {"a.jpg", false},     {"a.png", false},
        {"100.vmd", false}, {"noext", false}, {"a.zip.txt", false}, {"dir.zip/file", false},
        {"a.tar.gz", true}, {"a.", false},    {"a.zipx", false},    {".gz", true},
    };
    for (const auto &row : rows)
        EXPECT_EQ(IsStoredByName(QString::fromLatin1(row.name)), row.stored) << row.name;
}

TEST_F(ZipWriterTest, TimesAndAttributesComeFromTheSource)
{
    const QString source = Source("t.txt", "time stamp");
    const QDateTime written(QDate(2024, 5, 6), QTime(10, 15, 37), QTimeZone::utc());
    const QDateTime accessed(QDate(2024, 5, 7), QTime(1, 2, 3), QTimeZone::utc());
    {
        QFile file(source);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(written, QFileDevice::FileModificationTime));
        ASSERT_TRUE(file.setFileTime(accessed, QFileDevice::FileAccessTime));
    }
    const QString readOnly = Source("ro.txt", "read only");
    ASSERT_TRUE(QFile::setPermissions(readOnly, QFileDevice::ReadOwner));
    const QString hidden = Source(".hidden", "dot file");

    CUbZip zip;
    ASSERT_TRUE(zip.Create(Path("out.zip")));
    ASSERT_TRUE(zip.AddFile("t.txt", source));
    ASSERT_TRUE(zip.AddFile("ro.txt", readOnly));
    ASSERT_TRUE(zip.AddFile(".hidden", hidden));
    ASSERT_TRUE(zip.Close());
    const std::vector<WrittenEntry> entries = ParseWritten(ReadFile(Path("out.zip")));
    ASSERT_EQ(entries.size(), 3u);

    // DOS fields in UTC: 10 << 11 | 15 << 5 | 37 / 2.
    EXPECT_EQ(entries[0].local.dosTime, 0x51F2);
    EXPECT_EQ(entries[0].local.dosDate, (44 << 9) | (5 << 5) | 6);
    const QByteArray &extra = entries[0].localExtra;
    EXPECT_EQ(Get32(At(extra, 5)), uint32_t(written.toSecsSinceEpoch()));
    EXPECT_EQ(Get32(At(extra, 9)), uint32_t(accessed.toSecsSinceEpoch()));
    EXPECT_EQ(entries[1].central.externalAttributes, 0x81000021u);
    EXPECT_EQ(entries[2].central.externalAttributes, 0x81800022u);

    // The reader gives the same moments back.
    CUbUnzip unzip;
    ASSERT_TRUE(unzip.Open(Path("out.zip")));
    ZipItem item;
    ASSERT_TRUE(unzip.GetItem(0, item));
    EXPECT_EQ(item.writeTime, UnixToFileTime(written.toSecsSinceEpoch()));
    EXPECT_EQ(item.accessTime, UnixToFileTime(accessed.toSecsSinceEpoch()));
    EXPECT_EQ(item.attributes, uint32_t(AttrArchive));
    ASSERT_TRUE(unzip.GetItem(1, item));
    EXPECT_EQ(item.attributes, uint32_t(AttrArchive | AttrReadOnly));
}

TEST_F(ZipWriterTest, ResultCodes)
{
    const QString source = Source("a.txt", "a");
    CUbZip zip;
    EXPECT_FALSE(zip.AddFile("a.txt", source)); // nothing created yet
    EXPECT_EQ(zip.LastError(), 0x10000);
    EXPECT_FALSE(zip.Create(Path("missing/folder/out.zip")));
    EXPECT_EQ(zip.LastError(), 0x200);

    ASSERT_TRUE(zip.Create(Path("out.zip")));
    const struct
    {
        const char *row;
        QString name, source;
        int code;
    } rows[] = {
        {"empty name", QString(), source, 0x10000},
        {"backslash only is not empty", QStringLiteral("\\"), source, 0},
        {"missing source", QStringLiteral("b.txt"), Path("nope.txt"), 0x200},
        {"folder as source", QStringLiteral("c.txt"), Path("src"), 0x200},
        {"259 characters", QString(259, QLatin1Char('n')), source, 0},
        {"260 characters", QString(260, QLatin1Char('n')), source, 0x10000},
        {"259 bytes of UTF-8", QString(86, QChar(0xD55C)) + QStringLiteral("a"), source, 0},
        {"over 259 bytes of UTF-8", QString(87, QChar(0xD55C)), source, 0x10000},
    };
    for (const auto &row : rows) {
        EXPECT_EQ(zip.AddFile(row.name, row.source), row.code == 0) << row.row;
        EXPECT_EQ(zip.LastError(), row.code) << row.row;
    }
    ASSERT_TRUE(zip.Close());
    EXPECT_FALSE(zip.AddFile("late.txt", source));
    EXPECT_EQ(zip.LastError(), 0x50000);
    EXPECT_TRUE(zip.Close()); // closing again does nothing more

    // Failed additions left no trace: the archive holds exactly the three good entries.
    CUbUnzip unzip;
    ASSERT_TRUE(unzip.Open(Path("out.zip")));
    ZipItem count;
    ASSERT_TRUE(unzip.GetItem(-1, count));
    EXPECT_EQ(count.index, 3);
}

TEST_F(ZipWriterTest, DestructorClosesTheArchive)
{
    {
        CUbZip zip;
        ASSERT_TRUE(zip.Create(Path("out.zip")));
        ASSERT_TRUE(zip.AddFile("a.txt", Source("a.txt", "abc")));
    }
    EXPECT_EQ(ParseWritten(ReadFile(Path("out.zip"))).size(), 1u);
}

// Archives the writer makes pass the checks of three independent implementations.
TEST_F(ZipWriterTest, OtherToolsAcceptTheArchives)
{
    struct Member
    {
        QString name;
        QByteArray content;
    } members[] = {
        {QStringLiteral("100.vmd"), TextBytes(20000)},
        {QStringLiteral("100_0001.vmi"), RandomBytes(1 << 20, 7) + TextBytes(100000)},
        {QStringLiteral("100_0001.vmt"), RandomBytes(3000, 8)},
        {QStringLiteral("empty.txt"), QByteArray()},
        {QStringLiteral("nested.zip"), RandomBytes(40000, 9)},
        {QStringLiteral("folder\\inner.txt"), TextBytes(333)},
        {QStringLiteral("한글 이름.txt"), TextBytes(5000)},
        {QStringLiteral("exact16k.bin"), RandomBytes(16384, 10)},
    };
    CUbZip zip;
    const QString archive = Path("package.zip");
    ASSERT_TRUE(zip.Create(archive));
    int n = 0;
    for (const Member &m : members)
        ASSERT_TRUE(zip.AddFile(m.name, Source(QString::number(n++), m.content)));
    ASSERT_TRUE(zip.Close());

    bool ranAny = false;
    if (HaveTool("unzip")) {
        ranAny = true;
        const ToolRun run = RunTool("unzip", {"-t", archive});
        EXPECT_EQ(run.exitCode, 0) << run.output.toStdString();
        EXPECT_TRUE(run.output.contains("No errors detected")) << run.output.toStdString();
    }
    if (HaveTool("bsdtar")) {
        ranAny = true;
        const ToolRun list = RunTool("bsdtar", {"-tf", archive});
        EXPECT_EQ(list.exitCode, 0) << list.output.toStdString();
        EXPECT_EQ(list.output.count('\n'), qsizetype(std::size(members)));
        const QString out = Path("bsdtar-out");
        QDir().mkpath(out);
        const ToolRun extract = RunTool("bsdtar", {"-xf", archive, "-C", out});
        EXPECT_EQ(extract.exitCode, 0) << extract.output.toStdString();
        EXPECT_EQ(ReadFile(out + "/100_0001.vmi"), members[1].content);
        EXPECT_EQ(ReadFile(out + "/folder/inner.txt"), members[5].content);
    }
    if (HaveTool("python3")) {
        ranAny = true;
        // testzip reads every member and checks its CRC; the script also compares contents.
        const QByteArray script = R"(
import sys, zipfile, hashlib
z = zipfile.ZipFile(sys.argv[1])
bad = z.testzip()
if bad is not None:
    sys.exit("bad member " + bad)
for info in z.infolist():
    if info.flag_bits & 0x08:
        sys.exit("data descriptor in " + info.filename)
    print(info.filename, info.compress_type, info.file_size, hashlib.sha256(z.read(info)).hexdigest())
)";
        const ToolRun run = RunTool("python3", {"-c", QString::fromUtf8(script), archive});
        ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
        const QList<QByteArray> lines = run.output.trimmed().split('\n');
        ASSERT_EQ(lines.size(), qsizetype(std::size(members)));
        for (size_t i = 0; i < std::size(members); ++i) {
            QString expectedName = members[i].name;
            expectedName.replace(QLatin1Char('\\'), QLatin1Char('/'));
            const QByteArray hash
                = QCryptographicHash::hash(members[i].content, QCryptographicHash::Sha256).toHex();
            // Names without bit 11 are decoded as code page 437 by zipfile; compare bytes.
            const QByteArray line = lines[qsizetype(i)];
            EXPECT_TRUE(
                line.endsWith(" " + QByteArray::number(members[i].content.size()) + " " + hash))
                << line.toStdString();
            const bool stored = members[i].name.endsWith(QLatin1String(".zip"));
            EXPECT_TRUE(line.contains(stored ? " 0 " : " 8 ")) << line.toStdString();
            if (expectedName.toUtf8() == expectedName.toLatin1()) {
                EXPECT_TRUE(line.startsWith(expectedName.toUtf8() + " ")) << line.toStdString();
            }
        }
    }
    if (!ranAny)
        GTEST_SKIP() << "none of unzip, bsdtar, python3 is installed";
}

TEST_F(ZipWriterTest, WriterAndReaderRoundTrip)
{
    const QByteArray big = RandomBytes(3 * kBufferSize + 17, 11) + TextBytes(200001);
    CUbZip zip;
    ASSERT_TRUE(zip.Create(Path("rt.zip")));
    ASSERT_TRUE(zip.AddFile("dir\\big.bin", Source("big", big)));
    ASSERT_TRUE(zip.AddFile("z.gz", Source("gz", big.left(1000))));
    ASSERT_TRUE(zip.AddFile("zero", Source("zero", QByteArray())));
    ASSERT_TRUE(zip.Close());

    CUbUnzip unzip;
    ASSERT_TRUE(unzip.Open(Path("rt.zip")));
    const QString out = Path("out");
    ASSERT_TRUE(QDir().mkpath(out));
    ASSERT_TRUE(unzip.ExtractAll(out));
    EXPECT_EQ(ReadFile(out + "/dir/big.bin"), big);
    EXPECT_EQ(ReadFile(out + "/z.gz"), big.left(1000));
    EXPECT_TRUE(QFileInfo::exists(out + "/zero"));
    EXPECT_EQ(QFileInfo(out + "/zero").size(), 0);
    EXPECT_EQ(QFileInfo(out + "/dir/big.bin").lastModified().toSecsSinceEpoch(),
              QFileInfo(Path("src/big")).lastModified().toSecsSinceEpoch());
}

} // namespace
