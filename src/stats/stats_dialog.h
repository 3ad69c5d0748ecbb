// View > "Statistics...": the current diary at a glance. Entries, summaries
// and words per year (opening onto its months), the longest and the current
// run of days with an entry, and a year's calendar of days (THeatMap) whose
// days open where they are clicked.
#pragma once

#include "stats/diary_stats.h"

#include <QDate>
#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;
class QTreeWidget;
class THeatMap;

class TStatisticsDlg : public QDialog {
    Q_OBJECT
public:
    // `year`: the year the calendar shows first.
    TStatisticsDlg(TDiaryStats stats, int year, QWidget* parent = nullptr);

    QLabel* TotalsLbl = nullptr;
    QLabel* RunsLbl = nullptr;
    QLabel* UncountedLbl = nullptr;
    QTreeWidget* PeriodsTree = nullptr;
    QComboBox* YearBox = nullptr;
    THeatMap* HeatMap = nullptr;
    QPushButton* CloseBtn = nullptr;

    // The day chosen in the calendar (invalid: none; the dialog then closed
    // with Close).
    QDate ChosenDay;

    const TDiaryStats& Stats() const { return stats_; }

private:
    void FillTree();
    void ShowYear(int year);

    TDiaryStats stats_;
};

// Computes the statistics of the diary at `archivePath` (a wait cursor
// meanwhile), shows the dialog and answers the day chosen in it.
QDate RunStatisticsDlg(QWidget* parent, const std::string& archivePath,
                       const TPassword& defaultPassword, int year);
