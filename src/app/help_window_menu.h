// The Help menu: "Contents..." (F1) opens the help at the main window's page,
// the two text viewer entries show the license and the ordering information,
// and "&About..." the about box.
#pragma once

#include <QObject>

class QAction;
class QWidget;
class TPrompts;

// The menu's entries.
struct THelpActions {
    QAction* Contents = nullptr;
    QAction* LicenseAgreement = nullptr;
    QAction* OrderingInformation = nullptr;
    QAction* About = nullptr;
};

class THelpMenu : public QObject {
    Q_OBJECT

public:
    // `window` parents the viewer and the about box and owns the menu's handlers.
    THelpMenu(QWidget* window, const THelpActions& actions, TPrompts& prompts);

    void Contents1Click();
    void LicenseAgreement1Click();
    void OrderingInformation1Click();
    void HelpAbout();

private:
    void View(const QString& title, const QString& file);
    QWidget* window_;
};
