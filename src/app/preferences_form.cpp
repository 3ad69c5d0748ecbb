#include "app/preferences_form.h"

#include "app/preferences_form_rules.h"
#include "editor/spell_language_box.h"
#include "platform/user_folders.h"
#include "settings/settings.h"
#include "ui/help.h"
#include "ui/password_box.h"
#include "ui/prompts.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QShowEvent>
#include <QToolButton>
#include <QVBoxLayout>

#include <filesystem>

namespace {

const char* const ProfileOnePasswordFirst =
    "The default password for Project #1 must be assigned\rbefore assigning a default "
    "password here.";
const char* const ProfileOnePasswordNeeded =
    "User/Project #1 must have a password because\ranother User/Project has a password.";

// The message texts break their line with "\r"; a message box breaks at "\n".
QString MessageLines(const char* text) {
    return QString(text).replace('\r', '\n');
}

template <class T> T* Named(T* widget, const QString& name, const QString& accessible) {
    widget->setObjectName(name);
    widget->setAccessibleName(accessible);
    return widget;
}

QLabel* Caption(const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text);
    label->setBuddy(buddy);
    return label;
}

QString Profile(int n) {
    return QString("User/Project #%1").arg(n);
}

std::vector<std::string> Strings(const QListWidget* list) {
    std::vector<std::string> strings;
    for (int i = 0; i < list->count(); ++i)
        strings.push_back(list->item(i)->text().toStdString());
    return strings;
}

} // namespace

TPreferencesFrm::TPreferencesFrm(TPrompts& prompts, int currentYear, QWidget* parent)
    : QDialog(parent), prompts_(prompts) {
    setObjectName("PreferencesFrm");
    setWindowTitle("Preferences");
    setAccessibleName("Preferences");
    BuildLayout();
    for (const std::string& year : AvailableYears(currentYear))
        SrcList->addItem(QString::fromStdString(year));
    ExcludeBtn->setEnabled(false);
    IncludeBtn->setEnabled(true);

    connect(IncludeBtn, &QPushButton::clicked, this,
            [this] { Guarded(prompts_, [this] { IncludeBtnClick(); }); });
    connect(ExcludeBtn, &QPushButton::clicked, this,
            [this] { Guarded(prompts_, [this] { ExcludeBtnClick(); }); });
    connect(BitBtn1, &QPushButton::clicked, this,
            [this] { Guarded(prompts_, [this] { BitBtn1Click(); }); });
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    connect(BitBtn3, &QPushButton::clicked, this, [] { ShowHelp(17); });
    // F1 opens the same page as the Help button, as in the main window.
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(f1, &QShortcut::activated, this, [] { ShowHelp(17); });
    connect(radios_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked) ChosenProject = id;
    });
    for (int n = 1; n <= 5; ++n)
        connect(pathBtn_[n - 1], &QToolButton::clicked, this,
                [this, n] { Guarded(prompts_, [this, n] { UserPathBtnClick(n); }); });
    for (int n = 2; n <= 5; ++n) {
        connect(on_[n - 1], &QCheckBox::toggled, this,
                [this, n] { Guarded(prompts_, [this, n] { UserCheckClick(n); }); });
        connect(password_[n - 1], &QLineEdit::textChanged, this,
                [this, n] { Guarded(prompts_, [this, n] { UserPasswordEditChange(n); }); });
    }
    focusWatch_ = connect(qApp, &QApplication::focusChanged, this, &TPreferencesFrm::FocusChanged);
}

TPreferencesFrm::~TPreferencesFrm() {
    disconnect(focusWatch_);
}

// ---- layout ----

void TPreferencesFrm::BuildLayout() {
    auto* root = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    auto* top = new QHBoxLayout;
    top->addWidget(BuildYears(), 1);
    top->addWidget(BuildStartup());
    left->addLayout(top);
    for (int n = 1; n <= 5; ++n)
        left->addWidget(BuildProfile(n));
    SpellingBox = new TSpellLanguageBox;
    left->addWidget(SpellingBox);
    root->addLayout(left, 1);

    auto* buttons = new QVBoxLayout;
    BitBtn1 = Named(new QPushButton("OK"), "BitBtn1", "OK");
    BitBtn1->setDefault(true);
    BitBtn2 = Named(new QPushButton("Cancel"), "BitBtn2", "Cancel");
    BitBtn3 = Named(new QPushButton("&Help"), "BitBtn3", "Help");
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    buttons->addWidget(BitBtn3);
    buttons->addStretch(1);
    root->addLayout(buttons);
}

