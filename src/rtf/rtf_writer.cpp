// The writer keeps the character state of the output (font, size, styles,
// colour) and writes only the control words that change it before each run,
// with the resets (\b0, \i0, \ulnone, \strike0) the classic control uses. A
// paragraph whose attributes differ from the previous one starts with \pard
// and its attributes; every paragraph ends with \par, the last one too, as the
// control writes it (its reader takes the empty paragraph after the last mark
// as the end of the document).
//
// A picture is written as {\pict<type>\picw\pich\picwgoal\pichgoal <hex>}:
// its bytes as they were inserted or read, its own size, and the size it is
// shown at in twips, the form word processors read.
#include "rtf/rtf_writer.h"

#include "platform/codepage.h"
#include "rtf/rtf_document.h"
#include "rtf/rtf_formats.h"
#include "rtf/rtf_picture.h"
#include "rtf/rtf_text.h"

#include <QBuffer>
#include <QTextBlock>
#include <QTextDocument>
#include <QVariant>

#include <optional>
#include <vector>

namespace rtf {
namespace {

const QString kSymbolFace = QStringLiteral("Symbol");

class Writer {
public:
    explicit Writer(const QTextDocument& doc) : doc_(doc) {}
    QByteArray Write();

private:
    void CollectTables();
    int FontIndex(const QString& face) const { return static_cast<int>(fonts_.indexOf(face)); }
    int ColorIndex(std::uint32_t rgb) const;
    void Word(const char* word);
    void Word(const char* word, int param);
    void Text(QStringView text);
    void Escaped(QStringView text); // font names: no \tab or \line
    void Char(char32_t cp);
    void RunAttrs(const CharAttrs& a);
    void ParagraphStart(const ParaAttrs& a, bool changed, int number);
    void Pictures(const QTextFragment& fragment);
    void PictureGroup(const Picture& p);

