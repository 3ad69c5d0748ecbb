#include "rtf/rtf_words.h"

#include "rtf/rtf_document.h"

#include <array>
#include <utility>

namespace rtf {
namespace {

// The words in an open-addressed table: a lookup is a short hash and, nearly
// always, one comparison. A document has a control word every few dozen
// bytes, so this is on the busiest path of the reader and the scanner.
class WordTable {
public:
    void Add(std::string_view word, WordInfo info) {
        std::size_t i = Hash(word);
        while (!slots_[i].word.empty() && slots_[i].word != word)
            i = (i + 1) % slots_.size();
        slots_[i] = Slot{word, info};
    }
    const WordInfo* Find(std::string_view word) const {
        for (std::size_t i = Hash(word);; i = (i + 1) % slots_.size()) {
            if (slots_[i].word.empty()) return nullptr;
            if (slots_[i].word == word) return &slots_[i].info;
        }
    }

private:
    static std::size_t Hash(std::string_view word) {
        std::uint32_t h = 2166136261u;
        for (char c : word)
            h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
        return (h ^ (h >> 16)) % 512;
    }
    struct Slot {
        std::string_view word;
        WordInfo info{WordKind::Plain};
    };
    std::array<Slot, 512> slots_{}; // well over the words known, so always an empty slot
};

WordTable MakeTable() {
    WordTable t;
    using K = WordKind;
    const auto add = [&t](std::initializer_list<std::string_view> words, K kind,
                          std::uint16_t value = 0) {
        for (std::string_view w : words)
            t.Add(w, WordInfo{kind, value});
    };
    add({"bin"}, K::Bin);
    add({"u"}, K::Unicode);
    add({"uc"}, K::UnicodeSkip);
    add({"ud"}, K::UnicodeTwin);
    add({"fonttbl"}, K::FontTable);
    add({"colortbl"}, K::ColorTable);
    add({"pntext", "listtext"}, K::ListText);
    add({"pn"}, K::ListLevel);
    add({"upr"}, K::UnicodePair);
    add({"stylesheet", "info",         "header",    "headerl",   "headerr",    "headerf",
         "footer",     "footerl",      "footerr",   "footerf",   "listtable",  "listoverridetable",
         "revtbl",     "rsidtbl",      "xmlnstbl",  "filetbl",   "themedata",  "colorschememapping",
         "datastore",  "latentstyles", "pgdsctbl",  "generator", "fldinst",    "footnote",
         "annotation", "atnid",        "atnauthor", "atrfstart", "atrfend",    "bkmkstart",
         "bkmkend",    "shp",          "shpinst",   "shprslt",   "nonshppict", "private",
         "template",   "title",        "author",    "operator",  "keywords",   "comment",
         "doccomm",    "company",      "subject",   "category",  "manager",    "creatim",
         "revtim",     "printim",      "buptim",    "userprops", "docvar",     "ftnsep",
         "ftnsepc",    "ftncn",        "aftnsep",   "aftnsepc",  "aftncn",     "pnseclvl",
         "objdata",    "objclass",     "panose",    "falt",      "fname",      "listpicture",
         "txe",        "xe",           "tc",        "mmathPr",   "oleclsid",   "blipuid",
         "sp",         "sn",           "sv",        "hlinkbase"},
        K::SkipDestination);
    add({"ansi"}, K::CodePage, 1252);
    add({"mac"}, K::CodePage, 10000);
    add({"pc"}, K::CodePage, 437);
    add({"pca"}, K::CodePage, 850);
    add({"ansicpg"}, K::AnsiCodePage);
    add({"deff"}, K::DefaultFont);
    add({"plain"}, K::Plain);
    add({"f"}, K::Font);
    add({"fcharset"}, K::FontCharset);
    add({"fs"}, K::FontSize);
    add({"b"}, K::Bold);
    add({"i"}, K::Italic);
    add({"ul", "uld", "uldb", "ulw", "uldash", "uldashd", "uldashdd", "ulth", "ulwave", "ulhwave",
         "ululdbwave"},
        K::Underline);
    add({"ulnone"}, K::UnderlineNone);
    add({"strike", "striked"}, K::Strike);
    add({"cf"}, K::Color);
    add({"pard"}, K::ParagraphDefaults);
    add({"ql"}, K::Align, static_cast<std::uint16_t>(Alignment::Left));
    add({"qr"}, K::Align, static_cast<std::uint16_t>(Alignment::Right));
    add({"qc"}, K::Align, static_cast<std::uint16_t>(Alignment::Center));
    add({"qj", "qd"}, K::Align, static_cast<std::uint16_t>(Alignment::Justify));
    add({"fi"}, K::FirstIndent);
    add({"li", "lin"}, K::LeftIndent);
    add({"ri", "rin"}, K::RightIndent);
    add({"par", "sect", "page"}, K::ParagraphEnd);
    add({"row", "nestrow"}, K::RowEnd);
    add({"cell", "nestcell"}, K::CellEnd);
    const std::pair<std::string_view, char16_t> chars[] = {
        {"line", 0x2028},      {"softline", 0x2028},  {"tab", u'\t'},      {"emdash", 0x2014},
        {"endash", 0x2013},    {"bullet", 0x2022},    {"lquote", 0x2018},  {"rquote", 0x2019},
        {"ldblquote", 0x201C}, {"rdblquote", 0x201D}, {"emspace", 0x2003}, {"enspace", 0x2002},
        {"qmspace", 0x2005},   {"zwj", 0x200D},       {"zwnj", 0x200C},    {"ltrmark", 0x200E},
        {"rtlmark", 0x200F}};
    for (const auto& [word, c] : chars)
        t.Add(word, WordInfo{K::Char, c});
    add({"red"}, K::ColorPart, 16);
    add({"green"}, K::ColorPart, 8);
    add({"blue"}, K::ColorPart, 0);
    add({"pnlvlblt"}, K::ListStyle, static_cast<std::uint16_t>(ListStyle::Bullet));
    add({"pnlvlbody", "pnlvl", "pndec", "pnord", "pncard"}, K::ListStyle,
        static_cast<std::uint16_t>(ListStyle::Decimal));
    add({"pnucltr"}, K::ListStyle, static_cast<std::uint16_t>(ListStyle::UpperAlpha));
    add({"pnlcltr"}, K::ListStyle, static_cast<std::uint16_t>(ListStyle::LowerAlpha));
    add({"pnucrm"}, K::ListStyle, static_cast<std::uint16_t>(ListStyle::UpperRoman));
    add({"pnlcrm"}, K::ListStyle, static_cast<std::uint16_t>(ListStyle::LowerRoman));
    add({"pnlvlcont"}, K::ListStyle, static_cast<std::uint16_t>(ListStyle::None));
    add({"pnstart"}, K::ListStart);
    add({"pntxtb"}, K::NumberText, 0);
    add({"pntxta"}, K::NumberText, 1);
    add({"pict"}, K::Picture);
    add({"shppict"}, K::ShapePicture);
    add({"object"}, K::ObjectGroup);
    add({"result"}, K::ObjectResult);
    const std::pair<std::string_view, PictureType> types[] = {
        {"pngblip", PictureType::Png},     {"jpegblip", PictureType::Jpeg},
        {"emfblip", PictureType::Emf},     {"wmetafile", PictureType::Wmf},
        {"macpict", PictureType::MacPict}, {"pmmetafile", PictureType::Os2Metafile},
        {"dibitmap", PictureType::Dib},    {"wbitmap", PictureType::Ddb}};
    for (const auto& [word, type] : types)
        t.Add(word, WordInfo{K::PictureType, static_cast<std::uint16_t>(type)});
    const std::pair<std::string_view, PictureField> sizes[] = {
        {"picw", PictureField::Width},         {"pich", PictureField::Height},
        {"picwgoal", PictureField::GoalWidth}, {"pichgoal", PictureField::GoalHeight},
        {"picscalex", PictureField::ScaleX},   {"picscaley", PictureField::ScaleY}};
    for (const auto& [word, field] : sizes)
        t.Add(word, WordInfo{K::PictureSize, static_cast<std::uint16_t>(field)});
    return t;
}

} // namespace

const WordInfo* FindWord(std::string_view word) {
    static const WordTable table = MakeTable();
    return table.Find(word);
}

} // namespace rtf
