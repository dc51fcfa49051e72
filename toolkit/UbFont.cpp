#include "UbFont.h"

#include "FontSubstitutions.h"

#include <QFontMetrics>

#include <algorithm>

namespace {

QFont::StyleHint StyleHintForFamily(int pitchAndFamily)
{
    switch (pitchAndFamily & 0xF0) {
    case 0x10: // roman
        return QFont::Serif;
    case 0x20: // swiss
        return QFont::SansSerif;
    case 0x30: // modern (fixed pitch faces)
        return QFont::TypeWriter;
    case 0x40: // script
        return QFont::Cursive;
    case 0x50: // decorative
        return QFont::Decorative;
    default:
        return QFont::AnyStyle;
    }
}

QFont::StyleStrategy StrategyForQuality(int quality)
{
    switch (quality) {
    case 3: // non-antialiased
        return QFont::NoAntialias;
    case 4: // antialiased
    case 5: // ClearType
        return QFont::PreferAntialias;
    default:
        return QFont::PreferDefault;
    }
}

} // namespace

CUbFont::~CUbFont() = default;

bool CUbFont::CreateFont()
{
    m_font = ToQFont(Desc);
    m_created = true;
    return true;
}

void CUbFont::DeleteObject()
{
    m_font = QFont();
    m_created = false;
}

QFont CUbFont::ToQFont(const LogicalFont &desc)
{
    InstallKoreanFontSubstitutions();
    QFont font(desc.FaceName);
    font.setStyleHint(StyleHintForFamily(desc.PitchAndFamily), StrategyForQuality(desc.Quality));
    if ((desc.PitchAndFamily & 0x03) == 1)
        font.setFixedPitch(true);
    // 0 means "don't care", which the platform draws as regular.
    const int weight = desc.Weight <= 0 ? 400 : std::clamp(desc.Weight, 1, 1000);
    font.setWeight(QFont::Weight(weight));
    font.setItalic(desc.Italic);
    font.setUnderline(desc.Underline);
    font.setStrikeOut(desc.StrikeOut);

    constexpr int kDefaultPixels = 12;
    constexpr int kMaxPixels = 4096; // hostile sizes from settings stay drawable
    if (desc.Height < 0) {
        font.setPixelSize(std::clamp(-qint64(desc.Height), qint64(1), qint64(kMaxPixels)));
    } else if (desc.Height > 0) {
        // A positive height is the whole cell (ascent + descent): shrink the em to fit it.
        const int cell = std::min(desc.Height, kMaxPixels);
        font.setPixelSize(cell);
        const int measured = QFontMetrics(font).height();
        if (measured > 0)
            font.setPixelSize(std::max(1, int(qint64(cell) * cell / measured)));
    } else {
        font.setPixelSize(kDefaultPixels);
    }
    if (desc.Width > 0) {
        const int natural = QFontMetrics(font).averageCharWidth();
        if (natural > 0)
            font.setStretch(std::clamp(desc.Width * 100 / natural, 1, 4000));
    }
    return font;
}

int CUbFont::HeightFromPoints(int points, int dotsPerInch)
{
    // MulDiv rounds to nearest.
    return -int((qint64(points) * dotsPerInch + 36) / 72);
}
