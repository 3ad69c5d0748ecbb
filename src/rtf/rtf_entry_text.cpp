#include "rtf/rtf_entry_text.h"

#include "rtf/rtf_codepages.h"
#include "rtf/rtf_parser.h"
#include "rtf/rtf_text_rules.h"
#include "rtf/rtf_tokenizer.h"
#include "rtf/rtf_words.h"

#include <QByteArray>

#include <algorithm>
#include <cstdint>
#include <map>
#include <string_view>
#include <vector>

namespace {

enum class TDest { Text, FontTable, ColorTable };

struct TGroup {
    TDest Dest = TDest::Text;
    int Uc = 1;
    int Font = -1; // -1: the default font
};

class TScanner {
public:
    // No byte gives more than one character, so the text does not outgrow
    // the input: it is written into room made once (Put still checks).
    explicit TScanner(std::string_view bytes)
        : tok_(bytes), out_(static_cast<qsizetype>(bytes.size()) + 1, Qt::Uninitialized),
          at_(reinterpret_cast<char16_t*>(out_.data())), end_(at_ + out_.size()) {}

    // False when the document uses something left to the full reader.
    bool Run() {
        stack_.reserve(16);
        stack_.push_back(TGroup{}); // outside the document group
        while (!done_) {
            const rtf::Token t = tok_.Next();
            if (t.kind != rtf::TokenKind::Text && t.kind != rtf::TokenKind::HexByte) Flush();
            switch (t.kind) {
            case rtf::TokenKind::End:
                done_ = true;
                break;
            case rtf::TokenKind::GroupStart:
                skip_ = 0;
                if (stack_.size() > static_cast<std::size_t>(rtf::kMaxGroupDepth)) return false;
                stack_.push_back(stack_.back());
                break;
            case rtf::TokenKind::GroupEnd:
                EndGroup();
                break;
            case rtf::TokenKind::ControlWord:
                if (!OnWord(t)) return false;
                break;
            case rtf::TokenKind::ControlSymbol:
                if (!OnSymbol(t.symbol)) return false;
                break;
            case rtf::TokenKind::HexByte: {
                // A "\'" short of its two digits is damaged: the reader's rules
                // for it (a fallback skipped whole) are left to the reader.
                if (t.hexDigits < 2) return false;
                const char b = static_cast<char>(t.byte);
                OnBytes(std::string_view(&b, 1), false);
                break;
            }
            case rtf::TokenKind::Text:
                OnBytes(t.text, true);
                break;
            }
        }
        Flush();
        // An empty paragraph after the last mark is the document's end.
        if (!paragraphHasText_ && paragraphs_ > 0) --at_;
        out_.truncate(at_ - reinterpret_cast<const char16_t*>(out_.constData()));
        return true;
    }

    QString Text() { return std::move(out_); }

private:
    TGroup& Top() { return stack_.back(); }

    void EndGroup() {
        skip_ = 0;
        if (stack_.size() <= 2) {
            done_ = true; // the document group closed
            return;
        }
        if (stack_.back().Dest == TDest::FontTable) CommitFont();
        stack_.pop_back();
    }

    // A picture is one U+FFFC in the text, and the rest of its group is
    // passed over token by token without a look at what the tokens hold:
    // its hex digits are never text. Raw bytes (\bin) are stepped over as
    // the reader steps over them.
    void SkipPicture() {
        Put(QChar::ObjectReplacementCharacter);
        paragraphHasText_ = true;
        for (int depth = 0;;) {
            const rtf::Token t = tok_.Next();
            switch (t.kind) {
            case rtf::TokenKind::End:
                done_ = true;
                return;
            case rtf::TokenKind::GroupStart:
                ++depth;
                break;
            case rtf::TokenKind::GroupEnd:
                if (depth-- == 0) {
                    EndGroup();
                    return;
                }
                break;
            case rtf::TokenKind::ControlWord:
                if (t.hasParam && t.param > 0 && t.word == "bin") tok_.SkipBytes(t.param);
                break;
            default:
                break;
            }
        }
    }

