#include "ServiceUrls.h"

#include "ServiceKey.h"
#include "UrlEncodeUtf8.h"

#include <initializer_list>
#include <utility>

namespace ServiceUrls {

namespace {

// prefix + "?" + name=value pairs joined by "&", each value encoded; empty when a value does
// not fit.
QString Build(const QString &prefix, std::initializer_list<std::pair<const char *, QString>> query)
{
    QString url = prefix;
    QChar separator = u'?';
    for (const auto &[name, value] : query) {
        if (value.toUtf8().size() > kMaxValueBytes)
            return QString();
        url += separator + QLatin1String(name) + u'=' + UrlEncodeUtf8(value, kMaxValueBytes);
        separator = u'&';
    }
    return url;
}

QString Action(const QString &host, const char *action)
{
    return host + u'/' + QLatin1String(action);
}

} // namespace

QString Login(const QString &host, const QString &userId, const QString &serviceKey)
{
    return Build(Action(host, "CommonLoginAction.uvm"),
                 {{"userId", userId}, {"key", serviceKey}, {"userTyp", QStringLiteral("01")}});
}

QString Categories(const QString &host, const QString &parentId, const QString &pnsCd)
{
    return Build(Action(host, "CommonGetCateAction.uvm"), {{"cateId", parentId}, {"pnsCd", pnsCd}});
}

QString ProductKey(const QString &host, const QString &userId, const QString &pnsCd,
                   const QString &serviceKey)
{
    return Build(Action(host, "CommonGetProdKeyAction.uvm"),
                 {{"userId", userId}, {"pnsCd", pnsCd}, {"key", serviceKey}});
}

QString ItemList(const QString &host, const QString &pnsCd, const QString &search, int page,
                 int pageSize, QChar visibility, const QString &serviceKey)
{
    const QString prefix = Action(host, "CommonGetItemListAction.uvm");
    QString url;
    if (visibility == u'A')
        url = Build(prefix,
                    {{"pnsCd", pnsCd},
                     {"itemNm", search},
                     {"curPageNo", QString::number(page)},
                     {"pageSize", QString::number(pageSize)}});
    else
        url = Build(prefix,
                    {{"pnsCd", pnsCd},
                     {"itemNm", search},
                     {"curPageNo", QString::number(page)},
                     {"pageSize", QString::number(pageSize)},
                     {"useTyp", QString(visibility)}});
    if (url.isEmpty() || serviceKey.isEmpty())
        return url;
    return url + QStringLiteral("&key=") + UrlEncodeUtf8(serviceKey, kMaxValueBytes);
}

QString Download(const QString &host, const QString &itemId, const QString &userId,
                 const QString &serviceKey)
{
    return Build(Action(host, "CommonGetZipDownAction.uvm"),
                 {{"itemId", itemId}, {"userId", userId}, {"key", serviceKey}});
}

QString Upload(const QString &host)
{
    return Action(host, "CommonProductUploadAction.uvm");
}

QByteArray UploadFileName(const QString &userId, const QString &pnsCd, const QString &serviceKey)
{
    return ToCodePage949(userId + u'_' + pnsCd + u'_' + serviceKey);
}

QString Preview(const QString &host, const QString &itemId, const QString &key1)
{
    const QString prefix = QStringLiteral("http://") + Action(host, "GetProductPreviewPopMain.uvm");
    if (key1.isEmpty())
        return Build(prefix, {{"itemId", itemId}});
    return Build(prefix, {{"itemId", itemId}, {"key1", key1}});
}

QString ProductDetail(const QString &host, const QString &itemId)
{
    return Build(QStringLiteral("http://") + Action(host, "GetProductDtlAction.uvm"),
                 {{"itemId", itemId}, {"viewMode", QStringLiteral("0")}});
}

QString SocialComment(const QString &host, const QString &itemId, const QString &snsUserId,
                      const QString &snsUserName, const QString &snsId, const QString &snsImage)
{
    return Build(QStringLiteral("http://") + Action(host, "InsertEdiItemComments.uvm"),
                 {{"itemId", itemId},
                  {"cmtTyp", QStringLiteral("02")},
                  {"snsUserId", snsUserId},
                  {"snsUserNm", snsUserName},
                  {"snsId", snsId},
                  {"snsImage", snsImage}});
}

QString VersionFile(const QString &host)
{
    return QStringLiteral("http://") + host + QStringLiteral("/editor/version_user.ini");
}

} // namespace ServiceUrls
