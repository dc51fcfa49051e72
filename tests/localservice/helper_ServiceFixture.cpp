#include "helper_ServiceFixture.h"

#include "DrComment.h"
#include "DrLine.h"
#include "ImageFiles.h"
#include "Measurement.h"
#include "PackageFlows.h"
#include "Product.h"
#include "ServiceKey.h"
#include "ServiceUrls.h"
#include "UbHttpDown.h"
#include "UbHttpFileUp.h"
#include "UbUnzip.h"
#include "UbZip.h"
#include "WorkingFolders.h"

#include <QDir>
#include <QFile>
#include <QImage>
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

QByteArray ServiceFixture::MakePackage(const QString &itemId, const PackageContent &content)
{
    QTemporaryDir work;
    if (!work.isValid())
        return QByteArray();
    const QString tempFolder = work.filePath(QStringLiteral("__temp__"));
    const QString sources = work.filePath(QStringLiteral("photos"));
    if (!QDir().mkpath(tempFolder) || !QDir().mkpath(sources))
        return QByteArray();
    CProduct product;
    product.state = CProduct::NewProduct;
    product.header.itemId = itemId;
    product.header.title = content.title;
    product.header.explanation = content.explanation;
    product.header.saveOptionsSet = 1;
    product.header.publicationType = content.publicationType;
    for (const auto &[id, pathName] : content.categories) {
        auto *category = new CCategory;
        category->id = id;
        category->pathName = pathName;
        product.header.categories.Append(category);
    }
    for (qsizetype i = 0; i < content.photos.size(); ++i) {
        const PackagePhoto &spec = content.photos.at(i);
        QImage picture(spec.pixels, QImage::Format_RGB32);
        // Gradients and edges, so the full image is a real JPEG of some size.
        for (int y = 0; y < picture.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(picture.scanLine(y));
            for (int x = 0; x < picture.width(); ++x)
                line[x] = qRgb((x * 7 + int(i) * 60) % 256, (y * 5) % 256,
                               ((x / 16 + y / 16) % 2) ? 200 : 60);
        }
        const QString source = sources + QStringLiteral("/p%1.jpg").arg(i + 1);
        if (!SaveImageFile(90, picture, source, QStringLiteral("jpg")))
            return QByteArray();
        std::unique_ptr<CImgFile> photo = CWorkingFolders::MakePhotoFromFile(source, tempFolder);
        if (!photo)
            return QByteArray();
        if (spec.lengthMm > 0
            && !CMeasurement::ApplyMeasurement(*photo, spec.start, spec.end, spec.lengthMm, 1))
            return QByteArray();
        if (i == 0) {
            auto *comment = new CDrComment(&photo->annotations);
            comment->X = 10;
            comment->Y = 12;
            comment->SetText(QStringLiteral("손잡이 <가죽> & 실밥"));
            photo->annotations.AddTail(comment);
        } else {
            auto *line = new CDrLine(&photo->annotations);
            line->X1 = 1;
            line->Y1 = 2;
            line->X2 = 30;
            line->Y2 = 40;
            photo->annotations.AddTail(line);
        }
        product.AppendPhoto(photo.release());
    }
    CPackageFlows::SaveRequest request;
    request.tempFolder = tempFolder;
    request.userId = QStringLiteral("demo");
    request.pnsCd = QStringLiteral("P0001");
    request.serviceKey = QLatin1String(kDemoKey);
    QString archive;
    if (CPackageFlows::SavePackage(product, request, &archive) != CPackageFlows::SaveResult::Saved)
        return QByteArray();
    QFile package(archive);
    return package.open(QIODevice::ReadOnly) ? package.readAll() : QByteArray();
}

QByteArray ServiceFixture::MakePackage(const QString &itemId, const QString &title)
{
    PackageContent content;
    content.title = title;
    return MakePackage(itemId, content);
}

QByteArray MakeZip(const QList<QPair<QString, QByteArray>> &members)
{
    QTemporaryDir work;
    if (!work.isValid())
        return QByteArray();
    CUbZip zip;
    const QString archive = work.filePath(QStringLiteral("archive.zip"));
    if (!zip.Create(archive))
        return QByteArray();
    for (qsizetype i = 0; i < members.size(); ++i) {
        QFile file(work.filePath(QStringLiteral("m%1").arg(i)));
        if (!file.open(QIODevice::WriteOnly)
            || file.write(members.at(i).second) != members.at(i).second.size())
            return QByteArray();
        file.close();
        if (!zip.AddFile(members.at(i).first, file.fileName()))
            return QByteArray();
    }
    if (!zip.Close())
        return QByteArray();
    QFile file(archive);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QList<QPair<QString, QByteArray>> ZipMembers(const QByteArray &archive)
{
    QList<QPair<QString, QByteArray>> members;
    CUbUnzip unzip;
    ZipItem count;
    if (!unzip.OpenMemory(archive) || !unzip.GetItem(-1, count))
        return members;
    for (int i = 0; i < count.index; ++i) {
        ZipItem item;
        QByteArray bytes("");
        if (!unzip.GetItem(i, item) || unzip.ExtractToSink(i, [&bytes](const char *data, int size) {
                bytes.append(data, size);
                return true;
            }) != 0)
            return {};
        members.append({item.name, bytes});
    }
    return members;
}

QByteArray ZipMember(const QByteArray &archive, const QString &name)
{
    for (const auto &[member, bytes] : ZipMembers(archive)) {
        if (member == name)
            return bytes;
    }
    return QByteArray();
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
