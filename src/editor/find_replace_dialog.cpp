#include "editor/find_replace_dialog.h"

#include "ui/help.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {
constexpr int kFindHelpContext = 14;
constexpr int kReplaceHelpContext = 15;

QPushButton* Button(const QString& caption, const char* name, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}
} // namespace

TSearchDialog::TSearchDialog(TMode mode, QWidget* parent) : QDialog(parent), mode_(mode) {
    const bool replace = mode == TMode::Replace;
    setObjectName(replace ? "ReplaceDialog" : "FindDialog");
    setWindowTitle(replace ? "Replace" : "Find");
    setAccessibleName(windowTitle());
    setModal(false);

    auto* fields = new QGridLayout;
    FindEdit = new QLineEdit(this);
    FindEdit->setObjectName("FindEdit");
    auto* findLabel = new QLabel("Fi&nd what:", this);
    findLabel->setBuddy(FindEdit);
    FindEdit->setAccessibleName("Find what");
    fields->addWidget(findLabel, 0, 0);
    fields->addWidget(FindEdit, 0, 1);
    if (replace) {
        ReplaceEdit = new QLineEdit(this);
        ReplaceEdit->setObjectName("ReplaceEdit");
        auto* replaceLabel = new QLabel("Re&place with:", this);
        replaceLabel->setBuddy(ReplaceEdit);
        ReplaceEdit->setAccessibleName("Replace with");
        fields->addWidget(replaceLabel, 1, 0);
        fields->addWidget(ReplaceEdit, 1, 1);
    }

    WholeWord = new QCheckBox("Match &whole word only", this);
    WholeWord->setObjectName("WholeWord");
    MatchCase = new QCheckBox("Match &case", this);
    MatchCase->setObjectName("MatchCase");
    auto* checks = new QVBoxLayout;
    checks->addWidget(WholeWord);
    checks->addWidget(MatchCase);
    auto* options = new QHBoxLayout;
    options->addLayout(checks);
    if (!replace) {
        auto* direction = new QGroupBox("Direction", this);
        UpButton = new QRadioButton("&Up", direction);
        UpButton->setObjectName("UpButton");
        DownButton = new QRadioButton("&Down", direction);
        DownButton->setObjectName("DownButton");
        DownButton->setChecked(true);
        auto* dirLayout = new QHBoxLayout(direction);
        dirLayout->addWidget(UpButton);
        dirLayout->addWidget(DownButton);
        options->addWidget(direction);
    }

    auto* left = new QVBoxLayout;
    left->addLayout(fields);
    left->addLayout(options);
    left->addStretch(1);

    auto* buttons = new QVBoxLayout;
    FindNextButton = Button("&Find Next", "FindNextButton", this);
    FindNextButton->setDefault(true);
    buttons->addWidget(FindNextButton);
    if (replace) {
        ReplaceButton = Button("&Replace", "ReplaceButton", this);
        ReplaceAllButton = Button("Replace &All", "ReplaceAllButton", this);
        buttons->addWidget(ReplaceButton);
        buttons->addWidget(ReplaceAllButton);
    }
    CancelButton = Button("Cancel", "CancelButton", this);
    HelpButton = Button("&Help", "HelpButton", this);
    buttons->addWidget(CancelButton);
    buttons->addWidget(HelpButton);
    buttons->addStretch(1);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(buttons);

    connect(FindNextButton, &QPushButton::clicked, this, &TSearchDialog::Find);
    if (replace) {
        connect(ReplaceButton, &QPushButton::clicked, this, [this] { emit Replace(false); });
        connect(ReplaceAllButton, &QPushButton::clicked, this, [this] { emit Replace(true); });
    }
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(HelpButton, &QPushButton::clicked, this,
            [replace] { ShowHelp(replace ? kReplaceHelpContext : kFindHelpContext); });
    connect(FindEdit, &QLineEdit::textChanged, this, &TSearchDialog::UpdateButtons);
    UpdateButtons();
}

void TSearchDialog::UpdateButtons() {
    // Nothing to look for: nothing to press but Cancel and Help.
    const bool any = !FindEdit->text().isEmpty();
    FindNextButton->setEnabled(any);
    if (ReplaceButton) ReplaceButton->setEnabled(any);
    if (ReplaceAllButton) ReplaceAllButton->setEnabled(any);
}

QString TSearchDialog::FindText() const {
    return FindEdit->text();
}

QString TSearchDialog::ReplaceText() const {
    return ReplaceEdit ? ReplaceEdit->text() : QString();
}

TSearchTypes TSearchDialog::Options() const {
    TSearchTypes options;
    options.setFlag(TSearchType::stWholeWord, WholeWord->isChecked());
    options.setFlag(TSearchType::stMatchCase, MatchCase->isChecked());
    return options;
}
