// Every modal question the program asks goes through TPrompts: the real
// program answers with Qt's dialogs (TQtPrompts), tests answer from a script
// (TScriptedPrompts) and read back what was asked.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QPrinter;
class TPrompts;
class QWidget;

// A message from the engine or the platform for display: UTF-8 when it is
// valid UTF-8 (file names on Linux), else ANSI bytes (member names, settings).
QString MessageText(const std::string& bytes);

// Runs `handler`; an exception it raises is shown in the application's
// standard error message (through `prompts`) instead of reaching the event loop.
void Guarded(TPrompts& prompts, const std::function<void()>& handler);

enum class TConfirmAnswer { Yes, No, Cancel };

class TPrompts {
public:
    virtual ~TPrompts() = default;

    // A line of text; false on Cancel. `masked` hides what is typed.
    virtual bool InputQuery(const QString& caption, const QString& prompt, QString& value,
                            bool masked) = 0;
    // An information message with an OK button.
    virtual void ShowMessage(const QString& text) = 0;
    // The application's standard error message (an exception's text).
    virtual void ShowError(const QString& text) = 0;
    virtual TConfirmAnswer Confirm(const QString& caption, const QString& text) = 0;
    // A question answered with one of `buttons` (their captions, the last
    // one the answer of Escape): the index of the one chosen, -1 when the
    // box was closed otherwise. By default asked as a Confirm whose Yes, No
    // and Cancel stand for the first, the second and the last button.
    virtual int Choose(const QString& caption, const QString& text, const QStringList& buttons);
    // Font and colour dialogs: false when the user cancels. `helpContext`
    // is the help page the dialog's Help button opens (0: none).
    virtual bool ChooseFont(QFont& font, QColor& color, int helpContext) = 0;
    virtual bool ChooseColor(QColor& color, int helpContext) = 0;
    // File dialogs: the chosen file, or an empty string on Cancel. The save
    // dialog does not ask about a file that exists: the caller does.
    virtual QString SaveFileName(const QString& caption, const QString& folder,
                                 const QString& filter) = 0;
    virtual QString OpenFileName(const QString& caption, const QString& folder,
                                 const QString& filter) = 0;
    // A folder chooser starting in `folder`: the chosen folder, or an empty
    // string on Cancel.
    virtual QString FolderName(const QString& caption, const QString& folder) = 0;
    virtual bool Print(QPrinter& printer) = 0;
    // The print dialog with `pdfFile` as the file that printing to a file
    // writes unless the user names another; a real printer stays the one
    // offered first.
    virtual bool PrintTo(QPrinter& printer, const QString& pdfFile);

    // The input box: the typed text, or `defaultText` on Cancel.
    QString InputBox(const QString& caption, const QString& prompt, const QString& defaultText,
                     bool masked = false);

    // The window the dialogs are centred on.
    void SetParent(QWidget* parent) { parent_ = parent; }
    QWidget* Parent() const { return parent_; }

private:
    QWidget* parent_ = nullptr;
};

class TQtPrompts : public TPrompts {
public:
    bool InputQuery(const QString& caption, const QString& prompt, QString& value,
                    bool masked) override;
    void ShowMessage(const QString& text) override;
    void ShowError(const QString& text) override;
    TConfirmAnswer Confirm(const QString& caption, const QString& text) override;
    int Choose(const QString& caption, const QString& text, const QStringList& buttons) override;
    bool ChooseFont(QFont& font, QColor& color, int helpContext) override;
    bool ChooseColor(QColor& color, int helpContext) override;
    QString SaveFileName(const QString& caption, const QString& folder,
                         const QString& filter) override;
    QString OpenFileName(const QString& caption, const QString& folder,
                         const QString& filter) override;
    QString FolderName(const QString& caption, const QString& folder) override;
    bool Print(QPrinter& printer) override;
    bool PrintTo(QPrinter& printer, const QString& pdfFile) override;
};

// Answers from queues filled by a test. An empty queue answers Cancel (an
// empty file name, TConfirmAnswer::Cancel, a cancelled input).
class TScriptedPrompts : public TPrompts {
public:
    enum class TKind {
        Input,
        Message,
        Error,
        Confirm,
        Font,
        Color,
        SaveFile,
        OpenFile,
        Print,
        Folder,
        Choice
    };
    struct TAsked {
        TKind Kind;
        QString Caption;
        QString Text; // the prompt or message
        bool Masked = false;
    };

    // std::nullopt stands for Cancel.
    std::deque<std::optional<QString>> Inputs;
    std::deque<TConfirmAnswer> Confirms;
    std::deque<std::optional<QFont>> Fonts;
    std::deque<std::optional<QColor>> Colors;
    std::deque<QString> FileNames; // the answers of the file and folder choosers
    std::deque<bool> Prints;
    std::deque<int> Choices; // button indexes; empty answers -1
    std::vector<TAsked> Asked;
    // Runs when an input is asked for, before the scripted answer: a test
    // acts there on the windows that are open at that moment.
    std::function<void()> WhileAsking;

    // The texts of the messages and errors shown, in order.
    QStringList Messages() const;
    int Count(TKind kind) const;

    bool InputQuery(const QString& caption, const QString& prompt, QString& value,
                    bool masked) override;
    void ShowMessage(const QString& text) override;
    void ShowError(const QString& text) override;
    TConfirmAnswer Confirm(const QString& caption, const QString& text) override;
    int Choose(const QString& caption, const QString& text, const QStringList& buttons) override;
    bool ChooseFont(QFont& font, QColor& color, int helpContext) override;
    bool ChooseColor(QColor& color, int helpContext) override;
    QString SaveFileName(const QString& caption, const QString& folder,
                         const QString& filter) override;
    QString OpenFileName(const QString& caption, const QString& folder,
                         const QString& filter) override;
    QString FolderName(const QString& caption, const QString& folder) override;
    bool Print(QPrinter& printer) override;
    // Keeps the offered file in PrintFile, then answers as Print.
    bool PrintTo(QPrinter& printer, const QString& pdfFile) override;
    QString PrintFile; // the file the last print offered
};
