#include "editor/word_count.h"

#include "editor/editor.h"
#include "rtf/rtf_text_rules.h"

#include <QLabel>
#include <QLocale>
#include <QStatusBar>
#include <QTextDocument>

int TWordCount::DelayMs = 250;

TWordCount::TWordCount(TRichEdit* editor, QStatusBar* statusBar, QObject* parent)
    : QObject(parent), Editor(editor), panel_(new QLabel(statusBar)) {
    panel_->setObjectName("WordCountPanel");
    panel_->setAccessibleName("Word count");
    panel_->setFrameShape(QFrame::StyledPanel);
    panel_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    panel_->setMinimumWidth(panel_->fontMetrics().horizontalAdvance(Text(99999)) + 8);
    statusBar->addWidget(panel_);
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &TWordCount::Update);
    connect(Editor->document(), &QTextDocument::contentsChanged, this,
            [this] { timer_.start(DelayMs); });
    connect(Editor, &TRichEdit::Loaded, this, &TWordCount::Update);
    Update();
}

QString TWordCount::Text(int words) {
    return words == 1 ? QStringLiteral("1 word") : QLocale().toString(words) + " words";
}

void TWordCount::Update() {
    timer_.stop();
    panel_->setText(Text(rtf::CountWords(Editor->document()->toRawText())));
}
