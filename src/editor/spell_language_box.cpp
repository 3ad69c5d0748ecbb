#include "editor/spell_language_box.h"

#include "editor/spell_dictionaries.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>

TSpellLanguageBox::TSpellLanguageBox(QWidget* parent) : QGroupBox("Spelling", parent) {
    setObjectName("SpellingGBox");
    setAccessibleName("Spelling");
    const std::vector<TDictionary> installed = InstalledDictionaries();
    auto* grid = new QGridLayout(this);
    for (int n = 1; n <= 5; ++n) {
        auto* box = new QComboBox(this);
        box->setObjectName(QString("User%1SpellLanguageBox").arg(n));
        box->setAccessibleName(QString("User/Project #%1 spelling language").arg(n));
        const std::optional<TDictionary> system = DictionaryFor(QString(), installed);
        box->addItem("System language" + (system ? " (" + system->Language + ")" : QString()),
                     QString());
        for (const TDictionary& d : installed)
            box->addItem(LanguageTitle(d.Language), d.Language);
        box->setEnabled(!installed.empty());
        auto* label = new QLabel(QString("#%1:").arg(n), this);
        label->setBuddy(box);
        const int row = (n - 1) / 3, column = (n - 1) % 3 * 2;
        grid->addWidget(label, row, column);
        grid->addWidget(box, row, column + 1);
        boxes_[static_cast<std::size_t>(n - 1)] = box;
    }
    MissingLbl = new QLabel("No spelling dictionary is installed, so spelling is off. Install the "
                            "package " +
                                DictionaryPackage(SystemLanguage()) +
                                " (or the hunspell dictionary of your language).",
                            this);
    MissingLbl->setObjectName("SpellingMissingLbl");
    MissingLbl->setWordWrap(true);
    MissingLbl->setVisible(installed.empty());
    grid->addWidget(MissingLbl, 2, 0, 1, 6);
}

void TSpellLanguageBox::SetLanguage(int n, const std::string& language) {
    QComboBox* box = LanguageBox(n);
    const QString wanted = QString::fromStdString(language);
    int index = box->findData(wanted);
    if (index < 0) {
        box->addItem(wanted + " (not installed)", wanted);
        index = box->count() - 1;
    }
    box->setCurrentIndex(index);
}

std::string TSpellLanguageBox::Language(int n) const {
    return LanguageBox(n)->currentData().toString().toStdString();
}
