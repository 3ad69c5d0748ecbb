#include "nav/calendar_look.h"

#include "nav/day_names.h"

#include <QCalendarWidget>
#include <QEvent>
#include <QStyle>
#include <QTableView>
#include <QTextCharFormat>

namespace {

void Name(QCalendarWidget* calendar, const char* part, const QString& name) {
    if (QWidget* w = calendar->findChild<QWidget*>(part)) w->setAccessibleName(name);
}

} // namespace

TCalendarLook::TCalendarLook(QCalendarWidget* calendar) : QObject(calendar), calendar_(calendar) {
    if (calendar_->accessibleName().isEmpty()) calendar_->setAccessibleName("Calendar");
    Name(calendar_, "qt_calendar_prevmonth", "Previous month");
    Name(calendar_, "qt_calendar_nextmonth", "Next month");
    Name(calendar_, "qt_calendar_monthbutton", "Month");
    Name(calendar_, "qt_calendar_yearbutton", "Year");
    Name(calendar_, "qt_calendar_yearedit", "Year");
    Name(calendar_, "qt_calendar_calendarview", "Days");
    calendar_->installEventFilter(this);
    // The viewport's own size is the columns' room (the view's resize event
    // comes before the viewport has its new size).
    if (auto* view = calendar_->findChild<QTableView*>("qt_calendar_calendarview"))
        view->viewport()->installEventFilter(this);
    FitDayNames();
}

bool TCalendarLook::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::FontChange:
    case QEvent::LocaleChange:
    case QEvent::StyleChange:
        FitDayNames();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void TCalendarLook::FitDayNames() {
    auto* view = calendar_->findChild<QTableView*>("qt_calendar_calendarview");
    if (!view) return;
    // A cell's text keeps a margin on each side, as the view's item delegate
    // draws it.
    const int margin = view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
    const int columns =
        calendar_->verticalHeaderFormat() == QCalendarWidget::NoVerticalHeader ? 7 : 8;
    const int column = view->viewport()->width() / columns - 2 * margin;
    QFont font = view->font();
    // The weekday row's own format may make its names bold.
    font = calendar_->headerTextFormat().font().resolve(font);
    const QFontMetrics metrics(font);
    const TDayNameLength fit =
        DayNamesThatFit(calendar_->locale(), column,
                        [&](const QString& name) { return metrics.horizontalAdvance(name); });
    const auto format = fit == TDayNameLength::Short ? QCalendarWidget::ShortDayNames
                                                     : QCalendarWidget::SingleLetterDayNames;
    if (calendar_->horizontalHeaderFormat() != format) calendar_->setHorizontalHeaderFormat(format);
}
