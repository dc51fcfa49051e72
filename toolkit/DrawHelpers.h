#pragma once

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QString>
#include <QTransform>

#include <optional>

class CUbBitmap;
class CUbFont;

// Colour values are 00BBGGRR; −1 means "none".
QColor ColorFromColorRef(int colorRef);

// Copies the w × h rectangle of the bitmap starting at (sourceX, sourceY) to (x, y), replacing
// what was there (a plain copy, alpha included). False for a null bitmap or an inactive painter.
bool DrawBitmap(QPainter &target, const CUbBitmap &bitmap, int x, int y, int width, int height,
                int sourceX, int sourceY);

// The eight border pieces of a skin frame around `rect`, each at its own size, corners first and
// edges repeated between them (the last copy cut to what remains); the inside is left alone. An
// edge whose span is zero or negative is not drawn. The frame's right and bottom lines are
// rect.x() + rect.width() and rect.y() + rect.height() (exclusive, like a window rectangle).
void DrawSkinFrame(QPainter &target, const QRect &rect, const CUbBitmap &topLeft,
                   const CUbBitmap &top, const CUbBitmap &topRight, const CUbBitmap &bottomLeft,
                   const CUbBitmap &bottom, const CUbBitmap &bottomRight, const CUbBitmap &left,
                   const CUbBitmap &right);

// Window-code text format flags and their Qt equivalents.
namespace DrawTextFormat {
inline constexpr unsigned Left = 0x0000;
inline constexpr unsigned Center = 0x0001;
inline constexpr unsigned Right = 0x0002;
inline constexpr unsigned VCenter = 0x0004;
inline constexpr unsigned Bottom = 0x0008;
inline constexpr unsigned WordBreak = 0x0010;
inline constexpr unsigned SingleLine = 0x0020;
inline constexpr unsigned ExpandTabs = 0x0040;
inline constexpr unsigned NoClip = 0x0100;
inline constexpr unsigned NoPrefix = 0x0800;
inline constexpr unsigned EndEllipsis = 0x8000;
} // namespace DrawTextFormat

// Qt::AlignmentFlag | Qt::TextFlag for DrawTextFormat flags. Without NoPrefix, "&" marks the
// next character as a mnemonic and "&&" is a plain "&".
int QtTextFlags(unsigned drawTextFormat);

// Draws the text in the rectangle with the font and the Qt text flags (see QtTextFlags). When the
// font's colour is not −1 it is the text colour for this call; the painter's pen and font are
// restored afterwards. With EndEllipsis semantics wanted, pass `elideRight`: a single line that
// does not fit ends in "…".
void DrawFontText(const QString &text, QPainter &painter, const CUbFont &font, const QRect &rect,
                  int qtFlags, bool elideRight = false);

// The font annotations measure and draw their centred labels with. The annotation layer sets it
// when it creates its shared resources; until then the painter's default font is used.
void SetSharedAnnotationFont(const std::optional<QFont> &font);
std::optional<QFont> SharedAnnotationFont();

// Measures the text with the shared annotation font and draws it with the brush so that its
// layout box is centred in the rectangle.
void DrawStringCentered(const QRectF &rect, const QString &text, QPainter &painter,
                        const QBrush &brush);

// True when (x − cx)² / a² + (y − cy)² / b² ≤ 1 for the ellipse inscribed in the rectangle; false
// for an ellipse with an empty axis.
bool PointInEllipse(const QPointF &point, const QRectF &bounds);

// The six affine elements of `from` into `to` (a perspective part is dropped).
void CopyMatrix(const QTransform &from, QTransform &to);
// `matrix` into both; `inverse` is then inverted. False when the matrix has no inverse: `inverse`
// is then left equal to `matrix`.
bool CopyMatrixWithInverse(const QTransform &matrix, QTransform &forward, QTransform &inverse);
