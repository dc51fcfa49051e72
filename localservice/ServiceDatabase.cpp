#include "ServiceDatabase.h"

#include "ServiceKey.h"

#include <QDateTime>
#include <QRandomGenerator>

#include <sqlite3.h>

namespace {

// A prepared statement that finalises itself.
class Statement
{
public:
    Statement(sqlite3 *db, const char *sql)
    {
        if (sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr) != SQLITE_OK)
            m_stmt = nullptr;
    }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    bool ok() const { return m_stmt != nullptr; }
    Statement &bind(int i, const QString &text)
    {
        const QByteArray utf8 = text.toUtf8();
        if (m_stmt)
            sqlite3_bind_text(m_stmt, i, utf8.constData(), static_cast<int>(utf8.size()),
                              SQLITE_TRANSIENT);
        return *this;
    }
    Statement &bind(int i, qint64 value)
    {
        if (m_stmt)
            sqlite3_bind_int64(m_stmt, i, value);
        return *this;
    }
    Statement &bind(int i, double value)
    {
        if (m_stmt)
            sqlite3_bind_double(m_stmt, i, value);
        return *this;
    }
    // SQLITE_ROW, SQLITE_DONE or an error.
    int step() { return m_stmt ? sqlite3_step(m_stmt) : SQLITE_ERROR; }
    QString text(int column) const
    {
        const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
        return p ? QString::fromUtf8(p, sqlite3_column_bytes(m_stmt, column)) : QString();
    }
    qint64 integer(int column) const { return sqlite3_column_int64(m_stmt, column); }
    double real(int column) const { return sqlite3_column_double(m_stmt, column); }

private:
    sqlite3_stmt *m_stmt = nullptr;
};

const char *const kSchema = R"sql(
CREATE TABLE IF NOT EXISTS users(
  user_id TEXT PRIMARY KEY,
  service_key TEXT NOT NULL,
  pns_cd TEXT NOT NULL UNIQUE);
CREATE TABLE IF NOT EXISTS categories(
  cate_id TEXT PRIMARY KEY,
  parent_id TEXT NOT NULL,
  type INTEGER NOT NULL,
  name TEXT NOT NULL,
  sort INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS items(
  item_no INTEGER PRIMARY KEY AUTOINCREMENT,
  user_id TEXT NOT NULL REFERENCES users(user_id),
  pns_cd TEXT NOT NULL,
  item_nm TEXT NOT NULL DEFAULT '',
  cate_nm TEXT NOT NULL DEFAULT '',
  explanation TEXT NOT NULL DEFAULT '',
  thumbnail TEXT NOT NULL DEFAULT '',
  use_typ TEXT NOT NULL DEFAULT 'T',
  photo_cnt INTEGER NOT NULL DEFAULT 0,
  measured_cnt INTEGER NOT NULL DEFAULT 0,
  key1 TEXT NOT NULL DEFAULT '',
  key2 TEXT NOT NULL DEFAULT '',
  key3 TEXT NOT NULL DEFAULT '',
  package_size INTEGER NOT NULL DEFAULT 0,
  reg_dtm TEXT NOT NULL DEFAULT '',
  uploaded INTEGER NOT NULL DEFAULT 0);
CREATE INDEX IF NOT EXISTS items_by_partner ON items(pns_cd, uploaded, item_no);
CREATE TABLE IF NOT EXISTS photos(
  item_no INTEGER NOT NULL REFERENCES items(item_no),
  number INTEGER NOT NULL,
  member TEXT NOT NULL,
  width_px INTEGER NOT NULL,
  height_px INTEGER NOT NULL,
  x1 REAL NOT NULL, y1 REAL NOT NULL, x2 REAL NOT NULL, y2 REAL NOT NULL,
  length_mm REAL NOT NULL,
  PRIMARY KEY(item_no, number));
CREATE TABLE IF NOT EXISTS comments(
  comment_no INTEGER PRIMARY KEY AUTOINCREMENT,
  item_no INTEGER NOT NULL REFERENCES items(item_no),
  cmt_typ TEXT NOT NULL,
  sns_user_id TEXT NOT NULL,
  sns_user_nm TEXT NOT NULL,
  sns_id TEXT NOT NULL,
  sns_image TEXT NOT NULL,
  reg_dtm TEXT NOT NULL);
)sql";

