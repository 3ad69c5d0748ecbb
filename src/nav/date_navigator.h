// Date navigation: the date tree, the month calendar and the profile tab set,
// kept in step with the current entry. Every change of entry or profile made
// here runs the same sequence: store the entry shown so far (and stay on it
// when that fails), then change the key, node or profile, then load the new
// entry. The window that shows the entries is reached only through
// TEntryView, so this class knows nothing of the editor or the archive.
//
// Whatever the program does to the tree runs with the tree's handlers
// detached and its painting suspended (TTreeBatch in the .cpp), so that
// filling and selecting by the program never stores, loads or fills.
#pragma once

#include "settings/settings.h"
#include "store/entry_index.h"
#include "store/entry_key.h"

#include <QDate>
#include <QObject>
#include <QStringList>
#include <functional>
#include <string>
#include <vector>

class QCalendarWidget;
class QTabBar;
class QTreeWidget;
class QTreeWidgetItem;
class TPrompts;

// What navigation needs of the window that shows the entries.
class TEntryView {
public:
    virtual ~TEntryView() = default;
    // Stores the entry shown so far when it is modified; false when storing
    // failed and the user must stay on it.
    virtual bool SaveEntry() = 0;
    // Loads the entry of the navigator's key and level.
    virtual void LoadEntry() = 0;
};

class TDateNavigator : public QObject {
    Q_OBJECT

public:
    TDateNavigator(QTreeWidget* tree, QCalendarWidget* calendar, QTabBar* tabs, TSettings& settings,
                   TCurrentProfile& current, TEntryView& view, TPrompts& prompts,
                   QObject* parent = nullptr);

    // The key of the current entry and the tree node that gives its level.
    TEntryKey Key;
    QTreeWidgetItem* CurrentNode = nullptr;
    // The level of CurrentNode (elDay when there is none).
    TEntryLevel CurrentLevel() const;
    // The member path of the current entry, e.g. "2000\3\Week3\15.rtf".
    std::string CurrentMember() const { return MemberPath(Key, CurrentLevel()); }

    // ---- date tree ----
    // Rebuilds the tree opened down to `date`; the date's day node becomes
    // CurrentNode and the key becomes that date. Neither stores nor loads.
    void BuildTreeForDate(const QDate& date);
    // The selected node changed: store, take the key from the node and its
    // ancestors, move the calendar, load.
    void TreeViewChange(QTreeWidgetItem* node);
    // A node opens: its children are made anew.
    void TreeViewExpanding(QTreeWidgetItem* node);
    void FillMonths(QTreeWidgetItem* yearNode);
    void FillWeeks(QTreeWidgetItem* monthNode, int year, int month);
    void FillDays(QTreeWidgetItem* weekNode, int year, int month, int week);
    // Selects CurrentNode without running the change handler, scrolls it
    // into view and gives the tree the focus when it is visible.
    void SelectCurrentNode();
    // Scrolls the tree so that CurrentNode's year node is at the top and
    // CurrentNode itself in view (the window runs it again once laid out).
    void ScrollToCurrentNode();
    // Calls `visit` for every node the tree holds now (placeholders left out).
    void ForEachNode(const std::function<void(QTreeWidgetItem*)>& visit) const;

    // ---- month calendar and day keys ----
    // The calendar's click handler, with the calendar's selected date.
    void MonthCalendar1Click();
    // The calendar click's sequence for `date`: the year check (its message
    // and the calendar moved back when the year is not listed), store, tree
    // rebuilt down to the day, select, load. False when it did not move.
    bool GoToDate(const QDate& date);
    // The day keys: today, and the day before or after the key's date.
    void GoToToday();
    void GoToPreviousDay();
    void GoToNextDay();
    // The date of the key (its day clamped to the month's length).
    QDate KeyDate() const;
    void MoveCalendar(int year, int month, int day);

    // ---- an entry named by its member path ----
    // Opens the entry of `member` ("2001\3\Week2\7.rtf" or without ".rtf",
    // summaries included) exactly as choosing its node in the tree would:
    // the year check, store, tree rebuilt down to that node, select, load.
    // False when the path names no entry or nothing moved.
    bool OpenMember(const std::string& member);

    // ---- tab set ----
    // One tab per profile that is on, in profile order; selects nothing.
    void FillTabs();
    // The profile number (1 to 5) a tab stands for: the one whose name it shows.
    int TabProfile(int index) const;
    // The tab set's change handler: store the open entry, make the tab's
    // profile current, load the entry of the same key from its archive.
    void TabSetChange(int index);
    // Selects the tab of profile `number` (profile 1's tab when it has
    // none) and runs the change handler.
    void SelectProfileTab(int number);
    // The tab whose profile is current (-1 before the first selection).
    int CurrentTab() const { return currentTab_; }

    // ---- on this day ----
    // Lists the entries of the key's month and day in the earlier listed
    // years; the one the user chooses is opened as the tree would open it.
    void ShowOnThisDay();

    // ---- marks ----
    // Shows in bold the calendar's days that have a day entry and the tree's
    // nodes that have an entry in the current profile's archive, read from
    // its directory alone. The main window runs it after every load and
    // store; opening a node and turning the calendar's page mark what they show.
    void RefreshMarks();
    // The entries of the current profile's archive, as last refreshed.
    const TEntryIndex& Entries() const { return index_; }

    // Runs after every change of the current entry, of the profile or of the
    // tree's nodes (the main window refreshes what depends on them).
    std::function<void()> OnNavigated;

private:
    void Connect();
    void FillTreeForDate(const QDate& date);
    void FillNode(QTreeWidgetItem* node);
    void RefindCurrentNode(QTreeWidgetItem* refilled, const QStringList& path);
    // Refills the open node of `nodePath` (texts from its year down) and
    // finds the current entry's node again below it.
    void RefillOpenNode(const QStringList& nodePath);
    // True when `year` is listed, or the user adds it when offered;
    // otherwise shows the year message and moves the calendar back to the
    // key's date. A listed year that is no integer raises the conversion
    // message.
    bool CheckYear(int year);
    void Guarded(const std::function<void()>& handler);
    // The key and level a node stands for, from its text and its ancestors'
    // texts; `key` gives the parts its level does not set. Raises the
    // conversion message for a malformed tree.
    void NodeKey(QTreeWidgetItem* node, TEntryKey& key, TEntryLevel& level) const;
    void MarkTree();
    void MarkCalendar();
    void Navigated();

    QTreeWidget* tree_;
    QCalendarWidget* calendar_;
    QTabBar* tabs_;
    TSettings& settings_;
    TCurrentProfile& current_;
    TEntryView& view_;
    TPrompts& prompts_;
    // While false, the tree's handlers ignore what the program does to it.
    bool treeChangeAttached_ = false;
    bool treeExpandingAttached_ = false;
    std::vector<int> tabProfiles_; // profile number of each tab
    int currentTab_ = -1;          // the tab whose profile is current
    TEntryIndex index_;
};
