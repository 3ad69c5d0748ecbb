// The dayscrib-zip tool as an attacker would try it: the password never in
// the process list when it is typed at the terminal (a pseudo-terminal
// driven by Python's pty module), given through a descriptor or the
// environment; member names with escape sequences and line ends listed
// without reaching the terminal or forging a line.
#include "support/test_support.h"
#include "zip/stream.h"
#include "zip/zip_writer.h"
#include "zip_builder.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

using testsupport::ReadFile;
using testsupport::RunCommand;
using testsupport::ShellQuote;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

const std::string kTool = DAYSCRIB_ZIP_TOOL;

// Starts the tool on a pseudo-terminal with `args` (a Python list literal),
// answers each "Password" prompt with the next of `answers`, and reports
// what another user of the machine could see in the meantime: the process's
// command line (/proc/<pid>/cmdline, what ps shows) while it waited, the
// terminal's whole output, the tool's exit status and standard output.
const char* const kPtyDriver = R"PY(
import os, pty, sys, time, select
tool, out_path, answers = sys.argv[1], sys.argv[2], sys.argv[3].split(',')
args = eval(sys.argv[4])
pid, fd = pty.fork()
if pid == 0:
    out = os.open(out_path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o600)
    os.dup2(out, 1)
    os.execv(tool, [tool] + args)
seen, cmdlines, deadline = b'', [], time.time() + 60
while answers and time.time() < deadline:
    r, _, _ = select.select([fd], [], [], 0.1)
    if r:
        try:
            seen += os.read(fd, 1024)
        except OSError:
            break
    if seen.count(b'Password') > seen.count(b'\n'):  # a prompt waits for its answer
        with open('/proc/%d/cmdline' % pid, 'rb') as f:
            cmdlines.append(f.read())
        os.write(fd, answers.pop(0).encode() + b'\n')
        time.sleep(0.05)
while time.time() < deadline:
    try:
        chunk = os.read(fd, 1024)
    except OSError:
        break
    if not chunk:
        break
    seen += chunk
_, status = os.waitpid(pid, 0)
print('STATUS=%d' % os.waitstatus_to_exitcode(status))
print('PROMPTS=%d' % seen.count(b'Password'))
print('CMDLINE=' + b' '.join(cmdlines).replace(b'\0', b' ').decode('latin-1'))
print('TERMINAL=' + seen.decode('latin-1').replace('\r', '').replace('\n', '|'))
)PY";

struct TPtyRun {
    int Status = -1;
    int Prompts = 0;
    std::string Cmdline, Terminal, Out;
};

TPtyRun OnTerminal(const TempDir& dir, const std::string& answers, const std::string& args) {
    WriteFile(dir.file("pty_driver.py"), kPtyDriver);
    std::string report;
    EXPECT_EQ(RunCommand("python3 " + ShellQuote(dir.file("pty_driver.py")) + " " +
                             ShellQuote(kTool) + " " + ShellQuote(dir.file("out")) + " " +
                             ShellQuote(answers) + " " + ShellQuote(args),
                         &report),
              0)
        << report;
    std::map<std::string, std::string> fields;
    std::istringstream lines(report);
    for (std::string line; std::getline(lines, line);)
        if (const std::size_t eq = line.find('='); eq != std::string::npos)
            fields[line.substr(0, eq)] = line.substr(eq + 1);
    TPtyRun run;
    run.Status = std::stoi(fields["STATUS"].empty() ? "-1" : fields["STATUS"]);
    run.Prompts = std::stoi(fields["PROMPTS"].empty() ? "0" : fields["PROMPTS"]);
    run.Cmdline = fields["CMDLINE"];
    run.Terminal = fields["TERMINAL"];
    run.Out = ReadFile(dir.file("out"));
    return run;
}

std::string MakeProtected(const TempDir& dir, const std::string& password) {
    const std::string zip = dir.file("diary.zip");
    TZipWriter w;
    w.SetZipName(zip);
    w.SetStorePaths(true);
    w.ZipPassword = password;
    TMemoryStream text(std::string("dear diary"));
    EXPECT_EQ(w.AddFromStream(&text, "2001\\1\\Week1\\1.rtf"), 1);
    return zip;
}

int Tool(const std::string& command, std::string* out, std::string* err = nullptr) {
    TempDir tmp;
    const int rc = RunCommand(command + " 2> " + ShellQuote(tmp.file("err")), out);
    if (err) *err = ReadFile(tmp.file("err"));
    return rc;
}

} // namespace

