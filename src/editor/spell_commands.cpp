#include "editor/spell_commands.h"

#include "editor/editor.h"
#include "editor/spell_checker.h"
#include "editor/spell_personal.h"
#include "editor/spell_underline.h"
#include "editor/spell_words.h"
#include "ui/prompts.h"

#include <QAction>
#include <QMenu>
#include <QTextBlock>
#include <QTextCursor>

TSpelling::TSpelling(TRichEdit* editor, TPrompts& prompts, QObject* parent)
    : QObject(parent), Editor(editor), prompts_(prompts),
      underline_(new TSpellUnderline(editor, this)) {
    underline_->SetEnabled(false); // until a dictionary is loaded
    Editor->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Editor, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { Guarded(prompts_, [&] { ShowContextMenu(pos); }); });
    connect(Editor, &TRichEdit::Loaded, this, [this] {
        Guarded(prompts_, [&] {
            FollowLanguage();
            underline_->CheckAll(); // every word, not only those on screen
        });
    });
}

TSpelling::~TSpelling() = default;

void TSpelling::AttachCommand(QAction* checkSpelling) {
    command_ = checkSpelling;
    command_->setCheckable(true);
    connect(command_, &QAction::triggered, this, [this](bool checked) {
        Guarded(prompts_, [&] {
            SetOn(checked);
            if (OnToggled) OnToggled(checked);
        });
    });
    UpdateCommand();
}

void TSpelling::SetOn(bool on) {
    on_ = on;
    if (on_ && !looked_) FollowLanguage();
    underline_->SetEnabled(on_ && checker_ != nullptr);
    UpdateCommand();
}

QString TSpelling::Language() const {
    return checker_ ? checker_->Language() : QString();
}

void TSpelling::FollowLanguage() {
    if (!on_) return; // loaded when turned on
    looked_ = true;
    const std::optional<TDictionary> dictionary =
        DictionaryFor(ProfileLanguage ? ProfileLanguage() : QString(), InstalledDictionaries());
    if (!dictionary) {
        checker_.reset();
        underline_->SetChecker(nullptr);
        underline_->SetEnabled(false);
        UpdateCommand();
        return;
    }
    if (checker_ && checker_->Language() == dictionary->Language) return;
    auto checker = std::make_unique<TSpellChecker>(*dictionary);
    if (!checker->Valid()) {
        checker_.reset();
        underline_->SetChecker(nullptr);
        underline_->SetEnabled(false);
        UpdateCommand();
        prompts_.ShowError("The spelling dictionary " + dictionary->DicFile +
                           " could not be read; spelling is off.");
        return;
    }
    for (const QString& word : ReadPersonalWords())
        checker->AddWord(word);
    checker_ = std::move(checker);
    underline_->SetChecker(checker_.get());
    underline_->SetEnabled(true);
    UpdateCommand();
}

void TSpelling::UpdateCommand() {
    if (!command_) return;
    // Without a dictionary there is nothing to turn on; the kept choice stays.
    const bool available = checker_ != nullptr || !looked_;
    command_->setEnabled(available);
    command_->setChecked(on_ && available);
}

QMenu* TSpelling::ContextMenu(const QPoint& pos) {
    QMenu* menu = Editor->createStandardContextMenu(pos);
    if (!checker_ || !underline_->Enabled()) return menu;
    const QTextCursor at = Editor->cursorForPosition(pos);
    const QTextBlock block = at.block();
    const QString text = block.text();
    const TWordSpan span = SpellWordAt(text, at.positionInBlock());
    if (span.Start < 0) return menu;
    const QString word = text.mid(span.Start, span.Length);
    if (checker_->IsCorrect(word)) return menu;

    QAction* first = menu->actions().isEmpty() ? nullptr : menu->actions().front();
    const int position = block.position() + static_cast<int>(span.Start);
    const int length = static_cast<int>(span.Length);
    const QStringList suggestions = checker_->Suggestions(word);
    const bool editable = !Editor->ReadOnly();
    for (const QString& s : suggestions) {
        auto* a = new QAction(s, menu);
        QFont bold = a->font();
        bold.setBold(true);
        a->setFont(bold);
        a->setEnabled(editable);
        connect(a, &QAction::triggered, this, [this, position, length, s] {
            Guarded(prompts_, [&] { Replace(position, length, s); });
        });
        menu->insertAction(first, a);
    }
    if (suggestions.isEmpty()) {
        auto* none = new QAction("(no suggestions)", menu);
        none->setEnabled(false);
        menu->insertAction(first, none);
    }
    menu->insertSeparator(first);
    auto* add = new QAction("Add to Dictionary", menu);
    connect(add, &QAction::triggered, this,
            [this, word] { Guarded(prompts_, [&] { AddToDictionary(word); }); });
    menu->insertAction(first, add);
    auto* ignore = new QAction("Ignore All", menu);
    connect(ignore, &QAction::triggered, this,
            [this, word] { Guarded(prompts_, [&] { IgnoreAll(word); }); });
    menu->insertAction(first, ignore);
    menu->insertSeparator(first);
    return menu;
}

void TSpelling::ShowContextMenu(const QPoint& pos) {
    QMenu* menu = ContextMenu(pos);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(Editor->viewport()->mapToGlobal(pos));
}

void TSpelling::Replace(int position, int length, const QString& with) {
    if (Editor->ReadOnly()) return;
    QTextCursor c(Editor->document());
    c.setPosition(position);
    c.setPosition(position + length, QTextCursor::KeepAnchor);
    c.insertText(with);
    Editor->setTextCursor(c);
}

void TSpelling::AddToDictionary(const QString& word) {
    const QString error = AddPersonalWord(word);
    if (!error.isEmpty()) prompts_.ShowError(error); // still accepted for this run
    if (checker_) checker_->AddWord(word);
    underline_->Recheck();
}

void TSpelling::IgnoreAll(const QString& word) {
    if (checker_) checker_->IgnoreWord(word);
    underline_->Recheck();
}
