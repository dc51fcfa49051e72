#pragma once

#include <QChar>
#include <QList>
#include <QString>

#include <mutex>
#include <optional>

struct sqlite3;

struct CServiceUser
{
    QString userId;
    QString serviceKey; // MakeServiceKey of id and password; the password itself is never kept
    QString pnsCd;
};

struct CServiceCategory
{
    QString id;
    int type = 0; // 1: has sub-categories, 2: a leaf
    QString name;
};

// One product on the service. An item exists from the moment its key is handed out; it has a
// package (and shows in lists) once one was uploaded.
struct CServiceItem
{
    QString itemId;
    QString userId;
    QString pnsCd;
    QString itemNm;
    QString cateNm;
    QString explanation;
    QString thumbnail;
    QChar useTyp = u'T'; // 'Y' public, 'N' private, 'T' temporarily saved
    int photoCnt = 0;
    int measuredCnt = 0;
    QString key1;
    QString key2;
    QString key3;
    qint64 packageSize = 0;
    QString regDtm; // "yyyy-MM-dd hh:mm:ss" of the last upload, UTC
    bool uploaded = false;
};

// What an uploaded package says about its product, stored beside the item.
struct CServiceItemSummary
{
    QString itemNm;
    QString cateNm;
    QString explanation;
    QString thumbnail; // member name of the first photograph's thumbnail rendition, or empty
    QChar useTyp = u'Y';
    int photoCnt = 0;
    int measuredCnt = 0;
};

// One photograph of a stored package, as its pages show it.
struct CServicePhoto
{
    int number = 0; // from 1, in product order
    QString member; // its full image inside the stored package, "<itemId>_nnnn.vmi"
    int widthPx = 0; // upright pixel size of that image
    int heightPx = 0;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0; // the measuring line in image pixels
    double lengthMm = 0; // 0 when never measured
};

struct CServiceItemPage
{
    int totCnt = 0;
    int pageSize = 0;
    int curPageNo = 0;
    int maxPage = 0;
    QList<CServiceItem> items;
};

// The service's SQLite store: users, the category tree, items and social comments. Every
// operation takes the one lock, so handlers on several server threads may call it at once.
class CServiceDatabase
{
public:
    CServiceDatabase() = default;
    ~CServiceDatabase();
    CServiceDatabase(const CServiceDatabase &) = delete;
    CServiceDatabase &operator=(const CServiceDatabase &) = delete;

    // Opens (creating when missing) the database file, its tables and the seed rows.
    bool Open(const QString &path, QString *error);
    void Close();

    bool AddUser(const QString &userId, const QString &password, const QString &pnsCd);
    std::optional<CServiceUser> FindUser(const QString &userId);
    std::optional<CServiceUser> FindUserByPnsCd(const QString &pnsCd);

    // The categories directly below parentId ("0" for the top level), in display order.
    QList<CServiceCategory> Categories(const QString &parentId);

    // A new, unique item id owned by the user; empty on failure. Ids are never reused.
    QString NewItem(const QString &userId, const QString &pnsCd);
    std::optional<CServiceItem> FindItem(const QString &itemId);
    // Records an upload: size, summary, time, and the viewer keys (made on the first upload
    // and kept afterwards). Returns the item as stored.
    // The package's photographs replace the ones stored before, in the same transaction.
    std::optional<CServiceItem> StoreUpload(const QString &itemId, qint64 packageSize,
                                            const CServiceItemSummary &summary,
                                            const QList<CServicePhoto> &photos = {});
    // The photographs of the item's last upload, in product order.
    QList<CServicePhoto> Photos(const QString &itemId);
    // Uploaded items of one partner, newest first; title holds the search text (may be empty),
    // useTyp 0 means every visibility.
    CServiceItemPage ListItems(const QString &pnsCd, const QString &title, QChar useTyp, int page,
                               int pageSize);
    bool AddComment(const QString &itemId, const QString &cmtTyp, const QString &snsUserId,
                    const QString &snsUserNm, const QString &snsId, const QString &snsImage);
    int CommentCount(const QString &itemId);

private:
    bool Exec(const char *sql);
    bool Seed();
    std::optional<CServiceItem> FindItemLocked(const QString &itemId);
    std::optional<CServiceUser> FindUserWhere(const char *sql, const QString &value);

    sqlite3 *m_db = nullptr;
    std::recursive_mutex m_lock;
};