// Item ids start above 100000 so they always read as six or more digits.
constexpr qint64 kFirstItemNo = 100001;

struct SeedCategory
{
    const char *id;
    const char *parent;
    int type;
    const char *name;
};

// A shop's product tree, three levels deep; type 1 has sub-categories, type 2 is a leaf.
const SeedCategory kSeedCategories[] = {
    {"10", "0", 1, "패션의류"},
    {"1010", "10", 1, "여성의류"},
    {"101010", "1010", 2, "원피스"},
    {"101020", "1010", 2, "블라우스"},
    {"101030", "1010", 2, "니트"},
    {"1020", "10", 1, "남성의류"},
    {"102010", "1020", 2, "셔츠"},
    {"102020", "1020", 2, "바지"},
    {"102030", "1020", 2, "아우터"},
    {"20", "0", 1, "패션잡화"},
    {"2010", "20", 1, "가방"},
    {"201010", "2010", 2, "숄더백"},
    {"201020", "2010", 2, "백팩"},
    {"201030", "2010", 2, "지갑"},
    {"2020", "20", 1, "신발"},
    {"202010", "2020", 2, "운동화"},
    {"202020", "2020", 2, "구두"},
    {"2030", "20", 2, "시계·주얼리"},
    {"30", "0", 1, "가구·인테리어"},
    {"3010", "30", 1, "가구"},
    {"301010", "3010", 2, "소파"},
    {"301020", "3010", 2, "책상"},
    {"301030", "3010", 2, "수납장"},
    {"3020", "30", 1, "조명"},
    {"302010", "3020", 2, "스탠드"},
    {"302020", "3020", 2, "천장등"},
    {"40", "0", 1, "디지털·가전"},
    {"4010", "40", 1, "카메라"},
    {"401010", "4010", 2, "디지털카메라"},
    {"401020", "4010", 2, "렌즈"},
    {"4020", "40", 1, "음향기기"},
    {"402010", "4020", 2, "헤드폰"},
    {"402020", "4020", 2, "스피커"},
    {"50", "0", 2, "공예·수집"},
};

QString Now()
{
    return QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

QString RandomKey()
{
    quint32 words[4];
    QRandomGenerator::system()->fillRange(words);
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char *>(words), sizeof words).toHex());
}

// LIKE pattern for "contains": the search text's own % and _ match only themselves.
QString ContainsPattern(const QString &text)
{
    QString escaped;
    for (const QChar c : text) {
        if (c == u'%' || c == u'_' || c == u'\\')
            escaped += u'\\';
        escaped += c;
    }
    return u'%' + escaped + u'%';
}

const char *const kItemColumns
    = "item_no, user_id, pns_cd, item_nm, cate_nm, explanation, thumbnail, use_typ, photo_cnt, "
      "measured_cnt, key1, key2, key3, package_size, reg_dtm, uploaded";

CServiceItem ReadItem(const Statement &s)
{
    CServiceItem item;
    item.itemId = QString::number(s.integer(0));
    item.userId = s.text(1);
    item.pnsCd = s.text(2);
    item.itemNm = s.text(3);
    item.cateNm = s.text(4);
    item.explanation = s.text(5);
    item.thumbnail = s.text(6);
    const QString typ = s.text(7);
    item.useTyp = typ.isEmpty() ? QChar(u'T') : typ.at(0);
    item.photoCnt = static_cast<int>(s.integer(8));
    item.measuredCnt = static_cast<int>(s.integer(9));
    item.key1 = s.text(10);
    item.key2 = s.text(11);
    item.key3 = s.text(12);
    item.packageSize = s.integer(13);
    item.regDtm = s.text(14);
    item.uploaded = s.integer(15) != 0;
    return item;
}

// Item ids are decimal numbers; anything else names no item.
std::optional<qint64> ItemNo(const QString &itemId)
{
    if (itemId.isEmpty() || itemId.size() > 18)
        return std::nullopt;
    for (const QChar c : itemId) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
    }
    return itemId.toLongLong();
}

} // namespace

CServiceDatabase::~CServiceDatabase()
{
    Close();
}

