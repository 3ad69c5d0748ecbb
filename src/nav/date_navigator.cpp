// The date tree (years, months, weeks and days, children made only when a
// node opens, "+" placeholders until then), the month calendar and the tab
// set of the profiles.
//
// Refilling an open node deletes its children. When CurrentNode is among
// them, the same path is made again below the fresh children and becomes
// CurrentNode, so CurrentNode never points at a deleted node.
#include "nav/date_navigator.h"

#include "nav/date_tree.h"
#include "nav/on_this_day_dialog.h"
#include "platform/codepage.h"
#include "platform/exception.h"
#include "platform/str_to_int.h"
#include "store/entry_reader.h"
#include "ui/prompts.h"

#include <QCalendarWidget>
#include <QTabBar>
#include <QTextCharFormat>
#include <QTreeWidget>

#include <map>

namespace {

const QString Placeholder = QStringLiteral("+");

// Suspends painting and detaches handlers for one change of the tree.
class TTreeBatch {
public:
    TTreeBatch(QTreeWidget* tree, bool& change, bool* expanding)
        : tree_(tree), change_(change), expanding_(expanding), oldChange_(change),
          oldExpanding_(expanding ? *expanding : false), oldUpdates_(tree->updatesEnabled()) {
        tree_->setUpdatesEnabled(false);
        change_ = false;
        if (expanding_) *expanding_ = false;
    }
    ~TTreeBatch() {
        change_ = oldChange_;
        if (expanding_) *expanding_ = oldExpanding_;
        tree_->setUpdatesEnabled(oldUpdates_);
    }
    TTreeBatch(const TTreeBatch&) = delete;
    TTreeBatch& operator=(const TTreeBatch&) = delete;

private:
    QTreeWidget* tree_;
    bool& change_;
    bool* expanding_;
    bool oldChange_, oldExpanding_, oldUpdates_;
};

QTreeWidgetItem* AddNode(QTreeWidgetItem* parent, const QString& text, bool placeholder) {
    auto* node = new QTreeWidgetItem(parent, QStringList{text});
    if (placeholder) new QTreeWidgetItem(node, QStringList{Placeholder});
    return node;
}

// The view's current row may not lie below the deleted children: the model
// forgets a current row that is a child, not one deeper down, and the view
// would later touch the deleted node. The node itself becomes current for the
// moment (the caller runs with the handlers detached).
void DeleteChildren(QTreeWidgetItem* node) {
    QTreeWidget* tree = node->treeWidget();
    if (tree)
        for (QTreeWidgetItem* n = tree->currentItem(); n; n = n->parent())
            if (n->parent() == node) {
                tree->setCurrentItem(node);
                break;
            }
    for (QTreeWidgetItem* child : node->takeChildren())
        delete child;
}

QTreeWidgetItem* ChildByText(QTreeWidgetItem* node, const QString& text) {
    if (!node) return nullptr;
    for (int i = 0; i < node->childCount(); ++i)
        if (node->child(i)->text(0) == text) return node->child(i);
    return nullptr;
}

// A node text read as an integer, as the key needs it; the platform's
// conversion message when it is none.
int NodeInt(const QString& text) {
    int value = 0;
    if (!TryStrToInt(text.toStdString(), value))
        throw Exception(NotAnIntegerMessage(text.toStdString()));
    return value;
}

std::uint16_t KeyPart(int value) {
    if (value < 0 || value > 65535)
        throw Exception("'" + std::to_string(value) + "' is out of range");
    return static_cast<std::uint16_t>(value);
}

QTreeWidgetItem* Up(QTreeWidgetItem* node, int levels) {
    for (int i = 0; i < levels && node; ++i)
        node = node->parent();
    if (!node) throw Exception("The date tree node has no parent of that level.");
    return node;
}

// The week number of a week node's text: the characters after "Week".
int WeekNumber(const QString& text) {
    return NodeInt(text.mid(4));
}

TEntryLevel LevelOf(const QTreeWidgetItem* node) {
    return EntryLevel(node->text(0).toStdString());
}

} // namespace

TDateNavigator::TDateNavigator(QTreeWidget* tree, QCalendarWidget* calendar, QTabBar* tabs,
                               TSettings& settings, TCurrentProfile& current, TEntryView& view,
                               TPrompts& prompts, QObject* parent)
    : QObject(parent), tree_(tree), calendar_(calendar), tabs_(tabs), settings_(settings),
      current_(current), view_(view), prompts_(prompts) {
    Connect();
}

void TDateNavigator::Guarded(const std::function<void()>& handler) {
    ::Guarded(prompts_, handler);
}

