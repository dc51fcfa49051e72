#pragma once

#include <QPointF>
#include <QSize>
#include <QSizeF>

#include <optional>

// The physical size of a measured photograph. The measuring line lies in image pixels and its
// length is in millimetres, so one image pixel is lengthMm / |end - start| millimetres and the
// whole picture is its pixel size times that.
class CRealSize
{
public:
    // Width and height in millimetres; empty when the photograph was never measured (length not
    // a positive finite number), the line has no length or the picture has no pixels.
    static std::optional<QSizeF> SizeMm(const QSize &pixels, QPointF start, QPointF end,
                                        double lengthMm);
};
