#pragma once

#include <QCursor>
#include <QImage>
#include <QList>
#include <QString>

#include <array>

// The program's numbered pictures: bitmaps, PNG pictures and cursors, all drawn by our own code
// from one table the first time a number is asked for and kept for the whole run.
//
// The three kinds keep separate number spaces, as resource types do: bitmap 243 is the colour
// effect dialog's 270 × 175 background while PNG 243 is the thumbnail strip's 60 × 45 badge.
//
// A button strip is one image of four equal states stacked from the top: normal, hover,
// pressed, disabled (strip 157 is 13 × 52, so each state is 13 × 13).

enum class SkinKind { Bitmap, Png, Cursor };

enum class SkinRole {
    Strip, // four-state button strip
    FramePiece, // one of the eight pieces of a popup or main-window frame
    Background, // a whole dialog face, with its title band and border
    Tile, // a piece repeated horizontally (toolbar header)
    Track, // slider track piece (left end, middle tile, right end)
    Thumb, // slider thumb
    Picture, // a single picture (card, grip, ring, badge, arrows, pin, labels)
    Cursor
};

struct SkinEntry
{
    SkinKind kind;
    int number;
    int width; // whole picture; a strip's state is width × height / 4
    int height;
    SkinRole role;
    const char *caption; // UTF-8 Korean caption drawn on it, or ""
    int style; // how the painter draws it; see SkinArt.h
    int arg; // style argument (colour, line width, glyph, hot spot)
};

class CSkin
{
public:
    // Picture by number, at its table size; a null image for a number the table does not have.
    // Safe from any thread: each picture is drawn once, under a lock.
    static QImage Picture(int number, SkinKind kind = SkinKind::Bitmap);
    static QImage Png(int number) { return Picture(number, SkinKind::Png); }
    static bool Has(int number, SkinKind kind = SkinKind::Bitmap);
    static const SkinEntry *Find(int number, SkinKind kind = SkinKind::Bitmap);

    // Cursor by number (164, 165, 249, 251); the arrow cursor for an unknown number.
    // QCursor is a GUI object: call from the user-interface thread only.
    static QCursor Cursor(int number);

    // A strip cut into its four state images, normal, hover, pressed, disabled. Empty when the
    // number is missing or its height is not a multiple of four.
    static QList<QImage> StripStates(int number);
    static QList<QImage> SplitStrip(const QImage &strip);

    // The eight popup frame pieces in the order the application loads them:
    // 230 top-left, 234 top, 233 top-right, 232 right, 231 bottom-right, 227 bottom,
    // 228 bottom-left, 229 left.
    static std::array<QImage, 8> PopupFramePieces();
    // The main window's frame pieces in the same roles: 132, 136, 135, 134, 133, 129, 130, 131.
    static std::array<QImage, 8> MainFramePieces();

    // Every row of the table (for tools and tests).
    static QList<SkinEntry> Entries();

    // Maps the face names the windows ask for ("굴림", "돋움", "MS Shell Dlg" …) onto the
    // installed Korean faces. Idempotent; Picture() runs it before the first drawing.
    static void InstallFontSubstitutions();

    // The faces the skin draws captions with, best first.
    static QStringList CaptionFamilies();
};
