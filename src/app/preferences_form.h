// The Preferences dialog: the five user/project profiles, the profile chosen
// at start and the years the date tree offers. The main window fills the
// controls before showing it and reads them back after OK; the controls are
// the dialog's whole interface, and it never touches the settings file.
//
// Controls of one profile are reached by profile number (1 to 5) and carry
// the names User<N>GBox, User<N>Check, User<N>NameEdit, User<N>PathEdit,
// User<N>PasswordEdit, User<N>ProtectCheck, User<N>CipherCombo, User<N>ROCheck and
// Project<N>RBtn as object names. Profile 1 has no check box (it is always
// on) and no read-only box (it is never read-only).
#pragma once

#include <QDialog>
#include <array>
#include <functional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QToolButton;
class TPrompts;
class TSpellLanguageBox;

class TPreferencesFrm : public QDialog {
    Q_OBJECT

public:
    // `currentYear` fixes the years offered (1990 to currentYear + 10).
    TPreferencesFrm(TPrompts& prompts, int currentYear, QWidget* parent = nullptr);
    ~TPreferencesFrm() override;

    // ---- controls ----
    QListWidget* SrcList = nullptr; // "Available:", kept sorted
    QListWidget* DstList = nullptr; // "Included:", in arrival order
    QPushButton* IncludeBtn = nullptr;
    QPushButton* ExcludeBtn = nullptr;
    QPushButton* BitBtn1 = nullptr; // OK
    QPushButton* BitBtn2 = nullptr; // Cancel
    QPushButton* BitBtn3 = nullptr; // Help
    QRadioButton* ProjectRBtn(int n) const { return radio_[n - 1]; }
    QGroupBox* UserGBox(int n) const { return group_[n - 1]; }
    QCheckBox* UserCheck(int n) const { return on_[n - 1]; } // null for profile 1
    QLineEdit* UserNameEdit(int n) const { return name_[n - 1]; }
    QLineEdit* UserPathEdit(int n) const { return path_[n - 1]; }
    QLineEdit* UserPasswordEdit(int n) const { return password_[n - 1]; }
    QCheckBox* UserProtectCheck(int n) const { return protect_[n - 1]; }
    QCheckBox* UserROCheck(int n) const { return ro_[n - 1]; } // null for profile 1
    // The folder profile n's data path resolves to, kept in step with the path.
    QLabel* UserFolderLabel(int n) const { return folder_[n - 1]; }
    // The folder button beside the data path ("User<N>PathBtn").
    QToolButton* UserPathBtn(int n) const { return pathBtn_[n - 1]; }
    // "Protection:": how the profile encrypts protected entries; item
    // CipherAesItem or CipherTraditionalItem.
    QComboBox* UserCipherCombo(int n) const { return cipher_[n - 1]; }
    static constexpr int CipherAesItem = 0, CipherTraditionalItem = 1;
    // Each profile's spelling language.
    TSpellLanguageBox* SpellingBox = nullptr;

    // The profile chosen for start: the number of the checked radio button.
    int ChosenProject = 1;

    // Runs when OK is pressed, after the paths got their final "\": false
    // keeps the dialog open (the main window could not store its entry).
    std::function<bool()> OnAccepting;

    // ---- operations ----
    // Checks the radio button of `number`; numbers outside 1 to 5 check none.
    void MarkStartProject(int number);
    // Profile n's fields are enabled exactly when its check box is checked;
    // checking it fills an empty name and data path with the profile's
    // defaults ("User2", "Data\User2").
    void UserCheckClick(int n);
    // The folder button: a folder chooser; the chosen folder becomes the
    // profile's data path.
    void UserPathBtnClick(int n);
    void IncludeBtnClick();
    void ExcludeBtnClick();
    // Moves the selected items of `list` to `dest`, from the last to the
    // first; the available list sorts what it receives, the included list
    // appends.
    void MoveSelected(QListWidget* list, QListWidget* dest);
    void SetButtons();
    int GetFirstSelection(QListWidget* list) const;
    void SetItem(QListWidget* list, int index);
    // A change of the password of profile n (2 to 5).
    void UserPasswordEditChange(int n);
    // The focus leaves profile 1's password: true when it may.
    bool User1PasswordEditExit();
    // OK: the password check, the data paths' check, then "\" at the end of
    // every path, then close.
    void BitBtn1Click();
    // Profile 1 and every profile that is on need a data path, each a
    // folder of its own: false (with the message, the focus on the path)
    // when one has none or shares another's.
    bool CheckDataPaths();
    void FormShow();

protected:
    void showEvent(QShowEvent* e) override;

private:
    void BuildLayout();
    QWidget* BuildYears();
    QWidget* BuildStartup();
    QGroupBox* BuildProfile(int n);
    // The label below profile n's path that shows the folder it resolves to.
    QLabel* BuildFolderLabel(int n);
    void FocusChanged(QWidget* old, QWidget* now);
    // The fields of profile n (2 to 5) that its check box enables.
    std::array<QWidget*, 5> ProfileFields(int n) const;

    TPrompts& prompts_;
    QButtonGroup* radios_ = nullptr;
    QRadioButton* radio_[5] = {};
    QGroupBox* group_[5] = {};
    QCheckBox* on_[5] = {};
    QLineEdit* name_[5] = {};
    QLineEdit* path_[5] = {};
    QLineEdit* password_[5] = {};
    QCheckBox* protect_[5] = {};
    QCheckBox* ro_[5] = {};
    QLabel* folder_[5] = {};
    QToolButton* pathBtn_[5] = {};
    QComboBox* cipher_[5] = {};
    // The application's focus changes; cut in the destructor, before the
    // controls go (their destruction moves the focus too).
    QMetaObject::Connection focusWatch_;
    bool shown_ = false;
};
