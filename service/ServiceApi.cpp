#include "ServiceApi.h"

#include "ServiceKey.h"
#include "ServiceUrls.h"
#include "UbHttpDown.h"
#include "XmlNodes.h"

namespace {

// The element's name without a namespace prefix, for the case-insensitive comparisons.
QString LocalName(const CXmlNodePtr &node)
{
    const QString name = node->GetName();
    const qsizetype colon = name.indexOf(u':');
    return colon >= 0 ? name.mid(colon + 1) : name;
}

bool NameIs(const CXmlNodePtr &node, QLatin1String name)
{
    return LocalName(node).compare(name, Qt::CaseInsensitive) == 0;
}

} // namespace

bool FetchServiceXml(const QString &url, CServiceAnswer &answer)
{
    answer.document.Close();
    answer.root = CXmlNode::Empty();
    // Requests go out uncached (no-cache headers in the client), so there is no cache entry
    // to remove first.
    CUbHttpDown http(QStringLiteral("VmEditor"));
    // These actions block the user-interface thread: an unreachable or silent host must not
    // hang the editor for minutes.
    http.SetTimeouts(15000, 30000);
    http.SetDeadline(ServiceApi::kRequestDeadlineMs);
    if (!http.OpenUrl(url, true))
        return false;
    const CUbHttpBuffer body = http.ReadAll(10240, 10240, false, 1024, ServiceApi::kMaxAnswerBytes);
    http.CloseRequest();
    if (!body || body.size < 2)
        return false;
    // Answers are UTF-8; LoadBytes refuses a body that does not decode.
    if (!answer.document.LoadBytes(body.toByteArray()))
        return false;
    answer.root = answer.document.GetRoot();
    if (answer.root->IsNull())
        answer.document.Close();
    return true;
}

bool ServiceLogin(const QString &host, const QString &userId, const QString &password,
                  QString &pnsCd, QString &error)
{
    CServiceAnswer answer;
    if (!FetchServiceXml(ServiceUrls::Login(host, userId, MakeServiceKey(userId, password)),
                         answer))
        return false;
    const QString result = answer.root->GetChild(QStringLiteral("Result"))->GetString();
    if (result.compare(QLatin1String("Success"), Qt::CaseInsensitive) == 0) {
        pnsCd = answer.root->GetChild(QStringLiteral("PnsCd"))->GetString();
        return true;
    }
    error = result;
    return false;
}

bool GetCategories(const QString &host, const QString &parentId, const QString &pnsCd,
                   CCategoryArray &categories)
{
    categories.RemoveAll();
    CServiceAnswer answer;
    if (!FetchServiceXml(ServiceUrls::Categories(host, parentId, pnsCd), answer))
        return false;
    const CXmlNodesPtr children = answer.root->GetChildren();
    for (int i = 0; i < children->GetCount(); ++i) {
        const CXmlNodePtr item = children->GetItem(i);
        if (!NameIs(item, QLatin1String("Item")))
            continue;
        const QString id = item->GetAttribute(QStringLiteral("id"), QString());
        const int type = item->GetAttributeInt(QStringLiteral("type"), -1);
        const QString name = item->GetAttribute(QStringLiteral("name"), QString());
        if (id.isEmpty() || (type != 1 && type != 2) || name.isEmpty())
            continue;
        auto *category = new CCategory;
        category->name = name;
        category->id = id;
        category->type = type;
        categories.Append(category);
    }
    return true;
}

bool GetProductKey(const QString &host, const QString &userId, const QString &password,
                   const QString &pnsCd, QString &itemId)
{
    CServiceAnswer answer;
    if (!FetchServiceXml(
            ServiceUrls::ProductKey(host, userId, pnsCd, MakeServiceKey(userId, password)), answer))
        return false;
    const CXmlNodePtr node = answer.root->GetChild(QStringLiteral("ItemId"));
    if (node->IsNull())
        return false;
    const QString id = node->GetString();
    if (id.isEmpty())
        return false;
    itemId = id;
    return true;
}

bool GetItemList(const QString &host, int page, const QString &pnsCd, const QString &search,
                 QChar visibility, COpenItemArray &items, const QString &serviceKey)
{
    items.Reset();
    CServiceAnswer answer;
    if (!FetchServiceXml(ServiceUrls::ItemList(host, pnsCd, search, page, ServiceApi::kItemPageSize,
                                               visibility, serviceKey),
                         answer))
        return false;

    // One working record for the whole answer: an element an item lacks keeps the value of
    // the item before it.
    COpenItem working;
    struct TextField
    {
        const char *name;
        QString COpenItem::*field;
    };
    static const TextField kTexts[] = {
        {"itemId", &COpenItem::itemId},       {"itemNm", &COpenItem::itemNm},
        {"thumbnail", &COpenItem::thumbnail}, {"cateNm", &COpenItem::cateNm},
        {"statusNm", &COpenItem::statusNm},   {"regDtm", &COpenItem::regDtm},
        {"key1", &COpenItem::key1},           {"key2", &COpenItem::key2},
        {"key3", &COpenItem::key3},
    };

    const CXmlNodesPtr children = answer.root->GetChildren();
    for (int i = 0; i < children->GetCount(); ++i) {
        const CXmlNodePtr child = children->GetItem(i);
        if (NameIs(child, QLatin1String("totCnt"))) {
            items.totCnt = child->GetInt();
        } else if (NameIs(child, QLatin1String("pageSize"))) {
            items.pageSize = child->GetInt();
        } else if (NameIs(child, QLatin1String("curPageNo"))) {
            items.curPageNo = child->GetInt();
        } else if (NameIs(child, QLatin1String("maxPage"))) {
            items.maxPage = child->GetInt();
        } else if (NameIs(child, QLatin1String("list"))) {
            const CXmlNodesPtr list = child->GetChildren();
            for (int j = 0; j < list->GetCount(); ++j) {
                const CXmlNodePtr entry = list->GetItem(j);
                for (const TextField &text : kTexts) {
                    const CXmlNodePtr node = entry->GetChild(QLatin1String(text.name));
                    if (!node->IsNull())
                        working.*text.field = node->GetString();
                }
                const CXmlNodePtr total = entry->GetChild(QStringLiteral("totCnt"));
                if (!total->IsNull())
                    working.totCnt = total->GetInt();
                const CXmlNodePtr photos = entry->GetChild(QStringLiteral("vmiCnt"));
                if (!photos->IsNull())
                    working.vmiCnt = photos->GetInt();
                items.Append(new COpenItem(working));
            }
        }
    }
    return true;
}