QWidget* TPreferencesFrm::BuildYears() {
    auto* box = Named(new QGroupBox("Tree View Years"), "YearsGBox", "Tree View Years");
    auto* grid = new QGridLayout(box);
    SrcList = Named(new QListWidget, "SrcList", "Available:");
    DstList = Named(new QListWidget, "DstList", "Included:");
    for (QListWidget* list : {SrcList, DstList}) {
        list->setSelectionMode(QAbstractItemView::ExtendedSelection);
        list->setMinimumSize(90, 110);
    }
    IncludeBtn = Named(new QPushButton(">"), "IncludeBtn", "Include");
    ExcludeBtn = Named(new QPushButton("<"), "ExcludeBtn", "Exclude");
    IncludeBtn->setToolTip("Include the selected years");
    ExcludeBtn->setToolTip("Exclude the selected years");
    auto* middle = new QVBoxLayout;
    middle->addStretch(1);
    middle->addWidget(IncludeBtn);
    middle->addWidget(ExcludeBtn);
    middle->addStretch(1);
    grid->addWidget(Caption("Available:", SrcList), 0, 0);
    grid->addWidget(Caption("Included:", DstList), 0, 2);
    grid->addWidget(SrcList, 1, 0);
    grid->addLayout(middle, 1, 1);
    grid->addWidget(DstList, 1, 2);
    return box;
}

QWidget* TPreferencesFrm::BuildStartup() {
    auto* box = Named(new QGroupBox("Project Selected on Startup"), "StartupGBox",
                      "Project Selected on Startup");
    auto* column = new QVBoxLayout(box);
    radios_ = new QButtonGroup(this);
    radios_->setExclusive(true);
    for (int n = 1; n <= 5; ++n) {
        radio_[n - 1] =
            Named(new QRadioButton(Profile(n)), QString("Project%1RBtn").arg(n), Profile(n));
        radios_->addButton(radio_[n - 1], n);
        column->addWidget(radio_[n - 1]);
    }
    column->addStretch(1);
    radio_[0]->setChecked(true);
    return box;
}

QGroupBox* TPreferencesFrm::BuildProfile(int n) {
    const QString user = QString("User%1").arg(n);
    // Profile 1's group has its caption; the others carry their on/off check
    // box in its place.
    auto* box = Named(new QGroupBox(n == 1 ? Profile(1) : QString()), user + "GBox", Profile(n));
    group_[n - 1] = box;
    auto* grid = new QGridLayout(box);
    int row = 0;
    if (n > 1) {
        on_[n - 1] = Named(new QCheckBox(Profile(n)), user + "Check", Profile(n));
        grid->addWidget(on_[n - 1], row++, 0, 1, 6);
    }
    name_[n - 1] = Named(new QLineEdit, user + "NameEdit", "Name:");
    path_[n - 1] = Named(new QLineEdit, user + "PathEdit", "Data Path:");
    password_[n - 1] = Named(new QLineEdit, user + "PasswordEdit", "Default Password:");
    protect_[n - 1] = Named(new QCheckBox("Protect"), user + "ProtectCheck", "Protect");
    grid->addWidget(Caption("Name:", name_[n - 1]), row, 0);
    grid->addWidget(name_[n - 1], row, 1);
    grid->addWidget(Caption("Data Path:", path_[n - 1]), row, 2);
    grid->addWidget(path_[n - 1], row, 3, 1, 2);
    pathBtn_[n - 1] = Named(new QToolButton, user + "PathBtn", "Choose the data folder");
    pathBtn_[n - 1]->setText("...");
    pathBtn_[n - 1]->setToolTip("Choose the data folder");
    grid->addWidget(pathBtn_[n - 1], row, 5);
    ++row;
    grid->addWidget(BuildFolderLabel(n), row++, 3, 1, 3);
    grid->addWidget(Caption("Default Password:", password_[n - 1]), row, 0);
    grid->addWidget(WithShowToggle(password_[n - 1]), row, 1); // masked, with "Show"
    grid->addWidget(protect_[n - 1], row, 2);
    if (n > 1) {
        ro_[n - 1] = Named(new QCheckBox("Readonly"), user + "ROCheck", "Readonly");
        grid->addWidget(ro_[n - 1], row, 3);
    }
    ++row;
    cipher_[n - 1] = Named(new QComboBox, user + "CipherCombo", "Protection:");
    cipher_[n - 1]->insertItem(CipherAesItem, "AES-256 (7-Zip, WinZip, PeaZip open it)");
    cipher_[n - 1]->insertItem(CipherTraditionalItem,
                               "Traditional (every zip program opens it; weak)");
    grid->addWidget(Caption("Protection:", cipher_[n - 1]), row, 0);
    grid->addWidget(cipher_[n - 1], row, 1, 1, 5);
    if (n > 1) {
        for (QWidget* w : ProfileFields(n))
            w->setEnabled(false);
        pathBtn_[n - 1]->setEnabled(false);
        cipher_[n - 1]->setEnabled(false);
    }
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 2);
    return box;
}

