#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <array>
#include <optional>

// Image files and the pixel operations on decoded images.
//
// Working images are 24-bit colour held as QImage::Format_RGB32 (opaque, 8 bits a channel, the
// padding byte always 0xFF): every photograph loaded from a file, every blank image and every
// scaled rendition has that format. Pictures decoded from memory or from the skin keep their
// alpha as QImage::Format_ARGB32 when they have one. Those two are the only formats the pixel
// operations accept.
//
// An image "slot" is a QImage that may be null (empty). Functions that fill a slot replace its
// image only when they succeed; on failure the slot keeps what it held.

// The largest picture any decode here commits memory for (a 260-megapixel RGB32 image).
inline constexpr qint64 kMaxDecodedImageBytes = qint64(1) << 30;

struct ImageEncoder
{
    QString description; // "BMP", "JPEG", "PNG": what format names are matched against
    QByteArray qtFormat; // the QImageWriter format
    QString mimeType;
};

// "jpg" means "jpeg"; otherwise the name is compared without regard to case with each encoder's
// description. None for a format this program does not write (for example "webp").
std::optional<ImageEncoder> FindImageEncoder(const QString &formatName);

// Writes the image in the named format. A quality above 0 is the JPEG quality (capped at 100);
// 0 or less leaves the encoder's default. The file is written next to its final place and renamed
// over it only when complete, so a failed write leaves an existing file untouched and no partial
// file behind. False (nothing written) for an unknown format or a null image.
bool SaveImageFile(int quality, const QImage &image, const QString &filePath,
                   const QString &formatName);

// Decodes a photograph file into a private Format_RGB32 copy, upright, alpha dropped (colour
// channels kept as stored). The file is read whole and closed before decoding, so it can be
// overwritten or deleted while the image is in use. Null when the file cannot be decoded.
QImage LoadImageCopy(const QString &filePath);

// Puts a new black Format_RGB32 image of that size in the slot.
bool CreateBlankImage(QImage &slot, int width, int height);

// Decodes an encoded picture held in memory (the bytes are copied first) into the slot.
bool LoadImageFromMemory(qint64 byteCount, const void *bytes, QImage &slot);

// Pictures of the skin, by resource number (see SkinLookup.h). False when there is none.
bool LoadPngResource(QImage &slot, int resourceId);
bool LoadBitmapResource(QImage &slot, int resourceId);

// A deep copy of the whole image in the same format. False for a null image.
bool CloneImage(const QImage &image, QImage &slot);

// Width and height; 0 × 0 for an empty slot.
QSize GetImageSize(const QImage &slot);

// The fitted size of a w × h picture in a W × H box: f = min(W / w, H / h), each side w × f
// truncated (so a small picture is enlarged). Computed in integers, so 4000 × 3000 in 192 × 1024
// is exactly 192 × 144. Invalid (empty) when either size is empty or a side truncates to 0.
QSize FitSizeInBox(const QSize &source, int boxWidth, int boxHeight);

// A new Format_RGB32 image of the fitted size, the source drawn over opaque white with smooth
// (area-averaging / bicubic-class) filtering. Null when the source is null or the fitted size is
// empty or cannot be allocated. The source stays with the caller.
QImage ScaleImageToFit(const QImage &image, int boxWidth, int boxHeight, QSize *newSize = nullptr);
// The same from a file: JPEG files are decoded at a reduced DCT scale no smaller than the fitted
// size first, then scaled to exactly the size the rule gives for the upright picture.
QImage ScaleImageToFit(const QString &filePath, int boxWidth, int boxHeight,
                       QSize *newSize = nullptr);

// Entry i = (int)(b + c × (i − 128) + 0.5) clamped to 0 … 255, with c = (contrast + 100) / 100
// and b = brightness + 128. Brightness 0 and contrast 0 give the identity.
std::array<quint8, 256> BrightnessContrastTable(int brightness, int contrast);

// Maps the three colour channels of every pixel through the table; the padding byte of RGB32 and
// the alpha of ARGB32 stay as they are. False (nothing changed) for any other format.
bool AdjustBrightnessContrast(QImage &slot, int brightness, int contrast);

// Both Format_ARGB32: over the common rows and columns, each source pixel whose alpha is not 255
// gives its alpha to the destination pixel at the same place. Colour channels are not touched.
bool CopyAlpha(QImage &destination, const QImage &source);

// Decodes an encoded picture the way every photograph is decoded: the orientation tag is applied,
// so image-pixel coordinates (measuring lines, annotations) always refer to the upright picture.
// With a non-empty `atLeast` (upright), formats that can decode at reduced size do so, never
// below it. The result keeps the decoder's format. Null when it cannot be decoded.
QImage DecodeUprightImage(const QByteArray &bytes, const QSize &atLeast = QSize());

// Reads a whole file into memory and closes it; false when it cannot be read or is larger than
// any picture this program decodes.
bool ReadImageFileBytes(const QString &filePath, QByteArray *bytes);
