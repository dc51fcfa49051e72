#include "ServiceKey.h"

#include <QCryptographicHash>
#include <QList>

#include <algorithm>
#include <cerrno>
#include <iconv.h>

namespace {

// iconv over the whole text; on a sequence the target lacks, writes the replacement and skips
// one input unit of skipBytes bytes.
QByteArray Convert(const char *to, const char *from, const QByteArray &input, int skipBytes,
                   const QByteArray &replacement)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return QByteArray();
    QByteArray out;
    QByteArray in = input;
    char *inPtr = in.data();
    size_t inLeft = static_cast<size_t>(in.size());
    char buffer[256];
    while (inLeft > 0) {
        char *outPtr = buffer;
        size_t outLeft = sizeof buffer;
        const size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<qsizetype>(sizeof buffer - outLeft));
        if (rc != static_cast<size_t>(-1))
            continue;
        if (errno == E2BIG)
            continue;
        // EILSEQ or EINVAL: replace one unit and go on.
        out += replacement;
        const size_t skip = std::min(inLeft, static_cast<size_t>(skipBytes));
        inPtr += skip;
        inLeft -= skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    char *outPtr = buffer;
    size_t outLeft = sizeof buffer;
    iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
    out.append(buffer, static_cast<qsizetype>(sizeof buffer - outLeft));
    iconv_close(cd);
    return out;
}

} // namespace

QByteArray ToCodePage949(const QString &text)
{
    // UTF-32 input lets one unreplaceable character be skipped as exactly four bytes.
    const QList<uint> ucs4 = text.toUcs4();
    QByteArray in(reinterpret_cast<const char *>(ucs4.constData()),
                  static_cast<qsizetype>(ucs4.size() * sizeof(uint)));
    return Convert("CP949", "UTF-32LE", in, 4, QByteArrayLiteral("?"));
}

QString FromCodePage949(const QByteArray &bytes)
{
    const QByteArray utf8 = Convert("UTF-8", "CP949", bytes, 1, QByteArrayLiteral("\xEF\xBF\xBD"));
    return QString::fromUtf8(utf8);
}

QString MakeServiceKey(const QString &userId, const QString &password)
{
    const QString text = QStringLiteral("?userid=%1&passwd=%2").arg(userId, password);
    const QByteArray digest
        = QCryptographicHash::hash(ToCodePage949(text), QCryptographicHash::Sha256);
    return QString::fromLatin1(digest.toHex());
}
