#include "app/help_window_pages.h"

std::string HelpPageForContext(int context) {
    switch (context) {
    case 14:
        return "find.html";
    case 15:
        return "replace.html";
    case 16:
        return "find_in_files.html";
    case 17:
        return "preferences.html";
    case 19:
        return "font_color.html";
    default:
        return "main.html"; // context 1, and any page that does not exist
    }
}

std::vector<std::string> HelpPages() {
    return {"main.html",       "entries.html", "keys.html",          "files.html",
            "find.html",       "replace.html", "find_in_files.html", "preferences.html",
            "font_color.html", "extras.html",  "privacy.html",       "comforts.html"};
}