    bool OnWord(const rtf::Token& t) {
        using K = rtf::WordKind;
        const rtf::WordInfo* known = rtf::FindWord(t.word);
        if (known && known->kind == K::Bin) return false;
        TGroup& g = Top();
        if (g.Dest == TDest::FontTable) {
            if (!known) return true;
            if (known->kind == K::Font) {
                CommitFont();
                fontOpen_ = true;
                fontNumber_ = t.param;
                fontCharset_ = -1;
            } else if (known->kind == K::FontCharset) {
                fontCharset_ = t.param;
            }
            return true;
        }
        if (g.Dest == TDest::ColorTable) return true;
        // A control word inside the fallback of \uN counts as one character.
        if (skip_ > 0 && !(known && known->kind == K::Unicode)) {
            --skip_;
            return true;
        }
        if (!known) return true; // a word the reader does not know does nothing
        switch (known->kind) {
        case K::FontTable:
            g.Dest = TDest::FontTable;
            fontOpen_ = false;
            return true;
        case K::ColorTable:
            g.Dest = TDest::ColorTable;
            return true;
        case K::CodePage:
            ansiCodePage_ = known->value;
            return true;
        case K::AnsiCodePage:
            if (t.param > 0) ansiCodePage_ = t.param;
            return true;
        case K::DefaultFont:
            deff_ = t.param;
            return true;
        case K::UnicodeSkip:
            g.Uc = std::clamp(t.param, 0, 255);
            return true;
        case K::Plain:
            g.Font = -1;
            return true;
        case K::Font:
            g.Font = t.param;
            return true;
        case K::Unicode:
            if (!t.hasParam) return true;
            skip_ = 0;
            AppendChar(static_cast<char16_t>(static_cast<std::uint32_t>(t.param) & 0xFFFF));
            skip_ = g.Uc;
            return true;
        case K::ParagraphEnd:
            EndParagraph();
            return true;
        case K::Char:
            AppendChar(known->value);
            return true;
        case K::Picture:
            SkipPicture();
            return true;
        case K::Bin:
        case K::ObjectGroup:
        case K::ListText:
        case K::ListLevel:
        case K::UnicodePair:
        case K::SkipDestination:
        case K::RowEnd:
        case K::CellEnd:
            return false; // list markers, tables and other destinations: the reader's
        // No default: a kind added to the table must be decided here too.
        case K::UnicodeTwin:
        case K::FontCharset:
        case K::FontSize:
        case K::Bold:
        case K::Italic:
        case K::Underline:
        case K::UnderlineNone:
        case K::Strike:
        case K::Color:
        case K::ParagraphDefaults:
        case K::Align:
        case K::FirstIndent:
        case K::LeftIndent:
        case K::RightIndent:
        case K::ColorPart:
        case K::ListStyle:
        case K::ListStart:
        case K::NumberText:
        case K::ShapePicture: // without "\*" before it: nothing
        case K::ObjectResult:
        case K::PictureType:
        case K::PictureSize:
            return true; // formatting, or words of other destinations: no text
        }
        return false;
    }

    bool OnSymbol(char c) {
        if (c == '*') return false;                 // an ignorable destination follows
        if (c == '\'') return false;                // a "\'" with no digit: damaged, as above
        if (Top().Dest != TDest::Text) return true; // a font name's \\ \{ \}: not text
        if (c == '\0') return true;
        if (skip_ > 0) {
            --skip_;
            return true;
        }
        const char16_t text = rtf::SymbolText(c);
        if (text == rtf::kSymbolParagraphEnd)
            EndParagraph();
        else if (text != 0)
            AppendChar(text);
        return true;
    }

    // `lasting`: the bytes lie in the input, not in a temporary.
    void OnBytes(std::string_view bytes, bool lasting) {
        switch (Top().Dest) {
        case TDest::FontTable:
            for (char c : bytes)
                if (c == ';') CommitFont();
            return;
        case TDest::ColorTable:
            return;
        case TDest::Text:
            break;
        }
        const std::size_t from = rtf::SkipFallbackBytes(bytes, skip_);
        if (from == bytes.size()) return;
        const int cp = CurrentCodePage();
        if (!pending_.empty() && cp != pendingCodePage_) Flush();
        pendingCodePage_ = cp;
        // A run of text usually arrives in one piece: it is only looked at
        // where it lies until a second piece has to join it.
        const std::string_view piece = bytes.substr(from);
        if (pending_.empty() && lasting) {
            pending_ = piece;
        } else {
            if (pending_.data() != joined_.data()) joined_.assign(pending_);
            joined_.append(piece);
            pending_ = joined_;
        }
    }

