// The RTF reader's state machine.
//
// Groups save and restore the reader's state: character and paragraph
// attributes, the \uc count and the destination (where text goes: the
// document, the font or colour table, a list marker, or nowhere). The stack of
// group states is an explicit vector capped at kMaxGroupDepth, so no nesting
// can exhaust the machine stack; deeper braces are only counted.
//
// 8-bit text (plain bytes and \'hh) is collected and decoded in the code page
// of the current font's character set, or of \ansicpg when the font names
// none, so that double-byte characters made of two \'hh arrive whole.
//
// A picture (\pict) is a destination of its own: its type and size words
// and its data (hex digits, or the raw bytes of \bin) belong to the picture
// only at the picture group's own level; groups nested in it (\*\picprop,
// \*\blipuid) are passed over. When the group closes the picture becomes a
// run of its own, one U+FFFC as the editor holds it. Word's
// {\*\shppict{\pict ...}} shows its picture and {\nonshppict ...} (the
// same picture for older readers) does not; an \object is passed over
// except for its \result, the picture or text it shows.
//
// Paragraph attributes belong to the paragraph whose mark (\par) they precede,
// as in every RTF writer. The last paragraph needs no mark; an empty paragraph
// after the last mark is the document's end, not a paragraph of its own (the
// classic control writes "\par" after its last paragraph).
#include "rtf/rtf_parser.h"

#include "rtf/rtf_codepages.h"
#include "rtf/rtf_text_rules.h"
#include "rtf/rtf_tokenizer.h"
#include "rtf/rtf_words.h"

#include <QByteArray>
#include <QStringDecoder>

#include <algorithm>
#include <map>

namespace rtf {
namespace {

// PnTextBefore/PnTextAfter: the text around a list number (\pntxtb, \pntxta).
enum class Dest {
    Text,
    Skip,
    FontTable,
    ColorTable,
    ListText,
    Pn,
    PnTextBefore,
    PnTextAfter,
    Pict
};

constexpr int kMaxTwips = 31680; // 22 inches: more than any page
constexpr int kMaxHalfPoints = 3276;

struct CharState {
    int font = -1; // -1: the default font (\deff)
    int halfPoints = 24;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    int color = 0; // index into the colour table; 0 is the automatic colour
};

struct State {
    CharState chr;
    ParaAttrs para;
    int uc = 1;
    Dest dest = Dest::Text;
    bool star = false;        // "\*" seen: an unknown next word makes the group ignorable
    bool uprHost = false;     // a \upr group: ANSI text with a Unicode twin in \ud
    bool uprChild = false;    // a group directly inside \upr
    bool objectHost = false;  // an \object group
    bool objectChild = false; // a group directly inside \object
};

struct Font {
    QString name;
    int charset = -1;
};

struct Color {
    bool set = false;
    std::uint32_t rgb = 0;
};

int Clamp(int v, int lo, int hi) {
    return std::min(std::max(v, lo), hi);
}

bool OnOff(const Token& t) {
    return !t.hasParam || t.param != 0;
}

class Parser {
public:
    explicit Parser(std::string_view bytes) : tok_(bytes) {}
    Document Parse();

private:
    State& Top() { return stack_.back(); }
    void OnGroupStart();
    bool OnGroupEnd(); // false when the document group closed
    void OnWord(const Token& t);
    void OnTextWord(const Token& t, const WordInfo* w);
    void OnSymbol(char c);
    void OnBytes(std::string_view bytes);
    void AppendChar(char16_t c);
    void AppendText(const QString& s);
    void FlushBytes();
    void EndParagraph();
    void CommitFont();
    void StartPn(State& s);
    void SkipFallbackEscape(const Token& t);
    void StartPicture(State& s);
    void OnPictureWord(const Token& t, const WordInfo& w);
    void OnPictureBytes(std::string_view bytes);
    void AppendPicture();
    // Whether the top of the stack is the open picture's own group level.
    bool AtPictureLevel() const {
        return picture_ && overflow_ == 0 && stack_.size() == pictureDepth_;
    }
    CharAttrs CurrentAttrs() const;
    int CurrentCodePage() const;

