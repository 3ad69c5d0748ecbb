// The main window: it owns the settings, the current profile, the key of the
// current entry and every control, and runs the program's sequences
// (create, show, close, destroy; save first, then change, then load). The
// rules themselves live in widget-free files (settings, entry names, week
// arithmetic); this class wires them to the controls.
//
// The window is split over several files: main_form_layout.cpp builds the
// controls, menus and tool bar; main_form_view.cpp holds the View menu and
// the status bar marks; main_form.cpp the create/show/close/destroy
// sequences and the login; main_form_entry.cpp the steps that join the
// entry store, the date tree and the formatting tool bar.
#pragma once

#include "editor/ruler.h"
#include "nav/date_navigator.h"
#include "settings/settings.h"
#include "store/entry_key.h"
#include "store/entry_store.h"
#include "store/recovery_file.h"

#include <QDate>
#include <QMainWindow>
#include <QStringList>
#include <exception>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QActionGroup;
class QCalendarWidget;
class QComboBox;
class QFrame;
class QLabel;
class QMenu;
class QSpinBox;
class QSplitter;
class QTabBar;
class QToolBar;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class TEditCommands;
class TEntryPrinter;
class TFileCommands;
class TFindReplace;
class TFormatBar;
class TPrompts;
class TRecoveryKeeper;
class TRichEdit;
class TStatusHints;
class TSpelling;
class TSplashFrm;
class TWordCount;

class TMainForm : public QMainWindow, public TEntryView {
    Q_OBJECT

public:
    // Builds the window and runs FormCreate. `prompts` answers every modal
    // question and must outlive the window.
    explicit TMainForm(TPrompts& prompts, QWidget* parent = nullptr);
    // Runs FormDestroy (the settings are written) unless it ran already.
    ~TMainForm() override;

    // False when the login was refused: the window must not be shown, and
    // the program ends (destroying the window still writes the settings).
    bool LoginPassed() const { return loginPassed_; }
    // The tries the login gives before the program ends.
    static constexpr int LoginAttempts = 3;

    // ---- the sequences ----
    void FormCreate();
    void FormShow();
    // True when the window may close (the open entry was stored).
    bool FormClose();
    void FormDestroy();

    // ---- View menu ----
    void Calendar1Click();
    void Tabs1Click();
    void ToolBar1Click();
    void TreeView1Click();

    // ---- status bar ----
    void ShowModifiedMark(bool modified);
    void ShowReadOnlyMark(bool readOnly);
    // Every text status panel `panel` (0 to 2) can show; the panel is made
    // wide enough for the longest. A new text of a panel belongs here.
    static QStringList StatusPanelTexts(int panel);

    // ---- entries ----
    // The entry of the navigator's key and level into the editor.
    void LoadEntry() override;
    // Stores the open entry if it is modified; false when storing failed
    // and the caller must not move away from it.
    bool SaveEntry() override;

    // Runs `handler`; an exception it raises is shown in the application's
    // standard error message instead of reaching the event loop.
    void Guarded(const std::function<void()>& handler);

    // The question for the password of a protected entry's unsaved text.
    static const QString RecoveryPasswordPrompt;

    // ---- state ----
    TSettings Settings;
    TCurrentProfile Current;
    // The date tree, the calendar and the tab set; it holds the key of the
    // current entry and its node.
    std::unique_ptr<TDateNavigator> Nav;
    // Every load and store of an entry goes through this store and its
    // archive component (`Archive`).
    TEntryStore Store;
    TZipWriter& Archive() { return Store.Archive(); }
    QString SaveDialogFolder; // where the Save As dialog starts
    // Keeps the open entry's unsaved text in the recovery file.
    TRecoveryKeeper* Recovery = nullptr;

    // ---- the editing features (editor/) ----
    // The formatting tool bar, the ruler's markers and the caret panel.
    std::unique_ptr<TFormatBar> Formatting;
    std::unique_ptr<TEditCommands> EditCommands;
    std::unique_ptr<TFileCommands> FileCommands; // Save, Save As
    std::unique_ptr<TFindReplace> FindReplace;
    std::unique_ptr<TEntryPrinter> Printing;
    std::unique_ptr<TStatusHints> Hints;
    TSpelling* Spelling = nullptr;   // the underline and its menu, View > Check Spelling
    TWordCount* WordCount = nullptr; // the word count panel
    // ---- controls ----
    QToolBar* StandardToolBar = nullptr;
    QWidget* LeftPnl = nullptr;
    QCalendarWidget* MonthCalendar1 = nullptr;
    QTreeWidget* TreeView = nullptr;
    QSplitter* Splitter1 = nullptr;
    TRuler* Ruler = nullptr;
    TRichEdit* Editor = nullptr;
    QTabBar* TabSet = nullptr;
    QStatusBar* StatusBar = nullptr;
    QLabel* StatusPanel[3] = {nullptr, nullptr, nullptr};