void TDateNavigator::Navigated() {
    if (OnNavigated) OnNavigated();
}

void TDateNavigator::Connect() {
    connect(tree_, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* node, QTreeWidgetItem*) {
                if (treeChangeAttached_ && node) Guarded([&] { TreeViewChange(node); });
            });
    connect(tree_, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* node) {
        if (treeExpandingAttached_) Guarded([&] { TreeViewExpanding(node); });
    });
    // A mouse click on a day, and Enter on the day chosen with the keys, so
    // that keyboard users reach every date too.
    connect(calendar_, &QCalendarWidget::clicked, this,
            [this](QDate) { Guarded([&] { MonthCalendar1Click(); }); });
    connect(calendar_, &QCalendarWidget::activated, this,
            [this](QDate) { Guarded([&] { MonthCalendar1Click(); }); });
    connect(calendar_, &QCalendarWidget::currentPageChanged, this,
            [this](int, int) { MarkCalendar(); });
    connect(tabs_, &QTabBar::currentChanged, this,
            [this](int index) { Guarded([&] { TabSetChange(index); }); });
}

// ---- date tree ----

TEntryLevel TDateNavigator::CurrentLevel() const {
    return CurrentNode ? LevelOf(CurrentNode) : TEntryLevel::elDay;
}

void TDateNavigator::FillMonths(QTreeWidgetItem* yearNode) {
    DeleteChildren(yearNode);
    for (const char* name : MonthNames)
        AddNode(yearNode, name, true);
}

void TDateNavigator::FillWeeks(QTreeWidgetItem* monthNode, int year, int month) {
    DeleteChildren(monthNode);
    const int weeks = WeeksInMonth(year, month);
    for (int w = 1; w <= weeks; ++w)
        AddNode(monthNode, QString("Week%1").arg(w), true);
}

void TDateNavigator::FillDays(QTreeWidgetItem* weekNode, int year, int month, int week) {
    DeleteChildren(weekNode);
    for (int d : DaysOfWeek(year, month, week))
        AddNode(weekNode, QString::number(d), false);
}

void TDateNavigator::MoveCalendar(int year, int month, int day) {
    // A day the month does not have (31 and "February") shows the month's last day.
    calendar_->setSelectedDate(QDate(year, month, ClampDay(year, month, day)));
}

void TDateNavigator::BuildTreeForDate(const QDate& date) {
    {
        TTreeBatch batch(tree_, treeChangeAttached_, &treeExpandingAttached_);
        FillTreeForDate(date);
    }
    // From the first build on, the tree's handlers are attached.
    treeChangeAttached_ = true;
    treeExpandingAttached_ = true;
}

void TDateNavigator::FillTreeForDate(const QDate& date) {
    Key = KeyForDate(Ymd(date));

    CurrentNode = nullptr;
    tree_->clear();
    for (const std::string& year : settings_.YearList.Strings())
        AddNode(tree_->invisibleRootItem(), QString::fromStdString(year), true);

    // Without the date's year in the list no node matches: nothing is
    // selected and CurrentNode stays empty.
    QTreeWidgetItem* yearNode = ChildByText(tree_->invisibleRootItem(), QString::number(Key.Year));
    if (!yearNode) return;
    FillMonths(yearNode);
    yearNode->setExpanded(true);
    QTreeWidgetItem* monthNode = ChildByText(yearNode, MonthNames[Key.Month - 1]);
    FillWeeks(monthNode, Key.Year, Key.Month);
    monthNode->setExpanded(true);
    QTreeWidgetItem* weekNode =
        ChildByText(monthNode, QString::fromStdString(WeekOfMonth(Ymd(date))));
    FillDays(weekNode, Key.Year, Key.Month, Key.Week);
    weekNode->setExpanded(true);
    CurrentNode = ChildByText(weekNode, QString::number(Key.Day));
    tree_->setCurrentItem(CurrentNode);
}

void TDateNavigator::SelectCurrentNode() {
    if (CurrentNode) {
        TTreeBatch batch(tree_, treeChangeAttached_, nullptr);
        tree_->setCurrentItem(CurrentNode);
        ScrollToCurrentNode();
    }
    if (tree_->isVisible()) tree_->setFocus();
}

void TDateNavigator::ScrollToCurrentNode() {
    if (!CurrentNode) return;
    // The year's node at the top shows where the node is; the node itself
    // must be in view even when the tree is too short for both.
    QTreeWidgetItem* year = CurrentNode;
    while (year->parent())
        year = year->parent();
    tree_->scrollToItem(year, QAbstractItemView::PositionAtTop);
    tree_->scrollToItem(CurrentNode, QAbstractItemView::EnsureVisible);
}

