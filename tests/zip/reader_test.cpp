// The archive reader on archives built byte by byte: selection, the
// password loop, the CRC check and its events, the directory cache, the
// name rules and the failure texts.
#include "support/test_support.h"
#include "zip/codec/crc32.h"
#include "zip/exceptions.h"
#include "zip/hooks.h"
#include "zip/stream.h"
#include "zip/zip_crypt.h"
#include "zip/zip_reader.h"
#include "zip_builder.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

using testsupport::TempDir;
using testsupport::WriteFile;
using ziptest::BuildArchive;
using ziptest::RawMember;
using ziptest::Stored;

namespace {

// A stored member encrypted with `password`; the check byte is the CRC's top.
RawMember Encrypted(const std::string& name, const std::string& data, const std::string& password) {
    RawMember m = Stored(name, data);
    std::uint8_t random[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, header[12];
    TZipKeys keys;
    keys.MakeEncryptionHeader(password, m.crc, random, header);
    std::string body = data;
    keys.EncryptBuffer(reinterpret_cast<std::uint8_t*>(body.data()), body.size());
    m.data = std::string(reinterpret_cast<char*>(header), 12) + body;
    m.flags = 1;
    return m;
}

struct HookGuard {
    TEngineHooks saved = EngineHooks();
    ~HookGuard() { EngineHooks() = saved; }
};

class ReaderTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string Archive(const std::vector<RawMember>& members, const std::string& comment = "") {
        std::string path = dir.file("a.zip");
        WriteFile(path, BuildArchive(members, comment));
        return path;
    }
};

} // namespace

TEST_F(ReaderTest, DefaultsOfThePublishedProperties) {
    TZipReader r;
    EXPECT_EQ(r.ThisVersion(), 220);
    EXPECT_EQ(r.ZipName(), "");
    EXPECT_EQ(r.SortMode, ByNone);
    EXPECT_FALSE(r.RecreateDirs);
    EXPECT_EQ(r.OverwriteMode, Prompt);
    EXPECT_FALSE(r.DoAll);
    EXPECT_EQ(r.IncompleteZipMode, izAssumeMulti);
    EXPECT_FALSE(r.KeepZipOpen);
    EXPECT_TRUE(r.DoProcessMessages);
    EXPECT_TRUE(r.RetainAttributes);
    EXPECT_FALSE(r.ReplaceReadOnly);
    EXPECT_FALSE(r.FlushFilesOnClose);
    EXPECT_EQ(r.Count(), 0);
    r.SetRootDir("C:\\x");
    EXPECT_EQ(r.RootDir(), "C:\\x\\");
}

TEST_F(ReaderTest, ExtractsAMemberIgnoringCaseButNeverAFolderEntry) {
    TZipReader r;
    r.SetZipName(Archive({Stored("2001/", ""), Stored("2001/3/Week3/15.rtf", "entry text")}));
    TMemoryStream out;
    EXPECT_EQ(r.ExtractToStream(&out, "2001\\3\\WEEK3\\15.RTF"), 1);
    EXPECT_EQ(out.ToString(), "entry text");
    EXPECT_EQ(r.Count(), 2);
    TMemoryStream folder;
    EXPECT_EQ(r.ExtractToStream(&folder, "2001\\"), 0);
    TMemoryStream none;
    EXPECT_EQ(r.ExtractToStream(&none, "2001\\3\\Week3\\16.rtf"), 0);
}

TEST_F(ReaderTest, WildcardsSelectAndTheSecondMatchFailsItsSizeCheck) {
    TZipReader r;
    r.SetZipName(
        Archive({Stored("a/1.rtf", "one"), Stored("a/2.rtf", "two"), Stored("b.txt", "b")}));
    std::vector<int> ended, badCrc;
    r.OnEndUnZip = [&](TZipReader&, int i, const std::string&) { ended.push_back(i); };
    r.OnBadCRC = [&](TZipReader&, std::uint32_t, std::uint32_t, int i) { badCrc.push_back(i); };
    TMemoryStream out;
    EXPECT_EQ(r.ExtractToStream(&out, "*.rtf"), 1);
    EXPECT_EQ(out.ToString(), "one");
    EXPECT_EQ(ended, std::vector<int>{0});
    EXPECT_EQ(badCrc, std::vector<int>{1});
}

