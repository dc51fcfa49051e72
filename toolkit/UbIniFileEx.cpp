#include "UbIniFileEx.h"

#include <algorithm>
#include <string_view>

namespace {

std::string_view Trim(std::string_view text, std::string_view set)
{
    const size_t first = text.find_first_not_of(set);
    if (first == std::string_view::npos)
        return {};
    const size_t last = text.find_last_not_of(set);
    return text.substr(first, last - first + 1);
}

constexpr std::string_view kBlanks = " \t\r\n";
constexpr std::string_view kSectionTrim = "[] \t\r\n";

char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringAsciiCase(const QByteArray &a, const QByteArray &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (AsciiLower(a.at(i)) != AsciiLower(b.at(i)))
            return false;
    }
    return true;
}

QByteArray ToBytes(std::string_view text)
{
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

void CUbIniFileEx::Parse(const QByteArray &text)
{
    // constData() is always zero-terminated, and the text ends at its first zero anyway.
    Parse(text.constData());
}

void CUbIniFileEx::Parse(const char *text)
{
    m_sections.clear();
    m_current = -1;
    if (!text)
        return;
    const char *p = text;
    while (*p) {
        const char *end = p;
        while (*end && *end != '\n' && *end != '\r')
            ++end;
        if (!*end)
            break; // no line end: the rest is not parsed
        if (end[0] == '\r' && end[1] == '\n')
            end += 2;
        else
            end += 1;
        ParseLine(p, end - p);
        p = end;
    }
}

void CUbIniFileEx::ParseLine(const char *line, qsizetype length)
{
    // The line and its end go through a buffer of kLineBufferBytes with room for a zero; an
    // over-long line is cut there rather than overrunning it.
    std::string_view text(line,
                          static_cast<size_t>(std::min<qsizetype>(length, kLineBufferBytes - 1)));
    const size_t comment = text.find(';');
    if (comment != std::string_view::npos)
        text = text.substr(0, comment);
    text = Trim(text, kBlanks);
    if (text.size() < 3)
        return;

    if (text.front() == '[') {
        if (text.find(']') == std::string_view::npos)
            return;
        CUbIniSection section;
        section.name = ToBytes(Trim(text.substr(1), kSectionTrim));
        m_sections.push_back(std::move(section));
        m_current = static_cast<qsizetype>(m_sections.size()) - 1;
        return;
    }

    std::string_view pieces[2];
    int count = 0;
    size_t start = 0;
    while (count <= 2) {
        const size_t equals = text.find('=', start);
        if (equals == std::string_view::npos) {
            // An empty piece after the last "=" does not count.
            if (start < text.size()) {
                if (count < 2)
                    pieces[count] = text.substr(start);
                ++count;
            }
            break;
        }
        if (count < 2)
            pieces[count] = text.substr(start, equals - start);
        ++count;
        start = equals + 1;
    }
    // Only the count matters beyond two pieces, so splitting stops at three.
    if (count != 2 || m_current < 0)
        return;
    m_sections[static_cast<size_t>(m_current)].values.push_back(
        {ToBytes(Trim(pieces[0], kBlanks)), ToBytes(Trim(pieces[1], kBlanks))});
}

std::optional<QByteArray> CUbIniFileEx::GetValue(const QByteArray &section,
                                                 const QByteArray &key) const
{
    for (const CUbIniSection &candidate : m_sections) {
        if (!EqualsIgnoringAsciiCase(candidate.name, section))
            continue;
        for (const CUbIniValue &pair : candidate.values) {
            if (EqualsIgnoringAsciiCase(pair.key, key))
                return pair.value;
        }
        return std::nullopt; // only the first section of that name counts
    }
    return std::nullopt;
}
