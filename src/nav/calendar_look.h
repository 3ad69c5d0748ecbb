// The month calendar as people meet it: weekday names that fit their columns
// whatever the font and the pane's width (chosen again on every resize and
// change of font or language), and names for assistive tools on the parts
// Qt leaves unnamed (the month buttons, the month and year choosers, the
// grid of days).
#pragma once

#include <QObject>

class QCalendarWidget;

class TCalendarLook : public QObject {
    Q_OBJECT

public:
    // Attaches itself to `calendar`, which owns it.
    explicit TCalendarLook(QCalendarWidget* calendar);

    // Chooses the weekday names for the columns' present width.
    void FitDayNames();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QCalendarWidget* calendar_;
};
