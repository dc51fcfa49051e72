#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstdint>
#include <functional>

// The zip container on plain bytes: record layouts, the end-record search, name clean-up, time
// and attribute conversions. Nothing here touches a file, so the reader's parsing can be tested
// and fuzzed on memory.
namespace ZipFormat {

// Result codes shared by the writer and the reader.
enum Result : int {
    Ok = 0,
    ErrOpen = 0x200, // cannot create/open a file, or not an acceptable archive
    ErrWrite = 0x400,
    ErrCorrupt = 0x700, // an entry's headers are wrong
    ErrRead = 0x800,
    ErrEncrypted = 0x1000,
    ErrArguments = 0x10000,
    ErrClosed = 0x50000, // the central directory has already been written
    ErrSeek = 0x2000000,
    ErrData = 0x5000000, // inflate error, data short or too long, CRC mismatch
};

constexpr int kLocalHeaderSize = 30;
constexpr int kCentralHeaderSize = 46;
constexpr int kEndRecordSize = 22;
constexpr int kLocalExtraSize = 17;
constexpr int kCentralExtraSize = 9;
constexpr int kMaxNameBytes = 259;
constexpr int kBufferSize = 16 * 1024;
constexpr int kEndSearchSpan = 65535;
constexpr int kEndSearchWindow = 1028;
constexpr int kEndSearchStep = 1024;
constexpr uint32_t kLocalSignature = 0x04034b50;
constexpr uint32_t kCentralSignature = 0x02014b50;
constexpr uint32_t kEndSignature = 0x06054b50;
// Seconds between 1601-01-01 and 1970-01-01, the two epochs of file times and Unix times.
constexpr int64_t kEpochDeltaSeconds = 11644473600LL;
constexpr int64_t kTicksPerSecond = 10000000LL;

enum Attribute : uint32_t {
    AttrReadOnly = 0x01,
    AttrHidden = 0x02,
    AttrSystem = 0x04,
    AttrDirectory = 0x10,
    AttrArchive = 0x20,
};

inline uint16_t Get16(const uint8_t *p)
{
    return uint16_t(p[0] | (p[1] << 8));
}
inline uint32_t Get32(const uint8_t *p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
void Put16(QByteArray &out, uint16_t v);
void Put32(QByteArray &out, uint32_t v);

// The 26 bytes that local and central headers share, in this order, from "version needed" to
// "extra field length".
struct EntryFields
{
    uint16_t versionNeeded = 20;
    uint16_t flags = 0;
    uint16_t method = 0;
    uint16_t dosTime = 0;
    uint16_t dosDate = 0;
    uint32_t crc = 0;
    uint32_t compressedSize = 0;
    uint32_t size = 0;
    uint16_t nameLength = 0;
    uint16_t extraLength = 0;
};

struct LocalHeader : EntryFields
{
};

struct CentralHeader : EntryFields
{
    uint16_t versionMadeBy = 0;
    uint16_t commentLength = 0;
    uint16_t diskStart = 0;
    uint16_t internalAttributes = 0;
    uint32_t externalAttributes = 0;
    uint32_t localOffset = 0;
};

struct EndRecord
{
    uint16_t thisDisk = 0;
    uint16_t directoryDisk = 0;
    uint16_t entriesOnDisk = 0;
    uint16_t entriesTotal = 0;
    uint32_t directorySize = 0;
    uint32_t directoryOffset = 0;
    uint16_t commentLength = 0;
};

// Parsers take exactly the record's fixed size and check the signature.
bool ParseLocalHeader(const uint8_t *p, LocalHeader &h);
bool ParseCentralHeader(const uint8_t *p, CentralHeader &h);
bool ParseEndRecord(const uint8_t *p, EndRecord &r);
QByteArray SerializeLocalHeader(const LocalHeader &h);
QByteArray SerializeCentralHeader(const CentralHeader &h);
QByteArray SerializeEndRecord(const EndRecord &r);

// Reads `length` bytes at `offset` into `out`; false on a short read or error.
using ReadAt = std::function<bool(int64_t offset, int length, uint8_t *out)>;

// Position of the end record: backwards over the last 65535 bytes in 1028-byte windows stepping
// 1024 bytes, the occurrence nearest a window's end first. Occurrences that leave less than a
// whole record before the end of the file are not candidates. -1 when none is found or a read
// fails.
int64_t FindEndRecord(int64_t fileSize, const ReadAt &read);

// The reader's name clean-up: drive prefixes, one leading slash and everything up to a "/../"
// (in any slash mix) are removed again and again until none applies.
QString CleanEntryName(const QString &name);

// Splits a cleaned name into path components for extraction below a folder. Both slashes
// separate; empty and "." components are dropped. False when the name cannot be placed safely
// below the folder: a ".." component, a NUL or other control character.
bool SplitRelativePath(const QString &name, QStringList &parts);

// Writer side: method 0 for names that are archives already, 8 for everything else.
bool IsStoredByName(const QString &name);

// DOS date and time fields of a moment, in UTC calendar fields.
void DosDateTime(const QDateTime &time, uint16_t &dosDate, uint16_t &dosTime);
// A DOS date and time taken as local time, as a file time; 0 when the fields are no date.
int64_t DosToFileTime(uint16_t dosDate, uint16_t dosTime);
inline int64_t UnixToFileTime(int64_t seconds)
{
    return (seconds + kEpochDeltaSeconds) * kTicksPerSecond;
}
// Low 32 bits of the Unix time of a moment, as the extended-timestamp block stores it.
uint32_t UnixTime32(const QDateTime &time);

// Windows attribute bits from the central header's host byte and external attributes.
uint32_t AttributesFromExternal(uint16_t versionMadeBy, uint32_t external);
// External attributes the writer stores for a file with these Windows attribute bits.
uint32_t ExternalFromAttributes(uint32_t attributes);

struct ExtraTimes
{
    bool hasWrite = false, hasAccess = false, hasCreation = false;
    int64_t write = 0, access = 0, creation = 0; // file times
};
// Walks an extra field up to its first "UT" block and takes the times it carries.
ExtraTimes ParseExtendedTimestamp(const uint8_t *extra, int length);

} // namespace ZipFormat
