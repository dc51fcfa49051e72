#include "JpegCodec.h"

#include <atomic>

#ifdef VM_HAVE_TURBOJPEG
#include <turbojpeg.h>
#endif

namespace JpegCodec {

namespace {
std::atomic<bool> g_enabled {true};

#ifdef VM_HAVE_TURBOJPEG
// QImage::Format_RGB32 is 0xAARRGGBB in a 32-bit word: B, G, R, X in memory on little-endian.
constexpr int kPixelFormat = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? TJPF_BGRX : TJPF_XRGB;

class Handle
{
public:
    explicit Handle(tjhandle handle)
        : m_handle(handle)
    { }
    ~Handle()
    {
        if (m_handle)
            tjDestroy(m_handle);
    }
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;
    tjhandle get() const { return m_handle; }

private:
    tjhandle m_handle;
};
#endif
} // namespace

bool IsAvailable()
{
#ifdef VM_HAVE_TURBOJPEG
    return g_enabled.load();
#else
    return false;
#endif
}

void SetEnabled(bool enabled)
{
    g_enabled.store(enabled);
}

bool LooksLikeJpeg(const QByteArray &bytes)
{
    return bytes.size() >= 4 && quint8(bytes[0]) == 0xFF && quint8(bytes[1]) == 0xD8
        && quint8(bytes[2]) == 0xFF;
}

QImage Decode(const QByteArray &bytes, const QSize &atLeast, qint64 maxBytes)
{
#ifdef VM_HAVE_TURBOJPEG
    if (!IsAvailable() || !LooksLikeJpeg(bytes))
        return {};
    Handle handle(tjInitDecompress());
    if (!handle.get())
        return {};
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.constData());
    const auto size = static_cast<unsigned long>(bytes.size());
    int width = 0, height = 0, subsampling = 0, colourspace = 0;
    if (tjDecompressHeader3(handle.get(), data, size, &width, &height, &subsampling, &colourspace)
            != 0
        || width <= 0 || height <= 0)
        return {};
    // CMYK and YCCK need Adobe's inversion rules; Qt's reader knows them.
    if (colourspace == TJCS_CMYK || colourspace == TJCS_YCCK)
        return {};

    int scaledWidth = width, scaledHeight = height;
    if (!atLeast.isEmpty()) {
        int count = 0;
        const tjscalingfactor *factors = tjGetScalingFactors(&count);
        // Pick the smallest reduction that is still at least the wanted size.
        for (int i = 0; factors && i < count; ++i) {
            const tjscalingfactor f = factors[i];
            if (f.num > f.denom)
                continue;
            const int w = TJSCALED(width, f);
            const int h = TJSCALED(height, f);
            if (w >= atLeast.width() && h >= atLeast.height()
                && qint64(w) * h < qint64(scaledWidth) * scaledHeight) {
                scaledWidth = w;
                scaledHeight = h;
            }
        }
    }
    if (qint64(scaledWidth) * scaledHeight * 4 > maxBytes)
        return {};
    QImage image(scaledWidth, scaledHeight, QImage::Format_RGB32);
    if (image.isNull())
        return {};
    const int result = tjDecompress2(handle.get(), data, size, image.bits(), scaledWidth,
                                     int(image.bytesPerLine()), scaledHeight, kPixelFormat, 0);
    // A warning (a truncated or slightly damaged file) still leaves a usable picture, as Qt's
    // reader gives one too.
    if (result != 0 && tjGetErrorCode(handle.get()) != TJERR_WARNING)
        return {};
    return image;
#else
    Q_UNUSED(bytes);
    Q_UNUSED(atLeast);
    Q_UNUSED(maxBytes);
    return {};
#endif
}

bool Encode(const QImage &image, int quality, QByteArray *out)
{
#ifdef VM_HAVE_TURBOJPEG
    if (!IsAvailable() || image.isNull() || !out
        || (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32))
        return false;
    Handle handle(tjInitCompress());
    if (!handle.get())
        return false;
    unsigned char *jpeg = nullptr;
    unsigned long jpegSize = 0;
    const int result = tjCompress2(handle.get(), image.constBits(), image.width(),
                                   int(image.bytesPerLine()), image.height(), kPixelFormat, &jpeg,
                                   &jpegSize, TJSAMP_420, qBound(1, quality, 100), 0);
    const bool ok = result == 0 && jpeg && jpegSize > 0;
    if (ok)
        *out = QByteArray(reinterpret_cast<const char *>(jpeg), qsizetype(jpegSize));
    tjFree(jpeg);
    return ok;
#else
    Q_UNUSED(image);
    Q_UNUSED(quality);
    Q_UNUSED(out);
    return false;
#endif
}

} // namespace JpegCodec
