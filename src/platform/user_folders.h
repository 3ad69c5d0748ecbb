// The folders the program keeps its files in, after the XDG base-directory
// conventions: the configuration folder holds the settings file, the
// program's folder is the base of relative data paths, and the documents
// folder is where the Save As dialog starts.
#pragma once

#include <string>

// $XDG_CONFIG_HOME/Dayscrib/ (default ~/.config/Dayscrib/), with a final "/".
// Created when missing.
std::string ConfigFolder();
// $XDG_DATA_HOME/Dayscrib/ (default ~/.local/share/Dayscrib/), with a final
// "/". Created when missing.
std::string ProgramFolder();
// The user's documents folder (XDG_DOCUMENTS_DIR of user-dirs.dirs) when it
// exists, else the home folder; with a final "/".
std::string DocumentsFolder();
// $HOME, or the password database's home of the user; with no final "/".
std::string HomeFolder();

// Creates the folder and its missing parents; true when it exists afterwards.
bool ForceFolders(const std::string& path);
