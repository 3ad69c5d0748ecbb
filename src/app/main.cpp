// Program entry: the command line, the application, the help window, the
// main window, the message loop.
#include "app/app_resources.h"
#include "app/command_line.h"
#include "app/engine_messages.h"
#include "app/help_window.h"
#include "app/main_form.h"
#include "app/single_instance.h"
#include "platform/user_folders.h"
#include "ui/help.h"
#include "ui/prompts.h"

#include <QApplication>
#include <cstdio>
#include <sys/prctl.h>

int main(int argc, char** argv) {
    // Passwords and the text of protected entries live in this process's
    // memory: no core dump is written of it, and no other process of the
    // user may read it (ptrace, /proc/<pid>/mem).
    ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
    // --help and --version answer before the application object exists, so
    // that they need no display.
    const TCommandLine asked = ParseCommandLine({argv + 1, argv + argc});
    if (asked.Action != TCommandLine::TAction::Run) {
        const std::string text =
            asked.Action == TCommandLine::TAction::Help ? HelpText() : VersionText();
        std::fputs(text.c_str(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    QApplication app(argc, argv); // takes Qt's own options out of argv
    const TCommandLine left = ParseCommandLine({argv + 1, argv + argc});
    if (!left.Unknown.empty()) {
        std::fprintf(stderr, "dayscrib: unknown argument %s\nTry 'dayscrib --help'.\n",
                     left.Unknown.c_str());
        return 2;
    }
    QApplication::setApplicationName("Dayscrib");
    // The desktop entry's name, which Wayland compositors match the window to.
    QGuiApplication::setDesktopFileName("io.github.dayscrib.Dayscrib");
    QApplication::setWindowIcon(ProgramIcon());
    THelpWindow help; // one help window, opened at a context by ShowHelp
    SetHelpHandler([&help](int context) { help.ShowContext(context); });
    TQtPrompts prompts;
    TInstanceLock instance(QString::fromStdString(ConfigFolder()));
    if (!instance.TryAcquire()) {
        prompts.ShowMessage("Dayscrib is already running.");
        return 0; // nothing read, nothing written
    }
    InstallEngineHooks(prompts);
    int rc = 0;
    {
        TMainForm form(prompts);
        if (!form.LoginPassed())
            return 0; // leaving the scope destroys the window and writes the settings
        form.show();
        rc = app.exec();
    }
    RemoveEngineHooks();
    SetHelpHandler({});
    return rc;
}
