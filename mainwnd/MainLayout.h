#pragma once

#include <QList>
#include <QRect>
#include <QSize>
#include <QString>

#include <array>

// The main window's geometry, kept apart from the window so it can be checked without one. All
// positions are client pixels of the main window (0, 0 at the top-left corner of the frameless
// window). Example: at the opening size 1280 x 768 the canvas covers (7, 143) - (1273, 746).
namespace MainLayout {

// Command ids: the window's buttons and keyboard shortcuts carry them.
enum Command {
    CmdMinimise = 1000,
    CmdMaximise = 1001,
    CmdClose = 1002,
    CmdNew = 1003,
    CmdSave = 1004,
    CmdOpen = 1005,
    CmdZoomOut = 1006,
    CmdFit = 1007,
    CmdZoomIn = 1008,
    CmdRealSize = 1009,
    CmdCrop = 1011,
    CmdDetails = 1012,
    CmdColour = 1013,
    CmdMeasure = 1014,
    CmdAddPhotos = 1015,
    CmdDeletePhoto = 1016,
    CmdStripBack = 1017,
    CmdStripForward = 1018,
    CmdImageOrder = 1019,
    CmdSelectTool = 1020,
    CmdPanTool = 1021,
    CmdText = 1022,
    CmdFitButton = 1023,
    CmdCalibrationSheet = 1024,
    CmdPreview = 1025,
    CmdShare = 1026,
    CmdLogout = 1027,
    CmdSettings = 1028,
    CmdPrint = 1118,
};

inline constexpr QSize OpeningSize {1280, 768};
inline constexpr QSize MinimumSize {950, 600};
inline constexpr int MarginLeft = 7;
inline constexpr int MarginTop = 143;
inline constexpr int MarginRight = 7;
inline constexpr int MarginBottom = 22;
// The top band that moves the window, and the sheet's top margin (below the band).
inline constexpr int CaptionHeight = 36;
inline constexpr int GripSize = 20;
inline constexpr QRect CounterRect {QPoint(65, 95), QPoint(122, 119)};
inline constexpr QRect PercentRect {QPoint(407, 47), QPoint(448, 61)};
inline constexpr QRect ZoomSliderRect {QPoint(319, 47), QPoint(396, 61)};
inline constexpr QPoint StripPosition {174, 86};
inline constexpr int StripThumbnails = 7;

// A skinned button at a fixed place: command id, skin strip, top-left corner.
struct FixedButton
{
    int id;
    int bitmap;
    int x;
    int y;
    bool hidden; // Select and Pan exist but are not shown
};
inline constexpr std::array<FixedButton, 18> FixedButtons = {{
    {CmdNew, 151, 11, 39, false},
    {CmdOpen, 150, 72, 39, false},
    {CmdDetails, 142, 159, 39, false},
    {CmdSave, 146, 243, 39, false},
    {CmdRealSize, 152, 451, 41, false},
    {CmdFitButton, 258, 481, 41, false},
    {CmdMeasure, 159, 518, 41, false},
    {CmdCrop, 143, 615, 39, false},
    {CmdColour, 154, 693, 39, false},
    {CmdText, 242, 760, 39, false},
    {CmdPrint, 257, 836, 39, false},
    {CmdSelectTool, 179, 922, 39, true},
    {CmdPanTool, 178, 992, 39, true},
    {CmdAddPhotos, 161, 15, 83, false},
    {CmdDeletePhoto, 162, 15, 110, false},
    {CmdStripBack, 155, 147, 83, false},
    {CmdStripForward, 156, 733, 83, false},
    {CmdImageOrder, 163, 768, 96, false},
}};

// The buttons of the top row from right to left: the window buttons 1 pixel apart, then, 13
// pixels further left, the text buttons 3 pixels apart.
struct TopRowButton
{
    int id;
    int bitmap;
};
inline constexpr std::array<TopRowButton, 3> WindowButtons
    = {{{CmdClose, 137}, {CmdMaximise, 138}, {CmdMinimise, 139}}};
inline constexpr std::array<TopRowButton, 4> TextButtons
    = {{{CmdSettings, 255}, {CmdShare, 256}, {CmdPreview, 254}, {CmdLogout, 310}}};
inline constexpr int TopRowY = 6;

// Places the top row for a client width, given each button's size (by id, same order as
// WindowButtons then TextButtons). Returns the rectangles in that order.
QList<QRect> TopRowPlaces(int clientWidth, const QList<QSize> &sizes);

// Where the canvas goes and where a sheet goes.
QRect WorkArea(QSize client);
QRect SheetArea(QSize client);
QRect GripRect(QSize client);
bool IsCaptionPoint(QPoint clientPoint);

// "%d / %d": the current photo counted from 1 (0 when none) and the number of photos.
QString CounterText(int currentIndex, int count);
// "%d %%" of the zoom factor, truncated.
QString PercentText(double zoom);

} // namespace MainLayout
