#include "ui/prompts.h"

#include "platform/codepage.h"
#include "ui/help.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>

#include <algorithm>
#include <vector>

namespace {
// Every message box of the program is captioned with its name, whatever
// the application object is called (a test program) or the message's
// source would caption it (the engine's "Zip Error").
QString Title() {
    return QStringLiteral("Dayscrib");
}

// Message texts carry entry names, file names and engine messages: plain
// text, never markup.
void Plain(QMessageBox& box) {
    box.setTextFormat(Qt::PlainText);
}

// Qt's own (non-native) font and colour dialogs end in a button box; a Help
// button there opens the help page of `context`.
void AddHelpButton(QDialog& dlg, int context) {
    if (context == 0) return;
    auto* box = dlg.findChild<QDialogButtonBox*>();
    if (!box) return;
    QPushButton* help = box->addButton(QDialogButtonBox::Help);
    help->setAccessibleName("Help");
    QObject::connect(box, &QDialogButtonBox::helpRequested, &dlg, [context] { ShowHelp(context); });
}
} // namespace

bool TPrompts::PrintTo(QPrinter& printer, const QString& /*pdfFile*/) {
    return Print(printer);
}

QString MessageText(const std::string& bytes) {
    return QString::fromStdString(Utf8OrAnsi(bytes));
}

void Guarded(TPrompts& prompts, const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        prompts.ShowError(MessageText(e.what()));
    } catch (...) {
        prompts.ShowError("Unknown error.");
    }
}

QString TPrompts::InputBox(const QString& caption, const QString& prompt,
                           const QString& defaultText, bool masked) {
    QString value = defaultText;
    if (!InputQuery(caption, prompt, value, masked)) return defaultText;
    return value;
}

int TPrompts::Choose(const QString& caption, const QString& text, const QStringList& buttons) {
    switch (Confirm(caption, text)) {
    case TConfirmAnswer::Yes:
        return 0;
    case TConfirmAnswer::No:
        return buttons.size() > 2 ? 1 : -1;
    default:
        return buttons.size() > 1 ? static_cast<int>(buttons.size()) - 1 : -1;
    }
}

// ---- Qt's dialogs ----

bool TQtPrompts::InputQuery(const QString& caption, const QString& prompt, QString& value,
                            bool masked) {
    QInputDialog dlg(Parent());
    dlg.setWindowTitle(caption);
    dlg.setLabelText(prompt);
    dlg.setInputMode(QInputDialog::TextInput);
    dlg.setTextEchoMode(masked ? QLineEdit::Password : QLineEdit::Normal);
    dlg.setTextValue(value);
    for (QLabel* label : dlg.findChildren<QLabel*>())
        label->setTextFormat(Qt::PlainText); // the prompt may name an entry or a file
    if (dlg.exec() != QDialog::Accepted) return false;
    value = dlg.textValue();
    // A password is not left in the dialog's field while the answer is used.
    if (masked) dlg.setTextValue(QString());
    return true;
}

void TQtPrompts::ShowMessage(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, Title(), text, QMessageBox::Ok, Parent());
    Plain(box);
    box.exec();
}

void TQtPrompts::ShowError(const QString& text) {
    QMessageBox box(QMessageBox::Critical, Title(), text, QMessageBox::Ok, Parent());
    Plain(box);
    box.exec();
}

TConfirmAnswer TQtPrompts::Confirm(const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::Question, caption, text,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, Parent());
    Plain(box);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return TConfirmAnswer::Yes;
    case QMessageBox::No:
        return TConfirmAnswer::No;
    default:
        return TConfirmAnswer::Cancel;
    }
}

int TQtPrompts::Choose(const QString& caption, const QString& text, const QStringList& buttons) {
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::NoButton, Parent());
    Plain(box);
    std::vector<QAbstractButton*> added;
    for (qsizetype i = 0; i < buttons.size(); ++i) {
        const bool last = i + 1 == buttons.size();
        QPushButton* b =
            box.addButton(buttons[i], last ? QMessageBox::RejectRole : QMessageBox::AcceptRole);
        b->setAccessibleName(QString(buttons[i]).remove('&'));
        added.push_back(b);
    }
    if (!added.empty()) {
        box.setDefaultButton(static_cast<QPushButton*>(added.front()));
        box.setEscapeButton(added.back());
    }
    box.exec();
    const auto it = std::find(added.begin(), added.end(), box.clickedButton());
    return it == added.end() ? -1 : static_cast<int>(it - added.begin());
}

bool TQtPrompts::ChooseFont(QFont& font, QColor& color, int helpContext) {
    QFontDialog dlg(font, Parent());
    dlg.setOption(QFontDialog::DontUseNativeDialog);
    // Qt's font dialog has the underline and strike-out effects; the colour
    // effect is a button of its own beside OK and Cancel.
    QColor chosen = color;
    if (auto* buttons = dlg.findChild<QDialogButtonBox*>()) {
        QPushButton* colorButton = buttons->addButton("Co&lor...", QDialogButtonBox::ActionRole);
        colorButton->setObjectName("ColorButton");
        QObject::connect(colorButton, &QPushButton::clicked, &dlg, [&dlg, &chosen] {
            QColorDialog pick(chosen, &dlg);
            pick.setOption(QColorDialog::DontUseNativeDialog);
            if (pick.exec() == QDialog::Accepted && pick.selectedColor().isValid())
                chosen = pick.selectedColor();
        });
    }
    AddHelpButton(dlg, helpContext);
    if (dlg.exec() != QDialog::Accepted) return false;
    font = dlg.selectedFont();
    color = chosen;
    return true;
}

