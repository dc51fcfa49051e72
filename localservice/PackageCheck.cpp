#include "PackageCheck.h"

#include <QFile>

#include <algorithm>

namespace {

quint16 Le16(const uchar *p)
{
    return static_cast<quint16>(p[0] | (p[1] << 8));
}

// The zip's closing record must be present, or the archive cannot be opened at all.
bool HasEndRecord(QFile &file)
{
    const qint64 size = file.size();
    const qint64 tail = std::min<qint64>(size, 22 + 0xFFFF);
    if (!file.seek(size - tail))
        return false;
    const QByteArray bytes = file.read(tail);
    return bytes.size() == tail && bytes.lastIndexOf(QByteArrayLiteral("PK\x05\x06")) >= 0;
}

} // namespace

bool CPackageCheck::Inspect(const QString &zipPath, CPackageInfo &info, QString *why)
{
    auto fail = [why](const char *text) {
        if (why)
            *why = QString::fromUtf8(text);
        return false;
    };
    info = CPackageInfo();
    QFile file(zipPath);
    if (!file.open(QIODevice::ReadOnly))
        return fail("the package cannot be read");
    // Local header: signature, then the name length at offset 26 and the name at 30.
    const QByteArray header = file.read(30);
    if (header.size() < 30 || !header.startsWith(QByteArrayLiteral("PK\x03\x04")))
        return fail("the package is not a zip archive");
    const quint16 nameLength = Le16(reinterpret_cast<const uchar *>(header.constData()) + 26);
    if (nameLength < 5 || nameLength > 259)
        return fail("the package's first member has no description name");
    const QByteArray name = file.read(nameLength);
    if (name.size() != nameLength || !name.endsWith(".vmd"))
        return fail("the package does not begin with its description");
    const QByteArray id = name.left(name.size() - 4);
    if (id.isEmpty() || id.size() > 18)
        return fail("the description's name is not an item id");
    for (const char c : id) {
        if (c < '0' || c > '9')
            return fail("the description's name is not an item id");
    }
    if (!HasEndRecord(file))
        return fail("the package is cut short");
    info.itemId = QString::fromLatin1(id);
    return true;
}
