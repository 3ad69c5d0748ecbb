#include "stats/heat_map.h"

#include "store/entry_key.h"
#include "ui/entry_title.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <chrono>

namespace {

constexpr int kCell = 12, kGap = 2, kStep = kCell + kGap;
constexpr int kLeft = 34, kTop = 18; // room for the day and month names

const QColor kShades[5] = {QColor(0xEB, 0xED, 0xF0), QColor(0x9B, 0xE9, 0xA8),
                           QColor(0x40, 0xC4, 0x63), QColor(0x30, 0xA1, 0x4E),
                           QColor(0x21, 0x6E, 0x39)};

std::chrono::sys_days Days(const QDate& d) {
    using namespace std::chrono;
    return sys_days{year{d.year()} / month{static_cast<unsigned>(d.month())} /
                    day{static_cast<unsigned>(d.day())}};
}

int SundayRow(const QDate& d) {
    return d.dayOfWeek() % 7; // Sunday 0 ... Saturday 6
}

} // namespace

THeatMap::THeatMap(QWidget* parent) : QWidget(parent) {
    setObjectName("HeatMap");
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void THeatMap::SetYear(const TDiaryStats& stats, int year) {
    stats_ = &stats;
    year_ = year;
    std::vector<long long> words;
    for (QDate d(year, 1, 1); d.year() == year; d = d.addDays(1))
        if (const TDayStats* s = Stats(d); s && !s->Protected) words.push_back(s->Words);
    scale_ = THeatScale(std::move(words));
    const QDate today = QDate::currentDate();
    SetCurrent(today.year() == year ? today : QDate(year, 1, 1));
    setAccessibleName(QString("Days of %1").arg(year));
    update();
}

const TDayStats* THeatMap::Stats(const QDate& day) const {
    if (!stats_ || !day.isValid()) return nullptr;
    const auto it = stats_->Days.find(Days(day));
    return it == stats_->Days.end() ? nullptr : &it->second;
}

int THeatMap::Column(const QDate& day) const {
    const QDate first(year_, 1, 1);
    return (SundayRow(first) + static_cast<int>(first.daysTo(day))) / 7;
}

QRect THeatMap::DayRect(const QDate& day) const {
    return QRect(kLeft + Column(day) * kStep, kTop + SundayRow(day) * kStep, kCell, kCell);
}

QDate THeatMap::DayAt(const QPoint& p) const {
    if (p.x() < kLeft || p.y() < kTop) return {};
    const int column = (p.x() - kLeft) / kStep, row = (p.y() - kTop) / kStep;
    if (row > 6 || (p.x() - kLeft) % kStep >= kCell || (p.y() - kTop) % kStep >= kCell) return {};
    const QDate first(year_, 1, 1);
    const QDate day = first.addDays(column * 7 + row - SundayRow(first));
    return day.year() == year_ ? day : QDate();
}

int THeatMap::Level(const QDate& day) const {
    return scale_.Level(Stats(day));
}

QString THeatMap::DayText(const QDate& day) const {
    const TEntryKey key =
        KeyForDate(std::chrono::year_month_day{Days(day)}); // the entry's own name for the day
    QString text = EntryTitle(key, TEntryLevel::elDay) + ": ";
    const TDayStats* s = Stats(day);
    if (!s) return text + "no entry";
    if (s->Protected) return text + "protected";
    return text + (s->Words == 1 ? QString("1 word") : QLocale().toString(s->Words) + " words");
}

void THeatMap::SetCurrent(const QDate& day) {
    if (!day.isValid() || day.year() != year_) return;
    current_ = day;
    setAccessibleDescription(DayText(day));
    update();
}

QSize THeatMap::sizeHint() const {
    return QSize(kLeft + 54 * kStep, kTop + 7 * kStep + 2);
}

void THeatMap::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Base));
    if (!year_) return;
    p.setPen(palette().color(QPalette::Text));
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    p.setFont(small);
    const QLocale locale;
    for (int row : {1, 3, 5}) // Mon, Wed, Fri
        p.drawText(QRect(0, kTop + row * kStep - 2, kLeft - 4, kCell + 4),
                   Qt::AlignRight | Qt::AlignVCenter, locale.dayName(row, QLocale::ShortFormat));
    for (int m = 1; m <= 12; ++m)
        p.drawText(QPoint(kLeft + Column(QDate(year_, m, 1)) * kStep, kTop - 5),
                   locale.monthName(m, QLocale::ShortFormat));
    for (QDate d(year_, 1, 1); d.year() == year_; d = d.addDays(1)) {
        const QRect r = DayRect(d);
        const TDayStats* s = Stats(d);
        p.fillRect(r, kShades[scale_.Level(s)]);
        if (s && s->Protected) { // a lock's hatching: words not known
            p.setPen(kShades[4]);
            p.drawLine(r.topLeft(), r.bottomRight());
        }
    }
    if (hasFocus() && current_.isValid()) {
        p.setPen(QPen(palette().color(QPalette::Highlight), 2));
        p.drawRect(DayRect(current_).adjusted(-1, -1, 1, 1));
    }
}

void THeatMap::mouseReleaseEvent(QMouseEvent* event) {
    const QDate day = DayAt(event->position().toPoint());
    if (event->button() != Qt::LeftButton || !day.isValid())
        return QWidget::mouseReleaseEvent(event);
    SetCurrent(day);
    emit DayChosen(day);
}

void THeatMap::keyPressEvent(QKeyEvent* event) {
    int step = 0;
    switch (event->key()) {
    case Qt::Key_Left:
        step = -7;
        break;
    case Qt::Key_Right:
        step = 7;
        break;
    case Qt::Key_Up:
        step = -1;
        break;
    case Qt::Key_Down:
        step = 1;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (current_.isValid()) emit DayChosen(current_);
        return;
    default:
        return QWidget::keyPressEvent(event);
    }
    SetCurrent(current_.addDays(step));
    QToolTip::showText(mapToGlobal(DayRect(current_).bottomRight()), DayText(current_), this);
}

bool THeatMap::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QDate day = DayAt(help->pos());
        if (day.isValid())
            QToolTip::showText(help->globalPos(), DayText(day), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}
