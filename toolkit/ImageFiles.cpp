#include "ImageFiles.h"

#include "JpegCodec.h"
#include "PixelTable.h"
#include "SkinLookup.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QSaveFile>
#include <QTransform>

#include <algorithm>

namespace {

// Qt's JPEG writer uses 75 when no quality is given; the TurboJPEG path keeps the same default so
// a file does not depend on which codec wrote it.
constexpr int kDefaultJpegQuality = 75;
// No photograph file is anywhere near this; larger files are refused before they are read.
constexpr qint64 kMaxImageFileBytes = qint64(512) << 20;

// The same steps as QImageReader's automatic transform: mirror and flip first, then a quarter
// turn clockwise.
QImage ApplyTransformation(QImage image, QImageIOHandler::Transformations transformation)
{
    if (transformation == QImageIOHandler::TransformationNone)
        return image;
    if (transformation == QImageIOHandler::TransformationRotate270)
        return image.transformed(QTransform().rotate(270));
    image
        = std::move(image).mirrored(transformation.testFlag(QImageIOHandler::TransformationMirror),
                                    transformation.testFlag(QImageIOHandler::TransformationFlip));
    if (transformation.testFlag(QImageIOHandler::TransformationRotate90))
        image = image.transformed(QTransform().rotate(90));
    return image;
}

// One encoded picture being decoded. Every decode in the program goes through here, so the
// orientation tag is applied the same way whichever codec does the work.
class PictureDecoder
{
public:
    explicit PictureDecoder(const QByteArray &bytes)
        : m_bytes(bytes)
    {
        m_buffer.setData(m_bytes);
        m_buffer.open(QIODevice::ReadOnly);
        m_reader.setDevice(&m_buffer);
        m_reader.setAutoTransform(true);
        m_reader.setAllocationLimit(int(kMaxDecodedImageBytes >> 20));
        m_format = m_reader.format();
        if (!m_format.isEmpty()) {
            m_transformation = m_reader.transformation();
            m_storedSize = m_reader.size();
        }
    }

    bool IsJpeg() const { return m_format == "jpeg"; }

    // The size of the upright picture, or an invalid size when the header does not tell.
    QSize UprightSize() const
    {
        return m_transformation.testFlag(QImageIOHandler::TransformationRotate90)
            ? m_storedSize.transposed()
            : m_storedSize;
    }

    QImage Decode(const QSize &atLeastUpright)
    {
        if (m_format.isEmpty())
            return {};
        QSize atLeast = atLeastUpright;
        if (!atLeast.isEmpty()
            && m_transformation.testFlag(QImageIOHandler::TransformationRotate90))
            atLeast.transpose();
        if (IsJpeg() && JpegCodec::IsAvailable()) {
            QImage image = JpegCodec::Decode(m_bytes, atLeast, kMaxDecodedImageBytes);
            if (!image.isNull())
                return ApplyTransformation(std::move(image), m_transformation);
        }
        // Qt's JPEG reader decodes at 1/2, 1/4 or 1/8 scale and then scales smoothly to the
        // requested size; other formats are decoded whole.
        if (IsJpeg() && !atLeast.isEmpty() && m_storedSize.isValid()
            && atLeast.width() < m_storedSize.width() && atLeast.height() < m_storedSize.height())
            m_reader.setScaledSize(atLeast);
        return m_reader.read();
    }

private:
    QByteArray m_bytes;
    QBuffer m_buffer;
    QImageReader m_reader;
    QByteArray m_format;
    QImageIOHandler::Transformations m_transformation = QImageIOHandler::TransformationNone;
    QSize m_storedSize;
};

// Photographs become opaque RGB32; the colour channels are kept as stored, alpha is dropped.
QImage ToWorkingFormat(QImage image)
{
    if (image.isNull() || image.format() == QImage::Format_RGB32)
        return image;
    return image.convertToFormat(QImage::Format_RGB32);
}

// Pictures from memory and the skin keep their alpha, in the one alpha format the pixel
// operations accept.
QImage ToPictureFormat(QImage image)
{
    if (image.isNull())
        return image;
    if (image.hasAlphaChannel())
        return image.format() == QImage::Format_ARGB32
            ? image
            : image.convertToFormat(QImage::Format_ARGB32);
    return ToWorkingFormat(std::move(image));
}

bool FitsDecodeLimit(const QSize &size)
{
    return qint64(size.width()) * size.height() * 4 <= kMaxDecodedImageBytes;
}

// The source scaled to exactly `size` over opaque white, as Format_RGB32.
QImage ScaleToSize(const QImage &source, const QSize &size)
{
    if (source.isNull() || size.isEmpty() || !FitsDecodeLimit(size))
        return {};
    const bool alpha = source.hasAlphaChannel();
    QImage work = source;
    if (!alpha)
        work = ToWorkingFormat(std::move(work));
    else if (work.format() != QImage::Format_ARGB32_Premultiplied)
        work = work.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (work.size() != size)
        work = work.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (work.isNull())
        return {};
    if (!alpha)
        return ToWorkingFormat(std::move(work));
    QImage result(size, QImage::Format_RGB32);
    if (result.isNull())
        return {};
    result.fill(0xFFFFFFFFu);
    QPainter painter(&result);
    painter.drawImage(0, 0, work);
    painter.end();
    return result;
}

const QList<ImageEncoder> &AvailableEncoders()
{
    static const QList<ImageEncoder> encoders = [] {
        const QList<ImageEncoder> candidates = {
            {QStringLiteral("BMP"), "bmp", QStringLiteral("image/bmp")},
            {QStringLiteral("JPEG"), "jpeg", QStringLiteral("image/jpeg")},
            {QStringLiteral("GIF"), "gif", QStringLiteral("image/gif")},
            {QStringLiteral("TIFF"), "tiff", QStringLiteral("image/tiff")},
            {QStringLiteral("PNG"), "png", QStringLiteral("image/png")},
        };
        const QList<QByteArray> writable = QImageWriter::supportedImageFormats();
        QList<ImageEncoder> offered;
        for (const ImageEncoder &encoder : candidates) {
            if (writable.contains(encoder.qtFormat))
                offered.append(encoder);
        }
        return offered;
    }();
    return encoders;
}

bool EncodeImage(const QImage &image, const ImageEncoder &encoder, int quality, QByteArray *out)
{
    const bool jpeg = encoder.qtFormat == "jpeg";
    if (jpeg) {
        const int jpegQuality = quality > 0 ? std::min(quality, 100) : kDefaultJpegQuality;
        const QImage source
            = image.format() == QImage::Format_ARGB32 ? image : ToWorkingFormat(image);
        if (JpegCodec::Encode(source, jpegQuality, out))
            return true;
        quality = jpegQuality;
    }
    QBuffer buffer(out);
    if (!buffer.open(QIODevice::WriteOnly))
        return false;
    QImageWriter writer(&buffer, encoder.qtFormat);
    // The quality parameter is the JPEG quality; other encoders always use their defaults.
    writer.setQuality(jpeg ? quality : -1);
    return writer.write(image);
}

} // namespace