void TDateNavigator::ForEachNode(const std::function<void(QTreeWidgetItem*)>& visit) const {
    std::vector<QTreeWidgetItem*> stack{tree_->invisibleRootItem()};
    while (!stack.empty()) {
        QTreeWidgetItem* n = stack.back();
        stack.pop_back();
        for (int i = 0; i < n->childCount(); ++i) {
            QTreeWidgetItem* child = n->child(i);
            if (child->text(0) == Placeholder) continue;
            visit(child);
            stack.push_back(child);
        }
    }
}

void TDateNavigator::TreeViewChange(QTreeWidgetItem* node) {
    if (node == CurrentNode || node->text(0) == Placeholder) return;
    if (!view_.SaveEntry()) {
        // The open entry could not be stored: stay on it.
        TTreeBatch batch(tree_, treeChangeAttached_, nullptr);
        tree_->setCurrentItem(CurrentNode);
        return;
    }
    {
        TTreeBatch batch(tree_, treeChangeAttached_, nullptr);
        // Read the whole key first, so a malformed tree changes nothing.
        TEntryKey key = Key;
        TEntryLevel level;
        NodeKey(node, key, level);
        Key = key;
        CurrentNode = node;
        if (level != TEntryLevel::elWeek) MoveCalendar(Key.Year, Key.Month, Key.Day);
    }
    view_.LoadEntry();
    Navigated();
}

void TDateNavigator::NodeKey(QTreeWidgetItem* node, TEntryKey& key, TEntryLevel& level) const {
    level = LevelOf(node);
    switch (level) {
    case TEntryLevel::elYear:
        key.Year = KeyPart(NodeInt(node->text(0)));
        break;
    case TEntryLevel::elMonth:
        key.Year = KeyPart(NodeInt(Up(node, 1)->text(0)));
        key.Month = KeyPart(MonthNumber(node->text(0).toStdString()));
        break;
    case TEntryLevel::elWeek:
        key.Year = KeyPart(NodeInt(Up(node, 2)->text(0)));
        key.Month = KeyPart(MonthNumber(Up(node, 1)->text(0).toStdString()));
        key.Week = KeyPart(WeekNumber(node->text(0)));
        break;
    case TEntryLevel::elDay:
        key.Year = KeyPart(NodeInt(Up(node, 3)->text(0)));
        key.Month = KeyPart(MonthNumber(Up(node, 2)->text(0).toStdString()));
        key.Week = KeyPart(WeekNumber(Up(node, 1)->text(0)));
        key.Day = KeyPart(NodeInt(node->text(0)));
        break;
    }
}

void TDateNavigator::FillNode(QTreeWidgetItem* node) {
    switch (LevelOf(node)) {
    case TEntryLevel::elYear:
        FillMonths(node);
        break;
    case TEntryLevel::elMonth:
        FillWeeks(node, NodeInt(Up(node, 1)->text(0)), MonthNumber(node->text(0).toStdString()));
        break;
    case TEntryLevel::elWeek:
        FillDays(node, NodeInt(Up(node, 2)->text(0)),
                 MonthNumber(Up(node, 1)->text(0).toStdString()), WeekNumber(node->text(0)));
        break;
    case TEntryLevel::elDay:
        break; // days have no children
    }
}

void TDateNavigator::TreeViewExpanding(QTreeWidgetItem* node) {
    // Refilling deletes the node's children. When the current entry's node
    // is among them, the view (which is in the middle of opening `node`)
    // would be left holding rows that no longer exist; the refill then runs
    // right after the opening, before anything is painted or typed.
    for (QTreeWidgetItem* n = CurrentNode; n; n = n->parent())
        if (n->parent() == node) {
            QStringList nodePath;
            for (QTreeWidgetItem* p = node; p; p = p->parent())
                nodePath.prepend(p->text(0));
            QMetaObject::invokeMethod(
                this, [this, nodePath] { Guarded([&] { RefillOpenNode(nodePath); }); },
                Qt::QueuedConnection);
            return;
        }
    {
        TTreeBatch batch(tree_, treeChangeAttached_, nullptr);
        FillNode(node);
    }
    MarkTree(); // the fresh children
    Navigated();
}

