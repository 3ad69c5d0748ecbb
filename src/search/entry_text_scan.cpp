#include "search/entry_text_scan.h"

#include "editor/rtf/rtf_codepages.h"
#include "editor/rtf/rtf_parser.h"
#include "editor/rtf/rtf_tokenizer.h"

#include <QByteArray>

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <string_view>
#include <vector>

namespace {

// The control words the scanner knows. Formatting words change nothing in
// the text; the others are handled as the reader handles them.
enum class TWord {
    Format,
    FontTable,
    ColorTable,
    Ansi,
    AnsiCodePage,
    Mac,
    Pc,
    DefaultFont,
    UnicodeSkip,
    Plain,
    Font,
    FontCharset,
    Unicode,
    ParagraphEnd,
    Char, // a word that stands for one character
};

struct TWordInfo {
    TWord Kind;
    char16_t Char = 0;
};

// The known words in an open-addressed table: a lookup is a short hash and,
// nearly always, one comparison. A document has a control word every few
// dozen bytes, so this is on the scanner's busiest path.
class TWordTable {
public:
    TWordInfo& operator[](std::string_view word) {
        std::size_t i = Hash(word);
        while (!slots_[i].Word.empty() && slots_[i].Word != word)
            i = (i + 1) % slots_.size();
        slots_[i].Word = word;
        return slots_[i].Info;
    }
    const TWordInfo* Find(std::string_view word) const {
        for (std::size_t i = Hash(word);; i = (i + 1) % slots_.size()) {
            if (slots_[i].Word.empty()) return nullptr;
            if (slots_[i].Word == word) return &slots_[i].Info;
        }
    }

private:
    static std::size_t Hash(std::string_view word) {
        std::uint32_t h = 2166136261u;
        for (char c : word)
            h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
        return (h ^ (h >> 16)) % 256;
    }
    struct TSlot {
        std::string_view Word;
        TWordInfo Info{TWord::Format};
    };
    std::array<TSlot, 256> slots_{}; // well over the words known, so always an empty slot
};

const TWordTable& Words() {
    static const TWordTable words = [] {
        TWordTable w;
        for (std::string_view f :
             {"rtf",       "deflang",  "deflangfe", "deftab",      "viewkind", "lang", "langfe",
              "langnp",    "langfenp", "fs",        "b",           "i",        "ul",   "ulnone",
              "uld",       "uldb",     "ulw",       "strike",      "striked",  "cf",   "cb",
              "highlight", "pard",     "ql",        "qr",          "qc",       "qj",   "qd",
              "fi",        "li",       "lin",       "ri",          "rin",      "sa",   "sb",
              "sl",        "slmult",   "tx",        "nowidctlpar", "widctlpar"})
            w[f] = {TWord::Format};
        w["fonttbl"] = {TWord::FontTable};
        w["colortbl"] = {TWord::ColorTable};
        w["ansi"] = {TWord::Ansi};
        w["ansicpg"] = {TWord::AnsiCodePage};
        w["mac"] = {TWord::Mac};
        w["pc"] = {TWord::Pc};
        w["pca"] = {TWord::Pc};
        w["deff"] = {TWord::DefaultFont};
        w["uc"] = {TWord::UnicodeSkip};
        w["plain"] = {TWord::Plain};
        w["f"] = {TWord::Font};
        w["fcharset"] = {TWord::FontCharset};
        w["u"] = {TWord::Unicode};
        for (std::string_view p : {"par", "sect", "page"})
            w[p] = {TWord::ParagraphEnd};
        const std::pair<std::string_view, char16_t> chars[] = {
            {"line", 0x2028},      {"softline", 0x2028},  {"tab", u'\t'},      {"emdash", 0x2014},
            {"endash", 0x2013},    {"bullet", 0x2022},    {"lquote", 0x2018},  {"rquote", 0x2019},
            {"ldblquote", 0x201C}, {"rdblquote", 0x201D}, {"emspace", 0x2003}, {"enspace", 0x2002},
            {"qmspace", 0x2005},   {"zwj", 0x200D},       {"zwnj", 0x200C},    {"ltrmark", 0x200E},
            {"rtlmark", 0x200F}};
        for (const auto& [word, c] : chars)
            w[word] = {TWord::Char, c};
        return w;
    }();
    return words;
}

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
        for (bool done = false; !done;) {
            const rtf::Token t = tok_.Next();
            if (t.kind != rtf::TokenKind::Text && t.kind != rtf::TokenKind::HexByte) Flush();
            switch (t.kind) {
            case rtf::TokenKind::End:
                done = true;
                break;
            case rtf::TokenKind::GroupStart:
                skip_ = 0;
                if (stack_.size() > static_cast<std::size_t>(rtf::kMaxGroupDepth)) return false;
                stack_.push_back(stack_.back());
                break;
            case rtf::TokenKind::GroupEnd:
                skip_ = 0;
                if (stack_.size() <= 2) {
                    done = true; // the document group closed
                    break;
                }
                if (stack_.back().Dest == TDest::FontTable) CommitFont();
                stack_.pop_back();
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

    bool OnWord(const rtf::Token& t) {
        if (t.word == "bin") return false;
        const TWordInfo* known = Words().Find(t.word);
        TGroup& g = Top();
        if (g.Dest == TDest::FontTable) {
            if (!known) return true;
            if (known->Kind == TWord::Font) {
                CommitFont();
                fontOpen_ = true;
                fontNumber_ = t.param;
                fontCharset_ = -1;
            } else if (known->Kind == TWord::FontCharset) {
                fontCharset_ = t.param;
            }
            return true;
        }
        if (g.Dest == TDest::ColorTable) return true;
        // A control word inside the fallback of \uN counts as one character.
        if (skip_ > 0 && t.word != "u") {
            --skip_;
            return true;
        }
        if (!known) return false;
        switch (known->Kind) {
        case TWord::Format:
        case TWord::FontCharset:
            return true;
        case TWord::FontTable:
            g.Dest = TDest::FontTable;
            fontOpen_ = false;
            return true;
        case TWord::ColorTable:
            g.Dest = TDest::ColorTable;
            return true;
        case TWord::Ansi:
            ansiCodePage_ = 1252;
            return true;
        case TWord::AnsiCodePage:
            if (t.param > 0) ansiCodePage_ = t.param;
            return true;
        case TWord::Mac:
            ansiCodePage_ = 10000;
            return true;
        case TWord::Pc:
            ansiCodePage_ = 437;
            return true;
        case TWord::DefaultFont:
            deff_ = t.param;
            return true;
        case TWord::UnicodeSkip:
            g.Uc = std::clamp(t.param, 0, 255);
            return true;
        case TWord::Plain:
            g.Font = -1;
            return true;
        case TWord::Font:
            g.Font = t.param;
            return true;
        case TWord::Unicode:
            if (!t.hasParam) return true;
            skip_ = 0;
            AppendChar(static_cast<char16_t>(static_cast<std::uint32_t>(t.param) & 0xFFFF));
            skip_ = g.Uc;
            return true;
        case TWord::ParagraphEnd:
            EndParagraph();
            return true;
        case TWord::Char:
            AppendChar(known->Char);
            return true;
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
        switch (c) {
        case '\\':
        case '{':
        case '}':
            AppendChar(static_cast<char16_t>(c));
            break;
        case '~':
            AppendChar(0x00A0);
            break;
        case '-':
            AppendChar(0x00AD);
            break;
        case '_':
            AppendChar(0x2011);
            break;
        case '\n':
            EndParagraph();
            break;
        case '\t':
            AppendChar(u'\t');
            break;
        default: // index entry marks and the like: no text
            break;
        }
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
        std::size_t from = 0;
        while (skip_ > 0 && from < bytes.size()) {
            ++from;
            --skip_;
        }
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

    // The reader's cleaning: a line end inside a paragraph is a line break;
    // other controls and the characters a document reserves are dropped.
    void AppendClean(char16_t u) {
        if (u == u'\r' || u == u'\n' || u == 0x0B || u == 0x2029)
            u = 0x2028;
        else if ((u < 0x20 && u != u'\t') || u == 0x7F || (u >= 0xFDD0 && u <= 0xFDEF) ||
                 u == 0xFFFC)
            return;
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
};

} // namespace

std::optional<QString> ScanEntryText(std::string_view rtf) {
    if (!rtf.starts_with("{\\rtf")) return std::nullopt; // plain text: the reader's own rules
    TScanner scanner(rtf);
    if (!scanner.Run()) return std::nullopt;
    return scanner.Text();
}
