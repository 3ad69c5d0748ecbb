// The Debian package of this build, made by CPack into a scratch folder as
// `./setup.sh package` makes it: its control fields and files, what lintian
// says of it, and the programs run from a root it was unpacked into.
#include "support/test_support.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <set>
#include <sstream>

using testsupport::FileExists;
using testsupport::ReadFile;
using testsupport::RunCommand;
using testsupport::ShellQuote;

namespace {

const std::string kId = "io.github.dayscrib.Dayscrib";

std::string Trimmed(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == ' '))
        s.pop_back();
    return s;
}

std::string Architecture() {
    std::string out;
    EXPECT_EQ(RunCommand("dpkg --print-architecture", &out), 0);
    return Trimmed(out);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

class Package : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    std::string deb;

    void SetUp() override {
        ASSERT_TRUE(testsupport::HaveProgram("dpkg-shlibdeps")) << "dpkg-dev is missing";
        std::string out;
        ASSERT_EQ(RunCommand(ShellQuote(DAYSCRIB_CPACK) + " -G DEB --config " +
                                 ShellQuote(DAYSCRIB_BUILD_DIR "/CPackConfig.cmake") + " -B " +
                                 ShellQuote(dir.file("out")) + " 2>&1",
                             &out),
                  0)
            << out;
        deb = dir.file("out/dayscrib_" DAYSCRIB_VERSION "_" + Architecture() + ".deb");
        ASSERT_TRUE(FileExists(deb)) << out;
    }

    std::string Field(const std::string& name) {
        std::string out;
        EXPECT_EQ(RunCommand("dpkg-deb -f " + ShellQuote(deb) + " " + name, &out), 0);
        return Trimmed(out);
    }
};

} // namespace

TEST_F(Package, ControlFieldsAndFiles) {
    EXPECT_EQ(Field("Package"), "dayscrib");
    EXPECT_EQ(Field("Version"), DAYSCRIB_VERSION);
    EXPECT_EQ(Field("Architecture"), Architecture());
    EXPECT_EQ(Field("Section"), "editors");
    EXPECT_EQ(Field("Priority"), "optional");
    EXPECT_NE(Field("Maintainer").find('@'), std::string::npos);
    // A synopsis line and a description of a few lines (empty ones as " .").
    const std::vector<std::string> description = Lines(Field("Description"));
    ASSERT_GE(description.size(), 5u);
    EXPECT_EQ(description[0], "diary with one rich-text entry a day");
    for (std::size_t i = 1; i < description.size(); ++i) {
        EXPECT_EQ(description[i][0], ' ') << description[i];
        EXPECT_LE(description[i].size(), 80u) << description[i];
    }
    // The libraries the programs link come from dpkg-shlibdeps, versioned;
    // only the SVG plugin and libcrypto, which nothing links, are named by hand.
    const std::string depends = Field("Depends");
    for (const char* library :
         {"libc6 (>= ", "libstdc++6 (>= ", "libqt6core6 (>= ", "libqt6widgets6 (>= ",
          "libqt6printsupport6 (>= ", "libjpeg62-turbo (>= ", "libhunspell-1.7-0", "libqt6svg6",
          "libssl3 (>= 3"})
        EXPECT_NE(depends.find(library), std::string::npos) << library << " in " << depends;
    EXPECT_EQ(depends.find("zlib"), std::string::npos) << depends; // the codecs are ours
    EXPECT_EQ(Field("Recommends"), "hunspell-en-us | hunspell-dictionary");

    // `dpkg-deb -c`: exactly these files, all under /usr, owned by root; the
    // programs executable, everything else readable only.
    std::string listing;
    ASSERT_EQ(RunCommand("dpkg-deb -c " + ShellQuote(deb), &listing), 0);
    std::set<std::string> files;
    for (const std::string& line : Lines(listing)) {
        std::istringstream fields(line);
        std::string mode, owner, size, date, time, path;
        fields >> mode >> owner >> size >> date >> time >> path;
        EXPECT_EQ(owner, "root/root") << line;
        EXPECT_EQ(path.rfind("./usr/", 0), 0u) << line;
        if (mode[0] == 'd') {
            EXPECT_EQ(mode, "drwxr-xr-x") << line;
            continue;
        }
        const bool program =
            path.find("/bin/") != std::string::npos || path.find("/libexec/") != std::string::npos;
        EXPECT_EQ(mode, program ? "-rwxr-xr-x" : "-rw-r--r--") << line;
        files.insert(path.substr(1));
    }
    std::set<std::string> expected = {
        "/usr/bin/dayscrib",
        "/usr/bin/dayscrib-zip",
        "/usr/libexec/dayscrib/dayscrib-rtf-text",
        "/usr/share/applications/" + kId + ".desktop",
        "/usr/share/metainfo/" + kId + ".metainfo.xml",
        "/usr/share/icons/hicolor/scalable/apps/dayscrib.svg",
        "/usr/share/man/man1/dayscrib.1.gz",
        "/usr/share/man/man1/dayscrib-zip.1.gz",
        "/usr/share/dayscrib/License.txt",
        "/usr/share/dayscrib/Orders.txt",
        "/usr/share/doc/dayscrib/copyright",
        "/usr/share/doc/dayscrib/changelog.gz",
        "/usr/share/doc-base/dayscrib",
        "/usr/share/lintian/overrides/dayscrib",
    };
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        expected.insert("/usr/share/icons/hicolor/" + std::to_string(size) + "x" +
                        std::to_string(size) + "/apps/dayscrib.png");
    for (const std::string& page : testsupport::ListDir(DAYSCRIB_SOURCE_DIR "/resources/help"))
        expected.insert("/usr/share/doc/dayscrib/html/" + page);
    EXPECT_EQ(files, expected);
}

