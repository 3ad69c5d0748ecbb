#include "editor/file_commands.h"

#include "editor/editor.h"
#include "ui/commands.h"
#include "ui/prompts.h"

#include <QFileInfo>
#include <QSaveFile>

// Both cases of the extension, so that "entry.rtf" shows beside "ENTRY.RTF"
// on a file system that tells them apart.
const QString TFileCommands::Filter =
    QStringLiteral("Rich Text Files (*.RTF *.rtf);;Text Files (*.TXT *.txt)");

TExportResult WriteFileWhole(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    // Unbuffered, so a failing write is seen here: a buffered one fails only
    // while the file is being committed, where the failure goes unnoticed and
    // a cut-off file would replace the old one.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return TExportResult::CannotCreate;
    if (file.write(bytes) != bytes.size() || file.error() != QFileDevice::NoError) {
        file.cancelWriting();
        return TExportResult::WriteFailed;
    }
    // commit() flushes the temporary file to disk and renames it into place.
    return file.commit() ? TExportResult::Written : TExportResult::WriteFailed;
}

TFileCommands::TFileCommands(TRichEdit* editor, TPrompts& prompts, std::function<bool()> saveEntry,
                             std::function<void(bool)> showModifiedMark, const QString& saveFolder,
                             QObject* parent)
    : QObject(parent), Editor(editor), prompts_(prompts), saveEntry_(std::move(saveEntry)),
      showModifiedMark_(std::move(showModifiedMark)), saveFolder_(saveFolder) {}

void TFileCommands::AttachCommands(QAction* saveCmd, QAction* saveAsCmd) {
    AttachCommand(saveCmd, prompts_, [this] { FileSave(); });
    AttachCommand(saveAsCmd, prompts_, [this] { FileSaveAs(); });
}

void TFileCommands::FileSave() {
    // A store that failed keeps the entry modified, and the mark says so.
    if (saveEntry_()) showModifiedMark_(false);
}

void TFileCommands::FileSaveAs() {
    const QString name = prompts_.SaveFileName("Save As", saveFolder_, Filter);
    if (name.isEmpty()) return;
    if (QFileInfo::exists(name) &&
        prompts_.Confirm("Confirm", QString("OK to overwrite %1").arg(name)) != TConfirmAnswer::Yes)
        return;
    switch (WriteFileWhole(name, Editor->SaveToStream())) {
    case TExportResult::CannotCreate:
        prompts_.ShowError(QString("Cannot create file %1").arg(name));
        return;
    case TExportResult::WriteFailed:
        prompts_.ShowError("Failed to Save Stream");
        return;
    case TExportResult::Written:
        break;
    }
    Editor->SetModified(false);
    showModifiedMark_(false);
}
