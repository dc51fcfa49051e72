#include "ProductDescription.h"

#include "CommentListReader.h"
#include "DrComment.h"
#include "ImageFiles.h"
#include "Measurement.h"
#include "PackageNames.h"
#include "WorkingFolders.h"
#include "XmlDocument.h"
#include "XmlNodes.h"

#include <QFile>
#include <QImageReader>
#include <QSaveFile>

#include <algorithm>
#include <memory>

namespace {

bool IsXmlChar(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF)
        || (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// Element text that reads back as the same characters (see the class comment).
QString EscapeText(const QString &text)
{
    QString out;
    out.reserve(text.size());
    const QList<uint> points = text.toUcs4();
    for (qsizetype i = 0; i < points.size(); ++i) {
        const char32_t c = points[i];
        if (!IsXmlChar(c))
            continue; // includes the lone surrogates toUcs4 hands over as themselves
        switch (c) {
        case U'&':
            out += QLatin1String("&amp;");
            break;
        case U'<':
            out += QLatin1String("&lt;");
            break;
        case U'\r':
            out += QLatin1String("&#13;");
            break;
        case U'>':
            // Only the ">" of "]]>" is not allowed in text.
            if (i >= 2 && points[i - 1] == U']' && points[i - 2] == U']')
                out += QLatin1String("&gt;");
            else
                out += QLatin1Char('>');
            break;
        default:
            out += QString::fromUcs4(&c, 1);
            break;
        }
    }
    return out;
}

// The photograph's explanation keeps the line ends the editor stores (CR LF); a parser hands
// them over as LF, so they are made CR LF again.
QString WithCrLf(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return text;
}

QString Element(const char *indent, const char *name, const QString &escapedText)
{
    return QLatin1String(indent) + QLatin1Char('<') + QLatin1String(name) + QLatin1Char('>')
        + escapedText + QLatin1String("</") + QLatin1String(name) + QLatin1String(">\r\n");
}

char Flag(int value)
{
    return value != 0 ? 'Y' : 'N';
}

char TempSave(int publicationType)
{
    return publicationType == 1 ? 'Y' : publicationType == 2 ? 'N' : 'T';
}

// The child of that name; an empty node when it is missing.
CXmlNodePtr Required(const CXmlNodePtr &parent, const char *name, bool &ok)
{
    CXmlNodePtr child = parent->GetChild(QLatin1String(name));
    if (child->IsNull())
        ok = false;
    return child;
}

// One photograph of the list (number counted from 1); false fails the whole read.
bool ReadPhoto(CProduct &product, const CXmlNodePtr &item, int number, const QString &folder,
               const QString &itemId, const QString &tempFolder,
               const CProductDescription::AcceptPhoto &accept)
{
    bool ok = true;
    CXmlNodePtr type = Required(item, "type", ok);
    CXmlNodePtr x1 = Required(item, "x1", ok);
    CXmlNodePtr y1 = Required(item, "y1", ok);
    CXmlNodePtr x2 = Required(item, "x2", ok);
    CXmlNodePtr y2 = Required(item, "y2", ok);
    CXmlNodePtr length = Required(item, "length", ok);
    if (!ok)
        return false;
    type->GetInt(); // the kind is implied by the length

    auto photo = std::make_unique<CImgFile>();
    const double sx = x1->GetDouble(0.0), sy = y1->GetDouble(0.0);
    const double ex = x2->GetDouble(0.0), ey = y2->GetDouble(0.0);
    // A measuring line far outside any photograph would give an absurd scale: keep the photo
    // but treat it as unmeasured.
    const bool plausible = IsPlausibleImageCoordinate(sx) && IsPlausibleImageCoordinate(sy)
        && IsPlausibleImageCoordinate(ex) && IsPlausibleImageCoordinate(ey);
    if (plausible)
        CMeasurement::RestoreMeasurement(*photo, QPointF(sx, sy), QPointF(ex, ey),
                                         length->GetDouble(0.0));
    CCommentListReader::ReadCommentList(photo->annotations, item);

    const QString name = CPackageNames::MemberFileName(itemId, number, QStringLiteral("vmi"));
    if (!CWorkingFolders::CopyIntoFolder(CPackageNames::InFolder(folder, name), tempFolder, name))
        return false;
    photo->sourcePath = CPackageNames::InFolder(folder, name);
    photo->workingPath = CPackageNames::InFolder(tempFolder, name);
    // A member that is no picture is refused like one the strip refuses.
    if (!CWorkingFolders::MakeThumbnail(*photo) || (accept && !accept(*photo))) {
        QFile::remove(photo->workingPath);
        return false;
    }
    product.AppendPhoto(photo.release());
    return true;
}

} // namespace

QString CProductDescription::WriteHead(const CItemInfo &header)
{
    QString out = QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
                                 "<product>\r\n"
                                 "<productHeader>\r\n");
    out += Element("\t", "itemID", EscapeText(header.itemId));
    out += QLatin1String("\t<productTitle>\r\n");
    out += Element("\t\t", "text", EscapeText(header.title));
    out += Element("\t\t", "link", EscapeText(header.link));
    out += QLatin1String("\t</productTitle>\r\n\t<categories>\r\n");
    for (const CCategory *category : header.categories) {
        out += QLatin1String("\t\t<category>\r\n");
        out += Element("\t\t\t", "itemID", EscapeText(category->id));
        out += Element("\t\t\t", "itemName", EscapeText(category->pathName));
        out += QLatin1String("\t\t</category>\r\n");
    }
    out += QLatin1String("\t</categories>\r\n");
    out += Element("\t", "tag", EscapeText(header.tag));
    out += QLatin1String("\t<explanation><![CDATA[") + CDrComment::CDataSafe(header.explanation)
        + QLatin1String("]]></explanation>\r\n");
    out += QLatin1String("</productHeader>\r\n");
    if (header.saveOptionsSet == 1) {
        out += QString::asprintf("<saveOptions tempSave=\"%c\" varimetButton=\"%d\" "
                                 "miniViewer=\"%d\" embeddingViewer=\"%d\">\r\n",
                                 TempSave(header.publicationType), header.varimetButton,
                                 header.miniViewer, header.embeddingViewer);
        out += Element("\t", "codes", EscapeText(header.codes));
        out += QString::asprintf(
            "\t<cclOptions cclUse=\"%c\" cclProfit=\"%c\" cclChange=\"%d\" />\r\n"
            "</saveOptions>\r\n",
            Flag(header.cclUse), Flag(header.cclProfit), header.cclChange);
    }
    out += QLatin1String("<productBody>\r\n<list>\r\n");
    return out;
}

