#include "app/command_line.h"

#ifndef DAYSCRIB_VERSION
#error "DAYSCRIB_VERSION is set by the build (the project's version)"
#endif

TCommandLine ParseCommandLine(const std::vector<std::string>& args) {
    TCommandLine result;
    bool options = true;
    for (const std::string& a : args) {
        if (options && a == "--") {
            options = false;
        } else if (options && (a == "-h" || a == "--help")) {
            result.Action = TCommandLine::TAction::Help;
            return result; // asking for help beats any mistake beside it
        } else if (options && a == "--version") {
            result.Action = TCommandLine::TAction::Version;
            return result;
        } else if (result.Unknown.empty()) {
            result.Unknown = a.empty() ? "''" : a;
        }
    }
    return result;
}

std::string VersionText() {
    return "Dayscrib " DAYSCRIB_VERSION "\n";
}

std::string HelpText() {
    return R"(Usage: dayscrib [OPTION]...
A diary for the desktop: one rich-text entry a day, a summary for each week,
month and year, all kept in one zip archive per diary.

Options:
  -h, --help     show this text and end
      --version  show the version and end
Qt's standard options (for example -platform NAME or -style NAME) are
accepted too.

Files:
  ~/.config/Dayscrib/Dayscrib.INI        the settings and the five diaries
  ~/.local/share/Dayscrib/Data/Daybank.zip
                                         the first diary's entries
  (under $XDG_CONFIG_HOME and $XDG_DATA_HOME when they are set)

The manual page dayscrib(1) and Help > Contents (F1) in the program say more.
)";
}