    // The collected bytes decoded in their code page, as the reader decodes them.
    void Flush() {
        if (pending_.empty()) return;
        const std::string_view bytes = pending_;
        pending_ = {};
        if (AsciiStaysAscii(pendingCodePage_)) {
            // Copied on the guess that the bytes are printable ASCII, as they
            // nearly always are; taken back when they are not.
            Reserve(bytes.size());
            const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
            const std::size_t n = bytes.size();
            unsigned char high = 0, low = 0xFF, del = 0;
            for (std::size_t i = 0; i < n; ++i) { // no branch: the compiler may widen 16 at a time
                const unsigned char c = in[i];
                high |= c;
                low = std::min(low, c);
                del |= static_cast<unsigned char>(c == 0x7F);
                at_[i] = c;
            }
            if (high < 0x80 && low >= 0x20 && !del) {
                at_ += n;
                paragraphHasText_ = paragraphHasText_ || n > 0;
                return;
            }
            if (high < 0x80) {
                for (char c : bytes)
                    AppendClean(static_cast<char16_t>(c));
                return;
            }
        }
        const QString text = rtf::DecodeCodePage(
            QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())), pendingCodePage_);
        for (QChar c : text)
            AppendClean(c.unicode());
    }

    // Whether the reader's decoder gives every ASCII byte as itself in `cp`;
    // asked of the decoder once per page and thread.
    bool AsciiStaysAscii(int cp) {
        if (cp == lastPage_) return lastPageAscii_;
        thread_local std::map<int, bool> pages;
        auto it = pages.find(cp);
        if (it == pages.end()) {
            QByteArray ascii;
            for (int c = 0; c < 0x80; ++c)
                ascii.append(static_cast<char>(c));
            const QString text = rtf::DecodeCodePage(ascii, cp);
            bool same = text.size() == 0x80;
            for (int c = 0; same && c < 0x80; ++c)
                same = text[c].unicode() == c;
            it = pages.emplace(cp, same).first;
        }
        lastPage_ = cp;
        return lastPageAscii_ = it->second;
    }

    void AppendChar(char16_t c) {
        Flush();
        AppendClean(c);
    }

    // The reader's cleaning (rtf_text_rules.h).
    void AppendClean(char16_t u) {
        if (!rtf::CleanChar(u)) return;
        Put(u);
        paragraphHasText_ = true;
    }

    void Put(char16_t c) {
        Reserve(1);
        *at_++ = c;
    }

    // Room for `n` more characters.
    void Reserve(std::size_t n) {
        if (static_cast<std::size_t>(end_ - at_) >= n) return;
        const qsizetype used = at_ - reinterpret_cast<char16_t*>(out_.data());
        out_.resize(2 * (used + static_cast<qsizetype>(n)));
        at_ = reinterpret_cast<char16_t*>(out_.data()) + used;
        end_ = reinterpret_cast<char16_t*>(out_.data()) + out_.size();
    }

    void EndParagraph() {
        Flush();
        Put(QChar::ParagraphSeparator);
        ++paragraphs_;
        paragraphHasText_ = false;
    }

    void CommitFont() {
        if (!fontOpen_) return;
        fontOpen_ = false;
        fonts_[fontNumber_] = fontCharset_;
    }

    int CurrentCodePage() const {
        const int number = stack_.back().Font >= 0 ? stack_.back().Font : deff_;
        const auto font = fonts_.find(number);
        if (font != fonts_.end() && font->second >= 0)
            if (const int cp = rtf::CodePageOfCharset(font->second)) return cp;
        return ansiCodePage_;
    }

    rtf::Tokenizer tok_;
    std::vector<TGroup> stack_;
    std::map<int, int> fonts_; // font number -> character set (-1: none given)
    int lastPage_ = -1;
    bool lastPageAscii_ = false;
    int deff_ = 0;
    int ansiCodePage_ = 1252;
    bool fontOpen_ = false;
    int fontNumber_ = 0;
    int fontCharset_ = -1;
    // 8-bit text not yet decoded: a piece of the input, or joined_.
    std::string_view pending_;
    std::string joined_;
    int pendingCodePage_ = 0;
    int skip_ = 0;
    QString out_;
    char16_t* at_;  // where the next character goes
    char16_t* end_; // the end of the room made
    int paragraphs_ = 0;
    bool paragraphHasText_ = false;
    bool done_ = false;
};

} // namespace

std::optional<QString> ScanEntryText(std::string_view rtf) {
    if (!rtf.starts_with("{\\rtf")) return std::nullopt; // plain text: the reader's own rules
    TScanner scanner(rtf);
    if (!scanner.Run()) return std::nullopt;
    return scanner.Text();
}

QString ReaderEntryText(std::string_view rtf) {
    // The reader cleans every run of line ends and of the characters a
    // document reserves for its structure, so runs go in as they are.
    const rtf::Document doc = rtf::ParseRtf(rtf);
    qsizetype size = 0;
    for (const rtf::Paragraph& p : doc.paragraphs) {
        size += 1;
        for (const rtf::Run& r : p.runs)
            size += r.text.size();
    }
    QString text;
    text.reserve(size);
    bool first = true;
    for (const rtf::Paragraph& p : doc.paragraphs) {
        if (!first) text.append(QChar::ParagraphSeparator);
        first = false;
        for (const rtf::Run& r : p.runs)
            text.append(r.text);
    }
    return text;
}

QString EntryText(std::string_view rtf) {
    if (std::optional<QString> text = ScanEntryText(rtf)) return *std::move(text);
    return ReaderEntryText(rtf);
}
