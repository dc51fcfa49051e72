#include "UbUnzip.h"

#include "ZipFormat.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QStringList>

#include <atomic>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>
#include <zlib.h>

using namespace ZipFormat;

namespace {

// Where an entry's data lies and how to check it; kept with the last reported item.
struct EntryInfo
{
    uint16_t flags = 0;
    uint16_t method = 0;
    uint32_t crc = 0;
    uint32_t compressedSize = 0;
    uint32_t size = 0;
    int64_t dataOffset = 0;
    bool isDirectory = false;
};

class FdCloser
{
public:
    explicit FdCloser(int fd = -1)
        : m_fd(fd)
    { }
    ~FdCloser() { Reset(); }
    FdCloser(const FdCloser &) = delete;
    FdCloser &operator=(const FdCloser &) = delete;
    int Get() const { return m_fd; }
    void Reset(int fd = -1)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }
    int Release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

// Opens (creating it when asked) one folder level below `parent`, never through a link.
int OpenChildFolder(int parent, const QByteArray &name, bool create)
{
    const int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    int fd = ::openat(parent, name.constData(), flags);
    if (fd < 0 && errno == ENOENT && create) {
        if (::mkdirat(parent, name.constData(), 0777) != 0 && errno != EEXIST)
            return -1;
        fd = ::openat(parent, name.constData(), flags);
    }
    return fd;
}

// Opens the folder at the end of `parts` below `root`, creating missing levels.
int OpenFolderChain(int root, const QStringList &parts, qsizetype count)
{
    FdCloser current(::fcntl(root, F_DUPFD_CLOEXEC, 0));
    for (qsizetype i = 0; i < count && current.Get() >= 0; ++i)
        current.Reset(OpenChildFolder(current.Get(), QFile::encodeName(parts.at(i)), true));
    return current.Release();
}

bool WriteAll(int fd, const char *data, int size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= int(n);
    }
    return true;
}

timespec ToTimespec(int64_t fileTime)
{
    timespec ts {};
    if (fileTime <= 0) {
        ts.tv_nsec = UTIME_OMIT;
        return ts;
    }
    const int64_t sinceUnix = fileTime - kEpochDeltaSeconds * kTicksPerSecond;
    int64_t seconds = sinceUnix / kTicksPerSecond;
    int64_t rest = sinceUnix % kTicksPerSecond;
    if (rest < 0) {
        rest += kTicksPerSecond;
        --seconds;
    }
    ts.tv_sec = time_t(seconds);
    ts.tv_nsec = long(rest * 100);
    return ts;
}

bool IsAbsolutePath(const QString &path)
{
    return path.startsWith(QLatin1Char('/'));
}

bool FreeSpaceAtLeast(int directoryFd, int64_t bytes)
{
    struct statvfs fs
    {
    };
    if (::fstatvfs(directoryFd, &fs) != 0)
        return true; // unknown: the writes themselves will report a full disk
    return int64_t(fs.f_bavail) * int64_t(fs.f_frsize) >= bytes;
}

std::atomic<unsigned> g_tempCounter {0};

} // namespace

struct ZipReaderState
{
    std::unique_ptr<QIODevice> device;
    int64_t fileSize = 0;
    int count = 0;
    int64_t directoryOffset = 0;
    int64_t directorySize = 0;
    int64_t prefix = 0; // bytes in front of the archive proper
    int currentEntry = 0;
    int64_t currentOffset = 0;
    int brokenAt = INT_MAX; // first central header that did not read as one
    QString baseFolder;
    int lastIndex = -2;
    ZipItem lastItem;
    EntryInfo lastInfo;
    std::vector<char> buffer = std::vector<char>(kBufferSize);
    std::vector<char> input = std::vector<char>(kBufferSize);

    bool ReadAt(int64_t offset, int length, void *out)
    {
        if (offset < 0 || length < 0 || offset > fileSize || length > fileSize - offset)
            return false;
        if (!device->seek(offset))
            return false;
        return length == 0 || device->read(static_cast<char *>(out), length) == length;
    }
};

CUbUnzip::CUbUnzip() = default;

CUbUnzip::~CUbUnzip()
{
    Close();
}

void CUbUnzip::Close()
{
    m_reader.reset();
}

bool CUbUnzip::Open(const QString &archivePath)
{
    Close();
    auto state = std::make_unique<ZipReaderState>();
    auto file = std::make_unique<QFile>(archivePath);
    if (!file->open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        m_lastError = ErrOpen;
        return false;
    }
    state->device = std::move(file);
    return OpenState(std::move(state));
}

bool CUbUnzip::OpenMemory(const QByteArray &archive)
{
    Close();
    auto state = std::make_unique<ZipReaderState>();
    auto buffer = std::make_unique<QBuffer>();
    buffer->setData(archive);
    buffer->open(QIODevice::ReadOnly);
    state->device = std::move(buffer);
    return OpenState(std::move(state));
}

