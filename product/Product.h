#pragma once

#include "ImgFileArray.h"
#include "ItemInfo.h"
#include "UploadResult.h"

// The one open product. Owns its photo entries (and through them thumbnails and annotations)
// and its categories. Every rule distinguishes only state 1 (no product) from the other two.
class CProduct
{
public:
    enum State {
        NoProduct = 1, // nothing open
        NewProduct = 2, // created with the item information dialog
        OpenedProduct = 3, // a description was read from a package
    };

    CProduct() = default;
    CProduct(const CProduct &) = delete;
    CProduct &operator=(const CProduct &) = delete;

    int state = NoProduct;
    CItemInfo header;
    CImgFileArray photos;
    int currentPhoto = -1; // index of the photo shown on the canvas, -1 for none
    // Set when a photograph is added from disk; cleared by Clear and after a successful upload.
    bool modified = false;
    CUploadResult publication;

    // Deletes every photo entry, resets header and publication, state 1, no current photo,
    // not modified.
    void Clear();

    int Count() const { return photos.Count(); }
    // Index-checked: an index outside 0 ... Count() - 1 is fatal.
    CImgFile *PhotoAt(int index) const { return photos.At(index); }
    // Takes ownership; the entry gets index Count() - 1. Does not touch the modified flag: the
    // description reader appends too, and only adding from disk counts as a change.
    int AppendPhoto(CImgFile *entry) { return photos.Append(entry); }
    // Takes the entry out; the caller deletes its files and the entry. The current photo index
    // is the caller's to update (the main window clears it before removing).
    CImgFile *RemovePhotoAt(int index) { return photos.RemoveAt(index); }

    static bool IsMeasured(const CImgFile &entry) { return entry.LengthMm != 0; }
};
