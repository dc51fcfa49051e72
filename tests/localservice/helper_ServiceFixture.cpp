#include "helper_ServiceFixture.h"

#include "ServiceKey.h"
#include "ServiceUrls.h"
#include "UbHttpDown.h"
#include "UbHttpFileUp.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <chrono>

void ServiceFixture::SetUp()
{
    ASSERT_TRUE(dataDir.isValid());
    service = std::make_unique<CLocalService>(dataDir.path() + QStringLiteral("/data"));
    QString error;
    ASSERT_TRUE(service->Open(&error)) << error.toStdString();
    service->Register(server);
    port = server.bind_to_any_port("127.0.0.1");
    ASSERT_GT(port, 0);
    thread = std::thread([this] { server.listen_after_bind(); });
    for (int i = 0; i < 200 && !server.is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_TRUE(server.is_running());
}

void ServiceFixture::TearDown()
{
    server.stop();
    if (thread.joinable())
        thread.join();
    service.reset();
}

QString ServiceFixture::Host() const
{
    return QStringLiteral("127.0.0.1:%1").arg(port);
}

ServiceReply ServiceFixture::Get(const QString &actionAndQuery)
{
    ServiceReply reply;
    CUbHttpDown down(QStringLiteral("VmEditor"));
    const bool opened = down.OpenUrl(Host() + u'/' + actionAndQuery, true);
    reply.status = down.StatusCode();
    if (!opened)
        return reply;
    const CUbHttpBuffer body = down.ReadAll(10240, 10240, false, 1024, 64 * 1024 * 1024);
    reply.ok = static_cast<bool>(body);
    reply.body = body.toByteArray();
    return reply;
}

ServiceReply ServiceFixture::Upload(const QByteArray &fileName, const QByteArray &content,
                                    const QByteArray &fieldName)
{
    if (fieldName == CUbHttpFileUp::kFieldName) {
        // The editor's own upload client, from a file as the editor sends it.
        QTemporaryDir folder;
        QFile file(folder.filePath(QStringLiteral("package")));
        if (!folder.isValid() || !file.open(QIODevice::WriteOnly)
            || file.write(content) != content.size())
            return ServiceReply();
        file.close();
        CUbHttpFileUp up;
        QByteArray answer;
        ServiceReply reply;
        reply.ok = up.SendFile(FromCodePage949(fileName), file.fileName(),
                               ServiceUrls::Upload(Host()), answer);
        reply.status = reply.ok ? 200 : 0;
        reply.body = answer;
        return reply;
    }
    // Any other part name needs a hand-made body.
    const QByteArray body = "-----------------------------7d16d3Ubrik\r\n"
                            "Content-Disposition: form-data; name=\""
        + fieldName + "\"; filename=\"" + fileName
        + "\"\r\n"
          "Content-Type: image/jpeg\r\n\r\n"
        + content + "\r\n-----------------------------7d16d3Ubrik--\r\n";
    httplib::Client client("127.0.0.1", port);
    httplib::Headers headers = {{"Accept-Language", "ko"}};
    const auto result
        = client.Post("/CommonProductUploadAction.uvm", headers, body.toStdString(),
                      "multipart/form-data; boundary=---------------------------7d16d3Ubrik");
    ServiceReply reply;
    if (!result)
        return reply;
    reply.status = result->status;
    reply.ok = result->status >= 200 && result->status <= 299;
    reply.body = QByteArray::fromStdString(result->body);
    return reply;
}

QString ServiceFixture::NewItem()
{
    const ServiceReply reply
        = Get(QStringLiteral("CommonGetProdKeyAction.uvm?userId=demo&pnsCd=P0001&key=%1")
                  .arg(QLatin1String(kDemoKey)));
    return reply.ok ? AnswerText(reply.body, QStringLiteral("ItemId")) : QString();
}

QByteArray ServiceFixture::DemoFileName()
{
    return QByteArray("demo_P0001_") + kDemoKey;
}

QByteArray ServiceFixture::MakePackage(const QString &itemId, const QByteArray &photo)
{
    QTemporaryDir work;
    if (!work.isValid())
        return QByteArray();
    const QString vmd = itemId + QStringLiteral(".vmd");
    const QString vmi = itemId + QStringLiteral("_0001.vmi");
    QFile description(work.filePath(vmd));
    QFile image(work.filePath(vmi));
    if (!description.open(QIODevice::WriteOnly) || !image.open(QIODevice::WriteOnly))
        return QByteArray();
    description.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?><Product/>");
    image.write(photo);
    description.close();
    image.close();
    QProcess zip;
    zip.setWorkingDirectory(work.path());
    zip.start(
        QStringLiteral("zip"),
        {QStringLiteral("-q"), QStringLiteral("-X"), QStringLiteral("package.zip"), vmd, vmi});
    if (!zip.waitForFinished(30000) || zip.exitCode() != 0)
        return QByteArray();
    QFile package(work.filePath(QStringLiteral("package.zip")));
    return package.open(QIODevice::ReadOnly) ? package.readAll() : QByteArray();
}

QString AnswerText(const QByteArray &xml, const QString &name)
{
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == name)
            return reader.readElementText();
    }
    return QString();
}
