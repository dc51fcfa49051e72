#pragma once

#include "ServiceDatabase.h"

#include <QString>
#include <QStringList>

#include <array>
#include <memory>
#include <mutex>

namespace httplib {
class Server;
struct Request;
struct Response;
class ContentReader;
} // namespace httplib

// The bundled content service: one SQLite database and one folder of stored packages under a
// data folder, and the handlers of every action the editor uses, registered on an HTTP server.
// Every request is checked; a bad one gets a failure answer and changes nothing.
class CLocalService
{
public:
    // The version the editor compares its own with.
    static constexpr const char *kCurrentVersion = "1209250";
    // Largest package accepted and stored.
    static constexpr qint64 kMaxPackageBytes = 512LL * 1024 * 1024;

    explicit CLocalService(const QString &dataFolder);
    ~CLocalService();
    CLocalService(const CLocalService &) = delete;
    CLocalService &operator=(const CLocalService &) = delete;

    // Creates the data folder, its package and upload folders and the database when missing.
    bool Open(QString *error);
    // Adds the action handlers and the request limits to the server.
    void Register(httplib::Server &server);
    // Where the service is reached: the address it listens on and its port, and further names
    // it may be reached under (a public host name). Requests naming any other host are refused,
    // and links in answers name the first public host, else the listening address. Without
    // this, only the address and port a connection arrived at are accepted and linked.
    void SetAddresses(const QString &listenHost, int port, const QStringList &publicHosts = {});

    const QString &DataFolder() const { return m_dataFolder; }
    QString PackagePath(const QString &itemId) const;
    // Where a picture of a stored package is served, relative to the host.
    static QString ImagePath(const QString &itemId, const QString &member);
    CServiceDatabase &Database() { return m_db; }

private:
    void VersionFile(const httplib::Request &req, httplib::Response &res);
    void Login(const httplib::Request &req, httplib::Response &res);
    void GetCategories(const httplib::Request &req, httplib::Response &res);
    void GetProductKey(const httplib::Request &req, httplib::Response &res);
    void GetItemList(const httplib::Request &req, httplib::Response &res);
    void Download(const httplib::Request &req, httplib::Response &res);
    void Upload(const httplib::Request &req, httplib::Response &res,
                const httplib::ContentReader &reader);
    void Comment(const httplib::Request &req, httplib::Response &res);
    void ProductPage(const httplib::Request &req, httplib::Response &res, bool preview);
    // GET /vmi/<itemId>/<member>: one picture of a stored package.
    void PackageImage(const httplib::Request &req, httplib::Response &res);

    // The user named by userId whose service key is key; empty when either is wrong.
    std::optional<CServiceUser> Authenticate(const QString &userId, const QString &key);
    // Whether the request's Host names this service.
    bool KnownHost(const httplib::Request &req) const;
    // "http://host:port" of this service, for links in answers.
    QString LinkBase(const httplib::Request &req) const;
    // Whether the request may see the item: it is public, or the request carries the item's
    // key1 or its owner's service key.
    bool MayView(const httplib::Request &req, const CServiceItem &item);
    // The lock an item's uploads take while they replace its package and row.
    std::mutex &UploadLock(const QString &itemId);

    QString m_dataFolder;
    QString m_packageFolder;
    QString m_incomingFolder;
    CServiceDatabase m_db;
    QString m_linkHost; // "host:port"; empty: the connection's own address
    QStringList m_hostNames; // lower case, without port
    int m_port = 0;
    std::array<std::mutex, 64> m_uploadLocks;
};
