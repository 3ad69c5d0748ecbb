// `cmake --install` of this build into a scratch prefix: the program, the
// tool, the desktop entry, the icons and the texts land in the usual
// folders, the desktop entry validates, and the installed program's viewer
// finds its texts from the installed executable's folder.
#include "app/viewer_form_files.h"
#include "support/test_support.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

using testsupport::FileExists;
using testsupport::PngSize;
using testsupport::ReadFile;
using testsupport::RunCommand;
using testsupport::ShellQuote;

namespace {

bool Executable(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & S_IXUSR);
}

} // namespace

TEST(Install, LaysOutTheFilesInThePrefixAndTheDesktopEntryValidates) {
    testsupport::TempDir prefix;
    std::string out;
    const std::string command = ShellQuote(DAYSCRIB_CMAKE) + " --install " +
                                ShellQuote(DAYSCRIB_BUILD_DIR) + " --prefix " +
                                ShellQuote(prefix.path()) + " 2>&1";
    ASSERT_EQ(RunCommand(command, &out), 0) << out;

    const std::string bin = prefix.path() + "/" + DAYSCRIB_BINDIR;
    const std::string share = prefix.path() + "/" + DAYSCRIB_DATAROOT;
    EXPECT_TRUE(Executable(bin + "/dayscrib"));
    EXPECT_TRUE(Executable(bin + "/dayscrib-zip"));
    EXPECT_EQ(ReadFile(share + "/dayscrib/License.txt"),
              ReadFile(DAYSCRIB_SOURCE_DIR "/License.txt"));
    EXPECT_EQ(ReadFile(share + "/dayscrib/Orders.txt"),
              ReadFile(DAYSCRIB_SOURCE_DIR "/Orders.txt"));
    const std::string svg = ReadFile(share + "/icons/hicolor/scalable/apps/dayscrib.svg");
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    for (unsigned size : {16u, 24u, 32u, 48u, 64u, 128u, 256u}) {
        const std::string png = share + "/icons/hicolor/" + std::to_string(size) + "x" +
                                std::to_string(size) + "/apps/dayscrib.png";
        ASSERT_TRUE(FileExists(png)) << png;
        EXPECT_EQ(PngSize(ReadFile(png)), std::make_pair(size, size)) << png;
    }

    const std::string desktop = share + "/applications/io.github.dayscrib.Dayscrib.desktop";
    ASSERT_TRUE(FileExists(desktop));
    const std::string entry = ReadFile(desktop);
    EXPECT_NE(entry.find("\nExec=dayscrib\n"), std::string::npos);
    EXPECT_NE(entry.find("\nIcon=dayscrib\n"), std::string::npos);
    ASSERT_TRUE(testsupport::HaveProgram("desktop-file-validate"));
    EXPECT_EQ(RunCommand("desktop-file-validate " + ShellQuote(desktop) + " 2>&1", &out), 0) << out;
    EXPECT_EQ(out, "");

    // The manual pages and the AppStream data come along; the package's own
    // documents (copyright, changelog, lintian overrides) do not.
    for (const char* page : {"dayscrib.1.gz", "dayscrib-zip.1.gz"})
        EXPECT_TRUE(FileExists(share + "/man/man1/" + page)) << page;
    EXPECT_TRUE(FileExists(share + "/metainfo/io.github.dayscrib.Dayscrib.metainfo.xml"));
    EXPECT_TRUE(FileExists(share + "/doc/dayscrib/html/main.html"));
    EXPECT_FALSE(FileExists(share + "/doc/dayscrib/copyright"));
    EXPECT_FALSE(FileExists(share + "/lintian"));

    // Started from the menu, with the home folder as the current folder, the
    // program finds its texts from its own folder.
    EXPECT_EQ(FindProgramFile("License.txt", bin, "/"), bin + "/../share/dayscrib/License.txt");
    EXPECT_EQ(std::filesystem::canonical(FindProgramFile("Orders.txt", bin, "/")),
              std::filesystem::canonical(share + "/dayscrib/Orders.txt"));

    // The installed tool runs, and finds the helper that gives it --text.
    EXPECT_EQ(RunCommand(ShellQuote(bin + "/dayscrib-zip") + " --help >/dev/null 2>&1"), 0);
    const std::string zip = prefix.path() + "/t.zip";
    ASSERT_EQ(
        RunCommand(ShellQuote(bin + "/dayscrib-zip") + " add " + ShellQuote(zip) + " 'e.rtf' 2>&1",
                   &out, "{\\rtf1\\ansi Dear diary\\par}"),
        0)
        << out;
    EXPECT_EQ(RunCommand(ShellQuote(bin + "/dayscrib-zip") + " extract --text " + ShellQuote(zip) +
                             " e.rtf",
                         &out),
              0);
    EXPECT_EQ(out, "Dear diary\n");
}
