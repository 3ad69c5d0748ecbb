// The control words the RTF reader knows, in one table that the reader and
// the text scanner (rtf_entry_text.h) both look words up in, so that what a
// word does to the text is decided once. A word not in the table does
// nothing in either; a word's meaning may still depend on the destination
// it stands in (\f opens a font in the font table, selects one in text).
#pragma once

#include <cstdint>
#include <string_view>

namespace rtf {

enum class WordKind : std::uint8_t {
    Bin,             // \binN: N raw bytes follow
    Unicode,         // \uN
    UnicodeSkip,     // \ucN: fallback characters after \uN
    UnicodeTwin,     // \ud: inside \upr, the Unicode twin of the ANSI text
    FontTable,       // destinations
    ColorTable,      //
    ListText,        // \pntext, \listtext: a list marker's text
    ListLevel,       // \pn: the paragraph's list
    UnicodePair,     // \upr: ANSI text with a Unicode twin
    SkipDestination, // content never document text (Value unused)
    CodePage,        // \ansi \mac \pc \pca: Value is the code page
    AnsiCodePage,    // \ansicpgN
    DefaultFont,     // \deffN
    Plain,           // character attributes
    Font,
    FontCharset,
    FontSize,
    Bold,
    Italic,
    Underline,
    UnderlineNone,
    Strike,
    Color,
    ParagraphDefaults, // paragraph attributes
    Align,             // Value is the Alignment
    FirstIndent,
    LeftIndent,
    RightIndent,
    ParagraphEnd, // \par \sect \page
    RowEnd,       // \row \nestrow
    CellEnd,      // \cell \nestcell
    Char,         // a word that stands for one character: Value is it
    ColorPart,    // \red \green \blue: Value is the component's shift
    ListStyle,    // \pnlvlblt \pndec ...: Value is the ListStyle
    ListStart,    // \pnstartN
    NumberText,   // \pntxtb (Value 0), \pntxta (Value 1)
    Picture,      // \pict: a picture destination
    ShapePicture, // \shppict: after "\*", the picture inside it is the one to show
    ObjectGroup,  // \object: skipped, except its \result
    ObjectResult, // \result: inside \object, what the object shows
    PictureType,  // \pngblip \jpegblip \wmetafile ...: Value is the PictureType
    PictureSize,  // \picw \pich \picwgoal \pichgoal \picscalex \picscaley: Value 0 to 5
};

// The PictureSize values, in the order of the words above.
enum class PictureField : std::uint8_t { Width, Height, GoalWidth, GoalHeight, ScaleX, ScaleY };

struct WordInfo {
    WordKind kind;
    std::uint16_t value = 0;
};

// The word's entry, or nullptr for a word the reader does not know.
const WordInfo* FindWord(std::string_view word);

} // namespace rtf
