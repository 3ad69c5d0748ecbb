#include "ui/commands.h"

#include "ui/prompts.h"

#include <QAction>
#include <QWidget>

void AttachCommand(QAction* action, TPrompts& prompts, std::function<void()> handler) {
    QObject::connect(action, &QAction::triggered, action,
                     [&prompts, handler = std::move(handler)] { Guarded(prompts, handler); });
    action->setEnabled(true);
}

namespace {
QString TipPart(const QString& hint) {
    const int bar = hint.indexOf('|');
    return bar < 0 ? hint : hint.left(bar);
}
QString StatusPart(const QString& hint) {
    const int bar = hint.indexOf('|');
    return bar < 0 ? hint : hint.mid(bar + 1);
}
} // namespace

void SetHint(QAction* action, const QString& hint) {
    action->setToolTip(TipPart(hint));
    action->setStatusTip(StatusPart(hint));
}

void SetHint(QWidget* widget, const QString& hint) {
    widget->setToolTip(TipPart(hint));
    widget->setStatusTip(StatusPart(hint));
    if (widget->accessibleName().isEmpty()) widget->setAccessibleName(TipPart(hint));
}
