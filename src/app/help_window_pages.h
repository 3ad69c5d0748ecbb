// The help pages compiled into the program and the page of each help
// context: 1 the main window, 14 find, 15 replace, 16 find in files,
// 17 preferences, 19 the font and colour dialogs.
#pragma once

#include <string>
#include <vector>

// The resource folder the pages live in, as a URL prefix.
constexpr const char* HelpPagesUrl = "qrc:/help/";

// The page of a help context; an unknown context gives the contents page.
std::string HelpPageForContext(int context);
// Every page, the contents page first.
std::vector<std::string> HelpPages();
