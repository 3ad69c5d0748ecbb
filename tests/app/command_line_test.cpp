// The program's command line: --help and --version answer before any window
// or display is needed; arguments Qt does not take are refused.
#include "app/command_line.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

using testsupport::RunCommand;
using testsupport::ShellQuote;
using TAction = TCommandLine::TAction;

TEST(CommandLine, HelpAndVersionWinWhereverTheyStandUntilDoubleDash) {
    EXPECT_EQ(ParseCommandLine({}).Action, TAction::Run);
    EXPECT_EQ(ParseCommandLine({}).Unknown, "");
    EXPECT_EQ(ParseCommandLine({"--version"}).Action, TAction::Version);
    EXPECT_EQ(ParseCommandLine({"-h"}).Action, TAction::Help);
    // Qt's options are still there before the application object takes them.
    EXPECT_EQ(ParseCommandLine({"-platform", "offscreen", "--help"}).Action, TAction::Help);
    EXPECT_EQ(ParseCommandLine({"--bogus", "--version"}).Action, TAction::Version);
    const TCommandLine quoted = ParseCommandLine({"--", "--help"});
    EXPECT_EQ(quoted.Action, TAction::Run);
    EXPECT_EQ(quoted.Unknown, "--help");
    EXPECT_EQ(ParseCommandLine({"notes.rtf", "-v"}).Unknown, "notes.rtf");
    EXPECT_EQ(ParseCommandLine({""}).Unknown, "''");
}

// The built program, with no display and the X11 platform: anything that
// made a window or an application object would end it with an error.
TEST(CommandLine, TheProgramPrintsAndEndsWithoutADisplay) {
    const std::string program =
        "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb " + ShellQuote(DAYSCRIB_PROGRAM);
    std::string out;
    ASSERT_EQ(RunCommand(program + " --version 2>&1", &out), 0) << out;
    EXPECT_EQ(out, VersionText());
    ASSERT_EQ(RunCommand(program + " -platform xcb --help 2>&1", &out), 0) << out;
    EXPECT_EQ(out, HelpText());
    // Without the early answer the same call fails: the check above means something.
    EXPECT_NE(RunCommand(program + " 2>&1", &out), 0);
}

TEST(CommandLine, AnArgumentQtDoesNotTakeIsRefused) {
    testsupport::ScopedUserFolders folders; // the user's own settings stay untouched
    std::string out;
    EXPECT_EQ(RunCommand("QT_QPA_PLATFORM=offscreen " + ShellQuote(DAYSCRIB_PROGRAM) +
                             " -style fusion diary.zip 2>&1",
                         &out),
              2);
    EXPECT_NE(out.find("dayscrib: unknown argument diary.zip\nTry 'dayscrib --help'.\n"),
              std::string::npos)
        << out;
}
