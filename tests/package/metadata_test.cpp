// What the package says about the programs: the manual pages as they are
// installed (compressed, from the build folder), the AppStream data and the
// screenshot they name, and the tool that makes that screenshot.
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <regex>
#include <sstream>

using testsupport::FileExists;
using testsupport::PngSize;
using testsupport::ReadFile;
using testsupport::RunCommand;
using testsupport::ShellQuote;

namespace {

const std::string kId = "io.github.dayscrib.Dayscrib";
const std::string kMetainfo = DAYSCRIB_SOURCE_DIR "/resources/" + kId + ".metainfo.xml";

std::string Page(const std::string& name) {
    return DAYSCRIB_BUILD_DIR "/man/" + name + ".1.gz";
}

std::string PageSource(const std::string& name) {
    std::string out;
    EXPECT_EQ(RunCommand("gzip -dc " + ShellQuote(Page(name)), &out), 0) << name;
    return out;
}

} // namespace

// `groff -ww -z` says nothing, `man -l` warns of nothing, and lexgrog (which
// mandb and lintian use) finds the NAME line.
TEST(ManualPages, FormatWithoutWarnings) {
    ASSERT_TRUE(testsupport::HaveProgram("groff"));
    ASSERT_TRUE(testsupport::HaveProgram("man"));
    for (const std::string name : {"dayscrib", "dayscrib-zip"}) {
        ASSERT_TRUE(FileExists(Page(name))) << name;
        std::string out;
        EXPECT_EQ(
            RunCommand("gzip -dc " + ShellQuote(Page(name)) + " | groff -ww -z -man 2>&1", &out),
            0);
        EXPECT_EQ(out, "") << name;
        EXPECT_EQ(RunCommand("LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l " +
                                 ShellQuote(Page(name)) + " 2>&1 >/dev/null",
                             &out),
                  0);
        EXPECT_EQ(out, "") << name;
        EXPECT_EQ(RunCommand("lexgrog " + ShellQuote(Page(name)), &out), 0) << out;
        EXPECT_NE(out.find("\"" + name + " - "), std::string::npos) << out;
    }
}

TEST(ManualPages, HaveTheSectionsAndTheProjectVersion) {
    for (const std::string name : {"dayscrib", "dayscrib-zip"}) {
        const std::string page = PageSource(name);
        for (const char* section :
             {"NAME", "SYNOPSIS", "DESCRIPTION", "OPTIONS", "FILES", "EXIT STATUS", "EXAMPLES"})
            EXPECT_NE(page.find(std::string("\n.SH ") + section + "\n"), std::string::npos)
                << name << ": " << section;
        // A version bump that forgets the pages fails here.
        EXPECT_NE(page.find("\"Dayscrib " DAYSCRIB_VERSION "\""), std::string::npos) << name;
        // Where the settings, the diaries, the daily copies and the recovery
        // file live.
        for (const char* file :
             {"~/.config/Dayscrib/Dayscrib.INI", "~/.local/share/Dayscrib/Data/Daybank.zip",
              "~/.local/share/Dayscrib/Data/Backups/Daybank\\-YYYY\\-MM\\-DD.zip",
              "~/.config/Dayscrib/Recovery.dayscrib"})
            EXPECT_NE(page.find(file), std::string::npos) << name << ": " << file;
    }
}

// Every command the tool has (its own list, printed when it is given none)
// is in the page's synopsis, so a new command cannot go undocumented.
TEST(ManualPages, ToolPageNamesEveryCommand) {
    std::string usage;
    ASSERT_EQ(RunCommand(ShellQuote(DAYSCRIB_ZIP_TOOL) + " 2>&1", &usage), 2);
    const std::string page = PageSource("dayscrib-zip");
    const std::regex command(R"(\n  ([a-z]+) )");
    int commands = 0;
    for (std::sregex_iterator it(usage.begin(), usage.end(), command), end; it != end; ++it) {
        ++commands;
        EXPECT_NE(page.find("\n.B dayscrib\\-zip " + (*it)[1].str() + "\n"), std::string::npos)
            << (*it)[1];
    }
    EXPECT_GE(commands, 6) << usage;
}

TEST(AppStream, ValidatesOfflineAndMatchesTheProject) {
    ASSERT_TRUE(testsupport::HaveProgram("appstreamcli"));
    std::string out;
    EXPECT_EQ(RunCommand("appstreamcli validate --no-net " + ShellQuote(kMetainfo) + " 2>&1", &out),
              0)
        << out;
    const std::string xml = ReadFile(kMetainfo);
    // The id is the desktop file's name, which the data launch.
    EXPECT_NE(xml.find("<id>" + kId + "</id>"), std::string::npos);
    EXPECT_NE(xml.find("<launchable type=\"desktop-id\">" + kId + ".desktop</launchable>"),
              std::string::npos);
    EXPECT_TRUE(FileExists(DAYSCRIB_SOURCE_DIR "/resources/" + kId + ".desktop"));
    // The newest release is this version.
    std::smatch release;
    ASSERT_TRUE(std::regex_search(xml, release, std::regex(R"re(<release version="([^"]+)")re")));
    EXPECT_EQ(release[1], DAYSCRIB_VERSION);

    // The screenshot's address ends in a picture of the repository, of the
    // size the data declare.
    std::smatch shot;
    ASSERT_TRUE(std::regex_search(
        xml, shot,
        std::regex(
            R"re(<image type="source" width="(\d+)" height="(\d+)">https://[^<]*/main/([^<]+)</image>)re")));
    const std::string picture = DAYSCRIB_SOURCE_DIR "/" + shot[3].str();
    ASSERT_TRUE(FileExists(picture)) << picture;
    EXPECT_EQ(PngSize(ReadFile(picture)),
              std::make_pair(static_cast<unsigned>(std::stoul(shot[1])),
                             static_cast<unsigned>(std::stoul(shot[2]))));
}

// The screenshot tool opens the real main window over its sample diary and
// saves it; it refuses to save when the program asked it anything.
TEST(Screenshot, ToolSavesTheMainWindowAtTheDeclaredSize) {
    testsupport::TempDir dir;
    const std::string png = dir.file("shot.png");
    std::string out;
    ASSERT_EQ(RunCommand("QT_QPA_PLATFORM=offscreen " + ShellQuote(DAYSCRIB_SCREENSHOT_TOOL) + " " +
                             ShellQuote(png) + " 2>&1",
                         &out),
              0)
        << out;
    EXPECT_EQ(out.find("unexpected question"), std::string::npos) << out;
    const std::string bytes = ReadFile(png);
    EXPECT_EQ(PngSize(bytes),
              PngSize(ReadFile(DAYSCRIB_SOURCE_DIR "/resources/screenshots/main-window.png")));
    // A window of text, tree and calendar, not an empty frame (which
    // compresses to a few kilobytes).
    EXPECT_GT(bytes.size(), 30000u);
}
