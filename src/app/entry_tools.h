// The Tools menu: templates ("Apply Template", "Save as Template") and the
// protection of the shown entry ("Protect", "Unprotect"). The rules live in
// the entry store; this class joins them to the editor, the status bar's
// password panel and the prompts.
//
// A read-only entry (a read-only profile, or an entry that could not be
// read) takes no template and no change of protection, and its text is not
// offered as a template: the four commands are greyed while the editor is
// read-only, and the editor refuses the changes they would make.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QAction;
class QLabel;
class TEntryStore;
class TPrompts;
class TRichEdit;
struct TCurrentProfile;

// The status bar's word for an entry encrypted with `cipher`: "Password
// Protected (AES-256)" for AES (of any strength, by its own), "Password
// Protected" for the traditional cipher, empty for none.
QString ProtectionStatusText(int cipher);

// Replaces the editor's whole content by the RTF document `rtf` as one edit:
// the entry counts as modified and one Undo takes it back. False (nothing
// changed) when the editor is read-only.
bool ReplaceContentAsEdit(TRichEdit& editor, const QByteArray& rtf);

class TEntryTools : public QObject {
    Q_OBJECT

public:
    TEntryTools(TRichEdit* editor, TEntryStore& store, const TCurrentProfile& current,
                QLabel* passwordPanel, TPrompts& prompts, QObject* parent = nullptr);

    // Attaches the four commands of the Tools menu.
    void Attach(QAction* applyTemplate, QAction* saveAsTemplate, QAction* protect,
                QAction* unprotect);

    // The template replaces the editor's content as one edit: the entry
    // counts as modified and one Undo takes it back. An entry with text asks
    // first ("Replace the text of this entry with the template?"). No
    // template: nothing.
    void ApplyTemplate1Click();
    // The editor's content becomes the profile's template; the entry is not
    // stored and keeps its modified state. A failure is reported. A
    // protected entry's text becomes a template only after the user says
    // Yes to TemplateWarning.
    void SaveasTemplate1Click();
    static const QString TemplateWarning;
    // Asks for the entry's new password. Cancel changes nothing; an answer
    // that would leave the entry unencrypted at its next store is refused.
    void Protect1Click();
    // The entry is stored without a password of its own from now on.
    // Protect and Unprotect mark the entry modified; its text stays as it is.
    void Unprotect1Click();

private:
    std::string ArchiveFile() const;

    TRichEdit* editor_;
    TEntryStore& store_;
    const TCurrentProfile& current_;
    QLabel* passwordPanel_;
    TPrompts& prompts_;
};