TEST(ToolPassword, TypedAtTheTerminalWithoutEchoAndNeverInTheProcessList) {
    TempDir dir;
    const std::string zip = MakeProtected(dir, "Tr0ub4dor");
    const TPtyRun run = OnTerminal(
        dir, "Tr0ub4dor", "['extract', '-p', '-', '" + zip + "', '2001\\\\1\\\\Week1\\\\1.rtf']");
    EXPECT_EQ(run.Status, 0) << run.Terminal;
    EXPECT_EQ(run.Out, "dear diary");
    EXPECT_EQ(run.Prompts, 1);
    EXPECT_NE(run.Cmdline.find("extract -p - "), std::string::npos) << run.Cmdline;
    EXPECT_EQ(run.Cmdline.find("Tr0ub4dor"), std::string::npos) << run.Cmdline;
    EXPECT_EQ(run.Terminal.find("Tr0ub4dor"), std::string::npos) << run.Terminal; // no echo
    // A wrong password typed there is a wrong password like any other.
    const TPtyRun wrong = OnTerminal(dir, "guess", "['test', '-p', '-', '" + zip + "']");
    EXPECT_EQ(wrong.Status, 1);
    EXPECT_EQ(wrong.Out, "FAILED 2001\\1\\Week1\\1.rtf: wrong password\n");
}

TEST(ToolPassword, AddAsksTwiceAtTheTerminalAndStoresNothingWhenTheyDiffer) {
    TempDir dir;
    const std::string zip = dir.file("new.zip"), data = dir.file("entry.rtf");
    WriteFile(data, "private words");
    // The data comes from a file, the password from the terminal.
    WriteFile(dir.file("add.sh"), "exec " + ShellQuote(kTool) + " add -p - --aes " +
                                      ShellQuote(zip) + " 'a.rtf' < " + ShellQuote(data) + "\n");
    const std::string sh = "['-c', 'exec /bin/sh " + dir.file("add.sh") + "']";
    const auto viaShell = [&](const std::string& answers) {
        WriteFile(dir.file("pty_driver.py"), kPtyDriver);
        std::string report;
        RunCommand("python3 " + ShellQuote(dir.file("pty_driver.py")) + " /bin/sh " +
                       ShellQuote(dir.file("out")) + " " + ShellQuote(answers) + " " +
                       ShellQuote(sh),
                   &report);
        return report;
    };
    EXPECT_NE(viaShell("one,two").find("STATUS=2"), std::string::npos);
    EXPECT_FALSE(testsupport::FileExists(zip));
    EXPECT_NE(viaShell("same,same").find("STATUS=0"), std::string::npos);
    std::string out;
    EXPECT_EQ(Tool("DAYSCRIB_PASSWORD=same " + ShellQuote(kTool) + " extract " + ShellQuote(zip) +
                       " a.rtf",
                   &out),
              0);
    EXPECT_EQ(out, "private words");
}

TEST(ToolPassword, FromADescriptorOrTheEnvironment) {
    TempDir dir;
    const std::string zip = MakeProtected(dir, "s\xC3\xA9same"); // typed as UTF-8
    WriteFile(dir.file("pw"), "s\xC3\xA9same\nnext line\n");
    const std::string member = " '2001\\1\\Week1\\1.rtf'";
    std::string out, err;
    // MakeProtected keyed the UTF-8 bytes as they are; the tool keys what is
    // typed as windows-1252 when it can, so this one is the diary's own.
    const std::string ansi = MakeProtected(dir, "s\xE9same");
    EXPECT_EQ(Tool(ShellQuote(kTool) + " extract --password-fd 3 " + ShellQuote(ansi) + member +
                       " 3< " + ShellQuote(dir.file("pw")),
                   &out),
              0);
    EXPECT_EQ(out, "dear diary");
    EXPECT_EQ(Tool("DAYSCRIB_PASSWORD=$(printf 's\\303\\251same') " + ShellQuote(kTool) +
                       " extract " + ShellQuote(ansi) + member,
                   &out),
              0);
    EXPECT_EQ(out, "dear diary");
    // -p wins over the environment; a descriptor that is not open is an error.
    EXPECT_EQ(Tool("DAYSCRIB_PASSWORD=wrong " + ShellQuote(kTool) + " extract -p s\xC3\xA9same " +
                       ShellQuote(ansi) + member,
                   &out),
              0);
    EXPECT_EQ(Tool(ShellQuote(kTool) + " extract --password-fd 9 " + ShellQuote(ansi) + member,
                   &out, &err),
              2);
    EXPECT_NE(err.find("--password-fd 9"), std::string::npos) << err;
    EXPECT_EQ(Tool(ShellQuote(kTool) + " extract --password-fd x " + ShellQuote(ansi) + member,
                   &out, &err),
              2);
    (void)zip;
}

