#pragma once

#include "LocalService.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <httplib.h>
#include <memory>
#include <thread>

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
    // The multipart body the editor's upload sends, byte for byte, posted to the upload action.
    ServiceReply Upload(const QByteArray &fileName, const QByteArray &content,
                        const QByteArray &fieldName = "SCRIPT_DOC_NM");
    // A new item id for the demo user.
    QString NewItem();
    // A zip package of the item: its description first, then one photograph.
    QByteArray MakePackage(const QString &itemId, const QByteArray &photo = "photo bytes");
    // The demo user's upload file name.
    static QByteArray DemoFileName();

    QTemporaryDir dataDir;
    std::unique_ptr<CLocalService> service;
    httplib::Server server;
    std::thread thread;
    int port = -1;
};

// The text of the first element called name in an answer document; null when there is none.
QString AnswerText(const QByteArray &xml, const QString &name);
