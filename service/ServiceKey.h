#pragma once

#include <QByteArray>
#include <QString>

// The service key: SHA-256 over the code-page-949 bytes of "?userid=%s&passwd=%s" (no
// terminator), as 64 lower-case hex digits. Login, product key, download and the upload file
// name all carry it; the password itself never travels.
QString MakeServiceKey(const QString &userId, const QString &password);

// Text as the code page 949 bytes the service computes over; a character the code page lacks
// becomes "?", as the system conversion does.
QByteArray ToCodePage949(const QString &text);
// The reverse; an undecodable byte becomes U+FFFD.
QString FromCodePage949(const QByteArray &bytes);
