#include "support/test_support.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace testsupport {

TempDir::TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "dayscrib-test-XXXXXX").string();
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data())) throw std::runtime_error("mkdtemp failed");
    path_ = buf.data();
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

namespace {
void SetOrUnset(const char* name, bool had, const std::string& value) {
    if (had)
        setenv(name, value.c_str(), 1);
    else
        unsetenv(name);
}
} // namespace

ScopedUserFolders::ScopedUserFolders() {
    if (const char* v = getenv("XDG_CONFIG_HOME")) {
        hadConfig_ = true;
        oldConfig_ = v;
    }
    if (const char* v = getenv("XDG_DATA_HOME")) {
        hadData_ = true;
        oldData_ = v;
    }
    setenv("XDG_CONFIG_HOME", (dir_.path() + "/config").c_str(), 1);
    setenv("XDG_DATA_HOME", (dir_.path() + "/data").c_str(), 1);
}

ScopedUserFolders::~ScopedUserFolders() {
    SetOrUnset("XDG_CONFIG_HOME", hadConfig_, oldConfig_);
    SetOrUnset("XDG_DATA_HOME", hadData_, oldData_);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("cannot write " + path);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool FileExists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
}

std::vector<std::string> ListDir(const std::string& path) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(path, ec))
        names.push_back(e.path().filename().string());
    return names;
}

std::string TestData(const std::string& relative) {
    return std::string(DAYSCRIB_TEST_DATA) + "/" + relative;
}

std::string ShellQuote(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    }
    return q + "'";
}

int RunCommand(const std::string& command, std::string* out, const std::string& input) {
    TempDir dir;
    std::string inFile = dir.file("stdin");
    std::string outFile = dir.file("stdout");
    WriteFile(inFile, input);
    // timeout(1) signals the command's whole process group, so pipelines
    // and the programs they start end too.
    std::string full =
        "timeout -k 10 " + std::to_string(kCommandLimit.count()) + " sh -c " +
        ShellQuote("(" + command + ") <" + ShellQuote(inFile) + " >" + ShellQuote(outFile));
    int status = std::system(full.c_str());
    if (out) *out = ReadFile(outFile);
    if (status == -1) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

int RunInChild(const std::function<int()>& body, std::chrono::milliseconds limit) {
    std::fflush(nullptr); // nothing buffered is written twice
    const pid_t child = fork();
    if (child < 0) return -1;
    if (child == 0) _exit(body() & 0xFF);
    const auto until = std::chrono::steady_clock::now() + limit;
    int status = 0;
    for (;;) {
        const pid_t r = waitpid(child, &status, WNOHANG);
        if (r == child) break;
        if (r < 0) return -1;
        if (std::chrono::steady_clock::now() >= until) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool HaveProgram(const std::string& name) {
    return RunCommand("command -v " + ShellQuote(name) + " >/dev/null 2>&1") == 0;
}

std::pair<unsigned, unsigned> PngSize(const std::string& bytes) {
    if (bytes.size() < 24 || bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return {0, 0};
    auto be = [&](std::size_t at) {
        unsigned v = 0;
        for (std::size_t i = 0; i < 4; ++i)
            v = v << 8 | static_cast<unsigned char>(bytes[at + i]);
        return v;
    };
    return {be(16), be(20)};
}

} // namespace testsupport
