#include "UbIniFile.h"

#include <QFile>
#include <QStringView>

namespace {

// The profile reader's view of a value for a key it could not find.
QString LookUp(const QString &path, const QString &section, const QString &key)
{
    const QString missing = QString::fromLatin1(CUbIniFile::kMissingMarker);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return missing;
    QByteArray bytes = file.read(CUbIniFile::kMaxFileBytes);
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    const QString text = QString::fromUtf8(bytes);

    bool inSection = false;
    bool sectionSeen = false;
    qsizetype pos = 0;
    while (pos < text.size()) {
        qsizetype end = pos;
        while (end < text.size() && text.at(end) != u'\n' && text.at(end) != u'\r')
            ++end;
        const QStringView line = QStringView(text).mid(pos, end - pos).trimmed();
        // One line end: LF, CR LF or a lone CR.
        pos = end;
        if (pos < text.size() && text.at(pos) == u'\r') {
            ++pos;
            if (pos < text.size() && text.at(pos) == u'\n')
                ++pos;
        } else if (pos < text.size()) {
            ++pos;
        }

        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[')) {
            const qsizetype close = line.indexOf(u']');
            if (close < 0)
                continue;
            if (inSection)
                break; // the first matching section ended without the key
            const QStringView name = line.mid(1, close - 1).trimmed();
            if (!sectionSeen && name.compare(section, Qt::CaseInsensitive) == 0) {
                inSection = true;
                sectionSeen = true;
            }
            continue;
        }
        if (!inSection)
            continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0)
            continue;
        if (line.left(equals).trimmed().compare(key, Qt::CaseInsensitive) != 0)
            continue;
        QStringView value = line.mid(equals + 1).trimmed();
        if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'')
            && value.back() == value.front())
            value = value.mid(1, value.size() - 2);
        return value.toString();
    }
    return missing;
}

} // namespace

std::optional<QString> CUbIniFile::GetString(const QString &section, const QString &key) const
{
    QString value = LookUp(m_path, section, key);
    if (value == QLatin1String(kMissingMarker))
        return std::nullopt;
    if (value.size() > kMaxValueLength) {
        value.truncate(kMaxValueLength);
        // Never leave half of a surrogate pair at the end.
        if (value.back().isHighSurrogate())
            value.chop(1);
    }
    return value;
}
