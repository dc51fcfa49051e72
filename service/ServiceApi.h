#pragma once

#include "CategoryArray.h"
#include "OpenItemArray.h"
#include "ServiceAnswer.h"

#include <QChar>
#include <QString>

// The service actions that answer with XML. Each blocks the calling thread for one request.
// host is the editor's serviceHost (host name, optionally ":port", no scheme). Nothing here
// shows a message; the callers word the failures.
namespace ServiceApi {

// Items per page of the item list.
inline constexpr int kItemPageSize = 15;
// Larger XML answers are refused rather than read into memory.
inline constexpr qint32 kMaxAnswerBytes = 4 * 1024 * 1024;
// The longest a blocking action (and the update check at start-up) may take as a whole.
inline constexpr qint32 kRequestDeadlineMs = 60000;

} // namespace ServiceApi

// GET url and parse its answer. False when the request fails, the status is not 2xx, the body
// has fewer than 2 bytes, or it is not well-formed XML.
bool FetchServiceXml(const QString &url, CServiceAnswer &answer);

// True when the service answered Result "Success" (any case); pnsCd then holds the partner code
// (possibly empty). On a refusal, error holds the Result text (possibly empty); when no answer
// could be read, error is left as it was.
bool ServiceLogin(const QString &host, const QString &userId, const QString &password,
                  QString &pnsCd, QString &error);

// The categories below parentId ("0" for the first level), in answer order. Entries with an
// empty id or name, or a type other than 1 or 2, are left out. True when an answer was parsed.
bool GetCategories(const QString &host, const QString &parentId, const QString &pnsCd,
                   CCategoryArray &categories);

// A new item id for the user; false when none came back.
bool GetProductKey(const QString &host, const QString &userId, const QString &password,
                   const QString &pnsCd, QString &itemId);

// One page (1-based) of the user's items whose title contains search; visibility 'A' all, 'Y'
// public, 'N' private, 'T' temporarily saved. An element missing from an item keeps the value
// read for the item before it, as the service's own viewer expects. True when parsed. With the
// user's service key the service lists private and temporarily saved items and their viewer
// keys too; without it, public items only.
bool GetItemList(const QString &host, int page, const QString &pnsCd, const QString &search,
                 QChar visibility, COpenItemArray &items, const QString &serviceKey = QString());
