#include "UbZip.h"

#include "ZipFormat.h"

#include <QFile>
#include <QFileInfo>

#include <vector>
#include <zlib.h>

using namespace ZipFormat;

namespace {

struct EntryRecord
{
    CentralHeader header;
    QByteArray name;
    uint32_t writeUnix = 0;
};

// Archives must fit the 32-bit offsets and sizes of the format; the writer makes no zip64.
constexpr int64_t kMaxArchiveBytes = 0xFFFFFFFFLL;
constexpr int kMaxEntries = 0xFFFF;

QByteArray LocalExtra(uint32_t write, uint32_t access, uint32_t creation)
{
    QByteArray extra("UT", 2);
    Put16(extra, 13);
    extra.append(char(0x07));
    Put32(extra, write);
    Put32(extra, access);
    Put32(extra, creation);
    return extra;
}

QByteArray CentralExtra(uint32_t write)
{
    QByteArray extra("UT", 2);
    Put16(extra, 5);
    extra.append(char(0x07));
    Put32(extra, write);
    return extra;
}

} // namespace

struct ZipWriterState
{
    QFile file;
    int64_t written = 0;
    std::vector<EntryRecord> entries;
    bool directoryWritten = false;

    bool Write(const QByteArray &bytes) { return Write(bytes.constData(), bytes.size()); }
    bool Write(const char *data, qint64 size)
    {
        if (file.write(data, size) != size)
            return false;
        written += size;
        return true;
    }
};

CUbZip::CUbZip() = default;

CUbZip::~CUbZip()
{
    Close();
}

bool CUbZip::Create(const QString &archivePath)
{
    Close();
    auto writer = std::make_unique<ZipWriterState>();
    writer->file.setFileName(archivePath);
    if (!writer->file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        m_lastError = ErrOpen;
        return false;
    }
    m_writer = std::move(writer);
    m_closed = false;
    m_lastError = Ok;
    return true;
}

bool CUbZip::AddFile(const QString &entryName, const QString &sourcePath)
{
    m_lastError = AddFileImpl(entryName, sourcePath);
    return m_lastError == Ok;
}

