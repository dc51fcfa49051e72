#pragma once

// Shared by the archive tests: hand-made archives, external tools, file helpers.
#include "ZipFormat.h"

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>
#include <zlib.h>

namespace ZipTest {

inline QByteArray RawDeflate(const QByteArray &data, int level = 6)
{
    z_stream z {};
    deflateInit2(&z, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(int(deflateBound(&z, uLong(data.size()))) + 16, Qt::Uninitialized);
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData()));
    z.avail_in = uInt(data.size());
    z.next_out = reinterpret_cast<Bytef *>(out.data());
    z.avail_out = uInt(out.size());
    deflate(&z, Z_FINISH);
    out.resize(int(z.total_out));
    deflateEnd(&z);
    return out;
}

inline uint32_t Crc(const QByteArray &data)
{
    return uint32_t(crc32(0, reinterpret_cast<const Bytef *>(data.constData()), uInt(data.size())));
}

inline QByteArray RandomBytes(qsizetype size, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray out(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        out[i] = char(random.generate() & 0xFF);
    return out;
}

inline QByteArray TextBytes(qsizetype size)
{
    QByteArray out;
    int line = 0;
    while (out.size() < size)
        out += "line " + QByteArray::number(line++) + " of a compressible text file\n";
    out.truncate(size);
    return out;
}

// One entry of a hand-made archive. Unset overrides take the values that match the data.
struct RawEntry
{
    RawEntry(const QByteArray &entryName = {}, const QByteArray &content = {})
        : name(entryName)
        , data(content)
    { }
    QByteArray name;
    QByteArray data;
    uint16_t method = 8;
    uint16_t flags = 0;
    uint16_t versionMadeBy = 0x031E; // Unix host
    uint32_t external = 0x81A40000;
    uint16_t dosTime = 0x51F2;
    uint16_t dosDate = 0x58A6;
    std::optional<QByteArray> payload; // bytes stored as the entry's data
    std::optional<uint32_t> crc, compressedSize, size;
    QByteArray localExtra;
};

struct RawArchive
{
    QByteArray bytes;
    std::vector<int> localOffsets;
    std::vector<int> centralOffsets;
    int endOffset = 0;
};

inline RawArchive BuildArchive(const std::vector<RawEntry> &entries, const QByteArray &prefix = {},
                               const QByteArray &comment = {})
{
    using namespace ZipFormat;
    RawArchive archive;
    QByteArray body;
    std::vector<CentralHeader> centrals;
    for (const RawEntry &e : entries) {
        const QByteArray payload
            = e.payload ? *e.payload : (e.method == 8 ? RawDeflate(e.data) : e.data);
        LocalHeader l;
        l.flags = e.flags;
        l.method = e.method;
        l.dosTime = e.dosTime;
        l.dosDate = e.dosDate;
        l.crc = e.crc.value_or(Crc(e.data));
        l.compressedSize = e.compressedSize.value_or(uint32_t(payload.size()));
        l.size = e.size.value_or(uint32_t(e.data.size()));
        l.nameLength = uint16_t(e.name.size());
        l.extraLength = uint16_t(e.localExtra.size());
        CentralHeader c;
        c.versionMadeBy = e.versionMadeBy;
        c.flags = l.flags;
        c.method = l.method;
        c.dosTime = l.dosTime;
        c.dosDate = l.dosDate;
        c.crc = l.crc;
        c.compressedSize = l.compressedSize;
        c.size = l.size;
        c.nameLength = l.nameLength;
        c.externalAttributes = e.external;
        c.localOffset = uint32_t(body.size());
        archive.localOffsets.push_back(prefix.size() + body.size());
        body += SerializeLocalHeader(l) + e.name + e.localExtra + payload;
        centrals.push_back(c);
    }
    const int directoryOffset = int(body.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        archive.centralOffsets.push_back(prefix.size() + body.size());
        body += SerializeCentralHeader(centrals[i]) + entries[i].name;
    }
    EndRecord end;
    end.entriesOnDisk = end.entriesTotal = uint16_t(entries.size());
    end.directorySize = uint32_t(body.size() - directoryOffset);
    end.directoryOffset = uint32_t(directoryOffset);
    end.commentLength = uint16_t(comment.size());
    archive.endOffset = prefix.size() + body.size();
    archive.bytes = prefix + body + SerializeEndRecord(end) + comment;
    return archive;
}

inline bool WriteFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(path.left(path.lastIndexOf(QLatin1Char('/'))));
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(bytes) == bytes.size();
}

inline QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every path below `root`, relative, sorted; links are listed, not followed.
inline QStringList ListTree(const QString &root)
{
    QStringList out;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        out << QDir(root).relativeFilePath(it.next());
    out.sort();
    return out;
}

inline bool HaveTool(const QString &program)
{
    return !QStandardPaths::findExecutable(program).isEmpty();
}

struct ToolRun
{
    int exitCode = -1;
    QByteArray output;
};

inline ToolRun RunTool(const QString &program, const QStringList &arguments,
                       const QString &workDir = QString(), const QByteArray &input = QByteArray())
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    if (!workDir.isEmpty())
        process.setWorkingDirectory(workDir);
    process.start(program, arguments);
    ToolRun run;
    if (!process.waitForStarted(10000))
        return run;
    if (!input.isEmpty())
        process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(120000);
    run.output = process.readAll();
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return run;
}

} // namespace ZipTest
