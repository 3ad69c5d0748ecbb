// How a picture becomes part of an entry, without widgets: what is stored
// for a picture file or a copied image, and the size it is shown at.
//
// A picture is never stored bigger than it needs to be. A PNG or JPEG file
// of at most 1600 pixels on its long side is stored as its own bytes. A
// larger one is scaled down to 1600 pixels and stored as JPEG at quality 85
// (a PNG with see-through parts stays PNG, which JPEG cannot hold). A JPEG
// that is to be turned (its EXIF orientation) is stored turned, and a file
// of another format Qt reads (GIF, BMP, ...) is stored as PNG. An image
// from the clipboard is stored as PNG unless it is a photograph, that is
// unless JPEG holds it in a quarter of the room or less. The file itself is
// only read.
#pragma once

#include "rtf/rtf_document.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <optional>

// Pictures larger than this on their long side are scaled down to it.
constexpr int kMaxStoredSide = 1600;
constexpr int kJpegQuality = 85;

struct TPictureImport {
    std::optional<rtf::Picture> Picture;
    QString Error; // why there is none
};

// A picture file's bytes as they are stored.
TPictureImport PictureFromBytes(const QByteArray& bytes);
// The same for a file, read whole; its name is in the error.
TPictureImport PictureFromFile(const QString& fileName);
// A copied image as it is stored (a null image gives none).
TPictureImport PictureFromImage(const QImage& image);

// Shows the picture at its own size, or narrowed to `maxWidth` pixels with
// its proportions kept when it is wider.
void FitPicture(rtf::Picture& picture, double maxWidth);

// Whether a file name names a picture by its suffix (a drop is offered
// while the pointer moves, so the file is not opened to decide).
bool IsPictureFileName(const QString& fileName);
