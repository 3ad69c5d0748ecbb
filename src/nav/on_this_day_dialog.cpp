#include "nav/on_this_day_dialog.h"

#include "nav/date_tree.h"
#include "ui/entry_title.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

TOnThisDayDlg::TOnThisDayDlg(const QDate& date, const std::vector<TOnThisDayItem>& items,
                             QWidget* parent)
    : QDialog(parent), items_(items) {
    setWindowTitle("On This Day");
    setAccessibleName(windowTitle());
    resize(420, 300);
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QLocale().toString(date, "d MMMM") + " in earlier years:", this);
    layout->addWidget(label);
    EntriesList = new QListWidget(this);
    EntriesList->setObjectName("EntriesList");
    EntriesList->setAccessibleName("Entries");
    label->setBuddy(EntriesList);
    for (const TOnThisDayItem& item : items_) {
        // Named as everywhere a person reads an entry's name, in the system's language.
        QString text = EntryTitle(KeyForDate(Ymd(item.Date)), TEntryLevel::elDay);
        if (item.Protected)
            text += " (protected)";
        else if (!item.Problem.isEmpty())
            text += " (could not be read: " + item.Problem + ")";
        else if (!item.FirstLine.isEmpty())
            text += ": " + item.FirstLine;
        EntriesList->addItem(text);
    }
    if (items_.empty()) {
        EntriesList->addItem("No entries on this day in earlier years.");
        EntriesList->item(0)->setFlags(Qt::NoItemFlags);
    } else {
        EntriesList->setCurrentRow(0);
    }
    layout->addWidget(EntriesList, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText("&Close");
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    const auto choose = [this](QListWidgetItem* item) {
        const int row = EntriesList->row(item);
        if (row < 0 || row >= static_cast<int>(items_.size())) return;
        SelectedMember = items_[static_cast<std::size_t>(row)].Member;
        accept();
    };
    connect(EntriesList, &QListWidget::itemDoubleClicked, this, choose);
    connect(EntriesList, &QListWidget::itemActivated, this, choose); // Enter
}
