#pragma once

#include "ZipItem.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

struct ZipReaderState;

// Reads a zip archive: Open, then GetItem / UnzipItem / ExtractAll in any order, then Close.
// Extraction is defensive: names never lead outside the target folder, links are never created
// or followed, declared sizes are bounded before anything is written, a file is only put in
// place once its data has inflated to exactly its declared size with the right CRC-32.
class CUbUnzip
{
public:
    // Largest uncompressed size one archive may declare in total (and one entry alone).
    static constexpr int64_t kMaxExtractBytes = int64_t(2) << 30;

    CUbUnzip();
    virtual ~CUbUnzip();
    CUbUnzip(const CUbUnzip &) = delete;
    CUbUnzip &operator=(const CUbUnzip &) = delete;

    bool Open(const QString &archivePath);
    // Reads an archive held in memory (used by the fuzzer and tests).
    bool OpenMemory(const QByteArray &archive);
    void Close();
    bool IsOpen() const { return m_reader != nullptr; }

    // Index -1 reports the number of entries in item.index.
    bool GetItem(int index, ZipItem &item);
    // Extracts one entry to `targetPath` (relative paths are taken below the folder that was
    // current at Open), or creates the folder of a directory entry. Returns a result code.
    int UnzipItem(int index, const QString &targetPath);
    // Extracts every entry below `folder`; false at the first entry that cannot be placed.
    bool ExtractAll(const QString &folder);

    // Inflates one entry and hands its data to `sink` in pieces of at most 16 KiB; the sink
    // returns false to stop with 0x400. Checks size and CRC-32 like UnzipItem.
    using Sink = std::function<bool(const char *data, int size)>;
    int ExtractToSink(int index, const Sink &sink);

    // Result code of the last operation (0 on success).
    int LastError() const { return m_lastError; }

private:
    bool OpenState(std::unique_ptr<ZipReaderState> state);
    int GetItemImpl(int index, ZipItem &item);
    int ExtractAllImpl(const QString &folder);
    int WriteEntryAt(int directoryFd, const QByteArray &fileName, int index);

    std::unique_ptr<ZipReaderState> m_reader;
    int m_lastError = 0;
};
