#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>

// The addresses of the content service's actions. host is the editor's serviceHost: a host name,
// optionally ":port", no scheme. Every query value is passed as the user typed or the service
// gave it and is percent-encoded here (UTF-8), so a search text like "a&b" or "50% 할인"
// arrives as one value; callers never encode values themselves. A value too long to send makes
// the whole address empty, which the HTTP client refuses, rather than sending it cut short.
namespace ServiceUrls {

// Largest encoded value, in UTF-8 bytes before encoding; a request target holds at most 1025
// characters in all.
inline constexpr int kMaxValueBytes = 1024;

QString Login(const QString &host, const QString &userId, const QString &serviceKey);
QString Categories(const QString &host, const QString &parentId, const QString &pnsCd);
QString ProductKey(const QString &host, const QString &userId, const QString &pnsCd,
                   const QString &serviceKey);
// visibility: 'A' all (no filter), 'Y' public, 'N' private, 'T' temporarily saved.
// A service key, when given, is sent as one more value "key": it lets the service list the
// user's items that are not public.
QString ItemList(const QString &host, const QString &pnsCd, const QString &search, int page,
                 int pageSize, QChar visibility, const QString &serviceKey = QString());
QString Download(const QString &host, const QString &itemId, const QString &userId,
                 const QString &serviceKey);
QString Upload(const QString &host);
// The upload's file name, "<userId>_<pnsCd>_<key>", as the code-page-949 bytes the service
// splits and checks.
QByteArray UploadFileName(const QString &userId, const QString &pnsCd, const QString &serviceKey);
// Pages for a web browser; these carry the scheme.
// A key1, when given, is sent as one more value: the service shows an item that is not public
// only with it.
QString Preview(const QString &host, const QString &itemId, const QString &key1 = QString());
QString ProductDetail(const QString &host, const QString &itemId);
QString SocialComment(const QString &host, const QString &itemId, const QString &snsUserId,
                      const QString &snsUserName, const QString &snsId, const QString &snsImage);
// The version file of the self-update check.
QString VersionFile(const QString &host);

} // namespace ServiceUrls