int CUbZip::AddFileImpl(const QString &entryName, const QString &sourcePath)
{
    if (!m_writer)
        return m_closed ? ErrClosed : ErrArguments;
    ZipWriterState &w = *m_writer;
    if (w.directoryWritten)
        return ErrClosed;

    QString name = entryName;
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QByteArray nameBytes = name.toUtf8();
    if (name.isEmpty() || name.size() > kMaxNameBytes || nameBytes.size() > kMaxNameBytes)
        return ErrArguments;
    if (int(w.entries.size()) >= kMaxEntries)
        return ErrArguments;
    const bool stored = IsStoredByName(name);

    const QFileInfo info(sourcePath);
    if (info.isDir())
        return ErrOpen;
    QFile source(sourcePath);
    if (!source.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return ErrOpen;
    const int64_t sourceSize = source.size();
    if (sourceSize >= kMaxArchiveBytes)
        return ErrArguments;

    uint32_t attributes = AttrArchive;
    if (!(info.permissions() & QFileDevice::WriteOwner))
        attributes |= AttrReadOnly;
    if (info.isHidden())
        attributes |= AttrHidden;
    const QDateTime written = info.lastModified();
    const QDateTime accessed = info.lastRead().isValid() ? info.lastRead() : written;
    const QDateTime born = info.birthTime().isValid() ? info.birthTime() : written;

    EntryRecord record;
    record.name = nameBytes;
    record.writeUnix = UnixTime32(written);
    CentralHeader &c = record.header;
    c.versionMadeBy = 0x0B17;
    c.versionNeeded = 20;
    c.method = stored ? 0 : 8;
    DosDateTime(written, c.dosDate, c.dosTime);
    c.nameLength = uint16_t(nameBytes.size());
    c.extraLength = kCentralExtraSize;
    c.externalAttributes = ExternalFromAttributes(attributes);
    c.localOffset = uint32_t(w.written);

    // The provisional header is rewritten with the final values once the data is out.
    LocalHeader local;
    local.flags = 0x0008;
    local.method = c.method;
    local.dosTime = c.dosTime;
    local.dosDate = c.dosDate;
    local.compressedSize = stored ? uint32_t(sourceSize) : 0;
    local.size = uint32_t(sourceSize);
    local.nameLength = c.nameLength;
    local.extraLength = kLocalExtraSize;
    const int64_t headerOffset = w.written;
    const QByteArray extra = LocalExtra(record.writeUnix, UnixTime32(accessed), UnixTime32(born));

    // A failed entry is cut off again so the archive stays consistent for Close.
    auto fail = [&](int code) {
        if (w.file.resize(headerOffset) && w.file.seek(headerOffset))
            w.written = headerOffset;
        return code;
    };

    if (!w.Write(SerializeLocalHeader(local)) || !w.Write(nameBytes) || !w.Write(extra))
        return fail(ErrWrite);

    std::vector<char> in(kBufferSize);
    std::vector<char> out(kBufferSize);
    uLong crc = crc32(0L, Z_NULL, 0);
    int64_t total = 0;
    const int64_t dataStart = w.written;

    if (stored) {
        for (;;) {
            const qint64 got = source.read(in.data(), kBufferSize);
            if (got < 0)
                return fail(ErrWrite);
            if (got == 0)
                break;
            crc = crc32(crc, reinterpret_cast<const Bytef *>(in.data()), uInt(got));
            total += got;
            if (!w.Write(in.data(), got))
                return fail(ErrWrite);
        }
    } else {
        z_stream z {};
        if (deflateInit2(&z, 8, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
            return fail(ErrWrite);
        bool ok = true;
        int flush = Z_NO_FLUSH;
        while (ok && flush != Z_FINISH) {
            const qint64 got = source.read(in.data(), kBufferSize);
            if (got < 0) {
                ok = false;
                break;
            }
            if (got == 0)
                flush = Z_FINISH;
            crc = crc32(crc, reinterpret_cast<const Bytef *>(in.data()), uInt(got));
            total += got;
            z.next_in = reinterpret_cast<Bytef *>(in.data());
            z.avail_in = uInt(got);
            do {
                z.next_out = reinterpret_cast<Bytef *>(out.data());
                z.avail_out = uInt(kBufferSize);
                const int rc = deflate(&z, flush);
                if (rc == Z_STREAM_ERROR) {
                    ok = false;
                    break;
                }
                const qint64 produced = kBufferSize - z.avail_out;
                if (produced > 0 && !w.Write(out.data(), produced)) {
                    ok = false;
                    break;
                }
            } while (z.avail_out == 0);
        }
        deflateEnd(&z);
        if (!ok)
            return fail(ErrWrite);
    }
    source.close();

    const int64_t compressed = w.written - dataStart;
    if (total >= kMaxArchiveBytes || w.written >= kMaxArchiveBytes)
        return fail(ErrWrite);

    c.flags = stored ? 0x0000 : 0x0002;
    c.crc = uint32_t(crc);
    c.compressedSize = uint32_t(compressed);
    c.size = uint32_t(total);
    local.flags = c.flags;
    local.crc = c.crc;
    local.compressedSize = c.compressedSize;
    local.size = c.size;
    if (!w.file.seek(headerOffset))
        return fail(ErrSeek);
    const QByteArray finalHeader = SerializeLocalHeader(local);
    if (w.file.write(finalHeader) != finalHeader.size())
        return fail(ErrWrite);
    if (!w.file.seek(w.written))
        return fail(ErrSeek);

    w.entries.push_back(std::move(record));
    return Ok;
}

bool CUbZip::Close()
{
    m_lastError = CloseImpl();
    return m_lastError == Ok;
}

int CUbZip::CloseImpl()
{
    if (!m_writer)
        return Ok;
    ZipWriterState &w = *m_writer;
    int result = Ok;
    if (!w.directoryWritten) {
        w.directoryWritten = true;
        const int64_t directoryOffset = w.written;
        for (const EntryRecord &entry : w.entries) {
            if (!w.Write(SerializeCentralHeader(entry.header)) || !w.Write(entry.name)
                || !w.Write(CentralExtra(entry.writeUnix))) {
                result = ErrWrite;
                break;
            }
        }
        if (result == Ok) {
            EndRecord end;
            end.entriesOnDisk = end.entriesTotal = uint16_t(w.entries.size());
            end.directorySize = uint32_t(w.written - directoryOffset);
            end.directoryOffset = uint32_t(directoryOffset);
            if (w.written + kEndRecordSize > kMaxArchiveBytes || !w.Write(SerializeEndRecord(end)))
                result = ErrWrite;
        }
        w.entries.clear();
    }
    if (!w.file.flush())
        result = ErrWrite;
    w.file.close();
    m_writer.reset();
    m_closed = true;
    return result;
}
