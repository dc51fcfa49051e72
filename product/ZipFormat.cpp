#include "ZipFormat.h"

#include <QStringList>

#include <algorithm>

namespace ZipFormat {

void Put16(QByteArray &out, uint16_t v)
{
    out.append(char(v & 0xFF));
    out.append(char(v >> 8));
}

void Put32(QByteArray &out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.append(char((v >> (8 * i)) & 0xFF));
}

namespace {

// Reads and writes the run of fields both headers share; p points at "version needed".
void ParseEntryFields(const uint8_t *p, EntryFields &f)
{
    f.versionNeeded = Get16(p);
    f.flags = Get16(p + 2);
    f.method = Get16(p + 4);
    f.dosTime = Get16(p + 6);
    f.dosDate = Get16(p + 8);
    f.crc = Get32(p + 10);
    f.compressedSize = Get32(p + 14);
    f.size = Get32(p + 18);
    f.nameLength = Get16(p + 22);
    f.extraLength = Get16(p + 24);
}

void PutEntryFields(QByteArray &out, const EntryFields &f)
{
    Put16(out, f.versionNeeded);
    Put16(out, f.flags);
    Put16(out, f.method);
    Put16(out, f.dosTime);
    Put16(out, f.dosDate);
    Put32(out, f.crc);
    Put32(out, f.compressedSize);
    Put32(out, f.size);
    Put16(out, f.nameLength);
    Put16(out, f.extraLength);
}

} // namespace

bool ParseLocalHeader(const uint8_t *p, LocalHeader &h)
{
    if (Get32(p) != kLocalSignature)
        return false;
    ParseEntryFields(p + 4, h);
    return true;
}

bool ParseCentralHeader(const uint8_t *p, CentralHeader &h)
{
    if (Get32(p) != kCentralSignature)
        return false;
    h.versionMadeBy = Get16(p + 4);
    ParseEntryFields(p + 6, h);
    h.commentLength = Get16(p + 32);
    h.diskStart = Get16(p + 34);
    h.internalAttributes = Get16(p + 36);
    h.externalAttributes = Get32(p + 38);
    h.localOffset = Get32(p + 42);
    return true;
}

bool ParseEndRecord(const uint8_t *p, EndRecord &r)
{
    if (Get32(p) != kEndSignature)
        return false;
    r.thisDisk = Get16(p + 4);
    r.directoryDisk = Get16(p + 6);
    r.entriesOnDisk = Get16(p + 8);
    r.entriesTotal = Get16(p + 10);
    r.directorySize = Get32(p + 12);
    r.directoryOffset = Get32(p + 16);
    r.commentLength = Get16(p + 20);
    return true;
}

QByteArray SerializeLocalHeader(const LocalHeader &h)
{
    QByteArray out;
    out.reserve(kLocalHeaderSize);
    Put32(out, kLocalSignature);
    PutEntryFields(out, h);
    return out;
}

QByteArray SerializeCentralHeader(const CentralHeader &h)
{
    QByteArray out;
    out.reserve(kCentralHeaderSize);
    Put32(out, kCentralSignature);
    Put16(out, h.versionMadeBy);
    PutEntryFields(out, h);
    Put16(out, h.commentLength);
    Put16(out, h.diskStart);
    Put16(out, h.internalAttributes);
    Put32(out, h.externalAttributes);
    Put32(out, h.localOffset);
    return out;
}

QByteArray SerializeEndRecord(const EndRecord &r)
{
    QByteArray out;
    out.reserve(kEndRecordSize);
    Put32(out, kEndSignature);
    Put16(out, r.thisDisk);
    Put16(out, r.directoryDisk);
    Put16(out, r.entriesOnDisk);
    Put16(out, r.entriesTotal);
    Put32(out, r.directorySize);
    Put32(out, r.directoryOffset);
    Put16(out, r.commentLength);
    return out;
}

int64_t FindEndRecord(int64_t fileSize, const ReadAt &read)
{
    const int64_t maxBack = std::min<int64_t>(kEndSearchSpan, fileSize);
    uint8_t window[kEndSearchWindow];
    int64_t back = 4;
    while (back < maxBack) {
        back = std::min<int64_t>(back + kEndSearchStep, maxBack);
        const int64_t readPos = fileSize - back;
        const int readSize = int(std::min<int64_t>(kEndSearchWindow, fileSize - readPos));
        if (!read(readPos, readSize, window))
            return -1;
        for (int i = readSize - 4; i >= 0; --i) {
            if (Get32(window + i) == kEndSignature && readPos + i + kEndRecordSize <= fileSize)
                return readPos + i;
        }
    }
    return -1;
}

QString CleanEntryName(const QString &name)
{
    static const char *const kParentPatterns[] = {"\\..\\", "\\../", "/../", "/..\\"};
    QString s = name;
    for (;;) {
        if (s.size() >= 2 && s.at(1) == QLatin1Char(':')) {
            s.remove(0, 2);
            continue;
        }
        if (!s.isEmpty() && (s.at(0) == QLatin1Char('\\') || s.at(0) == QLatin1Char('/'))) {
            s.remove(0, 1);
            continue;
        }
        bool cut = false;
        for (const char *pattern : kParentPatterns) {
            const qsizetype at = s.indexOf(QLatin1String(pattern));
            if (at >= 0) {
                s.remove(0, at + 4);
                cut = true;
                break;
            }
        }
        if (!cut)
            return s;
    }
}

bool SplitRelativePath(const QString &name, QStringList &parts)
{
    parts.clear();
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return false;
    }
    QString unified = name;
    unified.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QStringList pieces = unified.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString &piece : pieces) {
        if (piece == QLatin1String("."))
            continue;
        if (piece == QLatin1String(".."))
            return false;
        parts.append(piece);
    }
    return true;
}

