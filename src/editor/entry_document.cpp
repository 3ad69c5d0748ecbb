#include "editor/entry_document.h"

#include <QTextBlock>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

namespace {

QTextBlockFormat HeadingBlock(int level, bool first) {
    QTextBlockFormat block;
    block.setHeadingLevel(level);
    block.setTopMargin(first ? 0 : 12);
    block.setBottomMargin(4);
    return block;
}

QTextCharFormat HeadingChars(int level) {
    QTextCharFormat chars;
    chars.setFontWeight(QFont::Bold);
    chars.setFontPointSize(level == 1 ? 16 : 13);
    return chars;
}

} // namespace

void AddEntryHeading(QTextCursor& c, const QString& text, int level, bool first) {
    const QTextBlockFormat block = HeadingBlock(level, first);
    const QTextCharFormat chars = HeadingChars(level);
    if (first) {
        c.setBlockFormat(block);
        c.setBlockCharFormat(chars);
    } else {
        c.insertBlock(block, chars);
    }
    c.insertText(text, chars);
}

std::unique_ptr<QTextDocument> EntryWithHeading(const QString& title, const QTextDocument& entry) {
    // A clone keeps what the entry's document holds beside its text: its
    // default font, and the pictures it shows.
    std::unique_ptr<QTextDocument> doc(entry.clone());
    doc->setMetaInformation(QTextDocument::DocumentTitle, title);
    QTextCursor c(doc.get());
    c.beginEditBlock();
    // A new first block for the heading; the entry's first paragraph moves
    // down whole, its format and its place in a bullet list included.
    c.insertBlock(c.blockFormat(), c.blockCharFormat());
    c.movePosition(QTextCursor::Start);
    if (QTextList* list = c.block().textList()) list->remove(c.block());
    AddEntryHeading(c, title, 2, true);
    c.endEditBlock();
    return doc;
}
