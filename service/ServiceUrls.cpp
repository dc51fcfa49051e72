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
                 int pageSize, QChar visibility)
{
    const QString prefix = Action(host, "CommonGetItemListAction.uvm");
    if (visibility == u'A')
        return Build(prefix,
                     {{"pnsCd", pnsCd},
                      {"itemNm", search},
                      {"curPageNo", QString::number(page)},
                      {"pageSize", QString::number(pageSize)}});
    return Build(prefix,
                 {{"pnsCd", pnsCd},
                  {"itemNm", search},
                  {"curPageNo", QString::number(page)},
                  {"pageSize", QString::number(pageSize)},
                  {"useTyp", QString(visibility)}});
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

QString Preview(const QString &host, const QString &itemId)
{
    return Build(QStringLiteral("http://") + Action(host, "GetProductPreviewPopMain.uvm"),
                 {{"itemId", itemId}});
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
