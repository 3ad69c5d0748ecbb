// The "On This Day" window: the entries of the same day in earlier years; a
// double-click (or Enter) on one closes the window and names the entry to open.
#pragma once

#include "nav/on_this_day_list.h"

#include <QDialog>
#include <string>
#include <vector>

class QListWidget;

class TOnThisDayDlg : public QDialog {
    Q_OBJECT

public:
    TOnThisDayDlg(const QDate& date, const std::vector<TOnThisDayItem>& items,
                  QWidget* parent = nullptr);

    QListWidget* EntriesList = nullptr;
    // The member of the entry chosen; empty when the window was just closed.
    std::string SelectedMember;

private:
    std::vector<TOnThisDayItem> items_;
};