bool CUbUnzip::OpenState(std::unique_ptr<ZipReaderState> state)
{
    ZipReaderState &r = *state;
    r.fileSize = r.device->size();
    r.baseFolder = QDir::currentPath();
    if (!r.baseFolder.endsWith(QLatin1Char('/')))
        r.baseFolder += QLatin1Char('/');

    const int64_t endPos
        = FindEndRecord(r.fileSize, [&r](int64_t offset, int length, uint8_t *out) {
              return r.ReadAt(offset, length, out);
          });
    uint8_t raw[kEndRecordSize];
    EndRecord end;
    if (endPos < 0 || !r.ReadAt(endPos, kEndRecordSize, raw) || !ParseEndRecord(raw, end)) {
        m_lastError = ErrOpen;
        return false;
    }
    const int64_t directoryEnd = int64_t(end.directoryOffset) + end.directorySize;
    if (end.thisDisk != 0 || end.directoryDisk != 0 || end.entriesOnDisk != end.entriesTotal
        || endPos < directoryEnd) {
        m_lastError = ErrOpen;
        return false;
    }
    r.count = end.entriesTotal;
    r.directoryOffset = end.directoryOffset;
    r.directorySize = end.directorySize;
    r.prefix = endPos - directoryEnd;
    r.currentEntry = 0;
    r.currentOffset = r.directoryOffset + r.prefix;
    m_reader = std::move(state);
    m_lastError = Ok;
    return true;
}

bool CUbUnzip::GetItem(int index, ZipItem &item)
{
    m_lastError = GetItemImpl(index, item);
    return m_lastError == Ok;
}

int CUbUnzip::GetItemImpl(int index, ZipItem &item)
{
    if (!m_reader)
        return ErrArguments;
    ZipReaderState &r = *m_reader;
    if (index < -1 || index >= r.count)
        return ErrArguments;
    if (index == -1) {
        item = ZipItem();
        item.index = r.count;
        return Ok;
    }
    if (index == r.lastIndex) {
        item = r.lastItem;
        return Ok;
    }
    if (index >= r.brokenAt)
        return ErrCorrupt;

    // Walk the central directory to the entry.
    if (index < r.currentEntry) {
        r.currentEntry = 0;
        r.currentOffset = r.directoryOffset + r.prefix;
    }
    uint8_t raw[kCentralHeaderSize];
    CentralHeader central;
    for (;;) {
        if (!r.ReadAt(r.currentOffset, kCentralHeaderSize, raw)
            || !ParseCentralHeader(raw, central)) {
            r.brokenAt = r.currentEntry;
            return ErrCorrupt;
        }
        if (r.currentEntry == index)
            break;
        r.currentOffset += kCentralHeaderSize + int64_t(central.nameLength) + central.extraLength
            + central.commentLength;
        ++r.currentEntry;
    }

    // Names the reader's 259-byte limit cannot hold are refused, never cut.
    if (central.nameLength > kMaxNameBytes)
        return ErrCorrupt;
    char nameBytes[kMaxNameBytes];
    if (!r.ReadAt(r.currentOffset + kCentralHeaderSize, central.nameLength, nameBytes))
        return ErrRead;

    const int64_t localOffset = int64_t(central.localOffset) + r.prefix;
    uint8_t rawLocal[kLocalHeaderSize];
    LocalHeader local;
    if (!r.ReadAt(localOffset, kLocalHeaderSize, rawLocal))
        return ErrRead;
    if (!ParseLocalHeader(rawLocal, local) || local.method != central.method
        || (central.method != 0 && central.method != 8) || local.nameLength != central.nameLength)
        return ErrCorrupt;
    if (!(local.flags & 0x0008)
        && (local.crc != central.crc || local.compressedSize != central.compressedSize
            || local.size != central.size))
        return ErrCorrupt;
    QByteArray extra(local.extraLength, Qt::Uninitialized);
    const int64_t extraOffset = localOffset + kLocalHeaderSize + local.nameLength;
    if (!r.ReadAt(extraOffset, local.extraLength, extra.data()))
        return ErrRead;

    ZipItem result;
    result.index = index;
    result.name = CleanEntryName(QString::fromUtf8(nameBytes, central.nameLength));
    result.attributes = AttributesFromExternal(central.versionMadeBy, central.externalAttributes);
    const int64_t dosTime = DosToFileTime(central.dosDate, central.dosTime);
    result.accessTime = result.creationTime = result.writeTime = dosTime;
    const ExtraTimes times = ParseExtendedTimestamp(
        reinterpret_cast<const uint8_t *>(extra.constData()), int(extra.size()));
    if (times.hasWrite)
        result.writeTime = times.write;
    if (times.hasAccess)
        result.accessTime = times.access;
    if (times.hasCreation)
        result.creationTime = times.creation;
    result.compressedSize = central.compressedSize;
    result.size = central.size;

    EntryInfo info;
    info.flags = uint16_t(central.flags | local.flags);
    info.method = central.method;
    info.crc = central.crc;
    info.compressedSize = central.compressedSize;
    info.size = central.size;
    info.dataOffset = extraOffset + local.extraLength;
    info.isDirectory = (result.attributes & AttrDirectory)
        || (central.nameLength > 0 && nameBytes[central.nameLength - 1] == '/');

    r.lastIndex = index;
    r.lastItem = result;
    r.lastInfo = info;
    item = result;
    return Ok;
}