TEST_F(ReaderTest, BlankNameOrMissingStreamReturnsZeroWithoutOpening) {
    TZipReader r;
    r.SetZipName(dir.file("does-not-exist.zip"));
    TMemoryStream out;
    EXPECT_EQ(r.ExtractToStream(&out, " \t\r\n "), 0);
    EXPECT_EQ(r.ExtractToStream(nullptr, "x"), 0);
    EXPECT_EQ(r.DirectoryReads(), 0);
    EXPECT_THROW(r.ExtractToStream(&out, "x"), EFOpenError);
}

TEST_F(ReaderTest, EmptyFileIsAnArchiveWithoutMembers) {
    std::string path = dir.file("empty.zip");
    WriteFile(path, "");
    TZipReader r;
    r.SetZipName(path);
    TMemoryStream out;
    EXPECT_EQ(r.ExtractToStream(&out, "anything.rtf"), 0);
    EXPECT_EQ(r.Count(), 0);
}

TEST_F(ReaderTest, FiveByteFileIsAnIncompleteZip) {
    std::string path = dir.file("five.zip");
    WriteFile(path, "PK\x03\x04x");
    TZipReader r;
    r.SetZipName(path);
    TMemoryStream out;
    try {
        r.ExtractToStream(&out, "a");
        FAIL() << "no exception";
    } catch (const EIncompleteZip& e) {
        EXPECT_STREQ(e.what(), "Incomplete Zip File");
    }
    // The handler may turn the verdict into "not a zip file".
    int events = 0;
    r.OnInCompleteZip = [&](TZipReader&, TIncompleteZipMode& mode) {
        ++events;
        mode = izAssumeNotAZip;
    };
    EXPECT_THROW(r.ExtractToStream(&out, "a"), ENotAZipFile);
    EXPECT_EQ(events, 1);
}

TEST_F(ReaderTest, DirectoryNotWhereTheEndRecordSaysIsABadZipFile) {
    std::string bytes = BuildArchive({Stored("x.txt", "x")});
    bytes[bytes.size() - 6] = 0x01; // central directory start moved by one
    std::string path = dir.file("bad.zip");
    WriteFile(path, bytes);
    TZipReader r;
    r.SetZipName(path);
    TMemoryStream out;
    try {
        r.ExtractToStream(&out, "x.txt");
        FAIL() << "no exception";
    } catch (const EBadZipFile& e) {
        EXPECT_STREQ(e.what(), "Not a valid zip file!");
    }
    // A failed read is never taken for a cached directory.
    EXPECT_THROW(r.ExtractToStream(&out, "x.txt"), EBadZipFile);
    EXPECT_EQ(r.Count(), 0);
}

TEST_F(ReaderTest, TwoMembersAtOneOffsetAreADuplicate) {
    std::string bytes = BuildArchive({Stored("a", "1"), Stored("b", "2")});
    // Point the second central header's local offset at the first member.
    std::size_t second = bytes.rfind(std::string("PK\x01\x02", 4));
    bytes[second + 42] = 0;
    std::string path = dir.file("dup.zip");
    WriteFile(path, bytes);
    TZipReader r;
    r.SetZipName(path);
    TMemoryStream out;
    try {
        r.ExtractToStream(&out, "a");
        FAIL() << "no exception";
    } catch (const EListError& e) {
        EXPECT_STREQ(e.what(), "Duplicate Object index");
    }
}

TEST_F(ReaderTest, DamagedCrcRaisesOnBadCrcWithBothValuesAndLeavesTheStreamEmpty) {
    RawMember m = Stored("x.txt", "some text");
    const std::uint32_t right = m.crc;
    m.crc ^= 0x00010000u;
    TZipReader r;
    r.SetZipName(Archive({m}));
    std::uint32_t calc = 0, stored = 0;
    int index = -1;
    r.OnBadCRC = [&](TZipReader&, std::uint32_t c, std::uint32_t s, int i) {
        calc = c;
        stored = s;
        index = i;
    };
    TMemoryStream out;
    EXPECT_EQ(r.ExtractToStream(&out, "x.txt"), 0);
    EXPECT_EQ(calc, right);
    EXPECT_EQ(stored, right ^ 0x00010000u);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(out.Size(), 0);
}

TEST_F(ReaderTest, UnknownMethodWithCrcZeroPassesWithEmptyOutput) {
    HookGuard guard;
    std::vector<std::string> boxes;
    EngineHooks().MessageBox = [&](const std::string& text, const std::string& caption) {
        boxes.push_back(caption + ": " + text);
    };
    RawMember m;
    m.name = "odd.bin";
    m.method = 99;
    m.data = "whatever";
    m.crc = 0;
    RawMember n = m;
    n.name = "odd2.bin";
    n.crc = 0x1234;
    TZipReader r;
    r.SetZipName(Archive({m, n}));
    TMemoryStream out;
    EXPECT_EQ(r.ExtractToStream(&out, "odd.bin"), 1);
    EXPECT_EQ(out.Size(), 0);
    EXPECT_EQ(boxes, std::vector<std::string>{"Zip Error: Unknown Compression Method"});
    TMemoryStream out2;
    EXPECT_EQ(r.ExtractToStream(&out2, "odd2.bin"), 0);
}

