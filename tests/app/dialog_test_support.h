// Helpers for tests that drive the program's dialogs as a user would.
#pragma once

#include "support/modal.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <functional>
#include <gtest/gtest.h>

namespace apptest {

using testsupport::WhenModal;

// The window and every button, edit box and scrolled view in it have a
// name a screen reader can say, and each can be reached with the keyboard.
inline void ExpectAccessible(QWidget* window) {
    EXPECT_FALSE(window->accessibleName().isEmpty()) << window->objectName().toStdString();
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window) || w->objectName().startsWith("qt_")) continue;
        if (!qobject_cast<QAbstractButton*>(w) && !qobject_cast<QLineEdit*>(w) &&
            !qobject_cast<QAbstractScrollArea*>(w))
            continue;
        EXPECT_FALSE(w->accessibleName().isEmpty())
            << w->metaObject()->className() << " " << w->objectName().toStdString();
        EXPECT_NE(w->focusPolicy() & Qt::TabFocus, 0) << w->objectName().toStdString();
    }
}

} // namespace apptest