void TDateNavigator::RefillOpenNode(const QStringList& nodePath) {
    QTreeWidgetItem* node = tree_->invisibleRootItem();
    for (const QString& text : nodePath)
        if (!(node = ChildByText(node, text))) return; // the tree was rebuilt meanwhile
    if (!node->isExpanded()) return;
    {
        TTreeBatch batch(tree_, treeChangeAttached_, &treeExpandingAttached_);
        // The texts from `node` down to CurrentNode, when CurrentNode lies below it.
        QStringList path;
        for (QTreeWidgetItem* n = CurrentNode; n && n != node; n = n->parent()) {
            path.prepend(n->text(0));
            if (!n->parent()) path.clear();
        }
        const bool currentBelow = CurrentNode && CurrentNode != node && !path.isEmpty();
        FillNode(node);
        if (currentBelow) RefindCurrentNode(node, path);
    }
    MarkTree();
    Navigated();
}

void TDateNavigator::RefindCurrentNode(QTreeWidgetItem* refilled, const QStringList& path) {
    QTreeWidgetItem* n = refilled;
    for (const QString& text : path) {
        QTreeWidgetItem* child = ChildByText(n, text);
        if (!child) {
            CurrentNode = nullptr;
            return;
        }
        if (child->childCount() == 1 && child->child(0)->text(0) == Placeholder &&
            &text != &path.back())
            FillNode(child);
        n = child;
    }
    CurrentNode = n;
    tree_->setCurrentItem(CurrentNode);
}

// ---- month calendar and day keys ----

QDate TDateNavigator::KeyDate() const {
    return QDate(Key.Year, Key.Month, ClampDay(Key.Year, Key.Month, Key.Day));
}

bool TDateNavigator::CheckYear(int year) {
    if (YearIncluded(settings_.YearList.Strings(), year)) return true;
    // On 2 January the diarist may still write on 31 December: the year is
    // offered rather than refused (it reaches the settings file at exit).
    if (year >= 1 && year <= 9999 &&
        prompts_.Confirm("Dayscrib",
                         QString("%1 is not in the diary's years. Add it?").arg(year)) ==
            TConfirmAnswer::Yes) {
        settings_.YearList.Add(std::to_string(year));
        return true;
    }
    prompts_.ShowMessage(
        QString("Add the year %1 in Preferences before selecting this date.").arg(year));
    MoveCalendar(Key.Year, Key.Month, Key.Day);
    return false;
}

void TDateNavigator::MonthCalendar1Click() {
    GoToDate(calendar_->selectedDate());
}

bool TDateNavigator::GoToDate(const QDate& date) {
    if (!date.isValid() || !CheckYear(date.year())) return false;
    if (!view_.SaveEntry()) {
        // The open entry could not be stored: the calendar shows its date again.
        MoveCalendar(Key.Year, Key.Month, Key.Day);
        return false;
    }
    BuildTreeForDate(date);
    MoveCalendar(Key.Year, Key.Month, Key.Day);
    SelectCurrentNode();
    view_.LoadEntry();
    Navigated();
    return true;
}

void TDateNavigator::GoToToday() {
    GoToDate(QDate::currentDate());
}

void TDateNavigator::GoToPreviousDay() {
    GoToDate(KeyDate().addDays(-1));
}

void TDateNavigator::GoToNextDay() {
    GoToDate(KeyDate().addDays(1));
}

// ---- an entry named by its member path ----

bool TDateNavigator::OpenMember(const std::string& member) {
    TEntryKey key;
    TEntryLevel level;
    if (!ParseMemberPath(member, key, level)) return false;
    if (!CheckYear(key.Year)) return false;
    if (!view_.SaveEntry()) return false;
    // The tree is built down to the first day the entry covers, then the
    // node of the entry's own level becomes current.
    BuildTreeForDate(QDate(key.Year, key.Month, key.Day));
    QTreeWidgetItem* node = CurrentNode;
    if (level != TEntryLevel::elDay) {
        const int up = level == TEntryLevel::elWeek ? 1 : level == TEntryLevel::elMonth ? 2 : 3;
        for (int i = 0; i < up && node; ++i)
            node = node->parent();
    }
    CurrentNode = node;
    if (level != TEntryLevel::elWeek) MoveCalendar(Key.Year, Key.Month, Key.Day);
    SelectCurrentNode();
    view_.LoadEntry();
    Navigated();
    return true;
}

// ---- tab set ----