    Tokenizer tok_;
    std::vector<State> stack_;
    int overflow_ = 0;
    std::map<int, Font> fonts_;
    std::vector<Color> colors_;
    int deff_ = 0;
    int ansiCodePage_ = 1252;
    // The font table entry being read.
    bool fontOpen_ = false;
    int fontNumber_ = 0;
    int fontCharset_ = -1;
    QByteArray fontName_;
    // The colour table entry being read.
    Color color_;
    // List marker text (\pntext, \listtext) of the current group.
    QByteArray listText_;
    // Text of the \pntxtb or \pntxta group being read.
    QByteArray pnText_;
    // 8-bit text not yet decoded, and its code page.
    QByteArray pending_;
    int pendingCodePage_ = 0;
    int skip_ = 0; // fallback characters of the last \uN still to skip
    bool cellPending_ = false;
    // The picture being read, the stack depth of its group, the attributes
    // in effect where it started, and a hex digit waiting for its partner.
    std::shared_ptr<Picture> picture_;
    std::size_t pictureDepth_ = 0;
    CharAttrs pictureAttrs_;
    int pictureNibble_ = -1;
    Document doc_;
    Paragraph current_;
};

Document Parser::Parse() {
    stack_.reserve(64);
    stack_.push_back(State{}); // outside the document group
    for (;;) {
        Token t = tok_.Next();
        if (t.kind != TokenKind::Text && t.kind != TokenKind::HexByte) FlushBytes();
        bool done = false;
        switch (t.kind) {
        case TokenKind::End:
            done = true;
            break;
        case TokenKind::GroupStart:
            OnGroupStart();
            break;
        case TokenKind::GroupEnd:
            done = !OnGroupEnd();
            break;
        case TokenKind::ControlWord:
            OnWord(t);
            break;
        case TokenKind::ControlSymbol:
            OnSymbol(t.symbol);
            break;
        case TokenKind::HexByte: {
            if (Top().dest == Dest::Pict) break; // a picture's data is plain hex digits
            if (skip_ > 0 && Top().dest == Dest::Text) {
                SkipFallbackEscape(t);
                break;
            }
            char b = static_cast<char>(t.byte);
            OnBytes(std::string_view(&b, 1));
            break;
        }
        case TokenKind::Text:
            OnBytes(t.text);
            break;
        }
        if (done) break;
    }
    FlushBytes();
    if (Top().dest == Dest::FontTable) CommitFont();
    if (picture_) AppendPicture(); // a document cut short inside its picture
    bool hasText = !current_.runs.empty();
    if (hasText || doc_.paragraphs.empty()) {
        current_.attrs = Top().para;
        current_.endAttrs = CurrentAttrs();
        doc_.paragraphs.push_back(std::move(current_));
    }
    return std::move(doc_);
}

void Parser::OnGroupStart() {
    skip_ = 0;
    if (static_cast<int>(stack_.size()) > kMaxGroupDepth) {
        ++overflow_;
        return;
    }
    State s = Top();
    s.star = false;
    s.uprChild = s.uprHost;
    s.uprHost = false;
    s.objectChild = s.objectHost;
    s.objectHost = false;
    stack_.push_back(s);
}

bool Parser::OnGroupEnd() {
    skip_ = 0;
    if (overflow_ > 0) {
        --overflow_;
        return true;
    }
    if (stack_.size() <= 2)
        return false; // the document group closed: what follows is not part of it
    if (AtPictureLevel()) AppendPicture();
    State closed = std::move(stack_.back());
    stack_.pop_back();
    State& parent = Top();
    if (closed.dest == Dest::FontTable) CommitFont();
    if ((closed.dest == Dest::PnTextBefore || closed.dest == Dest::PnTextAfter) &&
        parent.dest == Dest::Pn) {
        QString text = DecodeCodePage(pnText_, CurrentCodePage());
        (closed.dest == Dest::PnTextBefore ? parent.para.numberPrefix : parent.para.numberSuffix) =
            text;
        pnText_.clear();
    }
    if (closed.dest == Dest::Pn && parent.dest != Dest::Pn) {
        parent.para.list = closed.para.list;
        parent.para.listStart = closed.para.listStart;
        // A bullet's \pntxtb is the bullet character itself, not text around a number.
        const bool numbered =
            closed.para.list != ListStyle::None && closed.para.list != ListStyle::Bullet;
        parent.para.numberPrefix = numbered ? closed.para.numberPrefix : ParaAttrs{}.numberPrefix;
        parent.para.numberSuffix = numbered ? closed.para.numberSuffix : ParaAttrs{}.numberSuffix;
    }
    if (closed.dest == Dest::ListText && parent.dest != Dest::ListText &&
        parent.para.list == ListStyle::None) {
        // A list marker without a list definition: a number makes a numbered list.
        QByteArray marker = listText_.trimmed();
        if (!marker.isEmpty() && marker[0] >= '0' && marker[0] <= '9') {
            parent.para.list = ListStyle::Decimal;
            int n = 0;
            for (qsizetype i = 0;
                 i < marker.size() && marker[i] >= '0' && marker[i] <= '9' && n < 10000; ++i)
                n = n * 10 + (marker[i] - '0');
            parent.para.listStart = n;
        } else {
            parent.para.list = ListStyle::Bullet;
        }
    }
    return true;
}

void Parser::OnWord(const Token& t) {
    State& s = Top();
    const WordInfo* w = FindWord(t.word);
    const WordKind kind = w ? w->kind : WordKind::Plain;
    if (w && kind == WordKind::Bin) {
        // Raw bytes: a picture's data at its own level, skipped everywhere
        // else; braces inside do not count.
        if (t.hasParam && t.param > 0) {
            if (AtPictureLevel()) {
                const std::string_view raw = tok_.TakeBytes(t.param);
                picture_->data.append(raw.data(), static_cast<qsizetype>(raw.size()));
            } else
                tok_.SkipBytes(t.param);
        }
        return;
    }
    if (s.dest == Dest::Pict) {
        s.star = false;
        if (w && AtPictureLevel()) OnPictureWord(t, *w);
        return;
    }
    if (s.dest == Dest::Skip) {
        if (s.uprChild && w && kind == WordKind::UnicodeTwin) s.dest = Dest::Text;
        if (s.objectChild && w && kind == WordKind::ObjectResult) s.dest = Dest::Text;
        return;
    }
    if (s.star) {
        s.star = false;
        if (w && kind == WordKind::ListLevel && s.dest == Dest::Text) {
            StartPn(s);
        } else if (w && kind == WordKind::ShapePicture && s.dest == Dest::Text) {
            // The picture inside is shown; the group has no other text.
        } else {
            s.dest = Dest::Skip;
        }
        return;
    }
    switch (s.dest) {
    case Dest::FontTable:
        if (w && kind == WordKind::Font) {
            CommitFont();
            fontOpen_ = true;
            fontNumber_ = t.param;
            fontCharset_ = -1;
            fontName_.clear();
        } else if (w && kind == WordKind::FontCharset) {
            fontCharset_ = t.param;
        }
        return;
    case Dest::ColorTable:
        if (w && kind == WordKind::ColorPart) {
            const std::uint32_t shift = w->value;
            color_.rgb =
                (color_.rgb & ~(0xFFu << shift)) | (std::uint32_t(Clamp(t.param, 0, 255)) << shift);
            color_.set = true;
        }
        return;
    case Dest::Pn:
        if (!w) return;
        if (kind == WordKind::ListStyle) {
            s.para.list = static_cast<ListStyle>(w->value);
        } else if (kind == WordKind::ListStart) {
            s.para.listStart = Clamp(t.param, 0, 32767);
        } else if (kind == WordKind::NumberText) {
            s.dest = w->value == 0 ? Dest::PnTextBefore : Dest::PnTextAfter;
            pnText_.clear();
        }
        return;
    case Dest::PnTextBefore:
    case Dest::PnTextAfter:
        return;
    case Dest::ListText:
        return;
    case Dest::Text:
    case Dest::Skip:
    case Dest::Pict:
        break;
    }
    OnTextWord(t, w);
}

// A control word in document text; `w` is its entry in the word table, or
// nullptr for a word the reader does not know.
void Parser::OnTextWord(const Token& t, const WordInfo* w) {
    State& s = Top();
    const bool unicode = w && w->kind == WordKind::Unicode;
    if (skip_ > 0 && !unicode) {
        --skip_; // a control word in the fallback of \uN counts as one character
        return;
    }
    if (!w) return;
    switch (w->kind) {
    case WordKind::Unicode:
        if (!t.hasParam) return;
        skip_ = 0;
        AppendChar(static_cast<char16_t>(static_cast<std::uint32_t>(t.param) & 0xFFFF));
        skip_ = s.uc;
        return;
    // Destinations.
    case WordKind::FontTable:
        s.dest = Dest::FontTable;
        fontOpen_ = false;
        return;
    case WordKind::ColorTable:
        s.dest = Dest::ColorTable;
        colors_.clear();
        color_ = Color{};
        return;
    case WordKind::ListText:
        s.dest = Dest::ListText;
        listText_.clear();
        return;
    case WordKind::ListLevel:
        StartPn(s);
        return;
    case WordKind::UnicodePair:
        s.dest = Dest::Skip;
        s.uprHost = true;
        return;
    case WordKind::SkipDestination:
        s.dest = Dest::Skip;
        return;
    case WordKind::Picture:
        StartPicture(s);
        return;
    case WordKind::ObjectGroup:
        s.dest = Dest::Skip;
        s.objectHost = true;
        return;
    // Document settings.
    case WordKind::AnsiCodePage:
        if (t.param > 0) ansiCodePage_ = t.param;
        return;
    case WordKind::CodePage:
        ansiCodePage_ = w->value;
        return;
    case WordKind::DefaultFont:
        deff_ = t.param;
        return;
    case WordKind::UnicodeSkip:
        s.uc = Clamp(t.param, 0, 255);
        return;
    // Character attributes.
    case WordKind::Plain:
        s.chr = CharState{};
        return;
    case WordKind::Font:
        s.chr.font = t.param;
        return;
    case WordKind::FontSize:
        s.chr.halfPoints = t.param > 0 ? std::min(t.param, kMaxHalfPoints) : 24;
        return;
    case WordKind::Bold:
        s.chr.bold = OnOff(t);
        return;
    case WordKind::Italic:
        s.chr.italic = OnOff(t);
        return;
    case WordKind::Underline:
        s.chr.underline = OnOff(t);
        return;
    case WordKind::UnderlineNone:
        s.chr.underline = false;
        return;
    case WordKind::Strike:
        s.chr.strikeOut = OnOff(t);
        return;
    case WordKind::Color:
        s.chr.color = std::max(t.param, 0);
        return;
    // Paragraph attributes.
    case WordKind::ParagraphDefaults:
        s.para = ParaAttrs{};
        return;
    case WordKind::Align:
        s.para.alignment = static_cast<Alignment>(w->value);
        return;
    case WordKind::FirstIndent:
        s.para.firstIndent = Clamp(t.param, -kMaxTwips, kMaxTwips);
        return;
    case WordKind::LeftIndent:
        s.para.leftIndent = Clamp(t.param, -kMaxTwips, kMaxTwips);
        return;
    case WordKind::RightIndent:
        s.para.rightIndent = Clamp(t.param, -kMaxTwips, kMaxTwips);
        return;
    // Breaks and special characters.
    case WordKind::ParagraphEnd:
        EndParagraph();
        return;
    case WordKind::RowEnd:
        cellPending_ = false;
        EndParagraph();
        return;
    case WordKind::CellEnd:
        cellPending_ = true;
        return;
    case WordKind::Char:
        AppendChar(w->value);
        return;
    case WordKind::Bin:
    case WordKind::UnicodeTwin:
    case WordKind::FontCharset:
    case WordKind::ColorPart:
    case WordKind::ListStyle:
    case WordKind::ListStart:
    case WordKind::NumberText:
    case WordKind::ShapePicture:
    case WordKind::ObjectResult:
    case WordKind::PictureType:
    case WordKind::PictureSize:
        return; // words of other destinations: nothing in text
    }
}

void Parser::OnSymbol(char c) {
    State& s = Top();
    if (c == '*') {
        s.star = true;
        return;
    }
    if (s.dest != Dest::Text) {
        if (s.dest == Dest::FontTable || s.dest == Dest::ListText || s.dest == Dest::PnTextBefore ||
            s.dest == Dest::PnTextAfter) {
            if (c == '\\' || c == '{' || c == '}') OnBytes(std::string_view(&c, 1));
        }
        return;
    }
    if (c == '\0') return;
    if (c == '\'') { // a "\'" with no hex digit: no text of its own
        if (skip_ > 0) SkipFallbackEscape(Token{});
        return;
    }
    if (skip_ > 0) {
        --skip_;
        return;
    }
    const char16_t text = SymbolText(c);
    if (text == kSymbolParagraphEnd)
        EndParagraph();
    else if (text != 0)
        AppendChar(text);
}

void Parser::OnBytes(std::string_view bytes) {
    State& s = Top();
    switch (s.dest) {
    case Dest::Skip:
    case Dest::Pn:
        return;
    case Dest::FontTable:
        for (char c : bytes) {
            if (c == ';') {
                CommitFont();
            } else if (fontOpen_) {
                if (fontName_.size() < 256) fontName_ += c;
            }
        }
        return;
    case Dest::ColorTable:
        for (char c : bytes) {
            if (c == ';') {
                if (colors_.size() < 65536) colors_.push_back(color_);
                color_ = Color{};
            }
        }
        return;
    case Dest::ListText:
        if (listText_.size() < 64)
            listText_.append(bytes.data(), static_cast<qsizetype>(bytes.size()));
        return;
    case Dest::Pict:
        if (AtPictureLevel()) OnPictureBytes(bytes);
        return;
    case Dest::PnTextBefore:
    case Dest::PnTextAfter:
        if (pnText_.size() < 32)
            pnText_.append(bytes.data(),
                           std::min<qsizetype>(32 - pnText_.size(), qsizetype(bytes.size())));
        return;
    case Dest::Text:
        break;
    }
    const std::size_t from = SkipFallbackBytes(bytes, skip_);
    if (from == bytes.size()) return;
    int cp = CurrentCodePage();
    if (!pending_.isEmpty() && cp != pendingCodePage_) FlushBytes();
    pendingCodePage_ = cp;
    pending_.append(bytes.data() + from, static_cast<qsizetype>(bytes.size() - from));
}

void Parser::FlushBytes() {
    if (pending_.isEmpty()) return;
    QString text = DecodeCodePage(pending_, pendingCodePage_);
    pending_.clear();
    AppendText(text);
}

void Parser::AppendChar(char16_t c) {
    FlushBytes();
    AppendText(QString(QChar(c)));
}

void Parser::AppendText(const QString& raw) {
    QString s = CleanText(raw);
    if (s.isEmpty()) return;
    CharAttrs attrs = CurrentAttrs();
    if (cellPending_) {
        cellPending_ = false;
        AppendText(QStringLiteral("\t"));
    }
    if (!current_.runs.empty() && current_.runs.back().attrs == attrs &&
        !current_.runs.back().picture)
        current_.runs.back().text += s;
    else
        current_.runs.push_back(Run{s, attrs, nullptr});
}

void Parser::EndParagraph() {
    FlushBytes();
    cellPending_ = false;
    current_.attrs = Top().para;
    current_.endAttrs = CurrentAttrs();
    doc_.paragraphs.push_back(std::move(current_));
    current_ = Paragraph{};
}

// A \pn group describes the paragraph's list afresh: no list, numbers from 1
// followed by ".", until its words say otherwise.
void Parser::StartPn(State& s) {
    s.dest = Dest::Pn;
    const ParaAttrs fresh;
    s.para.list = fresh.list;
    s.para.listStart = fresh.listStart;
    s.para.numberPrefix = fresh.numberPrefix;
    s.para.numberSuffix = fresh.numberSuffix;
}

// A "\'" escape standing as the fallback of \uN is one fallback character
// whatever its form: "\'4?" or "\'zz" is skipped whole (the two characters
// after "\'"), so a malformed escape leaves no stray character behind.
void Parser::SkipFallbackEscape(const Token& t) {
    --skip_;
    if (t.hexDigits < 2) tok_.SkipEscapeTail(2 - t.hexDigits);
}

void Parser::StartPicture(State& s) {
    FlushBytes();
    s.dest = Dest::Pict;
    picture_ = std::make_shared<Picture>();
    pictureDepth_ = stack_.size();
    pictureAttrs_ = CurrentAttrs();
    pictureNibble_ = -1;
}

void Parser::OnPictureWord(const Token& t, const WordInfo& w) {
    constexpr int kMaxSize = 1000000; // far beyond any picture; keeps products in range
    const int value = Clamp(t.param, 0, kMaxSize);
    if (w.kind == WordKind::PictureType) {
        picture_->type = static_cast<PictureType>(w.value);
        picture_->typeParam = t.hasParam ? value : -1;
        return;
    }
    if (w.kind != WordKind::PictureSize) return;
    switch (static_cast<PictureField>(w.value)) {
    case PictureField::Width:
        picture_->width = value;
        break;
    case PictureField::Height:
        picture_->height = value;
        break;
    case PictureField::GoalWidth:
        picture_->goalWidth = value;
        break;
    case PictureField::GoalHeight:
        picture_->goalHeight = value;
        break;
    case PictureField::ScaleX:
        picture_->scaleX = Clamp(t.param, 1, 10000);
        break;
    case PictureField::ScaleY:
        picture_->scaleY = Clamp(t.param, 1, 10000);
        break;
    }
}

// Hex digits, two to a byte; spaces and anything else between them do not count.
void Parser::OnPictureBytes(std::string_view bytes) {
    QByteArray& data = picture_->data;
    for (char c : bytes) {
        int v;
        if (c >= '0' && c <= '9')
            v = c - '0';
        else if (c >= 'a' && c <= 'f')
            v = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            v = c - 'A' + 10;
        else
            continue;
        if (pictureNibble_ < 0) {
            pictureNibble_ = v;
        } else {
            data.append(static_cast<char>(pictureNibble_ * 16 + v));
            pictureNibble_ = -1;
        }
    }
}

void Parser::AppendPicture() {
    if (cellPending_) {
        cellPending_ = false;
        AppendText(QStringLiteral("\t"));
    }
    current_.runs.push_back(Run{QString(QChar(0xFFFC)), pictureAttrs_, std::move(picture_)});
    picture_.reset();
}

void Parser::CommitFont() {
    if (!fontOpen_) return;
    fontOpen_ = false;
    int cp = fontCharset_ >= 0 ? CodePageOfCharset(fontCharset_) : 0;
    QString name = DecodeCodePage(fontName_, cp ? cp : ansiCodePage_).trimmed();
    fonts_[fontNumber_] = Font{name, fontCharset_};
    fontName_.clear();
}

CharAttrs Parser::CurrentAttrs() const {
    const CharState& c = stack_.back().chr;
    CharAttrs a;
    auto font = fonts_.find(c.font >= 0 ? c.font : deff_);
    if (font == fonts_.end() && c.font >= 0) font = fonts_.find(deff_);
    if (font != fonts_.end()) a.face = font->second.name;
    a.halfPoints = c.halfPoints;
    a.bold = c.bold;
    a.italic = c.italic;
    a.underline = c.underline;
    a.strikeOut = c.strikeOut;
    if (c.color > 0 && static_cast<std::size_t>(c.color) < colors_.size() && colors_[c.color].set) {
        a.hasColor = true;
        a.rgb = colors_[c.color].rgb;
    }
    return a;
}

int Parser::CurrentCodePage() const {
    const CharState& c = stack_.back().chr;
    auto font = fonts_.find(c.font >= 0 ? c.font : deff_);
    if (font != fonts_.end() && font->second.charset >= 0) {
        int cp = CodePageOfCharset(font->second.charset);
        if (cp) return cp;
    }
    return ansiCodePage_;
}

} // namespace

Document ParseRtf(std::string_view bytes) {
    if (!bytes.starts_with("{\\rtf")) return ParsePlainText(bytes);
    return Parser(bytes).Parse();
}

Document ParsePlainText(std::string_view bytes) {
    // UTF-8 when it says so (a byte order mark) or when every byte fits;
    // windows-1252, the platform's ANSI page, otherwise.
    QString text;
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        bytes.remove_prefix(3);
        text = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    } else {
        QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        text = utf8(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
        if (utf8.hasError())
            text = DecodeCodePage(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())),
                                  1252);
    }
    Document doc;
    auto flush = [&](qsizetype from, qsizetype to) {
        Paragraph p;
        QString line = CleanText(text.mid(from, to - from));
        if (!line.isEmpty()) p.runs.push_back(Run{line, CharAttrs{}, nullptr});
        doc.paragraphs.push_back(std::move(p));
    };
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        QChar c = text[i];
        if (c != u'\r' && c != u'\n') continue;
        flush(start, i);
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        start = i + 1;
    }
    if (start < text.size() || doc.paragraphs.empty()) flush(start, text.size());
    return doc;
}

} // namespace rtf