TEST_F(Package, LintianFindsNoErrorOrWarning) {
    ASSERT_TRUE(testsupport::HaveProgram("lintian"));
    std::string out;
    const int rc = RunCommand("lintian --fail-on error,warning " + ShellQuote(deb) + " 2>&1", &out);
    EXPECT_EQ(rc, 0) << out;
    for (const std::string& line : Lines(out))
        EXPECT_TRUE(line.rfind("E: ", 0) != 0 && line.rfind("W: ", 0) != 0) << line;
}

// `dpkg -x` lays the files out as `apt install` does, under a scratch root.
TEST_F(Package, UnpackedIntoAScratchRootTheProgramsRun) {
    const std::string root = dir.file("root");
    std::string out;
    ASSERT_EQ(RunCommand("dpkg -x " + ShellQuote(deb) + " " + ShellQuote(root) + " 2>&1", &out), 0)
        << out;
    const std::string zipTool = ShellQuote(root + "/usr/bin/dayscrib-zip");
    ASSERT_EQ(RunCommand(zipTool + " --version", &out), 0);
    EXPECT_EQ(out, "dayscrib-zip " DAYSCRIB_VERSION "\n");

    // The tool finds its helper in the root's libexec folder.
    const std::string zip = dir.file("diary.zip");
    ASSERT_EQ(RunCommand(zipTool + " add " + ShellQuote(zip) + " '2000\\3\\Week3\\15.rtf' 2>&1",
                         &out, "{\\rtf1\\ansi Ides of March\\par}"),
              0)
        << out;
    ASSERT_EQ(
        RunCommand(zipTool + " extract --text " + ShellQuote(zip) + " '2000\\3\\Week3\\15.rtf'",
                   &out),
        0);
    EXPECT_EQ(out, "Ides of March\n");

    // The diary answers --version and --help with no display to open a
    // window on: the X11 platform would end the program if it tried.
    const std::string noDisplay = "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb ";
    const std::string program = ShellQuote(root + "/usr/bin/dayscrib");
    ASSERT_EQ(RunCommand(noDisplay + program + " --version 2>&1", &out), 0) << out;
    EXPECT_EQ(out, "Dayscrib " DAYSCRIB_VERSION "\n");
    ASSERT_EQ(RunCommand(noDisplay + program + " --help 2>&1", &out), 0) << out;
    EXPECT_EQ(out.rfind("Usage: dayscrib [OPTION]...\n", 0), 0u) << out;

    // The AppStream data validate together with the desktop file they name,
    // offline; the desktop file validates on its own too.
    ASSERT_TRUE(testsupport::HaveProgram("appstreamcli"));
    EXPECT_EQ(RunCommand("appstreamcli validate-tree --no-net " + ShellQuote(root) + " 2>&1", &out),
              0)
        << out;
    EXPECT_NE(out.find(kId + ".metainfo.xml"), std::string::npos) << out;
    EXPECT_EQ(RunCommand("desktop-file-validate " +
                             ShellQuote(root + "/usr/share/applications/" + kId + ".desktop") +
                             " 2>&1",
                         &out),
              0)
        << out;
    EXPECT_EQ(out, "");

    // The newest changelog entry is this version, and the copyright file
    // carries the licence.
    ASSERT_EQ(RunCommand("dpkg-parsechangelog -S Version -l " +
                             ShellQuote(root + "/usr/share/doc/dayscrib/changelog.gz") + " 2>&1",
                         &out),
              0)
        << out;
    EXPECT_EQ(out, DAYSCRIB_VERSION "\n");
    const std::string copyright = ReadFile(root + "/usr/share/doc/dayscrib/copyright");
    EXPECT_EQ(copyright.rfind("Format: https://www.debian.org/doc/packaging-manuals/"
                              "copyright-format/1.0/\n",
                              0),
              0u);
    for (const std::string& line : Lines(ReadFile(DAYSCRIB_SOURCE_DIR "/License.txt")))
        EXPECT_NE(copyright.find("\n " + (line.empty() ? std::string(".") : line) + "\n"),
                  std::string::npos)
            << line;
}
