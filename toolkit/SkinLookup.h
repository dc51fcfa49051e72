#pragma once

#include <QImage>

#include <functional>

// Where numbered pictures (skin bitmaps, PNG pictures) come from. The skin module installs its
// resolver once at start-up; until it does, or for a number it does not know, every lookup is a
// null image and the loaders report false.
enum class SkinPictureKind { Bitmap, Png };

using SkinPictureResolver = std::function<QImage(SkinPictureKind kind, int resourceId)>;

// Replaces the resolver; an empty function removes it.
void SetSkinPictureResolver(SkinPictureResolver resolver);

// The picture with that number, or a null image.
QImage FindSkinPicture(SkinPictureKind kind, int resourceId);