    // tool bar, left to right
    QToolButton* SaveButton = nullptr;
    QToolButton* PrintButton = nullptr;
    QToolButton* CutButton = nullptr;
    QToolButton* CopyButton = nullptr;
    QToolButton* PasteButton = nullptr;
    QToolButton* UndoButton = nullptr;
    QComboBox* FontName = nullptr;
    QSpinBox* FontSize = nullptr; // the size box with its up-down buttons
    QFrame* ColorFramePnl = nullptr;
    QFrame* ColorPnl = nullptr;
    QToolButton* ColorButton = nullptr;
    QToolButton* BoldButton = nullptr;
    QToolButton* ItalicButton = nullptr;
    QToolButton* UnderlineButton = nullptr;
    QToolButton* LeftAlign = nullptr;
    QToolButton* CenterAlign = nullptr;
    QToolButton* RightAlign = nullptr;
    QToolButton* BulletsButton = nullptr;

    // menus and commands
    QMenu* FileMenu = nullptr;
    QMenu* EditMenu = nullptr;
    QMenu* ViewMenu = nullptr;
    QMenu* InsertMenu = nullptr;
    QMenu* ToolsMenu = nullptr;
    QMenu* HelpMenu = nullptr;
    QAction* FileSaveCmd = nullptr;
    QAction* FileSaveAsCmd = nullptr;
    QAction* ExportCmd = nullptr;
    QAction* FilePrintCmd = nullptr;
    QAction* FileExitCmd = nullptr;
    QAction* EditUndoCmd = nullptr;
    QAction* EditCutCmd = nullptr;
    QAction* EditCopyCmd = nullptr;
    QAction* EditPasteCmd = nullptr;
    QAction* Find1 = nullptr;
    QAction* Replace1 = nullptr;
    QAction* FindInFiles1 = nullptr;
    QAction* Color1 = nullptr;
    QAction* EditFontCmd = nullptr;
    QAction* Calendar1 = nullptr;
    QAction* Tabs1 = nullptr;
    QAction* ToolBar1 = nullptr;
    QAction* TreeView1 = nullptr;
    QAction* GoToday1 = nullptr;
    QAction* GoPreviousDay1 = nullptr;
    QAction* GoNextDay1 = nullptr;
    QAction* OnThisDay1 = nullptr;
    QAction* Statistics1 = nullptr;
    QAction* CheckSpelling1 = nullptr;
    QAction* InsertPicture1 = nullptr;
    QAction* Preferences1 = nullptr;
    QAction* ApplyTemplate1 = nullptr;
    QAction* SaveAsTemplate1 = nullptr;
    QAction* Protect1 = nullptr;
    QAction* Unprotect1 = nullptr;
    QAction* Contents1 = nullptr;
    QAction* LicenseAgreement1 = nullptr;
    QAction* OrderingInformation1 = nullptr;
    QAction* HelpAbout = nullptr;

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    // layout (main_form_layout.cpp)
    void BuildLayout();
    void BuildToolBar();
    void BuildMenus();
    void BuildStatusBar();
    void NameControls();
    // The features the window is made of, each attached to its controls and
    // commands (main_form_compose.cpp).
    void Compose();
    void ComposeComforts();
    QAction* Command(QMenu* menu, const QString& caption, const QString& shortcut,
                     const QString& hint, void (TMainForm::*handler)());

    // settings <-> controls (main_form_view.cpp)
    // The window's title names the open entry: "Wednesday 9 December 2026 — Dayscrib".
    void ShowEntryTitle();
    // Ctrl+Tab and Ctrl+Shift+Tab move between the panes from anywhere, the
    // editor too (where Tab types a tab).
    void AddPaneKeys();
    void ApplySettings();
    void CollectSettings();
    void UpdateLeftPane();

    // create sequence steps (main_form.cpp)
    void CreateSplash();
    void ShowSplash();
    void CloseSplash();
    bool Login();
    void RouteHints();
    void SetUpFileDialogs();
    void SetUpFormatting();
    void SetTypingFont();

    // A recovery file left by a program that did not end normally is offered
    // back: Yes opens its entry and puts the text in, marked modified.
    void OfferRecovery();
    void OfferRecoveryFile(const QString& file);
    // The file's content; a sealed file asks for its password first.
    TRecoveryOpened OpenRecoveryFile(const QString& file);

    // Storing the open entry (main_form_store.cpp): stored (or nothing to
    // store), failed (the user was told), or the user chose to stay.
    enum class TStoreOutcome { Stored, Failed, Stayed };
    TStoreOutcome StoreEntry();
    // The entry's member changed in the archive since it was loaded: the
    // user keeps their text, takes the other version, or stays.
    TStoreOutcome ResolveOtherChange(const std::string& bytes, const std::string& archive,
                                     const std::string& member);
    void EntryStored();
    // Damaged members a store carried over are named once per run.
    void ReportDamagedMembers();
    // Closing after a store failed: the user may close anyway, with the
    // text kept in the recovery file.
    bool CloseAnyway();
    std::vector<std::string> reportedDamaged_;

    // commands
    void FileExit();

    TPrompts& prompts_;
    std::unique_ptr<TSplashFrm> splash_; // during FormCreate only
    bool loginPassed_ = true;
    bool shown_ = false;
    bool destroyed_ = false;
};
