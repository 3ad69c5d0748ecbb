#include "app/help_window_menu.h"

#include "app/about_box.h"
#include "app/main_form.h"
#include "app/viewer_form.h"
#include "ui/commands.h"
#include "ui/help.h"

#include <QAction>

THelpMenu::THelpMenu(TMainForm& form, TPrompts& prompts) : QObject(&form), form_(form) {
    AttachCommand(form_.Contents1, prompts, [this] { Contents1Click(); });
    AttachCommand(form_.LicenseAgreement1, prompts, [this] { LicenseAgreement1Click(); });
    AttachCommand(form_.OrderingInformation1, prompts, [this] { OrderingInformation1Click(); });
    AttachCommand(form_.HelpAbout, prompts, [this] { HelpAbout(); });
}

void THelpMenu::Contents1Click() {
    ShowHelp(1);
}

void THelpMenu::LicenseAgreement1Click() {
    View("License Agreement", "License.txt");
}

void THelpMenu::OrderingInformation1Click() {
    View("Ordering Information", "Orders.txt");
}

void THelpMenu::View(const QString& title, const QString& file) {
    TViewerFrm viewer(&form_);
    viewer.ViewerTitle = title;
    viewer.ViewerFile = file;
    viewer.exec();
}

void THelpMenu::HelpAbout() {
    TAboutBox box(&form_);
    box.exec();
}
