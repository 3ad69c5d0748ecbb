// What the program's command line asks for before any window exists:
// --help and --version print and end the program without a display.
#pragma once

#include <string>
#include <vector>

struct TCommandLine {
    enum class TAction { Run, Help, Version };
    TAction Action = TAction::Run;
    // The first argument that is none of ours ("" when there is none). Qt's
    // own options are taken out of the arguments by the application object,
    // so one that is still there after it is an error.
    std::string Unknown;
};

// `args` without the program's name. "--" ends the options; everything after
// it is an unknown argument (the program opens no files).
TCommandLine ParseCommandLine(const std::vector<std::string>& args);

// "Dayscrib 1.7" and the text of --help.
std::string VersionText();
std::string HelpText();
