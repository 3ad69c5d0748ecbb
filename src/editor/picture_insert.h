// Putting pictures into the entry: Insert > "Picture..." (a file dialog for
// PNG and JPEG), an image pasted from the clipboard, and image files dropped
// on the editor or pasted from a file manager. The picture goes in at the
// caret (a drop: where it is dropped) as one edit, shown at its own size or
// narrowed to the editor's width when it is wider.
#pragma once

#include "rtf/rtf_document.h"

#include <QObject>
#include <QString>

#include <functional>

class QAction;
class QMimeData;
class TPrompts;
class TRichEdit;

// Inserts the picture at the caret, as one step of undo; nothing when the
// editor takes no typing.
void InsertPicture(TRichEdit& editor, rtf::Picture picture);

// Whether the data holds an image or names picture files.
bool MimeHasPicture(const QMimeData* data);
// Inserts the pictures the data holds (the files it names, else its image);
// false when it holds none. A file that is no picture is reported through
// `refused` and the others still go in.
bool InsertPicturesFromMime(TRichEdit& editor, const QMimeData* data,
                            const std::function<void(const QString&)>& refused);

class TPictureCommands : public QObject {
    Q_OBJECT
public:
    TPictureCommands(TRichEdit* editor, TPrompts& prompts, QObject* parent = nullptr);

    void AttachCommand(QAction* insertPicture);
    // Insert > "Picture...": the file dialog, then the picture at the caret.
    void InsertPictureFromFile();

private:
    TRichEdit* Editor;
    TPrompts& prompts_;
    QString folder_; // where the dialog opens: the pictures folder, then the last one used
};
