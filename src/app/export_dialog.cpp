#include "app/export_dialog.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

TExportDlg::TExportDlg(const QDate& from, const QDate& to, QWidget* parent) : QDialog(parent) {
    setWindowTitle("Export");
    setAccessibleName(windowTitle());
    auto* layout = new QVBoxLayout(this);

    auto* range = new QGroupBox("Entries", this);
    auto* form = new QFormLayout(range);
    const auto dateEdit = [&](const QDate& d, const char* name) {
        auto* e = new QDateEdit(d, range);
        e->setObjectName(name);
        e->setCalendarPopup(true);
        e->setDisplayFormat("d MMMM yyyy");
        return e;
    };
    FromDate = dateEdit(from, "FromDate");
    ToDate = dateEdit(to, "ToDate");
    form->addRow("&From:", FromDate);
    form->addRow("&To:", ToDate);
    FromDate->setAccessibleName("From");
    ToDate->setAccessibleName("To");
    // The start never lies after the end.
    connect(FromDate, &QDateEdit::dateChanged, this, [this](const QDate& d) {
        if (ToDate->date() < d) ToDate->setDate(d);
    });
    connect(ToDate, &QDateEdit::dateChanged, this, [this](const QDate& d) {
        if (FromDate->date() > d) FromDate->setDate(d);
    });
    SummariesCheck = new QCheckBox("Include &summaries", range);
    SummariesCheck->setObjectName("SummariesCheck");
    form->addRow(SummariesCheck);
    layout->addWidget(range);

    auto* kind = new QGroupBox("Document", this);
    auto* kindLayout = new QVBoxLayout(kind);
    HtmlRBtn = new QRadioButton("&HTML (the formatting kept)", kind);
    HtmlRBtn->setObjectName("HtmlRBtn");
    PdfRBtn = new QRadioButton("&PDF", kind);
    PdfRBtn->setObjectName("PdfRBtn");
    HtmlRBtn->setChecked(true);
    kindLayout->addWidget(HtmlRBtn);
    kindLayout->addWidget(PdfRBtn);
    layout->addWidget(kind);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText("&Export...");
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}
