#include "editor/picture_insert.h"

#include "editor/editor.h"
#include "editor/picture_import.h"
#include "rtf/rtf_formats.h"
#include "rtf/rtf_picture.h"
#include "ui/commands.h"
#include "ui/prompts.h"

#include <QFileInfo>
#include <QMimeData>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTextBlock>
#include <QTextCursor>
#include <QUrl>

namespace {

// The local picture files the data names.
QStringList PictureFiles(const QMimeData* data) {
    QStringList files;
    if (!data->hasUrls()) return files;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile() && IsPictureFileName(url.toLocalFile())) files << url.toLocalFile();
    return files;
}

// The width a picture may take at the caret: the editor's text width less
// the paragraph's indents.
double AvailableWidth(TRichEdit& editor) {
    const QTextBlockFormat block = editor.textCursor().blockFormat();
    const double width = editor.viewport()->width() - 2 * editor.document()->documentMargin() -
                         block.leftMargin() - block.rightMargin() -
                         std::max(0.0, block.textIndent());
    return std::max(width - 1, 16.0);
}

} // namespace

void InsertPicture(TRichEdit& editor, rtf::Picture picture) {
    if (editor.ReadOnly()) return;
    FitPicture(picture, AvailableWidth(editor));
    QTextCursor c = editor.textCursor();
    c.insertImage(
        rtf::ToImageFormat(picture, rtf::CharAttrsOf(c.charFormat(), *editor.document())));
    editor.setTextCursor(c);
    editor.ensureCursorVisible();
}

bool MimeHasPicture(const QMimeData* data) {
    return data->hasImage() || !PictureFiles(data).isEmpty();
}

bool InsertPicturesFromMime(TRichEdit& editor, const QMimeData* data,
                            const std::function<void(const QString&)>& refused) {
    const QStringList files = PictureFiles(data);
    if (!files.isEmpty()) {
        for (const QString& file : files) {
            TPictureImport imported = PictureFromFile(file);
            if (imported.Picture)
                InsertPicture(editor, std::move(*imported.Picture));
            else if (refused)
                refused(imported.Error);
        }
        return true;
    }
    if (!data->hasImage()) return false;
    TPictureImport imported = PictureFromImage(qvariant_cast<QImage>(data->imageData()));
    if (imported.Picture)
        InsertPicture(editor, std::move(*imported.Picture));
    else if (refused)
        refused(imported.Error);
    return true;
}

TPictureCommands::TPictureCommands(TRichEdit* editor, TPrompts& prompts, QObject* parent)
    : QObject(parent), Editor(editor), prompts_(prompts),
      folder_(QStandardPaths::writableLocation(QStandardPaths::PicturesLocation)) {
    connect(Editor, &TRichEdit::PictureRefused, this,
            [this](const QString& why) { prompts_.ShowError(why); });
}

void TPictureCommands::AttachCommand(QAction* insertPicture) {
    ::AttachCommand(insertPicture, prompts_, [this] { InsertPictureFromFile(); });
}

void TPictureCommands::InsertPictureFromFile() {
    if (Editor->ReadOnly()) return;
    const QString file =
        prompts_.OpenFileName("Insert Picture", folder_, "Pictures (*.png *.jpg *.jpeg)");
    if (file.isEmpty()) return;
    folder_ = QFileInfo(file).absolutePath();
    TPictureImport imported = PictureFromFile(file);
    if (!imported.Picture) {
        prompts_.ShowError(imported.Error);
        return;
    }
    InsertPicture(*Editor, std::move(*imported.Picture));
    Editor->setFocus();
}
