// The date tree of the main window: years, months, weeks and days, with the
// children of a node made only when it opens ("+" placeholders until then).
// Whatever the program does to the tree runs with the tree's handlers
// detached and the control's painting suspended, so that filling and
// selecting by the program never stores, loads or fills on its own.
//
// Refilling an open node deletes its children. When CurrentNode is among
// them, the same path is made again below the fresh children and becomes
// CurrentNode, so CurrentNode never points at a deleted node.
#include "app/main_form.h"

#include "nav/date_tree.h"
#include "platform/exception.h"

#include <QCalendarWidget>
#include <QTreeWidget>

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

void DeleteChildren(QTreeWidgetItem* node) {
    for (QTreeWidgetItem* child : node->takeChildren())
        delete child;
}

QTreeWidgetItem* ChildByText(QTreeWidgetItem* node, const QString& text) {
    for (int i = 0; i < node->childCount(); ++i)
        if (node->child(i)->text(0) == text) return node->child(i);
    return nullptr;
}

// A node text read as an integer, as the key needs it; the platform's
// conversion message when it is none.
int NodeInt(const QString& text) {
    int value = 0;
    if (!TryStrToInt(text.toStdString(), value))
        throw Exception("'" + text.toStdString() + "' is not a valid integer value");
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

void TMainForm::ConnectTree() {
    connect(TreeView, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* node, QTreeWidgetItem*) {
                if (treeChangeAttached_ && node) Guarded([&] { TreeViewChange(node); });
            });
    connect(TreeView, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* node) {
        if (treeExpandingAttached_) Guarded([&] { TreeViewExpanding(node); });
    });
}

TEntryLevel TMainForm::CurrentLevel() const {
    return CurrentNode ? LevelOf(CurrentNode) : TEntryLevel::elDay;
}

void TMainForm::FillMonths(QTreeWidgetItem* yearNode) {
    DeleteChildren(yearNode);
    for (const char* name : MonthNames)
        AddNode(yearNode, name, true);
}

void TMainForm::FillWeeks(QTreeWidgetItem* monthNode, int year, int month) {
    DeleteChildren(monthNode);
    const int weeks = WeeksInMonth(year, month);
    for (int w = 1; w <= weeks; ++w)
        AddNode(monthNode, QString("Week%1").arg(w), true);
}

void TMainForm::FillDays(QTreeWidgetItem* weekNode, int year, int month, int week) {
    DeleteChildren(weekNode);
    for (int d : DaysOfWeek(year, month, week))
        AddNode(weekNode, QString::number(d), false);
}

void TMainForm::MoveCalendar(int year, int month, int day) {
    // A day the month does not have (31 and "February") shows the month's last day.
    MonthCalendar1->setSelectedDate(QDate(year, month, ClampDay(year, month, day)));
}

void TMainForm::BuildTreeForDate(const QDate& date) {
    {
        TTreeBatch batch(TreeView, treeChangeAttached_, &treeExpandingAttached_);
        FillTreeForDate(date);
    }
    // From the first build on, the tree's handlers are attached.
    treeChangeAttached_ = true;
    treeExpandingAttached_ = true;
}

void TMainForm::FillTreeForDate(const QDate& date) {
    const std::chrono::year_month_day ymd{std::chrono::year{date.year()},
                                          std::chrono::month{static_cast<unsigned>(date.month())},
                                          std::chrono::day{static_cast<unsigned>(date.day())}};
    Key = KeyForDate(ymd);

    CurrentNode = nullptr;
    TreeView->clear();
    for (const std::string& year : Settings.YearList.Strings())
        AddNode(TreeView->invisibleRootItem(), QString::fromStdString(year), true);

    // Without the date's year in the list no node matches: nothing is
    // selected and CurrentNode stays empty.
    QTreeWidgetItem* yearNode =
        ChildByText(TreeView->invisibleRootItem(), QString::number(Key.Year));
    if (!yearNode) return;
    FillMonths(yearNode);
    yearNode->setExpanded(true);
    QTreeWidgetItem* monthNode = ChildByText(yearNode, MonthNames[Key.Month - 1]);
    FillWeeks(monthNode, Key.Year, Key.Month);
    monthNode->setExpanded(true);
    QTreeWidgetItem* weekNode = ChildByText(monthNode, QString::fromStdString(WeekOfMonth(ymd)));
    FillDays(weekNode, Key.Year, Key.Month, Key.Week);
    weekNode->setExpanded(true);
    CurrentNode = ChildByText(weekNode, QString::number(Key.Day));
    TreeView->setCurrentItem(CurrentNode);
}

void TMainForm::TreeViewChange(QTreeWidgetItem* node) {
    if (node == CurrentNode || node->text(0) == Placeholder) return;
    if (!SaveEntry()) {
        // The open entry could not be stored: stay on it.
        TTreeBatch batch(TreeView, treeChangeAttached_, nullptr);
        TreeView->setCurrentItem(CurrentNode);
        return;
    }
    {
        TTreeBatch batch(TreeView, treeChangeAttached_, nullptr);
        // Read the whole key first, so a malformed tree changes nothing.
        TEntryKey key = Key;
        const TEntryLevel level = LevelOf(node);
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
        Key = key;
        CurrentNode = node;
        if (level != TEntryLevel::elWeek) MoveCalendar(Key.Year, Key.Month, Key.Day);
    }
    LoadEntry();
}

void TMainForm::FillNode(QTreeWidgetItem* node) {
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

void TMainForm::TreeViewExpanding(QTreeWidgetItem* node) {
    TTreeBatch batch(TreeView, treeChangeAttached_, nullptr);
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

void TMainForm::RefindCurrentNode(QTreeWidgetItem* refilled, const QStringList& path) {
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
    TreeView->setCurrentItem(CurrentNode);
}
