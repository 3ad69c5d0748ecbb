#include "stats/stats_dialog.h"

#include "stats/heat_map.h"
#include "ui/entry_title.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace std::chrono;

namespace {

QString Number(long long n) {
    return QLocale().toString(n);
}

QString Days(int n) {
    return n == 1 ? QStringLiteral("1 day") : Number(n) + " days";
}

QTreeWidgetItem* Row(const QString& period, const TStatsCount& c) {
    auto* item = new QTreeWidgetItem(
        QStringList{period, Number(c.Entries), Number(c.Summaries), Number(c.Words)});
    for (int column = 1; column < 4; ++column)
        item->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

sys_days Today() {
    const QDate d = QDate::currentDate();
    return sys_days{std::chrono::year{d.year()} / std::chrono::month{unsigned(d.month())} /
                    std::chrono::day{unsigned(d.day())}};
}

} // namespace

TStatisticsDlg::TStatisticsDlg(TDiaryStats stats, int year, QWidget* parent)
    : QDialog(parent), stats_(std::move(stats)) {
    setObjectName("StatisticsDlg");
    setWindowTitle("Statistics");
    setAccessibleName("Statistics");
    auto* root = new QVBoxLayout(this);

    const TStatsCount& t = stats_.Total;
    TotalsLbl = new QLabel(QString("Entries: %1    Summaries: %2    Words: %3")
                               .arg(Number(t.Entries), Number(t.Summaries), Number(t.Words)));
    TotalsLbl->setObjectName("TotalsLbl");
    root->addWidget(TotalsLbl);
    QString runs = "Longest run: " + Days(stats_.Runs.Longest);
    if (stats_.Runs.Longest > 0)
        runs += " (to " +
                EntryTitle(KeyForDate(year_month_day{stats_.Runs.LongestEnd}), TEntryLevel::elDay) +
                ")";
    runs += "    Current run: " + Days(stats_.Runs.Current);
    RunsLbl = new QLabel(runs);
    RunsLbl->setObjectName("RunsLbl");
    root->addWidget(RunsLbl);
    UncountedLbl = new QLabel(
        QString("%1 protected %2 not opened by the default password: counted as entries, "
                "without their words.")
            .arg(t.Uncounted)
            .arg(t.Uncounted == 1 ? "entry" : "entries"));
    UncountedLbl->setObjectName("UncountedLbl");
    UncountedLbl->setWordWrap(true);
    UncountedLbl->setVisible(t.Uncounted > 0);
    root->addWidget(UncountedLbl);

    PeriodsTree = new QTreeWidget;
    PeriodsTree->setObjectName("PeriodsTree");
    PeriodsTree->setAccessibleName("Entries and words per year and month");
    PeriodsTree->setHeaderLabels({"Period", "Entries", "Summaries", "Words"});
    PeriodsTree->setRootIsDecorated(true);
    PeriodsTree->setMinimumHeight(160);
    root->addWidget(PeriodsTree, 1);
    FillTree();

    auto* yearRow = new QHBoxLayout;
    auto* yearLbl = new QLabel("&Year:");
    YearBox = new QComboBox;
    YearBox->setObjectName("YearBox");
    YearBox->setAccessibleName("Year");
    yearLbl->setBuddy(YearBox);
    std::vector<int> years;
    for (const auto& [y, _] : stats_.Years)
        years.push_back(y);
    if (std::find(years.begin(), years.end(), year) == years.end()) years.push_back(year);
    std::sort(years.begin(), years.end());
    for (int y : years)
        YearBox->addItem(QString::number(y), y);
    yearRow->addWidget(yearLbl);
    yearRow->addWidget(YearBox);
    yearRow->addStretch(1);
    root->addLayout(yearRow);

    HeatMap = new THeatMap;
    root->addWidget(HeatMap, 0, Qt::AlignLeft);
    auto* hint = new QLabel("Click a day to open it.");
    root->addWidget(hint);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    CloseBtn = new QPushButton("&Close");
    CloseBtn->setObjectName("CloseBtn");
    CloseBtn->setAccessibleName("Close");
    CloseBtn->setDefault(true);
    buttons->addWidget(CloseBtn);
    root->addLayout(buttons);

    connect(CloseBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(YearBox, &QComboBox::currentIndexChanged, this,
            [this](int index) { ShowYear(YearBox->itemData(index).toInt()); });
    connect(HeatMap, &THeatMap::DayChosen, this, [this](const QDate& day) {
        ChosenDay = day;
        accept();
    });
    YearBox->setCurrentIndex(YearBox->findData(year));
    ShowYear(year);
}

void TStatisticsDlg::FillTree() {
    const QLocale locale;
    for (auto y = stats_.Years.rbegin(); y != stats_.Years.rend(); ++y) {
        QTreeWidgetItem* yearItem = Row(QString::number(y->first), y->second);
        PeriodsTree->addTopLevelItem(yearItem);
        for (const auto& [ym, count] : stats_.Months)
            if (ym.first == y->first) yearItem->addChild(Row(locale.monthName(ym.second), count));
    }
    if (PeriodsTree->topLevelItemCount() > 0) PeriodsTree->topLevelItem(0)->setExpanded(true);
    PeriodsTree->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int column = 1; column < 4; ++column)
        PeriodsTree->header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
}

void TStatisticsDlg::ShowYear(int year) {
    HeatMap->SetYear(stats_, year);
}

QDate RunStatisticsDlg(QWidget* parent, const std::string& archivePath,
                       const TPassword& defaultPassword, int year) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    TDiaryStats stats;
    try {
        stats = ComputeDiaryStats(archivePath, defaultPassword, Today());
    } catch (...) {
        QApplication::restoreOverrideCursor();
        throw;
    }
    QApplication::restoreOverrideCursor();
    TStatisticsDlg dlg(std::move(stats), year, parent);
    dlg.exec();
    return dlg.ChosenDay;
}
