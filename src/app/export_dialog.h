// The "Export" dialog: the range of dates, whether summaries are included,
// and the kind of document.
#pragma once

#include <QDate>
#include <QDialog>

class QCheckBox;
class QDateEdit;
class QRadioButton;

class TExportDlg : public QDialog {
    Q_OBJECT

public:
    TExportDlg(const QDate& from, const QDate& to, QWidget* parent = nullptr);

    QDateEdit* FromDate = nullptr;
    QDateEdit* ToDate = nullptr;
    QCheckBox* SummariesCheck = nullptr;
    QRadioButton* HtmlRBtn = nullptr;
    QRadioButton* PdfRBtn = nullptr;
};
