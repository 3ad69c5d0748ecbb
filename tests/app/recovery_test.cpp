// No typing lost on a crash: a child program types into an entry and is
// killed before storing it; the next start offers the text back.
#include "app/recovery_keeper.h"
#include "store/recovery.h"
#include "support/child_process.h"
#include "support/diary_window.h"

#include <QFile>
#include <QProcess>
#include <QTabBar>
#include <QThread>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sys/stat.h>

using namespace testsupport;
using TKind = TScriptedPrompts::TKind;

namespace {

QString RecoveryFile() {
    return QString::fromStdString(ConfigFolder() + RecoveryFileName);
}

bool WaitFor(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        QApplication::processEvents();
        QThread::msleep(10);
    }
    return true;
}

// Says READY once the recovery file is there, then runs the window until the
// test kills it; 3 when the file never came.
int ReadyOnceTheRecoveryFileIsThere() {
    if (!WaitFor([] { return QFile::exists(RecoveryFile()); })) return 3;
    std::printf("READY\n");
    std::fflush(stdout);
    for (;;) {
        QApplication::processEvents();
        QThread::msleep(10);
    }
}

// The child: the program's window, the 15th of March 2000 opened, the text
// typed, and then nothing but waiting to be killed.
int TypingChild(const QStringList& args) {
    TRecoveryKeeper::IntervalMs = 50;
    TScriptedPrompts prompts;
    TMainForm form(prompts);
    form.show();
    if (!form.Nav->GoToDate(QDate(2000, 3, 15))) return 2;
    QTest::keyClicks(form.Editor, args.value(0));
    return ReadyOnceTheRecoveryFileIsThere();
}
const TChildRegistration typingChild("typing", TypingChild);

// The child of the attacker's scenario: under the usual umask, the 15th of
// March 2000 is protected with the password args[0] (typed twice), the text
// args[1] typed, and the program waits to be killed.
int ProtectingChild(const QStringList& args) {
    ::umask(022);
    TRecoveryKeeper::IntervalMs = 50;
    TScriptedPrompts prompts;
    prompts.Inputs = {args.value(0), args.value(0)};
    TMainForm form(prompts);
    form.show();
    if (!form.Nav->GoToDate(QDate(2000, 3, 15))) return 2;
    form.Protect1->trigger();
    if (!prompts.Inputs.empty()) return 4;
    QTest::keyClicks(form.Editor, args.value(1));
    return ReadyOnceTheRecoveryFileIsThere();
}
const TChildRegistration protectingChild("protecting", ProtectingChild);

// Every file and folder under `root`, with its permission bits.
std::vector<std::pair<std::string, unsigned>> Tree(const std::string& root) {
    std::vector<std::pair<std::string, unsigned>> found;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
        struct stat st {};
        if (::lstat(e.path().c_str(), &st) == 0) found.emplace_back(e.path(), st.st_mode & 07777);
    }
    return found;
}

class Recovery : public TDiaryWindowTest {
protected:
    // Runs the child until its text is kept, then kills it as a crash would.
    void TypeAndKill(const QString& text, const QString& password = QString()) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    password.isEmpty() ? QStringList{"--child=typing", text}
                                       : QStringList{"--child=protecting", password, text});
        ASSERT_TRUE(child.waitForStarted(60000));
        ASSERT_TRUE(WaitFor([&] {
            return child.readAllStandardOutput().contains("READY") ||
                   child.state() == QProcess::NotRunning;
        }));
        ASSERT_EQ(child.state(), QProcess::Running) << child.readAllStandardError().toStdString();
        child.kill(); // SIGKILL
        ASSERT_TRUE(child.waitForFinished(60000));
    }
    QString Asked() const {
        for (const auto& a : prompts.Asked)
            if (a.Kind == TKind::Confirm) return a.Text;
        return {};
    }
};

} // namespace

TEST_F(Recovery, TextTypedBeforeAKillIsOfferedAndRestoredIntoItsEntry) {
    // A diary named in letters windows-1252 lacks, offered in the system's
    // language: the entry by its date, the diary by its name as typed.
    WriteIni("User1Name=\xD0\x94\xD0\xBD\xD0\xB5\xD0\xB2\xD0\xBD\xD0\xB8\xD0\xBA\n");
    TypeAndKill("words not yet stored");
    ASSERT_TRUE(QFile::exists(RecoveryFile()));
    EXPECT_FALSE(FileExists(Archive())); // nothing was stored
    prompts.Confirms = {TConfirmAnswer::Yes};
    const TScopedLocale german(QLocale(QLocale::German, QLocale::Germany));
    Start();
    EXPECT_EQ(Asked(),
              QString::fromUtf8("Restore the unsaved text of Mittwoch 15 M\xC3\xA4rz 2000 "
                                "(\xD0\x94\xD0\xBD\xD0\xB5\xD0\xB2\xD0\xBD\xD0\xB8\xD0\xBA)?"));
    EXPECT_EQ(form->TabSet->tabText(0),
              QString::fromUtf8("\xD0\x94\xD0\xBD\xD0\xB5\xD0\xB2\xD0\xBD\xD0\xB8\xD0\xBA"));
    EXPECT_EQ(Member(), Day15);
    EXPECT_EQ(Text(), "words not yet stored");
    EXPECT_TRUE(form->Editor->Modified());
    EXPECT_EQ(Panel(1), "Modified");
    Select16(); // a store removes it
    EXPECT_EQ(Check().Text(Day15), "words not yet stored\n");
    EXPECT_FALSE(QFile::exists(RecoveryFile()));
}

