// Spelling in the editor: the underline while typing (TSpellUnderline),
// the editor's context menu on a misspelled word (up to seven suggestions,
// "Add to Dictionary", "Ignore All"), View > "Check Spelling", and the
// dictionary of the current profile's language.
//
// The language is asked for whenever an entry is loaded (a change of
// profile or of Preferences loads one), and the dictionary is loaded when it
// differs from the one in use. Without any dictionary installed, spelling
// is off and its command disabled.
#pragma once

#include <QObject>
#include <QPoint>
#include <QString>

#include <functional>
#include <memory>

class QAction;
class QMenu;
class TPrompts;
class TRichEdit;
class TSpellChecker;
class TSpellUnderline;

class TSpelling : public QObject {
    Q_OBJECT
public:
    TSpelling(TRichEdit* editor, TPrompts& prompts, QObject* parent = nullptr);
    ~TSpelling() override;

    // The current profile's language ("en_US"; empty: the system's).
    std::function<QString()> ProfileLanguage;
    // Runs when the user turns spelling on or off, to keep the choice.
    std::function<void(bool)> OnToggled;

    // View > "Check Spelling", checkable.
    void AttachCommand(QAction* checkSpelling);
    // Spelling on or off (the command's handler; at start, the kept choice).
    void SetOn(bool on);
    bool On() const { return on_; }
    // Loads the dictionary of ProfileLanguage when it is not the one in use.
    void FollowLanguage();
    // The dictionary in use ("en_US"), empty when spelling has none.
    QString Language() const;

    // The editor's context menu at `pos` (viewport coordinates): the
    // spelling entries on a misspelled word, then the editor's own.
    QMenu* ContextMenu(const QPoint& pos);
    TSpellUnderline* Underline() const { return underline_; }

private:
    void ShowContextMenu(const QPoint& pos);
    void UpdateCommand();
    void Replace(int position, int length, const QString& with);
    void AddToDictionary(const QString& word);
    void IgnoreAll(const QString& word);

    TRichEdit* Editor;
    TPrompts& prompts_;
    QAction* command_ = nullptr;
    bool on_ = true;
    bool looked_ = false; // the dictionary was looked for at least once
    std::unique_ptr<TSpellChecker> checker_;
    TSpellUnderline* underline_;
};
