// "Find in Files": searches the entries of the current profile for a word
// or phrase and lists the entries that hold it. The walk and the match are
// widget-free (find_walk.h, find_text.h); this dialog gives them their
// options, reads the members through an entry reader of its own (so the
// entry open in the main window is never disturbed), offering the profile's
// default password once per protected member, and shows the results.
//
// The search runs on the user-interface thread inside the Start button's
// handler. Between members it lets pending events through (at most every
// ProcessInterval milliseconds), so the progress bar moves and the dialog
// repaints; closing the dialog (Close, Escape, the window's close button, a
// double-click on a result) ends a running search at its next step.
#pragma once

#include "search/find_walk.h"
#include "settings/settings.h"
#include "store/entry_reader.h"

#include <QDialog>
#include <QStringList>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QCheckBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;
class TPrompts;

class TFindDlg : public QDialog {
    Q_OBJECT

public:
    // `prompts` shows the messages of a search; it must outlive the dialog.
    explicit TFindDlg(TPrompts& prompts, QWidget* parent = nullptr);
    ~TFindDlg() override;

    // ---- set by the main window before showing ----
    // The years searched: the main window's list, not owned, never changed here.
    const TYearList* YearList = nullptr;
    std::string ArchiveFile;   // the current profile's archive
    TPassword DefaultPassword; // the current profile's default password (ANSI bytes)

    // ---- its own ----
    // The result line chosen by a double-click; empty until then.
    std::string SelectedEntry;
    // Reads the members, with the default password once for a protected one.
    TEntryReader Reader;
    // Least time between two rounds of event processing during a search;
    // 0 lets events through at every step.
    int ProcessInterval = 100;

    // ---- controls ----
    QLineEdit* TextEdit = nullptr;
    QRadioButton* AllRBtn = nullptr;
    QRadioButton* RangeRBtn = nullptr;
    QLabel* StartDateLbl = nullptr;
    QDateEdit* StartDatePicker = nullptr;
    QLabel* EndDateLbl = nullptr;
    QDateEdit* EndDatePicker = nullptr;
    QCheckBox* DailyCBox = nullptr;
    QCheckBox* WeeklyCBox = nullptr;
    QCheckBox* MonthlyCBox = nullptr;
    QCheckBox* YearlyCBox = nullptr;
    QListWidget* ResultsList = nullptr;
    QProgressBar* ProgressBar = nullptr;
    QPushButton* StartBtn = nullptr;
    QPushButton* CloseBtn = nullptr;
    QPushButton* BitBtn1 = nullptr;

    // ---- handlers ----
    // The search. Errors of a damaged archive propagate (the button's
    // handler shows them); results found until then stay listed.
    void StartBtnClick();
    // Stores the selected line in SelectedEntry and closes the dialog;
    // nothing when no line is selected.
    void ResultsListDblClick();
    // Reads one member with no password, then with DefaultPassword once;
    // `bytes` shows it until the next call. False when it is missing,
    // protected by another password, or cannot be read (damaged: it is
    // named to the user when the search ends); no archive at all is no
    // member.
    bool ReadMember(const std::string& path, std::string_view& bytes);
    // The entries of the last search that could not be read, with why.
    const QStringList& Unreadable() const { return unreadable_; }

    bool Searching() const { return searching_; }
    // The result lines listed, as the walk gave them (ANSI bytes).
    const std::vector<std::string>& ResultLines() const { return lines_; }

public slots:
    // Closing ends a running search.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void UpdateRangeControls();
    void ShowProgress(int steps);
    void ReportUnreadable();

    TPrompts& prompts_;
    std::vector<std::string> lines_;
    bool searching_ = false;
    bool stop_ = false;
    bool archiveExists_ = false;
    // The candidates the archive can answer, read once per search from its
    // directory: the thousands of names tried that are no member are passed
    // over without a call into the reader (or even being made).
    std::optional<TFindCandidates> candidates_;
    int nextMember_ = -1; // the index of the member read next, when known
    QStringList unreadable_;
};

// Edit > "Find in Files...": shows the dialog modally for the given years and
// profile and returns the result line chosen by a double-click (empty when
// the dialog was closed otherwise).
std::string RunFindDlg(QWidget* parent, TPrompts& prompts, const TYearList& yearList,
                       const std::string& archiveFile, const TPassword& defaultPassword);
