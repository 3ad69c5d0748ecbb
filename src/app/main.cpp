// Program entry: the application, the help window, the main window, the
// message loop.
#include "app/app_resources.h"
#include "app/help_window.h"
#include "app/main_form.h"
#include "app/single_instance.h"
#include "platform/user_folders.h"
#include "ui/help.h"
#include "ui/prompts.h"
#include "zip/hooks.h"

#include <QApplication>
#include <QEventLoop>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Dayscrib");
    QGuiApplication::setDesktopFileName("dayscrib");
    QApplication::setWindowIcon(ProgramIcon());
    THelpWindow help; // one help window, opened at a context by ShowHelp
    SetHelpHandler([&help](int context) { help.ShowContext(context); });
    TQtPrompts prompts;
    TInstanceLock instance(QString::fromStdString(ConfigFolder()));
    if (!instance.TryAcquire()) {
        prompts.ShowMessage("Dayscrib is already running.");
        return 0; // nothing read, nothing written
    }
    EngineHooks().MessageBox = [&prompts](const std::string& text, const std::string&) {
        prompts.ShowMessage(MessageText(text));
    };
    EngineHooks().ProcessMessages = [] {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    int rc = 0;
    {
        TMainForm form(prompts);
        if (!form.LoginPassed())
            return 0; // leaving the scope destroys the window and writes the settings
        form.show();
        rc = app.exec();
    }
    EngineHooks() = TEngineHooks();
    SetHelpHandler({});
    return rc;
}
