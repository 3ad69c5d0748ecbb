#include "search/find_text.h"

#include "editor/rtf/rtf_parser.h"

namespace {

// The characters a whole word may not touch.
bool IsWordChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_';
}

// What inserting text into a document turns into a paragraph break.
bool BreaksParagraph(QChar c) {
    return c == u'\n' || c == u'\r' || c == QChar::ParagraphSeparator || c == QChar(0xFDD0) ||
           c == QChar(0xFDD1);
}

// Appends a run as inserting it into the document would store it: a CR LF
// pair and each other paragraph-breaking character become one U+2029.
void AppendRun(QString& out, const QString& run) {
    const QChar* p = run.constData();
    const qsizetype n = run.size();
    qsizetype plain = 0; // start of the characters not yet appended
    for (qsizetype i = 0; i < n; ++i) {
        if (!BreaksParagraph(p[i])) continue;
        out.append(p + plain, i - plain);
        if (p[i] == u'\r' && i + 1 < n && p[i + 1] == u'\n') ++i;
        out.append(QChar::ParagraphSeparator);
        plain = i + 1;
    }
    out.append(p + plain, n - plain);
}

} // namespace

QString EntryText(std::string_view rtf) {
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
            AppendRun(text, r.text);
    }
    return text;
}

qsizetype FindWholeWord(const QString& in, const QString& text, qsizetype from) {
    if (text.isEmpty() || from < 0 || from > in.size()) return -1;
    for (qsizetype at = in.indexOf(text, from, Qt::CaseInsensitive);
         at >= 0 && at + text.size() <= in.size();
         at = in.indexOf(text, at + 1, Qt::CaseInsensitive)) {
        const qsizetype after = at + text.size();
        if ((at > 0 && IsWordChar(in[at - 1])) || (after < in.size() && IsWordChar(in[after])))
            continue;
        return at;
    }
    return -1;
}