    const QTextDocument& doc_;
    QStringList fonts_;
    std::vector<std::uint32_t> colors_;
    int symbolFont_ = -1;
    QByteArray out_;
    bool needSpace_ = false; // the last control word needs a delimiter before literal text
    std::optional<CharAttrs> state_;
};

int Writer::ColorIndex(std::uint32_t rgb) const {
    for (std::size_t i = 0; i < colors_.size(); ++i)
        if (colors_[i] == rgb) return static_cast<int>(i) + 1;
    return 0;
}

void Writer::CollectTables() {
    bool bullets = false;
    for (QTextBlock b = doc_.begin(); b.isValid(); b = b.next()) {
        if (ParaAttrsOf(b).list == ListStyle::Bullet) bullets = true;
        // An empty paragraph writes the attributes of its mark; others, their runs'.
        std::vector<CharAttrs> attrs;
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (!it.fragment().text().isEmpty())
                attrs.push_back(CharAttrsOf(it.fragment().charFormat(), doc_));
        if (attrs.empty()) attrs.push_back(CharAttrsOf(b.charFormat(), doc_));
        for (const CharAttrs& a : attrs) {
            if (!fonts_.contains(a.face)) fonts_.append(a.face);
            if (a.hasColor && ColorIndex(a.rgb) == 0) colors_.push_back(a.rgb);
        }
    }
    if (fonts_.isEmpty()) fonts_.append(doc_.defaultFont().family());
    if (bullets) {
        // The bullet is a character of a Symbol font entry of its own, even
        // when the text uses a face called Symbol too (its charset differs).
        symbolFont_ = static_cast<int>(fonts_.size());
    }
}

void Writer::Word(const char* word) {
    out_ += '\\';
    out_ += word;
    needSpace_ = true;
}

void Writer::Word(const char* word, int param) {
    out_ += '\\';
    out_ += word;
    out_ += QByteArray::number(param);
    needSpace_ = true;
}

void Writer::Char(char32_t cp) {
    if (cp == '\\' || cp == '{' || cp == '}') {
        out_ += '\\';
        out_ += static_cast<char>(cp);
        needSpace_ = false;
        return;
    }
    if (cp >= 0x20 && cp < 0x7F) {
        if (needSpace_) out_ += ' ';
        out_ += static_cast<char>(cp);
        needSpace_ = false;
        return;
    }
    if (cp < 0x20 || cp == 0x7F || cp == 0xFFFC)
        return; // controls and object placeholders have no text
    int ansi = UnicodeToAnsi(cp);
    if (ansi >= 0x80) {
        static const char kHex[] = "0123456789abcdef";
        out_ += "\\'";
        out_ += kHex[ansi >> 4];
        out_ += kHex[ansi & 15];
        needSpace_ = false;
        return;
    }
    // \uN takes a signed 16-bit number; characters beyond the BMP are written
    // as their two surrogates. "?" is the fallback for readers without Unicode.
    auto unit = [this](char16_t u) {
        out_ += "\\u";
        out_ += QByteArray::number(static_cast<int>(static_cast<std::int16_t>(u)));
        out_ += '?';
    };
    if (cp > 0xFFFF) {
        unit(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
        unit(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
        unit(static_cast<char16_t>(cp));
    }
    needSpace_ = false;
}

void Writer::Text(QStringView text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t cp = text[i].unicode();
        if (QChar::isHighSurrogate(cp) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            cp = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        if (cp == u'\t')
            Word("tab");
        else if (cp == 0x2028 || cp == u'\n' || cp == 0x2029)
            Word("line");
        else
            Char(cp);
    }
}

void Writer::Escaped(QStringView text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t cp = text[i].unicode();
        if (QChar::isHighSurrogate(cp) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            cp = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        if (cp != ';') Char(cp);
    }
}

void Writer::RunAttrs(const CharAttrs& a) {
    const bool all = !state_.has_value();
    const CharAttrs old = all ? CharAttrs{} : *state_;
    if (all || old.face != a.face) Word("f", FontIndex(a.face));
    if (all || old.halfPoints != a.halfPoints) Word("fs", a.halfPoints);
    if (all ? a.bold : old.bold != a.bold) a.bold ? Word("b") : Word("b", 0);
    if (all ? a.italic : old.italic != a.italic) a.italic ? Word("i") : Word("i", 0);
    if (all ? a.underline : old.underline != a.underline) a.underline ? Word("ul") : Word("ulnone");
    if (all ? a.strikeOut : old.strikeOut != a.strikeOut)
        a.strikeOut ? Word("strike") : Word("strike", 0);
    int color = a.hasColor ? ColorIndex(a.rgb) : 0;
    int oldColor = old.hasColor ? ColorIndex(old.rgb) : 0;
    if (all ? color != 0 : color != oldColor) Word("cf", color);
    state_ = a;
}

void Writer::ParagraphStart(const ParaAttrs& a, bool changed, int number) {
    auto listText = [&] {
        out_ += "{\\pntext";
        if (a.list == ListStyle::Bullet) {
            out_ += "\\f" + QByteArray::number(symbolFont_) + "\\'B7";
        } else {
            out_ += "\\f0 ";
            needSpace_ = false;
            Escaped(ListMarker(a, number));
        }
        out_ += "\\tab}";
    };
    if (!changed) {
        if (a.list != ListStyle::None) listText();
        return;
    }
    Word("pard");
    if (a.list != ListStyle::None) {
        listText();
        if (a.list == ListStyle::Bullet) {
            out_ += "{\\*\\pn\\pnlvlblt\\pnf" + QByteArray::number(symbolFont_) +
                    "\\pnindent0{\\pntxtb\\'B7}}";
        } else {
            const char* style = a.list == ListStyle::Decimal      ? "pndec"
                                : a.list == ListStyle::LowerAlpha ? "pnlcltr"
                                : a.list == ListStyle::UpperAlpha ? "pnucltr"
                                : a.list == ListStyle::LowerRoman ? "pnlcrm"
                                                                  : "pnucrm";
            out_ += "{\\*\\pn\\pnlvlbody\\pnf0\\pnindent0\\pnstart" +
                    QByteArray::number(a.listStart) + "\\" + style;
            if (!a.numberPrefix.isEmpty()) {
                out_ += "{\\pntxtb ";
                needSpace_ = false;
                Escaped(a.numberPrefix);
                out_ += '}';
            }
            out_ += "{\\pntxta ";
            needSpace_ = false;
            Escaped(a.numberSuffix);
            out_ += "}}";
        }
        needSpace_ = false;
    }
    if (a.firstIndent != 0) Word("fi", a.firstIndent);
    if (a.leftIndent != 0) Word("li", a.leftIndent);
    if (a.rightIndent != 0) Word("ri", a.rightIndent);
    switch (a.alignment) {
    case Alignment::Left:
        break;
    case Alignment::Right:
        Word("qr");
        break;
    case Alignment::Center:
        Word("qc");
        break;
    case Alignment::Justify:
        Word("qj");
        break;
    }
}

// The pictures of an image fragment: one per U+FFFC (equal pictures side by
// side share a fragment). An image the document got from elsewhere (no
// bytes of ours) is stored as PNG; one that cannot be drawn is left out.
void Writer::Pictures(const QTextFragment& fragment) {
    std::optional<Picture> p = PictureOf(fragment.charFormat());
    if (!p) {
        const QTextImageFormat f = fragment.charFormat().toImageFormat();
        const QVariant resource = doc_.resource(QTextDocument::ImageResource, QUrl(f.name()));
        QImage image = resource.value<QImage>();
        if (image.isNull()) return;
        Picture made;
        made.type = PictureType::Png;
        QBuffer buffer(&made.data);
        buffer.open(QIODevice::WriteOnly);
        if (!image.save(&buffer, "PNG")) return;
        made.width = image.width();
        made.height = image.height();
        const double w = f.width() > 0 ? f.width() : image.width();
        const double h = f.height() > 0 ? f.height() : image.height();
        made.goalWidth = static_cast<int>(w * kTwipsPerPixel);
        made.goalHeight = static_cast<int>(h * kTwipsPerPixel);
        p = made;
    }
    for (QChar c : fragment.text())
        if (c == QChar::ObjectReplacementCharacter) PictureGroup(*p);
}

void Writer::PictureGroup(const Picture& p) {
    out_ += "{\\pict";
    switch (p.type) {
    case PictureType::Png:
        out_ += "\\pngblip";
        break;
    case PictureType::Jpeg:
        out_ += "\\jpegblip";
        break;
    case PictureType::Emf:
        out_ += "\\emfblip";
        break;
    case PictureType::Wmf:
        out_ += "\\wmetafile";
        break;
    case PictureType::MacPict:
        out_ += "\\macpict";
        break;
    case PictureType::Os2Metafile:
        out_ += "\\pmmetafile";
        break;
    case PictureType::Dib:
        out_ += "\\dibitmap";
        break;
    case PictureType::Ddb:
        out_ += "\\wbitmap";
        break;
    case PictureType::Unknown:
        break;
    }
    if (p.type != PictureType::Unknown && p.typeParam >= 0) out_ += QByteArray::number(p.typeParam);
    out_ += "\\picw" + QByteArray::number(p.width) + "\\pich" + QByteArray::number(p.height);
    out_ += "\\picwgoal" + QByteArray::number(p.goalWidth) + "\\pichgoal" +
            QByteArray::number(p.goalHeight);
    if (p.scaleX != 100) out_ += "\\picscalex" + QByteArray::number(p.scaleX);
    if (p.scaleY != 100) out_ += "\\picscaley" + QByteArray::number(p.scaleY);
    out_ += "\r\n";
    // Hex in lines of 128 digits, as word processors write it.
    static const char kHex[] = "0123456789abcdef";
    const qsizetype size = p.data.size();
    out_.reserve(out_.size() + size * 2 + size / 32 + 8);
    for (qsizetype i = 0; i < size; ++i) {
        const auto byte = static_cast<unsigned char>(p.data[i]);
        out_ += kHex[byte >> 4];
        out_ += kHex[byte & 15];
        if (i % 64 == 63 && i + 1 < size) out_ += "\r\n";
    }
    out_ += '}';
    needSpace_ = false;
}

QByteArray Writer::Write() {
    CollectTables();
    out_ = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl";
    for (qsizetype i = 0; i < fonts_.size(); ++i) {
        out_ += "{\\f" + QByteArray::number(i) + "\\fnil\\fcharset0 ";
        needSpace_ = false;
        Escaped(fonts_[i]);
        out_ += ";}";
    }
    if (symbolFont_ >= 0)
        out_ += "{\\f" + QByteArray::number(symbolFont_) + "\\fnil\\fcharset2 Symbol;}";
    out_ += "}\r\n";
    if (!colors_.empty()) {
        out_ += "{\\colortbl ;";
        for (std::uint32_t c : colors_) {
            out_ += "\\red" + QByteArray::number((c >> 16) & 0xFF) + "\\green" +
                    QByteArray::number((c >> 8) & 0xFF) + "\\blue" + QByteArray::number(c & 0xFF) +
                    ';';
        }
        out_ += "}\r\n";
    }
    out_ += "\\viewkind4\\uc1";
    needSpace_ = true;

    std::optional<ParaAttrs> previous;
    int number = 0;
    for (QTextBlock b = doc_.begin(); b.isValid(); b = b.next()) {
        ParaAttrs pa = ParaAttrsOf(b);
        bool changed = !previous || !(*previous == pa);
        bool continuesList = previous && previous->list == pa.list && pa.list != ListStyle::None &&
                             b.previous().textList() == b.textList();
        number = continuesList ? number + 1 : pa.listStart;
        if (pa.list != ListStyle::None && !continuesList) changed = true;
        ParagraphStart(pa, changed, number);
        bool any = false;
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            QTextFragment frag = it.fragment();
            if (frag.text().isEmpty()) continue;
            RunAttrs(CharAttrsOf(frag.charFormat(), doc_));
            if (frag.charFormat().isImageFormat())
                Pictures(frag);
            else
                Text(frag.text());
            any = true;
        }
        if (!any) RunAttrs(CharAttrsOf(b.charFormat(), doc_));
        Word("par");
        out_ += "\r\n";
        needSpace_ = false;
        previous = pa;
    }
    out_ += "}\r\n";
    return out_;
}

} // namespace
} // namespace rtf

QByteArray WriteRtf(const QTextDocument& doc) {
    return rtf::Writer(doc).Write();
}
