#pragma once

#include "Product.h"
#include "ScreenCalibration.h"

#include <QSize>
#include <QString>

#include <functional>

// The product description: the header, the categories and, for every photograph in product
// order, its measuring line, its length and its annotations. It is written as text, line by
// line, every line ending in CR LF with fixed tab indentation, because the content service reads
// exactly these bytes; it is read back through the XML access layer.
//
// Texts stay well-formed whatever they hold: "&" and "<" become references, so does the ">" of a
// "]]>" and a CR (a parser would turn it into LF); the explanation's CDATA section is split at
// every "]]>"; characters XML cannot carry at all are dropped. A text without any of those is
// written exactly as it is. The link keeps its own rule: every "&" is written "&amp;" and every
// "&amp;" read back becomes "&".
class CProductDescription
{
public:
    // What the reader does with a photograph it has made, before appending it (the main window
    // hands it to the thumbnail strip and marks measured ones there). False refuses it: its
    // working copy is deleted and the read fails.
    using AcceptPhoto = std::function<bool(CImgFile &photo)>;

    struct ResizeChoice
    {
        int flag = 0; // 1: a downscaled "vi1" rendition is written
        double scale = 0; // its size over the pixel size the rule was given, 0 < scale < 1
    };

    // The whole description. Also records in each photograph the resize choice made for it.
    static QString WriteDescription(CProduct &product, const ScreenCalibration &calibration);
    // The pieces WriteDescription is made of, for the save sequence, which writes each
    // photograph's renditions right after its item.
    static QString WriteHead(const CItemInfo &header);
    static QString WriteItem(CImgFile &photo, const ScreenCalibration &calibration);
    static QString WriteTail();

    // Whether photograph of that pixel size gets a downscaled rendition: unmeasured (or on an
    // uncalibrated screen), a photograph wider than it is when fitted into 2048 x 2048 does;
    // measured on a calibrated screen, one wider than the larger of three times its real size on
    // screen and its fit into 1024 x 768 does.
    static ResizeChoice ChooseResize(const QSize &pixelSize, const CImgFile &photo,
                                     const ScreenCalibration &calibration);
    // The upright pixel size of a picture file from its header (decoded whole only when the
    // header does not tell); empty when it is no picture.
    static QSize PhotoPixelSize(const QString &path);

    // The text as UTF-8 without byte-order mark, in place only once completely written.
    static bool SaveDescriptionFile(const QString &path, const QString &text);

    // Clears the product, empties the temporary folder and reads "<itemId>.vmd" from the folder.
    // Every element the service always writes is required; a missing one fails the whole read.
    // Each photograph's "<itemId>_nnnn.vmi" in the folder is copied into the temporary folder as
    // its working copy (refused when a file of that name is there) and its thumbnail made.
    // Photographs appended before a failure stay until the caller clears the product. Success
    // leaves the product in state 3.
    static bool ReadDescription(CProduct &product, const QString &folder, const QString &itemId,
                                const QString &tempFolder, const AcceptPhoto &accept = {});
};
