#include "editor/file_commands.h"

#include "editor/editor.h"
#include "platform/file_replace.h"
#include "ui/commands.h"
#include "ui/private_file.h"
#include "ui/prompts.h"

#include <QFile>
#include <QFileInfo>

// Both cases of the extension, so that "entry.rtf" shows beside "ENTRY.RTF"
// on a file system that tells them apart.
const QString TFileCommands::Filter =
    QStringLiteral("Rich Text Files (*.RTF *.rtf);;Text Files (*.TXT *.txt)");

TExportResult WriteFileWhole(const QString& path, const QByteArray& bytes, bool privateFile) {
    const std::string file = QFile::encodeName(path).toStdString();
    const std::string_view data(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    const TReplaceResult result =
        privateFile ? ReplacePrivateFileWhole(file, data) : ReplaceFileWhole(file, data);
    if (result) return TExportResult::Written;
    return result.Step == TReplaceResult::Create ? TExportResult::CannotCreate
                                                 : TExportResult::WriteFailed;
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
    const bool privateFile = isProtected_ && isProtected_();
    switch (WriteFileWhole(name, Editor->SaveToStream(), privateFile)) {
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
    if (privateFile) prompts_.ShowMessage(PrivateFileNotice(name));
}
