#pragma once

#include <QColor>
#include <QFont>
#include <QString>

// A logical font description in the units window code is written in: height in pixels
// (negative: character height without internal leading; positive: cell height; 0: default),
// weight 0 … 1000 (400 regular, 700 bold), quality and pitch-and-family codes.
struct LogicalFont
{
    int Height = -12;
    int Width = 0; // average character width in pixels; 0 keeps the face's own proportions
    int Escapement = 0; // tenths of a degree, counter-clockwise; used when drawing
    int Orientation = 0;
    int Weight = 400;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    int CharSet = 0;
    int OutPrecision = 0;
    int ClipPrecision = 0;
    int Quality = 2; // 0 default, 1 draft, 2 proof, 3 non-antialiased, 4 antialiased, 5 ClearType
    int PitchAndFamily = 0x12; // low bits: 1 fixed, 2 variable pitch; high bits: family
    QString FaceName = QStringLiteral("Times New Roman");
};

// An owned font with its description and its text colour. Owners change Desc, then call
// CreateFont, which replaces any font created before.
class CUbFont
{
public:
    CUbFont() = default;
    virtual ~CUbFont();

    LogicalFont Desc;
    // A colour value 00BBGGRR, or −1: drawing leaves the painter's text colour as it is.
    int Color = -1;

    bool CreateFont();
    void DeleteObject();
    bool IsCreated() const { return m_created; }
    // The created font; a default font before CreateFont.
    const QFont &Font() const { return m_font; }

    // The description as a QFont (Korean face names resolve through the substitution table).
    static QFont ToQFont(const LogicalFont &desc);
    // −Height for a point size on a display of `dotsPerInch` (Windows' −MulDiv(pt, dpi, 72)).
    static int HeightFromPoints(int points, int dotsPerInch = 96);

private:
    QFont m_font;
    bool m_created = false;
};
