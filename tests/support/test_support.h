// Small helpers shared by every test suite: scratch folders, whole-file
// reads and writes, running peer programs.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

// A fresh folder under the system's temporary folder, removed with its
// contents when the object goes out of scope.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Points XDG_CONFIG_HOME and XDG_DATA_HOME at a scratch folder for the
// lifetime of the object, restoring the old values afterwards.
class ScopedUserFolders {
public:
    ScopedUserFolders();
    ~ScopedUserFolders();
    const std::string& root() const { return dir_.path(); }
    std::string configDir() const { return dir_.path() + "/config/Dayscrib"; }
    std::string dataDir() const { return dir_.path() + "/data/Dayscrib"; }

private:
    TempDir dir_;
    std::string oldConfig_, oldData_;
    bool hadConfig_ = false, hadData_ = false;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);
std::vector<std::string> ListDir(const std::string& path);

// Path of a file under tests/data.
std::string TestData(const std::string& relative);

// Runs a shell command; returns its exit status and fills `out` with its
// standard output. `input` is written to its standard input. A command
// still running after kCommandLimit is killed and gives kTimedOut, so a
// hanging peer fails its test instead of holding up the whole suite.
constexpr std::chrono::seconds kCommandLimit{300};
constexpr int kTimedOut = 124;
int RunCommand(const std::string& command, std::string* out = nullptr,
               const std::string& input = std::string());

// Runs `body` in a forked child and returns what it returned (0 to 255), or
// -1 when it has not finished within `limit` (the child is killed then) or
// died. For code that could run away: a test of it fails instead of hanging.
int RunInChild(const std::function<int()>& body, std::chrono::milliseconds limit);

// True when the named program is on the PATH. The test set-up installs every
// peer, so interoperability tests fail (not skip) when one is missing.
bool HaveProgram(const std::string& name);

// Quote a string for /bin/sh.
std::string ShellQuote(const std::string& s);

// Width and height from a PNG file's header ({0, 0} when it is none).
std::pair<unsigned, unsigned> PngSize(const std::string& bytes);

} // namespace testsupport
