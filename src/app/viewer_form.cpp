#include "app/viewer_form.h"

#include "app/viewer_form_files.h"
#include "ui/prompts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QVBoxLayout>

TViewerFrm::TViewerFrm(QWidget* parent) : QDialog(parent) {
    setObjectName("ViewerFrm");
    resize(358, 375);

    ViewerMemo = new QPlainTextEdit(this);
    ViewerMemo->setObjectName("ViewerMemo");
    ViewerMemo->setReadOnly(true);
    ViewerMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ViewerMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ViewerMemo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // Read-only text is still reached and scrolled with the keyboard.
    ViewerMemo->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);

    auto* bottom = new QWidget(this);
    bottom->setObjectName("Panel1");
    auto* row = new QHBoxLayout(bottom);
    row->addStretch(1);
    BitBtn1 = new QPushButton("Close", bottom);
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setAccessibleName("Close");
    BitBtn1->setDefault(true);
    row->addWidget(BitBtn1);
    row->addStretch(1);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(ViewerMemo, 1);
    column->addWidget(bottom);
}

void TViewerFrm::showEvent(QShowEvent* e) {
    if (!shown_ && !e->spontaneous()) {
        shown_ = true;
        FormShow();
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            move(screen->geometry().center() - rect().center());
    }
    QDialog::showEvent(e);
}

void TViewerFrm::FormShow() {
    setWindowTitle(ViewerTitle);
    setAccessibleName(ViewerTitle);
    ViewerMemo->setAccessibleName(ViewerTitle);
    const std::string path = FindProgramFile(ViewerFile.toStdString(),
                                             QCoreApplication::applicationDirPath().toStdString(),
                                             QDir::currentPath().toStdString());
    QFile file(QString::fromStdString(path));
    if (path.empty() || !file.open(QIODevice::ReadOnly)) {
        ViewerMemo->setPlainText("Unable to load " + ViewerFile);
        return;
    }
    QStringList lines;
    for (const std::string& line : TextLines(file.readAll().toStdString()))
        lines << MessageText(line); // UTF-8, or ANSI as the file was written elsewhere
    ViewerMemo->setPlainText(lines.join('\n'));
}
