#pragma once

#include <QImage>

#include <functional>

// Where numbered pictures (skin bitmaps, PNG pictures) come from: the skin (CSkin) unless a
// resolver is installed, which tests use to supply their own pictures. A number nobody knows
// gives a null image and the loaders report false.
enum class SkinPictureKind { Bitmap, Png };

using SkinPictureResolver = std::function<QImage(SkinPictureKind kind, int resourceId)>;

// Replaces the resolver; an empty function removes it.
void SetSkinPictureResolver(SkinPictureResolver resolver);

// The picture with that number, or a null image.
QImage FindSkinPicture(SkinPictureKind kind, int resourceId);
