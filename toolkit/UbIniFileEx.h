#pragma once

#include <QByteArray>

#include <optional>
#include <vector>

// One key/value pair of an INI section, as 8-bit text.
struct CUbIniValue
{
    QByteArray key;
    QByteArray value;
};
using CUbIniValueArray = std::vector<CUbIniValue>;

// One section in the order met; a name met twice gives two sections.
struct CUbIniSection
{
    QByteArray name;
    CUbIniValueArray values;
};
using CUbIniSectionArray = std::vector<CUbIniSection>;

// INI parser over 8-bit text held in memory (the downloaded version file). Its rules are
// deliberately narrow and differ from CUbIniFile: only text followed by a line end is parsed
// (a last line without LF or CR is lost), ";" starts a comment anywhere, lines shorter than
// three characters are skipped, and a pair needs exactly one "=" (a trailing "=" is ignored).
class CUbIniFileEx
{
public:
    // The line buffer: at most this many bytes of a line, its line end included, are looked
    // at; the rest of a longer line is dropped.
    static constexpr int kLineBufferBytes = 1024;

    // Replaces what was parsed before. The text ends at its first zero byte.
    void Parse(const QByteArray &text);
    void Parse(const char *text);

    // First section named section, ignoring ASCII case; in it, the first matching key.
    std::optional<QByteArray> GetValue(const QByteArray &section, const QByteArray &key) const;

    const CUbIniSectionArray &Sections() const { return m_sections; }

private:
    void ParseLine(const char *line, qsizetype length);

    CUbIniSectionArray m_sections;
    // Index of the current section (the last one added); -1 before the first.
    qsizetype m_current = -1;
};
