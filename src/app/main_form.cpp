// The main window's life: the create sequence with the login check, the
// first show, closing and destruction. Settings are read once (FormCreate)
// and written once (FormDestroy), also after a refused login.
#include "app/main_form.h"
#include "store/protection_choice.h"

#include "app/recovery_keeper.h"

#include "app/splash_form.h"
#include "editor/edit_commands.h"
#include "editor/editor.h"
#include "editor/entry_printer.h"
#include "editor/file_commands.h"
#include "editor/find_replace.h"
#include "editor/format_bar.h"
#include "editor/status_hints.h"
#include "platform/codepage.h"
#include "platform/user_folders.h"
#include "ui/prompts.h"
#include "ui/typed_password.h"

#include <QAction>
#include <QCalendarWidget>
#include <QCloseEvent>
#include <QComboBox>
#include <QShowEvent>
#include <QTabBar>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidget>

TMainForm::TMainForm(TPrompts& prompts, QWidget* parent) : QMainWindow(parent), prompts_(prompts) {
    prompts_.SetParent(this);
    BuildLayout();
    Guarded([this] { FormCreate(); });
    splash_.reset(); // also when the creation stopped half-way
}

TMainForm::~TMainForm() {
    FormDestroy();
    if (prompts_.Parent() == this) prompts_.SetParent(nullptr);
}

void TMainForm::Guarded(const std::function<void()>& handler) {
    ::Guarded(prompts_, handler);
}

// ---- create ----

void TMainForm::FormCreate() {
    CreateSplash();
    // The month-length table is a constant of the date arithmetic; nothing to set up.
    Settings.YearList.Clear();
    LoadSettings(Settings, CurrentYear());
    SettleProtection(Settings);
    ApplySettings();
    Store.BackupCount = Settings.BackupCount;
    Store.OnBackupFailed = [this](const std::string& message) {
        prompts_.ShowMessage(MessageText(message));
    };
    ShowSplash();
    if (!Login()) {
        loginPassed_ = false;
        CloseSplash();
        return;
    }
    RouteHints();
    SetUpFileDialogs();
    SetUpFormatting();
    Nav->BuildTreeForDate(QDate::currentDate());
    SetTypingFont();
    CloseSplash();
}

bool TMainForm::Login() {
    if (Current.CurrentPassword.empty()) return true;
    if (splash_) splash_->AllowDialogsAbove(); // the prompt must not open beneath it
    // A typo costs a try, not the start: three tries, "Wrong password."
    // between them. Cancel ends at once.
    for (int attempt = 1; attempt <= LoginAttempts; ++attempt) {
        QString answer;
        if (!prompts_.InputQuery("Dayscrib Login",
                                 "Enter User/Project #1 Default Password:", answer, true))
            break;
        // Case counts. The answer is compared as the bytes a password is
        // kept in (windows-1252, or UTF-8 when it has characters
        // windows-1252 lacks).
        if (TakePassword(answer) == Current.CurrentPassword) return true;
        if (attempt < LoginAttempts) prompts_.ShowMessage("Wrong password.");
    }
    prompts_.ShowMessage("Invalid User/Project #1 Default Password");
    return false;
}

// The splash window is created first, shown (with its wait) once the
// settings are read, and closed when the window's creation ends, after the
// login prompt.
void TMainForm::CreateSplash() {
    splash_ = std::make_unique<TSplashFrm>();
}
void TMainForm::ShowSplash() {
    splash_->ShowSplash();
}
void TMainForm::CloseSplash() {
    splash_.reset();
}

void TMainForm::RouteHints() {
    Hints->Route();
}

void TMainForm::SetUpFileDialogs() {
    SaveDialogFolder = QString::fromStdString(DocumentsFolder());
}

void TMainForm::SetUpFormatting() {
    Formatting->FillFontList();
    Formatting->BuildRulerTicks();
    Formatting->ApplyEditMargins();
    Formatting->SelectionChange();
}

void TMainForm::SetTypingFont() {
    // Nothing is selected yet, so the target of formatting is the editor's
    // default character attributes.
    Editor->DefAttributes().SetName("MS Sans Serif");
    Editor->DefAttributes().SetSize(8);
}

// ---- show ----

void TMainForm::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    if (!shown_ && !e->spontaneous()) {
        shown_ = true;
        Guarded([this] { FormShow(); });
    }
}

void TMainForm::FormShow() {
    Formatting->ShowCaretPosition();
    ShowModifiedMark(Editor->Modified());
    MonthCalendar1->setSelectedDate(QDate::currentDate());
    // Selecting the start profile's tab loads today's entry, once.
    Nav->SelectProfileTab(Settings.StartProject);
    Nav->SelectCurrentNode();
    // The tree's final height is known once the window is laid out: its year
    // is brought into view again then.
    QTimer::singleShot(0, this, [this] { Nav->ScrollToCurrentNode(); });
    FindInFiles1->setEnabled(true);
    OfferRecovery();
}

// ---- close and destroy ----

void TMainForm::closeEvent(QCloseEvent* e) {
    bool mayClose = false;
    Guarded([&] { mayClose = FormClose(); });
    if (mayClose)
        e->accept();
    else
        e->ignore();
}

bool TMainForm::FormClose() {
    const TStoreOutcome outcome = StoreEntry();
    if (outcome == TStoreOutcome::Stayed) return false;
    if (outcome == TStoreOutcome::Failed) return CloseAnyway(); // the recovery file stays
    Recovery->Discard();                                        // nothing unsaved is left
    return true;
}

void TMainForm::FormDestroy() {
    if (destroyed_) return;
    destroyed_ = true;
    CollectSettings();
    Guarded([this] { SaveSettings(Settings); });
}

// ---- commands ----

void TMainForm::FileExit() {
    close();
}