void TDateNavigator::FillTabs() {
    const QSignalBlocker block(tabs_); // filling the tabs selects nothing
    while (tabs_->count() > 0)
        tabs_->removeTab(0);
    tabProfiles_.clear();
    for (int n = 1; n <= ProfileCount; ++n) {
        const TUserProject& p = settings_.Project(n);
        if (n == 1 || p.On) {
            const int index = tabs_->addTab(QString::fromStdString(AnsiOrUtf8Text(p.Name)));
            tabs_->setAccessibleTabName(index, tabs_->tabText(index));
            tabProfiles_.push_back(n);
        }
    }
    currentTab_ = -1;
    tabs_->updateGeometry();
}

int TDateNavigator::TabProfile(int index) const {
    if (index < 0 || index >= static_cast<int>(tabProfiles_.size())) return 1;
    return tabProfiles_[static_cast<std::size_t>(index)];
}

void TDateNavigator::TabSetChange(int index) {
    if (!view_.SaveEntry()) {
        // The open entry could not be stored: its profile stays current.
        const QSignalBlocker block(tabs_);
        tabs_->setCurrentIndex(currentTab_);
        return;
    }
    currentTab_ = index;
    current_ = SelectProfile(settings_, TabProfile(index));
    view_.LoadEntry();
    Navigated();
}

void TDateNavigator::SelectProfileTab(int number) {
    // A profile without a tab (it is off) falls back to profile 1.
    int index = 0;
    for (int i = 0; i < tabs_->count(); ++i)
        if (TabProfile(i) == number) index = i;
    {
        const QSignalBlocker block(tabs_);
        tabs_->setCurrentIndex(index);
    }
    TabSetChange(index);
}

// ---- marks ----

void TDateNavigator::RefreshMarks() {
    index_.Refresh(ArchivePath(current_.CurrentPath));
    MarkTree();
    MarkCalendar();
}

void TDateNavigator::MarkTree() {
    const bool updates = tree_->updatesEnabled();
    tree_->setUpdatesEnabled(false);
    const QBrush belowColor = tree_->palette().brush(QPalette::Link);
    ForEachNode([&](QTreeWidgetItem* node) {
        TEntryKey key;
        TEntryLevel level;
        bool own = false, below = false;
        try {
            NodeKey(node, key, level);
            own = index_.Has(key, level);
            below = index_.HasBelow(key, level);
        } catch (const std::exception&) {
            // A node that names no entry has no mark.
        }
        // Bold: the node's own entry. The link colour: entries below it, so
        // that a closed node shows where the diary has content.
        if (node->font(0).bold() != own) {
            QFont font = node->font(0);
            font.setBold(own);
            node->setFont(0, font);
        }
        node->setData(0, Qt::ForegroundRole, below ? QVariant(belowColor) : QVariant());
        // Neither mark is read out: say them too.
        QStringList said;
        if (own) said << QStringLiteral("has an entry");
        if (below) said << QStringLiteral("has entries below");
        node->setData(0, Qt::AccessibleDescriptionRole, said.join(", "));
    });
    tree_->setUpdatesEnabled(updates);
}

void TDateNavigator::MarkCalendar() {
    calendar_->setDateTextFormat(QDate(), QTextCharFormat()); // every mark cleared
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    // The shown month and the days of the months around it that it shows.
    const QDate first(calendar_->yearShown(), calendar_->monthShown(), 1);
    for (QDate d = first.addDays(-7); d < first.addMonths(1).addDays(14); d = d.addDays(1))
        if (index_.HasDay(d.year(), d.month(), d.day())) calendar_->setDateTextFormat(d, bold);
}

// ---- on this day ----

void TDateNavigator::ShowOnThisDay() {
    const std::string archive = ArchivePath(current_.CurrentPath);
    index_.Refresh(archive);
    // A reader of its own, so the main window's archive component and its
    // password are not disturbed; encrypted entries are not read here.
    TEntryReader reader;
    std::map<std::string, QString> problems; // the entries that could not be read
    const auto read = [&](const std::string& member) -> std::optional<std::string> {
        const TEntryReader::TRead r = reader.Read(archive, member);
        if (r.Unreadable)
            problems[member] =
                QString::fromStdString(UnreadableReason(r.TooLarge, r.Cause, r.Size));
        if (!r.Found) return std::nullopt;
        return std::string(reader.Bytes());
    };
    const QDate date = KeyDate();
    std::vector<TOnThisDayItem> items = OnThisDay(settings_.YearList.Strings(), date, index_, read);
    for (TOnThisDayItem& item : items)
        if (const auto it = problems.find(item.Member); it != problems.end())
            item.Problem = it->second;
    TOnThisDayDlg dlg(date, items, tree_->window());
    if (dlg.exec() == QDialog::Accepted && !dlg.SelectedMember.empty())
        OpenMember(dlg.SelectedMember);
}