QLabel* TPreferencesFrm::BuildFolderLabel(int n) {
    auto* label = Named(new QLabel, QString("User%1FolderLabel").arg(n), "Folder");
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // A long folder is cut by the layout, not widening the dialog; the tip
    // holds it whole.
    label->setMinimumWidth(1);
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    const auto show = [label](const QString& path) {
        const QString folder = QString::fromStdString(ResolvedFolderText(path.toStdString()));
        label->setText("Folder: " + folder);
        label->setToolTip(folder);
        label->setAccessibleDescription(folder);
    };
    connect(path_[n - 1], &QLineEdit::textChanged, label, show);
    show(QString());
    folder_[n - 1] = label;
    return label;
}

std::array<QWidget*, 5> TPreferencesFrm::ProfileFields(int n) const {
    return {name_[n - 1], path_[n - 1], ro_[n - 1], password_[n - 1], protect_[n - 1]};
}

// ---- showing ----

void TPreferencesFrm::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (!shown_ && !e->spontaneous()) {
        shown_ = true;
        Guarded(prompts_, [this] { FormShow(); });
    }
}

void TPreferencesFrm::FormShow() {
    for (int n = 1; n <= 5; ++n) {
        group_[n - 1]->setVisible(true);
        radio_[n - 1]->setEnabled(true);
    }
    std::vector<std::string> available = Strings(SrcList);
    RemoveIncludedYears(available, Strings(DstList));
    SrcList->clear();
    for (const std::string& year : available)
        SrcList->addItem(QString::fromStdString(year));
    // The buttons follow the lists from the start, so that years that came
    // filled in can be excluded at once.
    SetButtons();
}

void TPreferencesFrm::MarkStartProject(int number) {
    if (number >= 1 && number <= 5) radio_[number - 1]->setChecked(true);
}

void TPreferencesFrm::UserCheckClick(int n) {
    const bool on = on_[n - 1]->isChecked();
    for (QWidget* w : ProfileFields(n))
        w->setEnabled(on);
    pathBtn_[n - 1]->setEnabled(on);
    cipher_[n - 1]->setEnabled(on);
    if (!on) return;
    // A profile switched on has a name and a folder of its own at once.
    if (TrimBlanks(name_[n - 1]->text().toStdString()).empty())
        name_[n - 1]->setText(QString::fromStdString(NameText(DefaultProfileName(n))));
    if (TrimBlanks(path_[n - 1]->text().toStdString()).empty())
        path_[n - 1]->setText(QString::fromStdString(PathText(DefaultProfilePath(n))));
}

void TPreferencesFrm::UserPathBtnClick(int n) {
    const std::string program = ProgramFolder();
    const std::string folder =
        CanonicalDataFolder(PathBytes(path_[n - 1]->text().toStdString()), program);
    const QString start =
        QString::fromStdString(std::filesystem::is_directory(folder) ? folder : program);
    const QString chosen = prompts_.FolderName(QString("Data folder of %1").arg(Profile(n)), start);
    if (chosen.isEmpty()) return;
    path_[n - 1]->setText(QString::fromStdString(
        PathText(DataPathForFolder(PathBytes(chosen.toStdString()), program))));
    path_[n - 1]->setFocus();
}

// ---- year lists ----

