// A year at a glance: one small square a day, a column a week (Sunday at the
// top, as in the calendar), darker with more words; empty days are pale.
// A click on a day (or Enter on the day chosen with the arrow keys) asks
// for it to be opened. Drawn with QPainter; each day's words are its tip.
#pragma once

#include "stats/diary_stats.h"

#include <QDate>
#include <QWidget>

class THeatMap : public QWidget {
    Q_OBJECT
public:
    explicit THeatMap(QWidget* parent = nullptr);

    // Shows `year` of `stats` (which must outlive the widget).
    void SetYear(const TDiaryStats& stats, int year);
    int Year() const { return year_; }

    // The day under a point of the widget (invalid: none).
    QDate DayAt(const QPoint& point) const;
    // The square of a day, in widget coordinates.
    QRect DayRect(const QDate& day) const;
    // The day the keyboard is on.
    QDate Current() const { return current_; }
    void SetCurrent(const QDate& day);
    // The shade of a day, 0 (no entry) to 4.
    int Level(const QDate& day) const;
    // "Wednesday 9 December 2026: 312 words".
    QString DayText(const QDate& day) const;

    QSize sizeHint() const override;

signals:
    void DayChosen(const QDate& day);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    const TDayStats* Stats(const QDate& day) const;
    int Column(const QDate& day) const;

    const TDiaryStats* stats_ = nullptr;
    int year_ = 0;
    QDate current_;
    THeatScale scale_{{}};
};
