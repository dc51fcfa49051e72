#pragma once

#include <QString>

#include <cstdint>

// What the archive reader reports for one entry. For the request with index -1 only `index` is
// filled: it then holds the number of entries.
struct ZipItem
{
    int32_t index = 0;
    QString name; // cleaned entry name, at most 259 characters
    uint32_t attributes
        = 0; // read-only 0x01, hidden 0x02, system 0x04, directory 0x10, archive 0x20
    // Windows file times: 100-nanosecond ticks since 1601-01-01 00:00 UTC; 0 when unknown.
    int64_t accessTime = 0;
    int64_t creationTime = 0;
    int64_t writeTime = 0;
    uint32_t compressedSize = 0;
    uint32_t size = 0; // uncompressed
};