void TPreferencesFrm::IncludeBtnClick() {
    const int first = GetFirstSelection(SrcList);
    MoveSelected(SrcList, DstList);
    SetItem(SrcList, first);
}

void TPreferencesFrm::ExcludeBtnClick() {
    const int first = GetFirstSelection(DstList);
    MoveSelected(DstList, SrcList);
    SetItem(DstList, first);
}

void TPreferencesFrm::MoveSelected(QListWidget* list, QListWidget* dest) {
    for (int i = list->count() - 1; i >= 0; --i) {
        if (!list->item(i)->isSelected()) continue;
        QListWidgetItem* item = list->takeItem(i);
        item->setSelected(false);
        if (dest == SrcList) {
            std::vector<std::string> sorted = Strings(dest);
            dest->insertItem(SortedInsertPosition(sorted, item->text().toStdString()), item);
        } else {
            dest->addItem(item);
        }
    }
    dest->clearSelection();
}

void TPreferencesFrm::SetButtons() {
    IncludeBtn->setEnabled(SrcList->count() > 0);
    ExcludeBtn->setEnabled(DstList->count() > 0);
}

int TPreferencesFrm::GetFirstSelection(QListWidget* list) const {
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->isSelected()) return i;
    return -1;
}

void TPreferencesFrm::SetItem(QListWidget* list, int index) {
    list->setFocus();
    const int at = ClampSelection(index, list->count());
    if (at >= 0) list->setCurrentRow(at, QItemSelectionModel::ClearAndSelect);
    SetButtons();
}

// ---- passwords ----

void TPreferencesFrm::UserPasswordEditChange(int n) {
    // Emptying a box needs no check (and the box emptied below stays quiet).
    if (password_[n - 1]->text().isEmpty()) return;
    if (!ProfileOnePasswordMissing(password_[0]->text().toStdString())) return;
    prompts_.ShowMessage(MessageLines(ProfileOnePasswordFirst));
    password_[n - 1]->clear();
}

bool TPreferencesFrm::User1PasswordEditExit() {
    std::vector<std::string> others;
    for (int n = 2; n <= 5; ++n)
        others.push_back(password_[n - 1]->text().toStdString());
    if (!ProfileOneNeedsPassword(password_[0]->text().toStdString(), others)) return true;
    prompts_.ShowMessage(MessageLines(ProfileOnePasswordNeeded));
    password_[0]->setFocus();
    return false;
}

void TPreferencesFrm::FocusChanged(QWidget* old, QWidget* now) {
    // Only a move to another control of this dialog counts: not the window
    // losing the focus (a message box), and not the buttons, which check for
    // themselves (OK) or discard everything (Cancel) or change nothing (Help).
    if (old != password_[0] || !now || now->window() != this) return;
    if (now == BitBtn1 || now == BitBtn2 || now == BitBtn3) return;
    Guarded(prompts_, [this] { User1PasswordEditExit(); });
}

void TPreferencesFrm::BitBtn1Click() {
    // The focus need not have left profile 1's password (Enter takes the
    // default button from inside it): the check runs here as well.
    if (!User1PasswordEditExit()) return;
    if (!CheckDataPaths()) return;
    for (QLineEdit* path : path_)
        path->setText(QString::fromStdString(WithFinalSeparator(path->text().toStdString())));
    if (OnAccepting && !OnAccepting()) return;
    accept();
}

bool TPreferencesFrm::CheckDataPaths() {
    std::vector<std::string> paths;
    std::vector<bool> on;
    for (int n = 1; n <= 5; ++n) {
        paths.push_back(PathBytes(path_[n - 1]->text().toStdString()));
        on.push_back(n == 1 || on_[n - 1]->isChecked());
        // An empty path would make the program's own folder a diary's folder.
        if (on.back() && TrimBlanks(paths.back()).empty()) {
            prompts_.ShowMessage(QString("%1 needs a data path.").arg(Profile(n)));
            path_[n - 1]->setFocus();
            return false;
        }
    }
    const auto [shared, earlier] = SharedDataFolder(paths, on, ProgramFolder());
    if (shared == 0) return true;
    prompts_.ShowMessage(
        QString("%1 uses the same data folder as #%2.").arg(Profile(shared)).arg(earlier));
    path_[shared - 1]->setFocus();
    return false;
}