TEST_F(ReaderTest, StoredMemberOfAShortArchiveIsAPrematureEnd) {
    RawMember m = Stored("x.txt", std::string(100, 'x'));
    std::string bytes = BuildArchive({m});
    // Claim 5000 compressed bytes for the member: the file is far shorter.
    std::size_t central = bytes.rfind(std::string("PK\x01\x02", 4));
    bytes[central + 20] = static_cast<char>(0x88);
    bytes[central + 21] = 0x13;
    std::string path = dir.file("short.zip");
    WriteFile(path, bytes);
    TZipReader r;
    r.SetZipName(path);
    TMemoryStream out;
    try {
        r.ExtractToStream(&out, "x.txt");
        FAIL() << "no exception";
    } catch (const EFatalUnzipError& e) {
        EXPECT_STREQ(e.what(), "Premature end of file reached");
    }
    EXPECT_EQ(out.Size(), 0); // what came before the failure was cut away
}

TEST_F(ReaderTest, WrongPasswordWithoutHandlerSkipsTheMember) {
    TZipReader r;
    r.SetZipName(Archive({Encrypted("p.rtf", "protected", "right")}));
    r.ZipPassword = "wrong";
    std::vector<std::string> skipped;
    r.OnSkippingFile = [&](TZipReader&, TSkipReason why, const std::string& name, int i, bool&) {
        skipped.push_back(std::to_string(why) + " " + name + " " + std::to_string(i));
    };
    TMemoryStream out;
    EXPECT_EQ(r.ExtractToStream(&out, "p.rtf"), 0);
    EXPECT_EQ(skipped, std::vector<std::string>{"0 p.rtf 0"});
    r.ZipPassword = "right";
    EXPECT_EQ(r.ExtractToStream(&out, "p.rtf"), 1);
    EXPECT_EQ(out.ToString(), "protected");
}

TEST_F(ReaderTest, HandlerReturningTheSamePasswordEndsWithZeroAndNoException) {
    TZipReader r;
    r.SetZipName(Archive({Encrypted("p.rtf", "protected", "right")}));
    int calls = 0;
    r.OnBadPassword = [&](TZipReader&, int index, TPassword& pw) {
        ++calls;
        EXPECT_EQ(index, 0);
        pw = "wrong"; // the same as ZipPassword
    };
    r.ZipPassword = "wrong";
    TMemoryStream out;
    int n = -1;
    EXPECT_NO_THROW(n = r.ExtractToStream(&out, "p.rtf"));
    EXPECT_EQ(n, 0);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(out.Size(), 0);
}

TEST_F(ReaderTest, SilentDefaultFirstThenThePromptedPassword) {
    TZipReader r;
    r.SetZipName(Archive({Encrypted("p.rtf", "protected", "typed")}));
    std::vector<std::string> offered;
    r.OnBadPassword = [&](TZipReader&, int, TPassword& pw) {
        offered.emplace_back(pw.View());
        pw = offered.size() == 1 ? "profile-default" : "typed";
    };
    TMemoryStream out;
    EXPECT_EQ(r.ExtractToStream(&out, "p.rtf"), 1);
    EXPECT_EQ(out.ToString(), "protected");
    EXPECT_EQ(offered, (std::vector<std::string>{"", "profile-default"}));
    EXPECT_EQ(r.ZipPassword, "typed");
}

TEST_F(ReaderTest, PasswordPassingTheCheckButFailingTheCrcGetsOneMoreChance) {
    // Find a wrong password whose check byte happens to match.
    RawMember m = Encrypted("p.rtf", "protected text", "right");
    std::string wrong;
    for (int i = 0; i < 100000 && wrong.empty(); ++i) {
        std::string candidate = "w" + std::to_string(i);
        TZipKeys k;
        TMemoryStream s(m.data.substr(0, 12));
        if (k.DecryptHeader(candidate, s) == static_cast<std::uint8_t>(m.crc >> 24))
            wrong = candidate;
    }
    ASSERT_FALSE(wrong.empty());
    TZipReader r;
    r.SetZipName(Archive({m}));
    r.ZipPassword = wrong;
    int calls = 0;
    r.OnBadPassword = [&](TZipReader&, int, TPassword& pw) {
        ++calls;
        pw = "right";
    };
    TMemoryStream out;
    EXPECT_EQ(r.ExtractToStream(&out, "p.rtf"), 1);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(out.ToString(), "protected text"); // the failed attempt left nothing behind
}

