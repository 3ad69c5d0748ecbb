#include "ui/password_box.h"

#include <QCheckBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLineEdit>

namespace {

// Keeps the check box enabled exactly when the edit is.
class TEnableFollower : public QObject {
public:
    TEnableFollower(QLineEdit* edit, QCheckBox* toggle)
        : QObject(toggle), edit_(edit), toggle_(toggle) {
        edit->installEventFilter(this);
        Follow();
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == edit_ && event->type() == QEvent::EnabledChange) Follow();
        return false;
    }

private:
    void Follow() {
        toggle_->setEnabled(edit_->isEnabled());
        if (!edit_->isEnabled()) toggle_->setChecked(false);
    }
    QLineEdit* edit_;
    QCheckBox* toggle_;
};

const char* const kToggleProperty = "dayscribShowToggle";

} // namespace

QWidget* WithShowToggle(QLineEdit* edit) {
    auto* box = new QWidget;
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    edit->setEchoMode(QLineEdit::Password);
    row->addWidget(edit, 1);
    auto* toggle = new QCheckBox("Show", box);
    toggle->setObjectName(edit->objectName() + "Show");
    toggle->setAccessibleName("Show " + (edit->accessibleName().isEmpty()
                                             ? QStringLiteral("password")
                                             : edit->accessibleName().remove(':')));
    toggle->setToolTip("Show what is typed");
    row->addWidget(toggle);
    QObject::connect(toggle, &QCheckBox::toggled, edit, [edit](bool shown) {
        edit->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
    });
    new TEnableFollower(edit, toggle);
    edit->setProperty(kToggleProperty, QVariant::fromValue<QObject*>(toggle));
    return box;
}

QCheckBox* ShowToggleOf(QLineEdit* edit) {
    return qobject_cast<QCheckBox*>(edit->property(kToggleProperty).value<QObject*>());
}
