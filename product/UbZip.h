#pragma once

#include <QString>

#include <memory>

struct ZipWriterState;

// Writes a zip archive: Create, AddFile any number of times, Close. Entries are deflated (raw
// deflate, level 8) unless their name marks them as an archive already; every local header
// carries the final CRC and sizes, so no data descriptors are written.
class CUbZip
{
public:
    CUbZip();
    virtual ~CUbZip();
    CUbZip(const CUbZip &) = delete;
    CUbZip &operator=(const CUbZip &) = delete;

    // Creates the archive file, replacing any file of that name.
    bool Create(const QString &archivePath);
    // Appends the whole content of `sourcePath` under `entryName` (backslashes become slashes).
    bool AddFile(const QString &entryName, const QString &sourcePath);
    // Writes the central directory and the end record once and closes the file.
    bool Close();

    // Result code of the last operation (0 on success).
    int LastError() const { return m_lastError; }

private:
    int AddFileImpl(const QString &entryName, const QString &sourcePath);
    int CloseImpl();

    std::unique_ptr<ZipWriterState> m_writer;
    bool m_closed = false; // the last archive's directory is written; AddFile gives 0x50000
    int m_lastError = 0;
};