TEST_F(Recovery, NoDiscardsTheTextAndCancelKeepsItForTheNextStart) {
    WriteIni();
    TypeAndKill("maybe later");
    prompts.Confirms = {TConfirmAnswer::Cancel};
    Start();
    EXPECT_FALSE(form->Editor->Modified());
    ASSERT_TRUE(form->close());
    form.reset();
    EXPECT_TRUE(QFile::exists(RecoveryFile())); // not this run's to remove
    prompts.Confirms = {TConfirmAnswer::No};
    Start();
    EXPECT_FALSE(QFile::exists(RecoveryFile()));
    EXPECT_FALSE(form->Editor->Modified());
}

TEST_F(Recovery, KeptWhileModifiedAndRemovedByANormalClose) {
    WriteIni();
    Start();
    Select15();
    form->Recovery->KeepNow();
    EXPECT_FALSE(QFile::exists(RecoveryFile())); // nothing unsaved
    Type("draft");
    form->Recovery->KeepNow();
    ASSERT_TRUE(QFile::exists(RecoveryFile()));
    const std::optional<TRecovery> kept =
        ReadRecoveryFile(RecoveryFile().toStdString(), {}, {}).Recovery;
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->Member, Day15);
    EXPECT_EQ(kept->Profile, 1);
    EXPECT_EQ(kept->DataPath, Folder());
    EXPECT_NE(kept->Rtf.find("draft"), std::string::npos);
    ASSERT_TRUE(form->close());
    EXPECT_FALSE(QFile::exists(RecoveryFile()));
}

TEST(RecoveryFile, ReadsBackWhatWasWrittenAndRefusesAnythingElse) {
    TRecovery r{3, "Work", "D:\\Diary\\", "2001\\Summary.rtf", "{\\rtf1 x\n\ny}"};
    const std::optional<TRecovery> back = ParseRecovery(FormatRecovery(r));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->Profile, 3);
    EXPECT_EQ(back->ProfileName, "Work");
    EXPECT_EQ(back->DataPath, "D:\\Diary\\");
    EXPECT_EQ(back->Member, "2001\\Summary.rtf");
    EXPECT_EQ(back->Rtf, r.Rtf);
    const std::string good = FormatRecovery(r);
    for (const std::string& bad : {std::string(), std::string("{\\rtf1}"), good.substr(0, 30),
                                   FormatRecovery({7, "", "", "2001\\Summary.rtf", ""}),
                                   FormatRecovery({1, "", "", "Template.rtf", ""})})
        EXPECT_FALSE(ParseRecovery(bad)) << bad;
}

// The attacker's try: an entry is protected, typed into, and the program
// killed before it stored anything. No file under the home or data folders
// holds the words in clear, and every one is its owner's alone; the next
// start asks for the password before it names the entry, Cancel keeps the
// file for later, and the restored text is stored with that password.
TEST_F(Recovery, AProtectedEntrysUnsavedTextIsSealedAndAskedForBeforeItIsOffered) {
    WriteIni();
    ::chmod((folders.configDir() + "/Dayscrib.INI").c_str(), 0600); // the test wrote it
    const std::string words = "midnight confession";
    TypeAndKill(QString::fromStdString(words), "hunter2");
    ASSERT_TRUE(QFile::exists(RecoveryFile()));
    EXPECT_EQ(RecoveryFormOf(RecoveryFile().toStdString()), TRecoveryForm::Sealed);
    for (const std::string& root : {folders.root(), scratch.path()})
        for (const auto& [path, mode] : Tree(root)) {
            EXPECT_EQ(mode & 077, 0u) << path << " is " << std::oct << mode;
            if (std::filesystem::is_regular_file(path)) {
                EXPECT_EQ(ReadFile(path).find(words), std::string::npos) << path;
            }
        }
    // Without the password the file gives nothing away.
    EXPECT_TRUE(ReadRecoveryFile(RecoveryFile().toStdString(), {"guess"}, {}).GaveUp);

    prompts.Inputs = {std::nullopt}; // Cancel at the password
    Start();
    ASSERT_EQ(prompts.Count(TKind::Input), 1);
    EXPECT_EQ(prompts.Asked[0].Text, TMainForm::RecoveryPasswordPrompt);
    EXPECT_TRUE(prompts.Asked[0].Masked);
    EXPECT_EQ(prompts.Count(TKind::Confirm), 0); // nothing named or shown
    EXPECT_FALSE(form->Editor->Modified());
    ASSERT_TRUE(form->close());
    form.reset();
    ASSERT_TRUE(QFile::exists(RecoveryFile()));

    prompts.Asked.clear();
    prompts.Inputs = {QString("wrong"), QString("hunter2")};
    prompts.Confirms = {TConfirmAnswer::Yes};
    const TScopedLocale english(QLocale(QLocale::English, QLocale::UnitedKingdom));
    Start();
    EXPECT_EQ(prompts.Count(TKind::Input), 2); // asked again after the wrong one
    EXPECT_EQ(Asked(), "Restore the unsaved text of Wednesday 15 March 2000 (User1)?");
    EXPECT_EQ(Member(), Day15);
    EXPECT_TRUE(Text().contains(QString::fromStdString(words)));
    EXPECT_EQ(Panel(2), "Password Protected");
    // Kept again by this run, sealed as before.
    form->Recovery->KeepNow();
    EXPECT_EQ(RecoveryFormOf(form->Recovery->FileName().toStdString()), TRecoveryForm::Sealed);
    Select16();
    EXPECT_TRUE(Check().Info(Day15).Encrypted);
    EXPECT_NE(Check().Text(Day15, "hunter2").find(words), std::string::npos);
    EXPECT_EQ(ReadFile(Archive()).find(words), std::string::npos);
    EXPECT_FALSE(QFile::exists(RecoveryFile()));
    struct stat st {};
    ASSERT_EQ(::stat(Archive().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
}