bool IsStoredByName(const QString &name)
{
    static const char *const kStored[]
        = {".Z", ".zip", ".zoo", ".arc", ".lzh", ".arj", ".gz", ".tgz"};
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return false;
    const QStringView extension = QStringView(name).mid(dot);
    for (const char *stored : kStored) {
        if (extension.compare(QLatin1String(stored), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

void DosDateTime(const QDateTime &time, uint16_t &dosDate, uint16_t &dosTime)
{
    const QDateTime utc = time.toUTC();
    const QDate d = utc.date();
    const QTime t = utc.time();
    dosDate = uint16_t((((d.year() - 1980) & 0x7F) << 9) | (d.month() << 5) | d.day());
    dosTime = uint16_t((t.hour() << 11) | (t.minute() << 5) | (t.second() / 2));
}

int64_t DosToFileTime(uint16_t dosDate, uint16_t dosTime)
{
    const QDate date(1980 + (dosDate >> 9), (dosDate >> 5) & 0x0F, dosDate & 0x1F);
    const QTime time((dosTime >> 11) & 0x1F, (dosTime >> 5) & 0x3F, (dosTime & 0x1F) * 2);
    if (!date.isValid() || !time.isValid())
        return 0;
    const QDateTime local(date, time, Qt::LocalTime);
    if (!local.isValid())
        return 0;
    return local.toMSecsSinceEpoch() * 10000 + kEpochDeltaSeconds * kTicksPerSecond;
}

uint32_t UnixTime32(const QDateTime &time)
{
    return uint32_t(time.toSecsSinceEpoch() & 0xFFFFFFFF);
}

uint32_t AttributesFromExternal(uint16_t versionMadeBy, uint32_t external)
{
    const int host = versionMadeBy >> 8;
    if (host == 0 || host == 7 || host == 11 || host == 14)
        return external & (AttrReadOnly | AttrHidden | AttrSystem | AttrDirectory | AttrArchive);
    uint32_t attributes = AttrArchive;
    if (external & (1u << 30))
        attributes |= AttrDirectory;
    if (!(external & (1u << 23)))
        attributes |= AttrReadOnly;
    return attributes;
}

uint32_t ExternalFromAttributes(uint32_t attributes)
{
    const uint32_t low
        = attributes & (AttrReadOnly | AttrHidden | AttrSystem | AttrDirectory | AttrArchive);
    uint32_t mode = (attributes & AttrDirectory) ? 0x4000 : 0x8000;
    mode |= 0x0100;
    if (!(attributes & AttrReadOnly))
        mode |= 0x0080;
    return (mode << 16) | low;
}

ExtraTimes ParseExtendedTimestamp(const uint8_t *extra, int length)
{
    ExtraTimes times;
    int pos = 0;
    while (length - pos > 4) {
        const uint16_t tag = Get16(extra + pos);
        const int dataSize = Get16(extra + pos + 2);
        if (tag == 0x5455) { // "UT"
            const int end = std::min(pos + 4 + dataSize, length);
            int p = pos + 4;
            if (p >= end)
                break;
            const uint8_t flags = extra[p++];
            auto take = [&](int bit, bool &has, int64_t &value) {
                if (!(flags & bit) || p + 4 > end)
                    return;
                value = UnixToFileTime(int32_t(Get32(extra + p)));
                has = true;
                p += 4;
            };
            take(1, times.hasWrite, times.write);
            take(2, times.hasAccess, times.access);
            take(4, times.hasCreation, times.creation);
            break;
        }
        pos += 4 + dataSize;
    }
    return times;
}

} // namespace ZipFormat
