// What the RTF reader makes of a document before it becomes a QTextDocument:
// paragraphs of runs of equally formatted text. It needs only Qt Core, so the
// command-line tool can turn an entry into plain text without a GUI.
#pragma once

#include <QString>

#include <cstdint>
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

struct Run {
    QString text; // tabs as '\t', line breaks as U+2028
    CharAttrs attrs;
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
