#include "app/help_window_menu.h"

#include "app/about_box.h"
#include "app/viewer_form.h"
#include "ui/commands.h"
#include "ui/help.h"

#include <QAction>

THelpMenu::THelpMenu(QWidget* window, const THelpActions& actions, TPrompts& prompts)
    : QObject(window), window_(window) {
    AttachCommand(actions.Contents, prompts, [this] { Contents1Click(); });
    AttachCommand(actions.LicenseAgreement, prompts, [this] { LicenseAgreement1Click(); });
    AttachCommand(actions.OrderingInformation, prompts, [this] { OrderingInformation1Click(); });
    AttachCommand(actions.About, prompts, [this] { HelpAbout(); });
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
    TViewerFrm viewer(window_);
    viewer.ViewerTitle = title;
    viewer.ViewerFile = file;
    viewer.exec();
}

void THelpMenu::HelpAbout() {
    TAboutBox box(window_);
    box.exec();
}
