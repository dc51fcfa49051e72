#include "RealSize.h"

#include <cmath>

std::optional<QSizeF> CRealSize::SizeMm(const QSize &pixels, QPointF start, QPointF end,
                                        double lengthMm)
{
    if (!std::isfinite(lengthMm) || lengthMm <= 0 || pixels.width() <= 0 || pixels.height() <= 0)
        return std::nullopt;
    const double linePixels = std::hypot(end.x() - start.x(), end.y() - start.y());
    if (!std::isfinite(linePixels) || linePixels <= 0)
        return std::nullopt;
    const double mmPerPixel = lengthMm / linePixels;
    const QSizeF size(pixels.width() * mmPerPixel, pixels.height() * mmPerPixel);
    if (!std::isfinite(size.width()) || !std::isfinite(size.height()))
        return std::nullopt;
    return size;
}
