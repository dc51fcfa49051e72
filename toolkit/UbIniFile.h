#pragma once

#include <QString>

#include <optional>

// Reads single values from an INI file on disk, written in UTF-8 (a byte-order mark is
// skipped). Lookup rules: the first section whose name matches ignoring ASCII case, in it the
// first key matching ignoring ASCII case; lines starting with ";" are comments; the key and the
// value are trimmed and a value enclosed in matching quotes loses them; the last line counts
// even without a line end. The file is read afresh on every call and never written.
class CUbIniFile
{
public:
    // What a missing value reads as; a value stored as exactly this text counts as missing.
    static constexpr const char *kMissingMarker = "@@CUbIniFile::GetString@@";
    // Longest value returned, in UTF-16 units; longer values are cut.
    static constexpr int kMaxValueLength = 2047;
    // Files larger than this are not configuration files; only their start is read.
    static constexpr qint64 kMaxFileBytes = 1 << 20;

    CUbIniFile() = default;
    explicit CUbIniFile(const QString &path)
        : m_path(path)
    { }

    void SetPath(const QString &path) { m_path = path; }
    QString Path() const { return m_path; }

    // The value of key in section; none when the file, the section or the key is missing. A
    // key that is present with nothing after "=" gives an empty text.
    std::optional<QString> GetString(const QString &section, const QString &key) const;

private:
    QString m_path;
};
