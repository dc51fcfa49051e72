#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

// JPEG through libjpeg-turbo's TurboJPEG interface where it is built in: it decodes straight into
// a Format_RGB32 buffer, scales in the DCT (1/8 … 1) and encodes without Qt's per-line
// conversions. Every function reports "not done" (null image, false) when TurboJPEG is missing,
// switched off or refuses the data, and the caller then uses Qt's own codec; orientation is the
// caller's business (see DecodeUprightImage).
namespace JpegCodec {

// True when TurboJPEG is compiled in and not switched off.
bool IsAvailable();
// Tests and the benchmark switch TurboJPEG off to exercise and measure Qt's codec.
void SetEnabled(bool enabled);

// The JPEG start-of-image marker followed by another marker.
bool LooksLikeJpeg(const QByteArray &bytes);

// Decodes in the stored orientation into Format_RGB32. With a non-empty `atLeast`, uses the
// smallest DCT scale whose result is at least that size in both directions; otherwise full size.
// Null when not done; pictures above `maxBytes` decoded are refused.
QImage Decode(const QByteArray &bytes, const QSize &atLeast, qint64 maxBytes);

// Encodes a Format_RGB32 or Format_ARGB32 image (alpha ignored) at quality 1 … 100, 4:2:0.
bool Encode(const QImage &image, int quality, QByteArray *out);

} // namespace JpegCodec