TEST_F(ReaderTest, DirectoryReadOnceUntilTheFileChanges) {
    std::string path = Archive({Stored("x.txt", "one")});
    TZipReader r;
    r.SetZipName(path);
    TMemoryStream a, b, c;
    EXPECT_EQ(r.ExtractToStream(&a, "x.txt"), 1);
    EXPECT_EQ(r.ExtractToStream(&b, "x.txt"), 1);
    EXPECT_EQ(r.DirectoryReads(), 1);
    // Touch: a new modification time only one nanosecond later.
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    struct timespec times[2] = {st.st_atim, st.st_mtim};
    times[1].tv_nsec = (times[1].tv_nsec + 1) % 1000000000;
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    EXPECT_EQ(r.ExtractToStream(&c, "x.txt"), 1);
    EXPECT_EQ(r.DirectoryReads(), 2);
}

TEST_F(ReaderTest, RewriteWithinTheSameSecondIsSeen) {
    std::string path = Archive({Stored("x.txt", "one")});
    TZipReader r;
    r.KeepZipOpen = true;
    r.SetZipName(path);
    TMemoryStream a;
    EXPECT_EQ(r.ExtractToStream(&a, "x.txt"), 1);
    struct stat before {};
    stat(path.c_str(), &before);
    // Replace the archive by a new file (as the writer does) and give it the
    // very same modification time: the new identity still tells.
    std::string other = dir.file("b.zip");
    WriteFile(other, BuildArchive({Stored("x.txt", "two"), Stored("y.txt", "new")}));
    struct timespec times[2] = {before.st_atim, before.st_mtim};
    utimensat(AT_FDCWD, other.c_str(), times, 0);
    ASSERT_EQ(rename(other.c_str(), path.c_str()), 0);
    TMemoryStream b;
    EXPECT_EQ(r.ExtractToStream(&b, "y.txt"), 1);
    EXPECT_EQ(b.ToString(), "new");
    EXPECT_EQ(r.DirectoryReads(), 2);
}

TEST_F(ReaderTest, ZipNameRules) {
    HookGuard guard;
    std::string path = Archive({Stored("x.txt", "one")});
    TZipReader r;
    r.SetZipName(path);
    TMemoryStream a;
    r.ExtractToStream(&a, "x.txt");
    // The very same name keeps the cached directory.
    r.SetZipName(path);
    EXPECT_EQ(r.Count(), 1);
    // The same name in other letters is another file here: it is never
    // mistaken for the cached archive.
    std::string upper = path;
    upper.replace(upper.size() - 5, 5, "A.ZIP");
    WriteFile(upper, BuildArchive({Stored("y.txt", "two")}, ""));
    r.SetZipName(upper);
    EXPECT_EQ(r.ZipName(), upper);
    TMemoryStream other;
    EXPECT_EQ(r.ExtractToStream(&other, "y.txt"), 1);
    EXPECT_EQ(other.ToString(), "two");
    EXPECT_EQ(r.ExtractToStream(&other, "x.txt"), 0);
    // A different name discards it.
    r.SetZipName(dir.file("other.zip"));
    EXPECT_EQ(r.Count(), 0);
    // "?" asks the dialog; Cancel raises.
    std::string title, filter, start;
    EngineHooks().OpenFileDialog = [&](const std::string& t, const std::string& f,
                                       const std::string& s, std::string&) {
        title = t;
        filter = f;
        start = s;
        return false;
    };
    try {
        r.SetZipName(dir.path() + "/?");
        FAIL() << "no exception";
    } catch (const EUserCanceled& e) {
        EXPECT_STREQ(e.what(), "User canceled setting zip file name.");
    }
    EXPECT_EQ(title, "Open a Zip File");
    EXPECT_EQ(filter, "Zip Files (*.ZIP)|*.zip|SFX Files (*.EXE)|*.exe|Jar Files (*.JAR)|*.jar|"
                      "All Files (*.*)|*.*");
    EXPECT_EQ(start, dir.path() + "/");
    EngineHooks().OpenFileDialog = [&](const std::string&, const std::string&, const std::string& s,
                                       std::string& chosen) {
        start = s;
        chosen = path;
        return true;
    };
    r.SetZipName("/no/such/folder/?");
    EXPECT_EQ(start, "/");
    EXPECT_EQ(r.ZipName(), path);
    r.ResetArchive();
    EXPECT_EQ(r.ZipName(), "");
}