// "-p PASSWORD" still works; once the tool runs, its process-list entry no
// longer shows the password (it waits here for its data on standard input).
TEST(ToolPassword, APasswordArgumentIsBlankedInTheProcessList) {
    TempDir dir;
    const std::string script = R"PY(
import subprocess, sys, time
p = subprocess.Popen([sys.argv[1], 'add', '-p', 'hunter2hunter2', sys.argv[2], 'a.rtf'],
                     stdin=subprocess.PIPE)
deadline, line = time.time() + 60, b''
while time.time() < deadline:
    with open('/proc/%d/cmdline' % p.pid, 'rb') as f:
        line = f.read()
    if b'hunter2' not in line and b'add' in line:
        break
    time.sleep(0.01)
p.communicate(b'words')
print(line.replace(b'\0', b' ').decode(), '|', p.returncode)
)PY";
    WriteFile(dir.file("ps.py"), script);
    std::string out;
    ASSERT_EQ(RunCommand("python3 " + ShellQuote(dir.file("ps.py")) + " " + ShellQuote(kTool) +
                             " " + ShellQuote(dir.file("a.zip")),
                         &out),
              0);
    EXPECT_EQ(out.find("hunter2"), std::string::npos) << out;
    EXPECT_NE(out.find(" add -p "), std::string::npos) << out;
    EXPECT_NE(out.find("| 0"), std::string::npos) << out;
    EXPECT_EQ(Tool(ShellQuote(kTool) + " extract -p hunter2hunter2 " +
                       ShellQuote(dir.file("a.zip")) + " a.rtf",
                   &out),
              0);
    EXPECT_EQ(out, "words");
}

// A name is data, not terminal control: an escape sequence is written as
// text, and a line end in a name cannot make "test" print a line of its own
// (here one that would read "OK" to a script for a member that failed).
TEST(ToolNames, ControlCharactersInNamesAreEscapedInListAndTest) {
    TempDir dir;
    ziptest::RawMember red = ziptest::Stored("\x1B[31mred\x1B[0m.rtf", "fine");
    ziptest::RawMember forged = ziptest::Stored("bad.rtf\nOK forged.rtf", "damaged");
    forged.crc ^= 1;
    ziptest::RawMember c1 = ziptest::Stored("x\x9B"
                                            "2J.rtf",
                                            "fine"); // CSI in the OEM page
    const std::string zip = dir.file("names.zip");
    WriteFile(zip, ziptest::BuildArchive({red, forged, c1}));
    std::string out, err;
    EXPECT_EQ(Tool(ShellQuote(kTool) + " test " + ShellQuote(zip), &out), 1);
    EXPECT_EQ(out.find('\x1B'), std::string::npos);
    std::istringstream lines(out);
    std::vector<std::string> got;
    for (std::string line; std::getline(lines, line);)
        got.push_back(line);
    ASSERT_EQ(got.size(), 3u) << out;
    EXPECT_EQ(got[0], "OK \\x1B[31mred\\x1B[0m.rtf");
    EXPECT_EQ(got[1].rfind("FAILED bad.rtf\\x0AOK forged.rtf: CRC error", 0), 0u) << got[1];
    EXPECT_EQ(got[2].rfind("OK x", 0), 0u) << got[2];
    ASSERT_EQ(Tool(ShellQuote(kTool) + " list " + ShellQuote(zip), &out), 0);
    EXPECT_EQ(out.find('\x1B'), std::string::npos);
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 3) << out;
    EXPECT_NE(out.find(" \\x1B[31mred\\x1B[0m.rtf\n"), std::string::npos) << out;
    EXPECT_NE(out.find(" bad.rtf\\x0AOK forged.rtf\n"), std::string::npos) << out;
    // A name typed for extract is echoed escaped in the error as well.
    EXPECT_EQ(Tool(ShellQuote(kTool) + " extract " + ShellQuote(zip) + " $(printf 'no\\033]0;x')",
                   &out, &err),
              1);
    EXPECT_EQ(err, "dayscrib-zip: no\\x1B]0;x: no such member\n");
}

// The cryptographic library is loaded when an AES member is first met, not
// at every start: saving and reading an unprotected entry never loads it,
// writing or reading an AES one does (the dynamic loader's own trace says
// which libraries a run opened).
TEST(ToolCrypto, TheLibraryIsLoadedOnlyForAnAesMember) {
    TempDir dir;
    const std::string zip = dir.file("diary.zip");
    WriteFile(dir.file("entry"), "dear diary");
    const auto loadsCrypto = [&](const std::string& args, const std::string& input) {
        std::string out, err;
        EXPECT_EQ(Tool("LD_DEBUG=libs " + ShellQuote(kTool) + " " + args + " < " +
                           ShellQuote(dir.file(input)),
                       &out, &err),
                  0)
            << err;
        EXPECT_NE(err.find("calling init"), std::string::npos) << "no loader trace: " << err;
        return err.find("libcrypto") != std::string::npos;
    };
    const std::string plain = " " + ShellQuote(zip) + " '2001\\1\\Week1\\1.rtf'";
    const std::string aes = " " + ShellQuote(zip) + " '2001\\1\\Week1\\2.rtf'";
    EXPECT_FALSE(loadsCrypto("add" + plain, "entry"));
    EXPECT_FALSE(loadsCrypto("extract" + plain, "entry"));
    EXPECT_TRUE(loadsCrypto("add -p pw --aes" + aes, "entry"));
    // A save beside an AES member copies its bytes and needs no key.
    EXPECT_FALSE(loadsCrypto("add" + plain, "entry"));
    EXPECT_TRUE(loadsCrypto("extract -p pw" + aes, "entry"));
    std::string out;
    EXPECT_EQ(Tool(ShellQuote(kTool) + " extract -p pw" + aes, &out), 0);
    EXPECT_EQ(out, "dear diary");
}
