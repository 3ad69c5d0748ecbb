// Pictures between the RTF model and a QTextDocument.
//
// In the document a picture is one U+FFFC character with a QTextImageFormat.
// The format carries the picture whole: its encoded bytes and type (the
// properties below) beside the size it is shown at (the format's width and
// height, in pixels of a 96-dpi screen, 15 twips to the pixel). So a picture
// travels with its character through copy and paste, undo, templates and
// documents made of fragments of others (export), and the writer finds its
// bytes there to store them again unchanged.
//
// The image a QTextDocument draws is a resource named by the format's name
// ("dayscrib-picture:<digest>.<type>"). Decoding waits until it is needed:
// the editor decodes a picture the first time it is painted
// (PictureImageFor), and a document that is printed or exported has every
// picture attached first (AttachPictures). Layout needs no decoding, as the
// format gives the size.
//
// PNG and JPEG are drawn; a picture of any other type (a Windows metafile, a
// device-independent bitmap, ...) is drawn as a placeholder box of its size
// and kept, bytes and type, for the next save.
#pragma once

#include "rtf/rtf_document.h"

#include <QImage>
#include <QSizeF>
#include <QTextCharFormat>
#include <QUrl>

#include <optional>

class QTextDocument;
class QTextImageFormat;

namespace rtf {

// The QTextImageFormat properties of a picture.
constexpr int kPictureDataProperty = QTextFormat::UserProperty + 10;      // QByteArray
constexpr int kPictureTypeProperty = QTextFormat::UserProperty + 11;      // PictureType
constexpr int kPictureTypeParamProperty = QTextFormat::UserProperty + 12; // int, -1 none
constexpr int kPictureWidthProperty = QTextFormat::UserProperty + 13;     // \picw
constexpr int kPictureHeightProperty = QTextFormat::UserProperty + 14;    // \pich

// Twips to a pixel of a 96-dpi screen.
constexpr int kTwipsPerPixel = 15;

// The size the picture is shown at, in pixels: its goal size (or its own
// size) scaled, each side from 1 to 10,000 pixels.
QSizeF PictureDisplaySize(const Picture& picture);

// The format of a picture's character: `attrs` (the text's attributes where
// it stands) and the picture.
QTextImageFormat ToImageFormat(const Picture& picture, const CharAttrs& attrs);

// The picture a character format holds, its goal size being the size it is
// shown at; nothing when the format is no picture of ours.
std::optional<Picture> PictureOf(const QTextCharFormat& format);

// Whether a resource name is a picture's.
bool IsPictureName(const QUrl& name);

// The picture's image: PNG and JPEG decoded as stored, anything else (or
// bytes that do not decode) a placeholder box of its shown size.
QImage PictureImage(const Picture& picture);

// The image of the picture named `name` in `doc`, added to its resources;
// a null image when no format of `doc` has that name.
QImage PictureImageFor(QTextDocument& doc, const QUrl& name);

// Every picture of `doc` decoded and added to its resources, for a document
// that is drawn without an editor (printing, PDF export).
void AttachPictures(QTextDocument& doc);

// Every picture's name made a data: URL of its bytes (PNG or JPEG; a
// placeholder as PNG), so that the document's HTML carries its pictures.
void EmbedPicturesForHtml(QTextDocument& doc);

} // namespace rtf
