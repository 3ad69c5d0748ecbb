// What the RTF reader makes of a document before it becomes a QTextDocument:
// paragraphs of runs of equally formatted text. It needs only Qt Core, so the
// command-line tool can turn an entry into plain text without a GUI.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

namespace rtf {

enum class Alignment { Left = 0, Right = 1, Center = 2, Justify = 3 };

enum class ListStyle { None, Bullet, Decimal, LowerAlpha, UpperAlpha, LowerRoman, UpperRoman };

struct CharAttrs {
    QString face;        // empty: the document's default font
    int halfPoints = 24; // \fs: size in half points
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    bool hasColor = false; // false: the automatic (default) colour
    std::uint32_t rgb = 0; // 0xRRGGBB when hasColor

    bool operator==(const CharAttrs&) const = default;
};

struct ParaAttrs {
    Alignment alignment = Alignment::Left;
    int firstIndent = 0; // \fi, twips, relative to the left indent
    int leftIndent = 0;  // \li, twips
    int rightIndent = 0; // \ri, twips
    ListStyle list = ListStyle::None;
    int listStart = 1; // first number of a numbered list
    // Text before and after the number of a numbered list (\pntxtb, \pntxta):
    // "(" and ")" make "(1)".
    QString numberPrefix;
    QString numberSuffix = QStringLiteral(".");

    bool operator==(const ParaAttrs&) const = default;
};

// How a picture's bytes are encoded, from the word that names it in \pict.
// PNG and JPEG are shown; the others are kept and written back as they came,
// and shown as a placeholder box.
enum class PictureType : std::uint8_t {
    Png,         // \pngblip
    Jpeg,        // \jpegblip
    Emf,         // \emfblip
    Wmf,         // \wmetafileN
    MacPict,     // \macpict
    Os2Metafile, // \pmmetafileN
    Dib,         // \dibitmapN
    Ddb,         // \wbitmapN
    Unknown,     // no type word: written back as PNG when it can be shown, else dropped
};

// A picture of the document (a \pict group), as stored.
struct Picture {
    PictureType type = PictureType::Unknown;
    int typeParam = -1; // the number after the type word (\wmetafile8: 8); -1 none
    // \picw, \pich: the picture's own size; pixels for PNG, JPEG and
    // bitmaps, 0.01 mm for metafiles. 0 when not given.
    int width = 0;
    int height = 0;
    // \picwgoal, \pichgoal: the size it is shown at, in twips; 0 when not given.
    int goalWidth = 0;
    int goalHeight = 0;
    // \picscalex, \picscaley: percent of the goal (or own) size.
    int scaleX = 100;
    int scaleY = 100;
    QByteArray data; // the encoded picture (a PNG or JPEG file's bytes)

    bool operator==(const Picture&) const = default;
};

struct Run {
    QString text; // tabs as '\t', line breaks as U+2028; U+FFFC for a picture
    CharAttrs attrs;
    std::shared_ptr<const Picture> picture; // set for a picture's run only
};

struct Paragraph {
    ParaAttrs attrs;
    std::vector<Run> runs;
    // The attributes in effect at the paragraph mark: what typing at the end of
    // an empty paragraph uses.
    CharAttrs endAttrs;
};

struct Document {
    std::vector<Paragraph> paragraphs; // never empty
};

} // namespace rtf
