// Where the text files delivered with the program ("License.txt",
// "Orders.txt") are found. The program is usually started from a desktop
// menu with the home folder as its current folder, so the current folder
// comes last: first the installed data folder (<prefix>/share/dayscrib
// beside <prefix>/bin), then the executable's own folder (a build folder
// holds copies of the files).
#pragma once

#include <string>
#include <vector>

// The data folder relative to the executable's folder (e.g. "../share/dayscrib").
std::string InstalledDataFromBin();

// The places looked at for `name`, in order.
std::vector<std::string> ProgramFileCandidates(const std::string& name,
                                               const std::string& executableFolder,
                                               const std::string& currentFolder);
// The first candidate that is a regular file, or "" when there is none.
std::string FindProgramFile(const std::string& name, const std::string& executableFolder,
                            const std::string& currentFolder);

// The lines of a text file's bytes: "\r\n", "\n" and "\r" end a line; a
// final line end adds no empty line.
std::vector<std::string> TextLines(const std::string& bytes);
