#pragma once

#include "DrMgr.h"

#include <QDateTime>
#include <QImage>
#include <QString>

// One photograph of the product. The measuring line is in image pixels of the working copy;
// LengthMm is the measured length in millimetres (0 = not measured) and ImagePixelPerMilli the
// image pixels per millimetre derived from the two (0 = not measured). Example: a line from
// (100, 50) to (1100, 50) measured as 100 mm gives ImagePixelPerMilli 10.
class CImgFile
{
public:
    CImgFile() = default;
    CImgFile(const CImgFile &) = delete;
    CImgFile &operator=(const CImgFile &) = delete;

    QString sourcePath; // the user's file, or the unpacked file in the download folder
    QString workingPath; // the working copy in the temporary folder
    QString fileName; // the source file's name when added from disk, else empty
    QImage thumbnail; // the working copy fitted into 140 x 140; null when none was made

    double MeasureX1 = 0;
    double MeasureY1 = 0;
    double MeasureX2 = 0;
    double MeasureY2 = 0;
    double InputLength = 0;
    int InputUnit = 0; // LengthUnit: 1 millimetre, 2 inch
    double LengthMm = 0;
    double ImagePixelPerMilli = 0;

    int width = 0; // size of the thumbnail rendition, each at most 140
    int height = 0;
    int resizeFlag = 0; // 1 when the last description write chose a downscale
    double resizeScale = 0; // that downscale factor, 0 < scale < 1
    QDateTime timeStamp; // local time when added, refreshed when edits are written back

    CDrMgr annotations; // drawing order, head at the bottom

    // Takes the thumbnail and records its size as the entry's width and height.
    void SetThumbnail(const QImage &image);
    // Back to the state of a new entry: texts empty, numbers 0, no thumbnail, no annotations.
    void Reset();
};
