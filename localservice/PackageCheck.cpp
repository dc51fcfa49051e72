#include "PackageCheck.h"

#include "PackageNames.h"
#include "Product.h"
#include "ProductDescription.h"
#include "RealSize.h"
#include "UbUnzip.h"
#include "XmlDocument.h"
#include "XmlNodes.h"
#include "ZipFormat.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QStorageInfo>
#include <QStringList>

namespace {

// The visibility the editor's save options chose: "Y" public, "N" private, anything else (or no
// save options at all) a temporary save that nobody else is meant to see yet.
QChar Visibility(const QString &descriptionPath)
{
    CXmlDocument document;
    if (!document.Open(descriptionPath))
        return u'T';
    const QString tempSave = document.GetRoot()
                                 ->GetChild(QStringLiteral("saveOptions"))
                                 ->GetAttribute(QStringLiteral("tempSave"));
    if (tempSave == QLatin1String("Y"))
        return u'Y';
    if (tempSave == QLatin1String("N"))
        return u'N';
    return u'T';
}

// The member names exactly as the archive's central directory holds them, before any clean-up;
// empty when the directory cannot be read.
QStringList RawMemberNames(const QString &zipPath)
{
    QFile file(zipPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    auto readAt = [&file](int64_t offset, int length, uint8_t *out) {
        return file.seek(offset)
            && file.read(reinterpret_cast<char *>(out), length) == static_cast<qint64>(length);
    };
    const int64_t endAt = ZipFormat::FindEndRecord(file.size(), readAt);
    uint8_t record[ZipFormat::kCentralHeaderSize];
    ZipFormat::EndRecord end;
    if (endAt < 0 || !readAt(endAt, ZipFormat::kEndRecordSize, record)
        || !ZipFormat::ParseEndRecord(record, end))
        return {};
    QStringList names;
    int64_t at = end.directoryOffset;
    for (int i = 0; i < end.entriesTotal; ++i) {
        ZipFormat::CentralHeader central;
        QByteArray name(ZipFormat::kMaxNameBytes + 1, '\0');
        if (!readAt(at, ZipFormat::kCentralHeaderSize, record)
            || !ZipFormat::ParseCentralHeader(record, central)
            || central.nameLength > ZipFormat::kMaxNameBytes
            || !readAt(at + ZipFormat::kCentralHeaderSize, central.nameLength,
                       reinterpret_cast<uint8_t *>(name.data())))
            return {};
        names.append(QString::fromUtf8(name.constData(), central.nameLength));
        at += ZipFormat::kCentralHeaderSize + central.nameLength + central.extraLength
            + central.commentLength;
    }
    return names;
}

// How many photographs a description lists, or -1 when it does not read.
int DescribedPhotos(const QString &descriptionPath)
{
    CXmlDocument document;
    if (!document.Open(descriptionPath))
        return -1;
    const CXmlNodePtr list = document.GetRoot()
                                 ->GetChild(QStringLiteral("productBody"))
                                 ->GetChild(QStringLiteral("list"));
    return list->IsNull() ? -1 : list->GetChildren()->GetCount();
}

} // namespace

bool CPackageCheck::IsItemId(const QString &itemId)
{
    if (itemId.isEmpty() || itemId.size() > 18)
        return false;
    for (const QChar c : itemId) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

bool CPackageCheck::IsMemberName(const QString &itemId, const QString &name)
{
    if (!IsItemId(itemId) || !CPackageNames::IsSafeFileName(name))
        return false;
    if (name == CPackageNames::DescriptionFileName(itemId))
        return true;
    static const QRegularExpression photoMember(
        QStringLiteral("^_([0-9]{4,9})\\.(vmi|vmt|vmu|vmv|vi1)$"));
    if (!name.startsWith(itemId))
        return false;
    const QRegularExpressionMatch match = photoMember.match(QStringView(name).mid(itemId.size()));
    // The number is written "%04d", so "0000" and "01234" never occur.
    return match.hasMatch() && match.captured(1).toInt() >= 1
        && (match.captured(1).size() == 4 || match.captured(1).at(0) != u'0');
}

bool CPackageCheck::ItemIdOf(const QString &zipPath, QString &itemId)
{
    itemId.clear();
    CUbUnzip unzip;
    ZipItem first;
    if (!unzip.Open(zipPath) || !unzip.GetItem(0, first)
        || !first.name.endsWith(QLatin1String(".vmd")))
        return false;
    const QString id = first.name.left(first.name.size() - 4);
    if (!IsItemId(id))
        return false;
    itemId = id;
    return true;
}

bool CPackageCheck::Inspect(const QString &zipPath, const QString &workFolder, CPackageInfo &info,
                            QString *why)
{
    auto fail = [why](const char *text) {
        if (why)
            *why = QString::fromUtf8(text);
        return false;
    };
    info = CPackageInfo();
    CUbUnzip unzip;
    if (!unzip.Open(zipPath))
        return fail("the package is not a zip archive");
    ZipItem count;
    if (!unzip.GetItem(-1, count) || count.index < 1)
        return fail("the package is empty");
    if (count.index > kMaxMembers)
        return fail("the package holds too many members");

    // The description comes first and names the item.
    ZipItem first;
    if (!unzip.GetItem(0, first) || !first.name.endsWith(QLatin1String(".vmd")))
        return fail("the package does not begin with its description");
    const QString itemId = first.name.left(first.name.size() - 4);
    if (!IsItemId(itemId))
        return fail("the description's name is not an item id");

    // Names are taken exactly as stored: "/1.vmd" or "1/../1.vmd" would read as "1.vmd" once
    // cleaned, but are stored and served under their raw names.
    const QStringList rawNames = RawMemberNames(zipPath);
    if (rawNames.size() != count.index)
        return fail("the package's directory cannot be read");
    QHash<QString, int> members; // name -> index
    qint64 total = 0;
    for (int i = 0; i < count.index; ++i) {
        ZipItem item;
        if (!unzip.GetItem(i, item))
            return fail("a member of the package cannot be read");
        if ((item.attributes & 0x10) != 0 || !IsMemberName(itemId, item.name)
            || rawNames.at(i) != item.name)
            return fail("the package holds a member that is not named after its item");
        if (members.contains(item.name))
            return fail("the package holds a member twice");
        if (item.size > kMaxMemberBytes)
            return fail("a member of the package is too large");
        total += item.size;
        if (total > kMaxUnpackedBytes)
            return fail("the package unpacks to too many bytes");
        members.insert(item.name, i);
    }
    if (first.size > CXmlDocument::MaxFileSize)
        return fail("the description is too large");

    // Only what the reader needs is unpacked, each under the name checked above.
    const QString unpacked = workFolder + QStringLiteral("/package");
    const QString temp = workFolder + QStringLiteral("/temp");
    if (!QDir().mkpath(unpacked) || !QDir().mkpath(temp))
        return fail("the work folder cannot be made");
    // The full images are there twice (unpacked, and as the reader's working copies).
    const QStorageInfo disk(workFolder);
    if (disk.isValid() && disk.bytesAvailable() >= 0
        && disk.bytesAvailable() < 2 * total + 16LL * 1024 * 1024)
        return fail("the disk has no room to check the package");
    // Only the photographs the description lists may come with the package; nothing else is
    // unpacked or stored.
    if (unzip.UnzipItem(0, CPackageNames::InFolder(unpacked, first.name)) != 0)
        return fail("the description does not unpack");
    const int photoCount = DescribedPhotos(CPackageNames::InFolder(unpacked, first.name));
    if (photoCount < 0)
        return fail("the description cannot be read");
    for (auto it = members.cbegin(); it != members.cend(); ++it) {
        if (it.value() != 0
            && it.key().mid(itemId.size() + 1).section(u'.', 0, 0).toInt() > photoCount)
            return fail("the package holds a photograph its description does not list");
    }
    for (auto it = members.cbegin(); it != members.cend(); ++it) {
        if (!it.key().endsWith(QLatin1String(".vmi")))
            continue;
        if (unzip.UnzipItem(it.value(), CPackageNames::InFolder(unpacked, it.key())) != 0)
            return fail("a member of the package does not unpack");
    }
    unzip.Close();

    CProduct product;
    if (!CProductDescription::ReadDescription(product, unpacked, itemId, temp))
        return fail("the description cannot be read");
    if (product.header.itemId != itemId)
        return fail("the description names another item");

    CServiceItemSummary &summary = info.summary;
    summary.itemNm = product.header.title;
    QStringList categories;
    for (const CCategory *category : product.header.categories)
        categories.append(category->pathName);
    summary.cateNm = categories.join(QStringLiteral(", "));
    summary.explanation = product.header.explanation;
    summary.useTyp = Visibility(CPackageNames::InFolder(unpacked, first.name));
    summary.photoCnt = product.Count();
    const QString thumbnail = CPackageNames::MemberFileName(itemId, 1, QStringLiteral("vmt"));
    if (members.contains(thumbnail))
        summary.thumbnail = thumbnail;
    for (int i = 0; i < product.Count(); ++i) {
        const CImgFile &photo = *product.PhotoAt(i);
        CServicePhoto stored;
        stored.number = i + 1;
        stored.member = CPackageNames::MemberFileName(itemId, i + 1, QStringLiteral("vmi"));
        const QSize pixels = CProductDescription::PhotoPixelSize(photo.workingPath);
        stored.widthPx = pixels.width();
        stored.heightPx = pixels.height();
        stored.x1 = photo.MeasureX1;
        stored.y1 = photo.MeasureY1;
        stored.x2 = photo.MeasureX2;
        stored.y2 = photo.MeasureY2;
        stored.lengthMm = photo.LengthMm;
        if (CRealSize::SizeMm(pixels, {stored.x1, stored.y1}, {stored.x2, stored.y2},
                              stored.lengthMm))
            ++summary.measuredCnt;
        info.photos.append(stored);
    }
    product.Clear();
    info.itemId = itemId;
    return true;
}
