#include "rtf/rtf_reader.h"

#include "rtf/rtf_formats.h"
#include "rtf/rtf_parser.h"
#include "rtf/rtf_picture.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

namespace rtf {

void BuildDocument(const Document& source, QTextDocument& doc) {
    doc.clear();
    QTextCursor cursor(&doc);
    cursor.beginEditBlock();
    QTextList* list = nullptr;
    ParaAttrs listAttrs; // the list's kind and marker texts
    bool first = true;
    for (const Paragraph& p : source.paragraphs) {
        QTextBlockFormat blockFormat = ToBlockFormat(p.attrs);
        QTextCharFormat endFormat = ToCharFormat(p.endAttrs);
        if (first) {
            cursor.setBlockFormat(blockFormat);
            cursor.setBlockCharFormat(endFormat);
            first = false;
        } else {
            cursor.insertBlock(blockFormat, endFormat);
        }
        if (p.attrs.list == ListStyle::None) {
            list = nullptr;
        } else if (list && listAttrs.list == p.attrs.list &&
                   listAttrs.numberPrefix == p.attrs.numberPrefix &&
                   listAttrs.numberSuffix == p.attrs.numberSuffix) {
            list->add(cursor.block());
        } else {
            list = cursor.createList(ToListFormat(p.attrs));
            listAttrs = p.attrs;
        }
        for (const Run& r : p.runs) {
            if (r.picture)
                cursor.insertImage(ToImageFormat(*r.picture, r.attrs));
            else
                cursor.insertText(r.text, ToCharFormat(r.attrs));
        }
        if (p.runs.empty()) cursor.setCharFormat(endFormat);
    }
    cursor.endEditBlock();
}

} // namespace rtf

void ReadRtf(const QByteArray& rtf, QTextDocument& doc) {
    rtf::BuildDocument(rtf::ParseRtf(std::string_view(rtf.constData(), rtf.size())), doc);
}