int CUbUnzip::ExtractToSink(int index, const Sink &sink)
{
    ZipItem item;
    int rc = GetItemImpl(index, item);
    if (rc != Ok)
        return m_lastError = rc;
    ZipReaderState &r = *m_reader;
    const EntryInfo info = r.lastInfo;
    if (info.flags & 0x0001)
        return m_lastError = ErrEncrypted;
    if (info.isDirectory)
        return m_lastError = Ok;
    if (int64_t(info.size) > kMaxExtractBytes)
        return m_lastError = ErrData;
    if (!r.device->seek(info.dataOffset))
        return m_lastError = ErrSeek;

    uLong crc = crc32(0L, Z_NULL, 0);
    int64_t total = 0;
    if (info.method == 0) {
        // Stored data may not claim more bytes than the entry holds.
        if (info.compressedSize < info.size)
            return m_lastError = ErrData;
        int64_t remaining = info.size;
        while (remaining > 0) {
            const int want = int(std::min<int64_t>(remaining, kBufferSize));
            if (r.device->read(r.buffer.data(), want) != want)
                return m_lastError = ErrData;
            crc = crc32(crc, reinterpret_cast<const Bytef *>(r.buffer.data()), uInt(want));
            if (!sink(r.buffer.data(), want))
                return m_lastError = ErrWrite;
            remaining -= want;
        }
        total = info.size;
    } else {
        z_stream z {};
        if (inflateInit2(&z, -MAX_WBITS) != Z_OK)
            return m_lastError = ErrData;
        int64_t inputLeft = info.compressedSize;
        rc = Ok;
        for (;;) {
            if (z.avail_in == 0 && inputLeft > 0) {
                const int want = int(std::min<int64_t>(inputLeft, kBufferSize));
                if (r.device->read(r.input.data(), want) != want) {
                    rc = ErrData; // the archive ends inside the entry
                    break;
                }
                inputLeft -= want;
                z.next_in = reinterpret_cast<Bytef *>(r.input.data());
                z.avail_in = uInt(want);
            }
            z.next_out = reinterpret_cast<Bytef *>(r.buffer.data());
            z.avail_out = uInt(kBufferSize);
            const int zrc = inflate(&z, Z_NO_FLUSH);
            const int produced = kBufferSize - int(z.avail_out);
            if (produced > 0) {
                // More data than declared is refused before it reaches the disk.
                if (total + produced > int64_t(info.size)) {
                    rc = ErrData;
                    break;
                }
                crc = crc32(crc, reinterpret_cast<const Bytef *>(r.buffer.data()), uInt(produced));
                total += produced;
                if (!sink(r.buffer.data(), produced)) {
                    rc = ErrWrite;
                    break;
                }
            }
            if (zrc == Z_STREAM_END)
                break;
            if (zrc == Z_BUF_ERROR && z.avail_in == 0 && inputLeft == 0)
                break; // the entry's bytes are used up
            if (zrc != Z_OK) {
                rc = ErrData;
                break;
            }
        }
        inflateEnd(&z);
        if (rc != Ok)
            return m_lastError = rc;
        if (total != int64_t(info.size))
            return m_lastError = ErrData;
    }
    if (uint32_t(crc) != info.crc)
        return m_lastError = ErrData;
    return m_lastError = Ok;
}

