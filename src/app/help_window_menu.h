// The Help menu: "Contents..." (F1) opens the help at the main window's page,
// the two text viewer entries show the license and the ordering information,
// and "&About..." the about box.
#pragma once

#include <QObject>

class TMainForm;
class TPrompts;

class THelpMenu : public QObject {
    Q_OBJECT

public:
    THelpMenu(TMainForm& form, TPrompts& prompts);

    void Contents1Click();
    void LicenseAgreement1Click();
    void OrderingInformation1Click();
    void HelpAbout();

private:
    void View(const QString& title, const QString& file);
    TMainForm& form_;
};