std::optional<ImageEncoder> FindImageEncoder(const QString &formatName)
{
    QString name = formatName;
    if (name.compare(QLatin1String("jpg"), Qt::CaseInsensitive) == 0)
        name = QStringLiteral("jpeg");
    for (const ImageEncoder &encoder : AvailableEncoders()) {
        if (encoder.description.compare(name, Qt::CaseInsensitive) == 0)
            return encoder;
    }
    return std::nullopt;
}

bool SaveImageFile(int quality, const QImage &image, const QString &filePath,
                   const QString &formatName)
{
    const std::optional<ImageEncoder> encoder = FindImageEncoder(formatName);
    if (!encoder || image.isNull() || filePath.isEmpty())
        return false;
    QByteArray encoded;
    if (!EncodeImage(image, *encoder, quality, &encoded) || encoded.isEmpty())
        return false;
    // QSaveFile writes a temporary file in the same folder and renames it over the target only
    // after everything was written; on any failure the temporary file is removed.
    QSaveFile file(filePath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(encoded) != encoded.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool ReadImageFileBytes(const QString &filePath, QByteArray *bytes)
{
    const QFileInfo info(filePath);
    // Only regular files: a pipe or a device would block or never end.
    if (!info.isFile() || info.size() <= 0 || info.size() > kMaxImageFileBytes)
        return false;
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QByteArray data = file.readAll();
    file.close();
    if (data.isEmpty())
        return false;
    *bytes = std::move(data);
    return true;
}

QImage DecodeUprightImage(const QByteArray &bytes, const QSize &atLeast)
{
    if (bytes.isEmpty())
        return {};
    PictureDecoder decoder(bytes);
    return decoder.Decode(atLeast);
}

QImage LoadImageCopy(const QString &filePath)
{
    QByteArray bytes;
    if (!ReadImageFileBytes(filePath, &bytes))
        return {};
    return ToWorkingFormat(DecodeUprightImage(bytes));
}

bool CreateBlankImage(QImage &slot, int width, int height)
{
    if (width <= 0 || height <= 0 || !FitsDecodeLimit(QSize(width, height)))
        return false;
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull())
        return false;
    image.fill(0xFF000000u);
    slot = std::move(image);
    return true;
}

bool LoadImageFromMemory(qint64 byteCount, const void *bytes, QImage &slot)
{
    if (!bytes || byteCount <= 0 || byteCount > kMaxImageFileBytes)
        return false;
    const QByteArray copy(static_cast<const char *>(bytes), qsizetype(byteCount));
    QImage image = ToPictureFormat(DecodeUprightImage(copy));
    if (image.isNull())
        return false;
    slot = std::move(image);
    return true;
}

bool LoadPngResource(QImage &slot, int resourceId)
{
    QImage image = ToPictureFormat(FindSkinPicture(SkinPictureKind::Png, resourceId));
    if (image.isNull())
        return false;
    slot = std::move(image);
    return true;
}

bool LoadBitmapResource(QImage &slot, int resourceId)
{
    QImage image = ToPictureFormat(FindSkinPicture(SkinPictureKind::Bitmap, resourceId));
    if (image.isNull())
        return false;
    slot = std::move(image);
    return true;
}

bool CloneImage(const QImage &image, QImage &slot)
{
    if (image.isNull())
        return false;
    QImage copy = image.copy();
    if (copy.isNull())
        return false;
    slot = std::move(copy);
    return true;
}

QSize GetImageSize(const QImage &slot)
{
    return slot.isNull() ? QSize(0, 0) : slot.size();
}

QSize FitSizeInBox(const QSize &source, int boxWidth, int boxHeight)
{
    if (source.isEmpty() || boxWidth <= 0 || boxHeight <= 0)
        return {};
    const qint64 w = source.width(), h = source.height();
    // W / w <= H / h, compared without division: the width decides.
    // A side that truncates to 0 is kept at one pixel, so a long strip still gets a picture.
    const QSize fitted = qint64(boxWidth) * h <= qint64(boxHeight) * w
        ? QSize(boxWidth, std::max(1, int(h * boxWidth / w)))
        : QSize(std::max(1, int(w * boxHeight / h)), boxHeight);
    return fitted;
}

QImage ScaleImageToFit(const QImage &image, int boxWidth, int boxHeight, QSize *newSize)
{
    const QSize fitted = FitSizeInBox(image.size(), boxWidth, boxHeight);
    QImage result = ScaleToSize(image, fitted);
    if (!result.isNull() && newSize)
        *newSize = fitted;
    return result;
}

QImage ScaleImageToFit(const QString &filePath, int boxWidth, int boxHeight, QSize *newSize)
{
    QByteArray bytes;
    if (!ReadImageFileBytes(filePath, &bytes))
        return {};
    PictureDecoder decoder(bytes);
    const QSize upright = decoder.UprightSize();
    QImage decoded;
    QSize fitted;
    if (upright.isValid()) {
        fitted = FitSizeInBox(upright, boxWidth, boxHeight);
        if (fitted.isEmpty())
            return {};
        decoded = decoder.Decode(fitted);
    } else {
        // The header does not tell the size: decode whole and fit what came out.
        decoded = decoder.Decode(QSize());
        fitted = FitSizeInBox(decoded.size(), boxWidth, boxHeight);
    }
    QImage result = ScaleToSize(decoded, fitted);
    if (!result.isNull() && newSize)
        *newSize = fitted;
    return result;
}

std::array<quint8, 256> BrightnessContrastTable(int brightness, int contrast)
{
    std::array<quint8, 256> table {};
    const double c = (contrast + 100) / 100.0;
    const double b = brightness + 128.0;
    for (int i = 0; i < 256; ++i) {
        const double value = b + c * (i - 128) + 0.5;
        // Clamp in floating point first: a huge brightness must not overflow the conversion.
        const double clamped = std::clamp(value, -1.0, 256.0);
        table[size_t(i)] = quint8(std::clamp(int(clamped), 0, 255));
    }
    return table;
}

bool AdjustBrightnessContrast(QImage &slot, int brightness, int contrast)
{
    const QImage::Format format = slot.format();
    if (slot.isNull()
        || (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32
            && format != QImage::Format_RGB888))
        return false;
    const std::array<quint8, 256> table = BrightnessContrastTable(brightness, contrast);
    const qsizetype bytesPerPixel = format == QImage::Format_RGB888 ? 3 : 4;
    const qsizetype stride = slot.bytesPerLine();
    uchar *bits = slot.bits(); // detaches: the caller's other copies keep their pixels
    if (!bits)
        return false;
    PixelTable::MapRows(bits, stride, slot.width() * bytesPerPixel, slot.height(), table,
                        bytesPerPixel == 4);
    return true;
}

bool CopyAlpha(QImage &destination, const QImage &source)
{
    if (destination.format() != QImage::Format_ARGB32 || source.format() != QImage::Format_ARGB32)
        return false;
    const int width = std::min(destination.width(), source.width());
    const int height = std::min(destination.height(), source.height());
    for (int y = 0; y < height; ++y) {
        const auto *from = reinterpret_cast<const QRgb *>(source.constScanLine(y));
        auto *to = reinterpret_cast<QRgb *>(destination.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const quint32 alpha = from[x] & 0xFF000000u;
            if (alpha != 0xFF000000u)
                to[x] = (to[x] & 0x00FFFFFFu) | alpha;
        }
    }
    return true;
}