int CUbUnzip::WriteEntryAt(int directoryFd, const QByteArray &fileName, int index)
{
    ZipReaderState &r = *m_reader;
    const ZipItem item = r.lastItem;
    const EntryInfo info = r.lastInfo;
    if (info.flags & 0x0001)
        return ErrEncrypted;
    if (int64_t(info.size) > kMaxExtractBytes)
        return ErrData;
    if (!FreeSpaceAtLeast(directoryFd, info.size))
        return ErrWrite;

    // An existing link or folder of that name is never written through or replaced.
    struct stat existing
    {
    };
    if (::fstatat(directoryFd, fileName.constData(), &existing, AT_SYMLINK_NOFOLLOW) == 0
        && !S_ISREG(existing.st_mode))
        return ErrOpen;

    // The data goes to a temporary file beside the target, which replaces the target only
    // once the entry has come out whole and correct.
    QByteArray tempName;
    FdCloser out;
    for (int attempt = 0; attempt < 16 && out.Get() < 0; ++attempt) {
        tempName = ".vmzip-" + QByteArray::number(qint64(::getpid())) + '-'
            + QByteArray::number(g_tempCounter.fetch_add(1)) + ".part";
        const mode_t mode = (item.attributes & AttrReadOnly) ? 0444 : 0666;
        out.Reset(::openat(directoryFd, tempName.constData(),
                           O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
        if (out.Get() < 0 && errno != EEXIST)
            return ErrOpen;
    }
    if (out.Get() < 0)
        return ErrOpen;

    const int fd = out.Get();
    int rc = ExtractToSink(index,
                           [fd](const char *data, int size) { return WriteAll(fd, data, size); });
    if (rc == Ok) {
        const timespec times[2] = {ToTimespec(item.accessTime), ToTimespec(item.writeTime)};
        ::futimens(fd, times);
        if (::close(out.Release()) != 0)
            rc = ErrWrite;
    }
    out.Reset();
    if (rc == Ok
        && ::renameat(directoryFd, tempName.constData(), directoryFd, fileName.constData()) != 0)
        rc = ErrOpen;
    if (rc != Ok)
        ::unlinkat(directoryFd, tempName.constData(), 0);
    return rc;
}

int CUbUnzip::UnzipItem(int index, const QString &targetPath)
{
    if (!m_reader)
        return m_lastError = ErrArguments;
    if (index < 0 || index >= m_reader->count)
        return m_lastError = ErrArguments;
    ZipItem item;
    int rc = GetItemImpl(index, item);
    if (rc != Ok)
        return m_lastError = rc;

    QString path = targetPath;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (m_reader->lastInfo.isDirectory) {
        const QString folder = IsAbsolutePath(path) ? path : m_reader->baseFolder + path;
        return m_lastError = (QDir().mkpath(folder) ? Ok : ErrOpen);
    }
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    QString folder = slash >= 0 ? path.left(slash + 1) : QString();
    const QString fileName = path.mid(slash + 1);
    if (!IsAbsolutePath(folder))
        folder = m_reader->baseFolder + folder;
    if (fileName.isEmpty() || fileName == QLatin1String(".") || fileName == QLatin1String("..")
        || !QDir().mkpath(folder))
        return m_lastError = ErrOpen;
    FdCloser dir(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() < 0)
        return m_lastError = ErrOpen;
    return m_lastError = WriteEntryAt(dir.Get(), QFile::encodeName(fileName), index);
}

bool CUbUnzip::ExtractAll(const QString &folder)
{
    m_lastError = ExtractAllImpl(folder);
    return m_lastError == Ok;
}

int CUbUnzip::ExtractAllImpl(const QString &folder)
{
    ZipItem countItem;
    if (GetItemImpl(-1, countItem) != Ok)
        return Ok; // nothing open, nothing to do
    const int count = countItem.index;

    // Check every entry before anything is written: headers, names and the declared sizes.
    int64_t total = 0;
    for (int i = 0; i < count; ++i) {
        ZipItem item;
        const int rc = GetItemImpl(i, item);
        if (rc != Ok)
            return rc;
        QStringList parts;
        if (!SplitRelativePath(item.name, parts))
            return ErrCorrupt;
        if (m_reader->lastInfo.isDirectory)
            continue;
        if (parts.isEmpty())
            return ErrCorrupt;
        if (m_reader->lastInfo.flags & 0x0001)
            return ErrEncrypted;
        total += item.size;
        if (total > kMaxExtractBytes)
            return ErrData;
    }
    FdCloser root(
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (root.Get() < 0)
        return ErrOpen;
    if (!FreeSpaceAtLeast(root.Get(), total))
        return ErrWrite;

    for (int i = 0; i < count; ++i) {
        ZipItem item;
        int rc = GetItemImpl(i, item);
        if (rc != Ok)
            return rc;
        QStringList parts;
        SplitRelativePath(item.name, parts);
        if (m_reader->lastInfo.isDirectory) {
            FdCloser made(OpenFolderChain(root.Get(), parts, parts.size()));
            continue; // as for a plain folder creation, a failure here is not fatal
        }
        FdCloser dir(OpenFolderChain(root.Get(), parts, parts.size() - 1));
        if (dir.Get() < 0)
            return ErrOpen;
        rc = WriteEntryAt(dir.Get(), QFile::encodeName(parts.last()), i);
        if (rc != Ok)
            return rc;
    }
    return Ok;
}
