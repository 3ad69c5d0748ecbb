// The "Spelling" group of the Preferences dialog: each profile's dictionary
// language, chosen among the installed dictionaries ("System language"
// follows the system's locale). With no dictionary installed the choices
// are disabled and a line names the package to install.
#pragma once

#include <QGroupBox>

#include <array>
#include <string>

class QComboBox;
class QLabel;

class TSpellLanguageBox : public QGroupBox {
    Q_OBJECT
public:
    explicit TSpellLanguageBox(QWidget* parent = nullptr);

    // Profile n's choice (1 to 5); empty: the system's language. A language
    // without its dictionary is kept and listed as not installed.
    void SetLanguage(int n, const std::string& language);
    std::string Language(int n) const;

    QComboBox* LanguageBox(int n) const { return boxes_[static_cast<std::size_t>(n - 1)]; }
    QLabel* MissingLbl = nullptr; // the line naming the package; hidden when one is installed

private:
    std::array<QComboBox*, 5> boxes_{};
};
