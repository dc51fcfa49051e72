#pragma once

#include "LocalService.h"
#include "ServiceServer.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QPointF>
#include <QSize>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <httplib.h>
#include <memory>
#include <thread>

class CProduct;

// One photograph of a test package: a picture of that pixel size, measured when lengthMm > 0.
struct PackagePhoto
{
    PackagePhoto() = default;
    PackagePhoto(QSize size, QPointF from = {}, QPointF to = {}, double length = 0)
        : pixels(size)
        , start(from)
        , end(to)
        , lengthMm(length)
    { }
    QSize pixels {320, 240};
    QPointF start;
    QPointF end;
    double lengthMm = 0;
};

// What a test package holds; the defaults make a small public product with one unmeasured
// photograph.
struct PackageContent
{
    QString title = QStringLiteral("가죽 가방");
    QString explanation;
    QList<QPair<QString, QString>> categories; // id, path name
    int publicationType = 1; // 1 public, 2 private, else temporarily saved
    QList<PackagePhoto> photos = {PackagePhoto()};
};

// One answer as the editor's client sees it.
struct ServiceReply
{
    bool ok = false; // request sent, status 200 … 299 and the body read
    int status = 0;
    QByteArray body;
};

// A local service on a temporary data folder, listening on 127.0.0.1 and a free port.
class ServiceFixture : public ::testing::Test
{
protected:
    static constexpr const char *kDemoKey
        = "7f97d4ea62d917f51ad34f1ca70ee9402c0352fb9e88beccafe2dd8291a89a9f";

    void SetUp() override;
    void TearDown() override;

    // "127.0.0.1:<port>", the editor's serviceHost.
    QString Host() const;
    // GET host + "/" + action through CUbHttpDown, read whole.
    ServiceReply Get(const QString &actionAndQuery);
    // An upload as the editor sends it (through CUbHttpFileUp); another field name sends the
    // same body by hand with that name.
    ServiceReply Upload(const QByteArray &fileName, const QByteArray &content,
                        const QByteArray &fieldName = "SCRIPT_DOC_NM");
    // A new item id for the demo user.
    QString NewItem();
    // A package of the item as the editor saves it (description, renditions, archive), with a
    // comment on the first photograph and a line on every other.
    QByteArray MakePackage(const QString &itemId, const PackageContent &content = {});
    // The same with the title alone changed.
    QByteArray MakePackage(const QString &itemId, const QString &title);
    // The demo user's upload file name.
    static QByteArray DemoFileName();

    QTemporaryDir dataDir;
    std::unique_ptr<CLocalService> service;
    CServiceServer server;
    std::thread thread;
    int port = -1;
};

// A zip archive holding the given members (name, bytes) in that order, names written as given.
QByteArray MakeZip(const QList<QPair<QString, QByteArray>> &members);
// Every member of an archive held in memory, in order; empty when it does not open.
QList<QPair<QString, QByteArray>> ZipMembers(const QByteArray &archive);
// The bytes of one member; null when it is not there.
QByteArray ZipMember(const QByteArray &archive, const QString &name);

// The text of the first element called name in an answer document; null when there is none.
QString AnswerText(const QByteArray &xml, const QString &name);