QString CProductDescription::WriteItem(CImgFile &photo, const ScreenCalibration &calibration)
{
    const ResizeChoice choice = ChooseResize(PhotoPixelSize(photo.workingPath), photo, calibration);
    photo.resizeFlag = choice.flag;
    photo.resizeScale = choice.scale;

    QString out = QStringLiteral("\t<item>\r\n");
    out += QString::asprintf("\t\t<type>%d</type>\r\n", CProduct::IsMeasured(photo) ? 1 : 0);
    out += QString::asprintf("\t\t<x1>%.3f</x1>\r\n\t\t<y1>%.3f</y1>\r\n\t\t<x2>%.3f</x2>\r\n"
                             "\t\t<y2>%.3f</y2>\r\n\t\t<length>%.3f</length>\r\n",
                             photo.MeasureX1, photo.MeasureY1, photo.MeasureX2, photo.MeasureY2,
                             photo.LengthMm);
    out += QLatin1String("\t\t<resize_list>\r\n");
    if (photo.resizeFlag == 1)
        out += QString::asprintf("\t\t\t<resize no=\"%d\" scale=\"%.4f\"/>\r\n", 1,
                                 photo.resizeScale);
    out += QLatin1String("\t\t</resize_list>\r\n");
    out += CDrMgr::WriteCommentList(photo.annotations);
    out += QLatin1String("\t</item>\r\n");
    return out;
}

QString CProductDescription::WriteTail()
{
    return QStringLiteral("</list>\r\n</productBody>\r\n</product>\r\n");
}

QString CProductDescription::WriteDescription(CProduct &product,
                                              const ScreenCalibration &calibration)
{
    QString out = WriteHead(product.header);
    for (CImgFile *photo : product.photos)
        out += WriteItem(*photo, calibration);
    out += WriteTail();
    return out;
}

