#pragma once

#include "Skin.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRect>

#include <array>

// How each table row is drawn. One light, flat look for every window: a light grey face, a dark
// title band with white text, white buttons with a thin grey outline and blue primary buttons.
namespace SkinStyle {
enum : int {
    // strips
    ButtonLight,
    ButtonPrimary, // confirm buttons: blue face, white caption
    ButtonOnDark, // text buttons sitting on a dark band
    CloseCross, // the popup close cross on the title band
    WindowGlyph, // arg 0 minimise, 1 maximise, 2 close
    Tab,
    Swatch, // arg = colour as 0xRRGGBB
    LineWidth, // arg = line width in pixels
    AlignGlyph, // arg 1 left, 2 centre, 3 right
    ArrowGlyph, // arg -1 left, 1 right
    Toggle, // a radio-like choice: pressed = chosen
    // frame pieces, arg = role 0..7 (top-left, top, top-right, right, bottom-right, bottom,
    // bottom-left, left)
    PopupFrame,
    MainFrame,
    // backgrounds, arg = title band height
    Popup,
    // single pictures
    HeaderTile,
    TrackPiece, // arg: bits 0-1 piece (0 left, 1 middle, 2 right), bit 2 filled, bit 3 zoom look
    Thumb,
    Card,
    Grip,
    Ring,
    RotateHandle,
    Badge,
    BigArrow, // arg -1 previous, 1 next
    CommentPin,
    Label, // caption on a pale plate
    Hint,
    Instruction,
    PictureButton, // a one-state button picture (calibration screen); arg 1 = primary
    // cursors, arg 0 vertical-line end, 1 horizontal-line end, 2 hand, 3 select arrow
    CursorGlyph
};
} // namespace SkinStyle

class CSkinArt
{
public:
    static const QColor kFace; // RGB(244, 244, 246): the popup face
    static const QColor kBand; // the dark title band
    static const QColor kBandDark;
    static const QColor kText;
    static const QColor kTextDisabled;
    static const QColor kAccent;
    static const QColor kOutline;

    // Draws the whole picture of one table row into a transparent image of the row's size.
    static QImage Render(const SkinEntry &entry);

    // The eight-piece frame drawn into rect, each piece at its own size; edges repeat and the
    // last copy is cut to what remains. The inside is left alone. Pieces in the order top-left,
    // top, top-right, right, bottom-right, bottom, bottom-left, left.
    static void DrawFrame(QPainter &p, const QRect &rect, const std::array<QImage, 8> &pieces);

    // A caption font of the given pixel size from the installed Korean faces.
    static QFont CaptionFont(int pixelSize, bool bold = false);

    // The hot spot of a cursor row (arg of CursorGlyph).
    static QPoint CursorHotSpot(const SkinEntry &entry);

private:
    static void DrawStripState(QPainter &p, const QRect &r, const SkinEntry &e, int state);
    static void DrawFramePiece(QPainter &p, const SkinEntry &e);
    static void DrawBackground(QPainter &p, const SkinEntry &e);
    static void DrawPicture(QPainter &p, const SkinEntry &e);
    static void DrawTrackPiece(QPainter &p, const SkinEntry &e);
    static void DrawCursor(QPainter &p, const SkinEntry &e);
    static void DrawFittedText(QPainter &p, const QRect &r, const QString &text,
                               const QColor &colour, int maxPixelSize, bool bold = false,
                               int flags = Qt::AlignCenter);
};