void CServiceDatabase::Close()
{
    std::lock_guard guard(m_lock);
    if (m_db)
        sqlite3_close(m_db);
    m_db = nullptr;
}

bool CServiceDatabase::Exec(const char *sql)
{
    return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool CServiceDatabase::Open(const QString &path, QString *error)
{
    std::lock_guard guard(m_lock);
    if (m_db)
        sqlite3_close(m_db);
    m_db = nullptr;
    const QByteArray file = path.toUtf8();
    if (sqlite3_open_v2(file.constData(), &m_db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOFOLLOW, nullptr)
        != SQLITE_OK) {
        if (error)
            *error = QStringLiteral("cannot open the database %1: %2")
                         .arg(path, QString::fromUtf8(m_db ? sqlite3_errmsg(m_db) : "no memory"));
        Close();
        return false;
    }
    sqlite3_busy_timeout(m_db, 5000);
    if (!Exec("PRAGMA foreign_keys = ON;") || !Exec(kSchema) || !Seed()) {
        if (error)
            *error = QStringLiteral("cannot prepare the database %1: %2")
                         .arg(path, QString::fromUtf8(sqlite3_errmsg(m_db)));
        Close();
        return false;
    }
    return true;
}

bool CServiceDatabase::Seed()
{
    if (!Exec("BEGIN"))
        return false;
    bool ok = true;
    for (const SeedCategory &c : kSeedCategories) {
        Statement s(m_db,
                    "INSERT OR IGNORE INTO categories(cate_id, parent_id, type, name, sort) "
                    "VALUES(?, ?, ?, ?, ?)");
        s.bind(1, QString::fromUtf8(c.id))
            .bind(2, QString::fromUtf8(c.parent))
            .bind(3, static_cast<qint64>(c.type))
            .bind(4, QString::fromUtf8(c.name))
            .bind(5, static_cast<qint64>(&c - kSeedCategories));
        ok = ok && s.step() == SQLITE_DONE;
    }
    // The sequence starts so that the first item gets kFirstItemNo.
    Statement seq(m_db, "SELECT COUNT(*) FROM sqlite_sequence WHERE name = 'items'");
    if (seq.step() == SQLITE_ROW && seq.integer(0) == 0) {
        Statement init(m_db, "INSERT INTO sqlite_sequence(name, seq) VALUES('items', ?)");
        init.bind(1, kFirstItemNo - 1);
        ok = ok && init.step() == SQLITE_DONE;
    }
    if (!ok) {
        Exec("ROLLBACK");
        return false;
    }
    if (!Exec("COMMIT"))
        return false;
    // The demo account the README names; added once, never overwritten.
    if (!FindUser(QStringLiteral("demo")))
        AddUser(QStringLiteral("demo"), QStringLiteral("demo1234"), QStringLiteral("P0001"));
    return true;
}

bool CServiceDatabase::AddUser(const QString &userId, const QString &password, const QString &pnsCd)
{
    std::lock_guard guard(m_lock);
    if (!m_db || userId.isEmpty() || pnsCd.isEmpty())
        return false;
    Statement s(m_db, "INSERT INTO users(user_id, service_key, pns_cd) VALUES(?, ?, ?)");
    s.bind(1, userId).bind(2, MakeServiceKey(userId, password)).bind(3, pnsCd);
    return s.step() == SQLITE_DONE;
}

std::optional<CServiceUser> CServiceDatabase::FindUserWhere(const char *sql, const QString &value)
{
    std::lock_guard guard(m_lock);
    if (!m_db)
        return std::nullopt;
    Statement s(m_db, sql);
    s.bind(1, value);
    if (s.step() != SQLITE_ROW)
        return std::nullopt;
    return CServiceUser {s.text(0), s.text(1), s.text(2)};
}

std::optional<CServiceUser> CServiceDatabase::FindUser(const QString &userId)
{
    return FindUserWhere("SELECT user_id, service_key, pns_cd FROM users WHERE user_id = ?",
                         userId);
}

std::optional<CServiceUser> CServiceDatabase::FindUserByPnsCd(const QString &pnsCd)
{
    return FindUserWhere("SELECT user_id, service_key, pns_cd FROM users WHERE pns_cd = ?", pnsCd);
}

QList<CServiceCategory> CServiceDatabase::Categories(const QString &parentId)
{
    std::lock_guard guard(m_lock);
    QList<CServiceCategory> out;
    if (!m_db)
        return out;
    Statement s(m_db,
                "SELECT cate_id, type, name FROM categories WHERE parent_id = ? ORDER BY sort");
    s.bind(1, parentId);
    while (s.step() == SQLITE_ROW)
        out.append({s.text(0), static_cast<int>(s.integer(1)), s.text(2)});
    return out;
}

QString CServiceDatabase::NewItem(const QString &userId, const QString &pnsCd)
{
    std::lock_guard guard(m_lock);
    if (!m_db)
        return QString();
    Statement s(m_db, "INSERT INTO items(user_id, pns_cd) VALUES(?, ?)");
    s.bind(1, userId).bind(2, pnsCd);
    if (s.step() != SQLITE_DONE)
        return QString();
    return QString::number(sqlite3_last_insert_rowid(m_db));
}

std::optional<CServiceItem> CServiceDatabase::FindItemLocked(const QString &itemId)
{
    const std::optional<qint64> no = ItemNo(itemId);
    if (!m_db || !no)
        return std::nullopt;
    const QByteArray sql = QByteArray("SELECT ") + kItemColumns + " FROM items WHERE item_no = ?";
    Statement s(m_db, sql.constData());
    s.bind(1, *no);
    if (s.step() != SQLITE_ROW)
        return std::nullopt;
    return ReadItem(s);
}

std::optional<CServiceItem> CServiceDatabase::FindItem(const QString &itemId)
{
    std::lock_guard guard(m_lock);
    return FindItemLocked(itemId);
}

std::optional<CServiceItem> CServiceDatabase::StoreUpload(const QString &itemId, qint64 packageSize,
                                                          const CServiceItemSummary &summary,
                                                          const QList<CServicePhoto> &photos)
{
    std::lock_guard guard(m_lock);
    std::optional<CServiceItem> item = FindItemLocked(itemId);
    if (!item)
        return std::nullopt;
    if (item->key1.isEmpty()) {
        item->key1 = RandomKey();
        item->key2 = RandomKey();
        item->key3 = RandomKey();
    }
    if (!Exec("BEGIN"))
        return std::nullopt;
    const qint64 itemNo = itemId.toLongLong();
    bool ok;
    {
        Statement s(m_db,
                    "UPDATE items SET item_nm = ?, cate_nm = ?, explanation = ?, use_typ = ?, "
                    "photo_cnt = ?, measured_cnt = ?, key1 = ?, key2 = ?, key3 = ?, "
                    "package_size = ?, reg_dtm = ?, thumbnail = ?, uploaded = 1 WHERE item_no = ?");
        s.bind(1, summary.itemNm)
            .bind(2, summary.cateNm)
            .bind(3, summary.explanation)
            .bind(4, QString(summary.useTyp))
            .bind(5, static_cast<qint64>(summary.photoCnt))
            .bind(6, static_cast<qint64>(summary.measuredCnt))
            .bind(7, item->key1)
            .bind(8, item->key2)
            .bind(9, item->key3)
            .bind(10, packageSize)
            .bind(11, Now())
            .bind(12, summary.thumbnail)
            .bind(13, itemNo);
        ok = s.step() == SQLITE_DONE;
        Statement clear(m_db, "DELETE FROM photos WHERE item_no = ?");
        clear.bind(1, itemNo);
        ok = ok && clear.step() == SQLITE_DONE;
    }
    for (const CServicePhoto &photo : photos) {
        if (!ok)
            break;
        Statement s(m_db,
                    "INSERT INTO photos(item_no, number, member, width_px, height_px, x1, y1, x2, "
                    "y2, length_mm) VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        s.bind(1, itemNo)
            .bind(2, static_cast<qint64>(photo.number))
            .bind(3, photo.member)
            .bind(4, static_cast<qint64>(photo.widthPx))
            .bind(5, static_cast<qint64>(photo.heightPx))
            .bind(6, photo.x1)
            .bind(7, photo.y1)
            .bind(8, photo.x2)
            .bind(9, photo.y2)
            .bind(10, photo.lengthMm);
        ok = s.step() == SQLITE_DONE;
    }
    if (!ok || !Exec("COMMIT")) {
        Exec("ROLLBACK");
        return std::nullopt;
    }
    return FindItemLocked(itemId);
}

QList<CServicePhoto> CServiceDatabase::Photos(const QString &itemId)
{
    std::lock_guard guard(m_lock);
    QList<CServicePhoto> out;
    const std::optional<qint64> no = ItemNo(itemId);
    if (!m_db || !no)
        return out;
    Statement s(m_db,
                "SELECT number, member, width_px, height_px, x1, y1, x2, y2, length_mm "
                "FROM photos WHERE item_no = ? ORDER BY number");
    s.bind(1, *no);
    while (s.step() == SQLITE_ROW) {
        CServicePhoto photo;
        photo.number = static_cast<int>(s.integer(0));
        photo.member = s.text(1);
        photo.widthPx = static_cast<int>(s.integer(2));
        photo.heightPx = static_cast<int>(s.integer(3));
        photo.x1 = s.real(4);
        photo.y1 = s.real(5);
        photo.x2 = s.real(6);
        photo.y2 = s.real(7);
        photo.lengthMm = s.real(8);
        out.append(photo);
    }
    return out;
}

CServiceItemPage CServiceDatabase::ListItems(const QString &pnsCd, const QString &title,
                                             QChar useTyp, int page, int pageSize)
{
    std::lock_guard guard(m_lock);
    CServiceItemPage out;
    if (!m_db || page < 1 || pageSize < 1)
        return out;
    const QString typ = useTyp.isNull() ? QString() : QString(useTyp);
    const char *const where = " FROM items WHERE pns_cd = ?1 AND uploaded = 1"
                              " AND item_nm LIKE ?2 ESCAPE '\\'"
                              " AND (?3 = '' OR use_typ = ?3)";
    Statement count(m_db, (QByteArray("SELECT COUNT(*)") + where).constData());
    count.bind(1, pnsCd).bind(2, ContainsPattern(title)).bind(3, typ);
    if (count.step() != SQLITE_ROW)
        return out;
    out.totCnt = static_cast<int>(count.integer(0));
    out.pageSize = pageSize;
    out.curPageNo = page;
    out.maxPage = (out.totCnt + pageSize - 1) / pageSize;

    Statement s(
        m_db,
        (QByteArray("SELECT ") + kItemColumns + where + " ORDER BY item_no DESC LIMIT ?4 OFFSET ?5")
            .constData());
    s.bind(1, pnsCd)
        .bind(2, ContainsPattern(title))
        .bind(3, typ)
        .bind(4, static_cast<qint64>(pageSize))
        .bind(5, static_cast<qint64>(page - 1) * pageSize);
    while (s.step() == SQLITE_ROW)
        out.items.append(ReadItem(s));
    return out;
}

bool CServiceDatabase::AddComment(const QString &itemId, const QString &cmtTyp,
                                  const QString &snsUserId, const QString &snsUserNm,
                                  const QString &snsId, const QString &snsImage)
{
    std::lock_guard guard(m_lock);
    const std::optional<qint64> no = ItemNo(itemId);
    if (!m_db || !no || !FindItemLocked(itemId))
        return false;
    Statement s(m_db,
                "INSERT INTO comments(item_no, cmt_typ, sns_user_id, sns_user_nm, sns_id, "
                "sns_image, reg_dtm) VALUES(?, ?, ?, ?, ?, ?, ?)");
    s.bind(1, *no)
        .bind(2, cmtTyp)
        .bind(3, snsUserId)
        .bind(4, snsUserNm)
        .bind(5, snsId)
        .bind(6, snsImage)
        .bind(7, Now());
    return s.step() == SQLITE_DONE;
}

int CServiceDatabase::CommentCount(const QString &itemId)
{
    std::lock_guard guard(m_lock);
    const std::optional<qint64> no = ItemNo(itemId);
    if (!m_db || !no)
        return 0;
    Statement s(m_db, "SELECT COUNT(*) FROM comments WHERE item_no = ?");
    s.bind(1, *no);
    return s.step() == SQLITE_ROW ? static_cast<int>(s.integer(0)) : 0;
}