CProductDescription::ResizeChoice
CProductDescription::ChooseResize(const QSize &pixelSize, const CImgFile &photo,
                                  const ScreenCalibration &calibration)
{
    const double w = pixelSize.width(), h = pixelSize.height();
    if (w <= 0 || h <= 0)
        return {};
    auto fittedWidth = [w, h](double boxWidth, double boxHeight) {
        return RoundHalfUp(w * std::min(boxWidth / w, boxHeight / h));
    };
    int target;
    if (IsCalibrated(calibration) && CProduct::IsMeasured(photo)) {
        target = fittedWidth(1024, 768);
        // A zero-length measuring line leaves no real size to compare with.
        if (photo.ImagePixelPerMilli > 0)
            target = std::max(
                target,
                DescriptionRealWidth(pixelSize.width(), calibration, photo.ImagePixelPerMilli));
    } else {
        // Calibrated or not, an unmeasured photograph is held to 2048 x 2048.
        target = fittedWidth(2048, 2048);
    }
    // A very narrow photograph must not be scaled to nothing.
    target = std::max(target, 1);
    if (target < w)
        return {1, target / w};
    return {};
}

QSize CProductDescription::PhotoPixelSize(const QString &path)
{
    QImageReader reader(path);
    const QImageIOHandler::Transformations transformation = reader.transformation();
    const QSize stored = reader.size();
    if (!stored.isEmpty())
        return transformation.testFlag(QImageIOHandler::TransformationRotate90)
            ? stored.transposed()
            : stored;
    return GetImageSize(LoadImageCopy(path));
}

bool CProductDescription::SaveDescriptionFile(const QString &path, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool CProductDescription::ReadDescription(CProduct &product, const QString &folder,
                                          const QString &itemId, const QString &tempFolder,
                                          const AcceptPhoto &accept)
{
    product.Clear();
    CWorkingFolders::EmptyTempFolder(tempFolder);
    product.header.Reset();

    // The item id names files here; one that is no plain file name could lead elsewhere.
    const QString descriptionName = CPackageNames::DescriptionFileName(itemId);
    if (!CPackageNames::IsSafeFileName(descriptionName)
        || !CPackageNames::IsSafeFileName(
            CPackageNames::MemberFileName(itemId, 1, QStringLiteral("vmi"))))
        return false;

    CXmlDocument document;
    if (!document.Open(CPackageNames::InFolder(folder, descriptionName)))
        return false;
    const CXmlNodePtr root = document.GetRoot();
    const CXmlNodePtr headerNode = root->GetChild(QStringLiteral("productHeader"));
    if (headerNode->IsNull())
        return false;

    CItemInfo &header = product.header;
    bool ok = true;
    CXmlNodePtr itemIdNode = Required(headerNode, "itemID", ok);
    if (!ok)
        return false;
    header.itemId = itemIdNode->GetString();
    CXmlNodePtr title = Required(headerNode, "productTitle", ok);
    CXmlNodePtr text = Required(title, "text", ok);
    CXmlNodePtr link = Required(title, "link", ok);
    if (!ok)
        return false;
    header.title = text->GetString();
    header.link = link->GetString().replace(QLatin1String("&amp;"), QLatin1String("&"));
    CXmlNodePtr categories = Required(headerNode, "categories", ok);
    if (!ok)
        return false;
    const CXmlNodesPtr categoryNodes = categories->GetChildren();
    for (int i = 0; i < categoryNodes->GetCount(); ++i) {
        const CXmlNodePtr categoryNode = categoryNodes->GetItem(i);
        CXmlNodePtr id = Required(categoryNode, "itemID", ok);
        CXmlNodePtr pathName = Required(categoryNode, "itemName", ok);
        if (!ok)
            return false;
        auto category = std::make_unique<CCategory>();
        category->id = id->GetString();
        category->pathName = pathName->GetString();
        header.categories.Append(category.release());
    }
    CXmlNodePtr tag = Required(headerNode, "tag", ok);
    CXmlNodePtr explanation = Required(headerNode, "explanation", ok);
    if (!ok)
        return false;
    header.tag = tag->GetString();
    header.explanation = WithCrLf(explanation->GetString());

    const CXmlNodePtr list
        = root->GetChild(QStringLiteral("productBody"))->GetChild(QStringLiteral("list"));
    if (list->IsNull())
        return false;
    const CXmlNodesPtr items = list->GetChildren();
    const int count = items->GetCount();
    for (int i = 0; i < count; ++i) {
        const CXmlNodePtr item = items->GetItem(i);
        if (item->IsNull())
            return false;
        if (!ReadPhoto(product, item, i + 1, folder, itemId, tempFolder, accept))
            return false;
    }
    product.state = CProduct::OpenedProduct;
    return true;
}