TEST_F(ReaderTest, CommentsOnDemand) {
    RawMember m = Stored("x.txt", "one");
    m.comment = "member note";
    TZipReader r;
    r.SetZipName(Archive({Stored("a.txt", "a"), m}, "archive note"));
    EXPECT_EQ(r.GetArchiveComment(), "archive note");
    EXPECT_EQ(r.GetFileComment(1), "member note");
    EXPECT_EQ(r.GetFileComment(0), "");
    try {
        r.GetFileComment(2);
        FAIL() << "no exception";
    } catch (const EListError& e) {
        EXPECT_STREQ(e.what(), "Index 2 is out of range");
    }
    EXPECT_THROW(r.GetFileComment(-1), EListError);
}

TEST_F(ReaderTest, EventsAroundAnExtraction) {
    std::string big(40000, 'b');
    TZipReader r;
    r.SetZipName(Archive({Stored("big.bin", big), Stored("small.txt", "s")}));
    std::vector<std::string> log;
    std::vector<int> file, total;
    r.OnStartUnZipInfo = [&](TZipReader&, int n, std::int64_t bytes, bool&) {
        log.push_back("info " + std::to_string(n) + " " + std::to_string(bytes));
    };
    r.OnStartUnZip = [&](TZipReader&, int i, std::string& fname, bool&) {
        log.push_back("start " + std::to_string(i) + " [" + fname + "]");
    };
    r.OnEndUnZip = [&](TZipReader&, int i, const std::string&) {
        log.push_back("end " + std::to_string(i));
    };
    r.OnUnZipComplete = [&](TZipReader&, int n) { log.push_back("complete " + std::to_string(n)); };
    r.OnFilePercentDone = [&](TZipReader&, int p) { file.push_back(p); };
    r.OnTotalPercentDone = [&](TZipReader&, int p) { total.push_back(p); };
    TMemoryStream out;
    EXPECT_EQ(r.ExtractToStream(&out, "big.bin"), 1);
    EXPECT_EQ(log, (std::vector<std::string>{"info 1 40000", "start 0 []", "end 0", "complete 1"}));
    EXPECT_EQ(file, (std::vector<int>{40, 80, 100}));
    EXPECT_EQ(total, (std::vector<int>{40, 80, 100}));

    // Skip from OnStartUnZip; StopNow from OnStartUnZipInfo.
    r.OnStartUnZip = [&](TZipReader&, int, std::string&, bool& skip) { skip = true; };
    TMemoryStream skipped;
    EXPECT_EQ(r.ExtractToStream(&skipped, "small.txt"), 0);
    r.OnStartUnZip = nullptr;
    r.OnStartUnZipInfo = [&](TZipReader&, int, std::int64_t, bool& stop) { stop = true; };
    EXPECT_EQ(r.ExtractToStream(&skipped, "small.txt"), 0);
    EXPECT_EQ(skipped.Size(), 0);
}

TEST_F(ReaderTest, ExtractingByIndexTakesExactlyThatMember) {
    TZipReader r;
    r.SetZipName(Archive({Stored("A.txt", "upper"), Stored("a.txt", "lower")}));
    TMemoryStream byName;
    EXPECT_EQ(r.ExtractToStream(&byName, "a.txt"), 1); // the first in view order
    EXPECT_EQ(byName.ToString(), "upper");
    TMemoryStream second;
    EXPECT_EQ(r.ExtractIndexToStream(&second, 1), 1);
    EXPECT_EQ(second.ToString(), "lower");
    EXPECT_THROW(r.ExtractIndexToStream(&second, 2), EListError);
}

TEST_F(ReaderTest, SortedViewOrdersTheMembers) {
    TZipReader r;
    r.SortMode = ByName;
    r.SetZipName(Archive({Stored("c.txt", "c"), Stored("a.txt", "a"), Stored("b.txt", "b")}));
    r.OpenArchive();
    ASSERT_EQ(r.Count(), 3);
    EXPECT_EQ(r.Member(0).FileName(), "a.txt");
    EXPECT_EQ(r.Member(2).FileName(), "c.txt");
    TMemoryStream out;
    EXPECT_EQ(r.ExtractToStream(&out, "B.TXT"), 1);
    EXPECT_EQ(out.ToString(), "b");
}
