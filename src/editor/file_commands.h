// The File menu's Save and Save As.
//
// Save stores the entry in the diary's archive (the window's SaveEntry) and
// writes no other file. Save As exports the editor's whole content as an RTF
// file, whichever filter the user picked: the file is written whole or not
// at all (a temporary file beside it, flushed, then renamed over it), and an
// existing file is touched only when the user answers Yes to "OK to
// overwrite". The export clears the modified flag, as the control does, so a
// later change of entry stores nothing unless the text is edited again.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>

class QAction;
class TPrompts;
class TRichEdit;

// What writing an export came to.
enum class TExportResult { Written, CannotCreate, WriteFailed };
// Writes `bytes` as the file `path` whole (platform/file_replace.h): on
// failure nothing is left and an existing file keeps its content.
// `privateFile`: it holds a protected entry's text, and is its owner's alone
// (0600) whatever an old file's mode was.
TExportResult WriteFileWhole(const QString& path, const QByteArray& bytes,
                             bool privateFile = false);

class TFileCommands : public QObject {
    Q_OBJECT
public:
    // `saveEntry` stores the open entry (false when that failed);
    // `saveFolder` is where the Save As dialog starts, read at each use: it
    // is held by reference and must outlive the commands (a temporary would
    // be gone by the first Save As, so one is refused).
    TFileCommands(TRichEdit* editor, TPrompts& prompts, std::function<bool()> saveEntry,
                  std::function<void(bool)> showModifiedMark, const QString& saveFolder,
                  QObject* parent = nullptr);
    TFileCommands(TRichEdit* editor, TPrompts& prompts, std::function<bool()> saveEntry,
                  std::function<void(bool)> showModifiedMark, QString&& saveFolder,
                  QObject* parent = nullptr) = delete;

    void AttachCommands(QAction* saveCmd, QAction* saveAsCmd);

    void FileSave();
    void FileSaveAs();
    // Whether the open entry is protected (stored with a password): its
    // Save As file is then its owner's alone, and the user is told so.
    void SetProtectedQuery(std::function<bool()> isProtected) {
        isProtected_ = std::move(isProtected);
    }

    // The save dialog's filter: rich text, then text (which still gets RTF).
    static const QString Filter;

private:
    TRichEdit* Editor;
    TPrompts& prompts_;
    std::function<bool()> saveEntry_;
    std::function<void(bool)> showModifiedMark_;
    const QString& saveFolder_;
    std::function<bool()> isProtected_;
};
