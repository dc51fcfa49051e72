#pragma once

#include <QPointF>

#include <cmath>

// How image pixels of a photograph map to client pixels of the canvas:
//   screen = image * scale + offset, image = (screen - offset) / scale.
// Image pixels are doubles with the origin at the photograph's top-left corner, y downwards.
// Example: a 4000 x 3000 photograph fitted at scale 0.25 with its corner at client (12, 30):
// image point (400, 200) is client (112, 80), and client (112, 80) is image (400, 200).
struct ViewTransform
{
    double ScaleX = 1.0; // screen pixels per image pixel, horizontally
    double ScaleY = 1.0; // screen pixels per image pixel, vertically
    double OffsetX = 0.0; // client x of image x = 0
    double OffsetY = 0.0; // client y of image y = 0

    double ToScreenX(double imageX) const { return imageX * ScaleX + OffsetX; }
    double ToScreenY(double imageY) const { return imageY * ScaleY + OffsetY; }
    double ToImageX(double screenX) const { return (screenX - OffsetX) / ScaleX; }
    double ToImageY(double screenY) const { return (screenY - OffsetY) / ScaleY; }
    QPointF ToScreen(QPointF image) const { return {ToScreenX(image.x()), ToScreenY(image.y())}; }
    QPointF ToImage(QPointF screen) const { return {ToImageX(screen.x()), ToImageY(screen.y())}; }
};

// Image coordinates read from a file are trusted only within this range: far beyond any
// photograph, yet small enough that every later conversion to screen pixels fits an int.
inline constexpr double kMaxImageCoordinate = 1e7;

inline bool IsPlausibleImageCoordinate(double v)
{
    return std::isfinite(v) && std::abs(v) <= kMaxImageCoordinate;
}