bool TQtPrompts::ChooseColor(QColor& color, int helpContext) {
    QColorDialog dlg(color, Parent());
    dlg.setOption(QColorDialog::DontUseNativeDialog);
    AddHelpButton(dlg, helpContext);
    if (dlg.exec() != QDialog::Accepted || !dlg.selectedColor().isValid()) return false;
    color = dlg.selectedColor();
    return true;
}

QString TQtPrompts::SaveFileName(const QString& caption, const QString& folder,
                                 const QString& filter) {
    // Every caller asks "OK to overwrite" itself, once: the dialog asks nothing.
    return QFileDialog::getSaveFileName(Parent(), caption, folder, filter, nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

QString TQtPrompts::OpenFileName(const QString& caption, const QString& folder,
                                 const QString& filter) {
    return QFileDialog::getOpenFileName(Parent(), caption, folder, filter);
}

QString TQtPrompts::FolderName(const QString& caption, const QString& folder) {
    return QFileDialog::getExistingDirectory(Parent(), caption, folder);
}

bool TQtPrompts::Print(QPrinter& printer) {
    QPrintDialog dlg(&printer, Parent());
    return dlg.exec() == QDialog::Accepted;
}

bool TQtPrompts::PrintTo(QPrinter& printer, const QString& pdfFile) {
    // The dialog offers the printer's file name for printing to a file; naming
    // one makes the printer a PDF printer, which the first real printer the
    // system has replaces again (the name stays for the file choice).
    printer.setOutputFileName(pdfFile);
    if (!QPrinterInfo::availablePrinterNames().isEmpty())
        printer.setOutputFormat(QPrinter::NativeFormat);
    return Print(printer);
}

// ---- scripted answers ----

QStringList TScriptedPrompts::Messages() const {
    QStringList texts;
    for (const TAsked& a : Asked)
        if (a.Kind == TKind::Message || a.Kind == TKind::Error) texts << a.Text;
    return texts;
}

int TScriptedPrompts::Count(TKind kind) const {
    int n = 0;
    for (const TAsked& a : Asked)
        n += a.Kind == kind;
    return n;
}

bool TScriptedPrompts::InputQuery(const QString& caption, const QString& prompt, QString& value,
                                  bool masked) {
    Asked.push_back({TKind::Input, caption, prompt, masked});
    if (WhileAsking) WhileAsking();
    if (Inputs.empty()) return false;
    const std::optional<QString> answer = Inputs.front();
    Inputs.pop_front();
    if (!answer) return false;
    value = *answer;
    return true;
}

void TScriptedPrompts::ShowMessage(const QString& text) {
    Asked.push_back({TKind::Message, QString(), text});
}

void TScriptedPrompts::ShowError(const QString& text) {
    Asked.push_back({TKind::Error, QString(), text});
}

TConfirmAnswer TScriptedPrompts::Confirm(const QString& caption, const QString& text) {
    Asked.push_back({TKind::Confirm, caption, text});
    if (Confirms.empty()) return TConfirmAnswer::Cancel;
    const TConfirmAnswer a = Confirms.front();
    Confirms.pop_front();
    return a;
}

int TScriptedPrompts::Choose(const QString& caption, const QString& text,
                             const QStringList& buttons) {
    Asked.push_back({TKind::Choice, caption, text + "\n[" + buttons.join("|") + "]"});
    if (Choices.empty()) return -1;
    const int a = Choices.front();
    Choices.pop_front();
    return a;
}

bool TScriptedPrompts::ChooseFont(QFont& font, QColor& color, int /*helpContext*/) {
    Asked.push_back({TKind::Font, QString(), font.family()});
    (void)color;
    if (Fonts.empty()) return false;
    const std::optional<QFont> f = Fonts.front();
    Fonts.pop_front();
    if (!f) return false;
    font = *f;
    return true;
}

bool TScriptedPrompts::ChooseColor(QColor& color, int /*helpContext*/) {
    Asked.push_back({TKind::Color, QString(), color.name()});
    if (Colors.empty()) return false;
    const std::optional<QColor> c = Colors.front();
    Colors.pop_front();
    if (!c) return false;
    color = *c;
    return true;
}

QString TScriptedPrompts::SaveFileName(const QString& caption, const QString& folder,
                                       const QString& /*filter*/) {
    Asked.push_back({TKind::SaveFile, caption, folder});
    if (FileNames.empty()) return QString();
    const QString name = FileNames.front();
    FileNames.pop_front();
    return name;
}

QString TScriptedPrompts::OpenFileName(const QString& caption, const QString& folder,
                                       const QString& /*filter*/) {
    Asked.push_back({TKind::OpenFile, caption, folder});
    if (FileNames.empty()) return QString();
    const QString name = FileNames.front();
    FileNames.pop_front();
    return name;
}

QString TScriptedPrompts::FolderName(const QString& caption, const QString& folder) {
    Asked.push_back({TKind::Folder, caption, folder});
    if (FileNames.empty()) return QString();
    const QString name = FileNames.front();
    FileNames.pop_front();
    return name;
}

bool TScriptedPrompts::PrintTo(QPrinter& printer, const QString& pdfFile) {
    PrintFile = pdfFile;
    return Print(printer);
}

bool TScriptedPrompts::Print(QPrinter& /*printer*/) {
    Asked.push_back({TKind::Print, QString(), QString()});
    if (Prints.empty()) return false;
    const bool ok = Prints.front();
    Prints.pop_front();
    return ok;
}
