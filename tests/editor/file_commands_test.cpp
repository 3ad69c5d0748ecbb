// Save and Save As from the running window: the archive for Save, an RTF
// file written whole for Save As, and the answers to "OK to overwrite".
#include "editor/file_commands.h"
#include "editor_window.h"
#include "rtf/rtf_text.h"
#include "zip/stream.h"
#include "zip/zip_reader.h"

#include <QAction>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>

using testsupport::ReadFile;
using testsupport::WriteFile;
using TKind = TScriptedPrompts::TKind;

namespace {

// Files this process writes may not grow past `bytes` while the object
// lives: a write beyond fails (EFBIG) instead of raising SIGXFSZ.
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t bytes) {
        oldHandler_ = signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &old_);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~TFileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit old_{};
    sighandler_t oldHandler_;
};

class FileCommands : public edtest::EditorWindow {
protected:
    void SetUp() override {
        Start();
        Type("Dear diary, caf");
        Ed().textCursor().insertText(QString::fromUtf8("\xC3\xA9")); // no key types it here
        Type(" today.");
    }
    std::string Exported(const std::string& name) { return scratch.file(name); }
    void SaveAs(const std::string& path) {
        prompts->FileNames.push_back(QString::fromStdString(path));
        form->FileSaveAsCmd->trigger();
    }
    // Everything but the one file that should be there.
    std::vector<std::string> Leftovers(const std::string& keep) {
        std::vector<std::string> left;
        for (const std::string& f : testsupport::ListDir(scratch.path()))
            if (f != keep && f != "profile1") left.push_back(f);
        return left;
    }
};

} // namespace

TEST_F(FileCommands, SaveAsWritesTheWholeTextAsRtfAndClearsTheModifiedMark) {
    ASSERT_EQ(Panel(1), "Modified");
    SaveAs(Exported("entry.rtf"));
    const std::string rtf = ReadFile(Exported("entry.rtf"));
    EXPECT_TRUE(rtf.starts_with("{\\rtf1")) << rtf;
    EXPECT_EQ(RtfToPlainText(rtf), "Dear diary, caf\xC3\xA9 today.\n");
    EXPECT_FALSE(Ed().Modified());
    EXPECT_EQ(Panel(1), "");
    EXPECT_TRUE(Leftovers("entry.rtf").empty());
    // The dialog started in the documents folder; the archive was not touched.
    ASSERT_EQ(prompts->Count(TKind::SaveFile), 1);
    EXPECT_EQ(prompts->Asked[0].Text, form->SaveDialogFolder);
    EXPECT_FALSE(form->SaveDialogFolder.isEmpty());
    EXPECT_FALSE(testsupport::FileExists(Archive()));
    EXPECT_EQ(prompts->Count(TKind::Confirm), 0);
}

// Save As writes the text without a password: for a protected entry the
// file is its owner's alone, also over an existing file that was not, and
// the user is told; an unprotected entry's file is an ordinary one.
TEST_F(FileCommands, SaveAsOfAProtectedEntryWritesAFileForItsOwnerAloneAndSaysSo) {
    const mode_t mask = ::umask(022);
    SaveAs(Exported("plain.rtf"));
    prompts->Inputs = {QString("pw"), QString("pw")};
    form->Protect1->trigger();
    ASSERT_EQ(Panel(2), "Password Protected (AES-256)");
    WriteFile(Exported("entry.rtf"), "old");
    ::chmod(Exported("entry.rtf").c_str(), 0644);
    prompts->Confirms = {TConfirmAnswer::Yes};
    SaveAs(Exported("entry.rtf"));
    ::umask(mask);
    struct stat st {};
    ASSERT_EQ(::stat(Exported("plain.rtf").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
    ASSERT_EQ(::stat(Exported("entry.rtf").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(RtfToPlainText(ReadFile(Exported("entry.rtf"))).find("Dear diary"), 0u);
    EXPECT_EQ(prompts->Messages(),
              QStringList{QString::fromStdString(Exported("entry.rtf")) +
                          " holds the text of a protected entry without a password, so it was "
                          "made readable by you alone. Anyone you give it to, or who can read "
                          "it as you, can read the text."});
}

TEST_F(FileCommands, AnExistingFileAnsweredNoOrCancelIsNotTouched) {
    const std::string path = Exported("old.rtf");
    WriteFile(path, "old content");
    struct stat before {};
    ASSERT_EQ(stat(path.c_str(), &before), 0);
    for (TConfirmAnswer answer : {TConfirmAnswer::No, TConfirmAnswer::Cancel}) {
        prompts->Confirms.push_back(answer);
        SaveAs(path);
        EXPECT_EQ(ReadFile(path), "old content");
        EXPECT_TRUE(Ed().Modified());
        EXPECT_EQ(Panel(1), "Modified");
    }
    struct stat after {};
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino); // not even replaced by a copy
    EXPECT_TRUE(Leftovers("old.rtf").empty());
    ASSERT_EQ(prompts->Count(TKind::Confirm), 2);
    EXPECT_EQ(prompts->Asked.back().Text, QString::fromStdString("OK to overwrite " + path));
    prompts->Confirms.push_back(TConfirmAnswer::Yes);
    SaveAs(path);
    EXPECT_TRUE(ReadFile(path).starts_with("{\\rtf1"));
    EXPECT_FALSE(Ed().Modified());
    // Cancelling the save dialog itself asks nothing more.
    form->FileSaveAsCmd->trigger();
    EXPECT_EQ(prompts->Count(TKind::Confirm), 3);
}

TEST_F(FileCommands, TheTextFilterStillWritesRtfThatLibreOfficeReads) {
    ASSERT_TRUE(testsupport::HaveProgram("soffice"));
    const std::string path = Exported("entry.txt");
    SaveAs(path);
    ASSERT_TRUE(ReadFile(path).starts_with("{\\rtf1"));
    // LibreOffice would take a .txt for plain text by its name; told to read
    // it as RTF it finds the same text.
    const std::string cmd = "soffice -env:UserInstallation=file://" + scratch.path() +
                            "/lo-profile --headless --infilter='Rich Text Format' --convert-to "
                            "'txt:Text (encoded):UTF8' --outdir " +
                            testsupport::ShellQuote(scratch.path() + "/out") + " " +
                            testsupport::ShellQuote(path) + " >/dev/null 2>&1";
    ASSERT_EQ(testsupport::RunCommand(cmd), 0);
    std::string text = ReadFile(scratch.path() + "/out/entry.txt");
    if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    EXPECT_EQ(text, "Dear diary, caf\xC3\xA9 today.");
}

TEST_F(FileCommands, AFileThatCannotBeCreatedIsReportedAndKeepsTheModifiedFlag) {
    const std::string path = scratch.path() + "/no/such/folder/entry.rtf";
    SaveAs(path);
    EXPECT_EQ(prompts->Messages(),
              QStringList{QString::fromStdString("Cannot create file " + path)});
    EXPECT_TRUE(Ed().Modified());
    EXPECT_FALSE(testsupport::FileExists(path));
}

TEST_F(FileCommands, AWriteThatFailsKeepsTheOldFileAndTheModifiedFlag) {
    const std::string path = Exported("entry.rtf");
    WriteFile(path, "kept");
    prompts->Confirms.push_back(TConfirmAnswer::Yes);
    {
        TFileSizeLimit limit(16); // the export is longer: its write fails
        SaveAs(path);
    }
    EXPECT_EQ(ReadFile(path), "kept");
    EXPECT_EQ(prompts->Messages(), QStringList{"Failed to Save Stream"});
    EXPECT_TRUE(Ed().Modified());
    EXPECT_EQ(Panel(1), "Modified");
    EXPECT_TRUE(Leftovers("entry.rtf").empty()); // no temporary file left
}

TEST_F(FileCommands, SaveStoresTheEntryInTheArchiveOnly) {
    form->FileSaveCmd->trigger();
    EXPECT_FALSE(Ed().Modified());
    EXPECT_EQ(Panel(1), "");
    TZipReader reader;
    reader.SetZipName(Archive());
    TMemoryStream stream;
    ASSERT_EQ(reader.ExtractToStream(&stream, form->Nav->CurrentMember()), 1);
    EXPECT_EQ(RtfToPlainText(stream.ToString()), "Dear diary, caf\xC3\xA9 today.\n");
    EXPECT_TRUE(Leftovers("").empty());
    EXPECT_TRUE(prompts->Asked.empty());
}

TEST(WriteFileWhole, FailuresLeaveNothingBehind) {
    testsupport::TempDir dir;
    EXPECT_EQ(WriteFileWhole(QString::fromStdString(dir.file("a.rtf")), "{\\rtf1 x}"),
              TExportResult::Written);
    EXPECT_EQ(ReadFile(dir.file("a.rtf")), "{\\rtf1 x}");
    EXPECT_EQ(WriteFileWhole(QString::fromStdString(dir.file("missing/a.rtf")), "x"),
              TExportResult::CannotCreate);
    {
        TFileSizeLimit limit(4);
        EXPECT_EQ(WriteFileWhole(QString::fromStdString(dir.file("b.rtf")), "{\\rtf1 too long}"),
                  TExportResult::WriteFailed);
    }
    EXPECT_EQ(testsupport::ListDir(dir.path()), std::vector<std::string>{"a.rtf"});
}

// Save As through Qt's own dialogs, as a person meets them: a file that
// exists is asked about once, in the program's words, and not first by the
// file dialog.
TEST(SaveAsDialogs, AnExistingFileIsAskedAboutOnce) {
    testsupport::TempDir dir;
    const std::string path = dir.file("entry.rtf");
    WriteFile(path, "old content");
    TQtPrompts prompts;
    TRichEdit editor;
    editor.setPlainText("new words");
    editor.SetModified(true);
    const QString folder = QString::fromStdString(dir.path()); // held by the commands
    TFileCommands commands(
        &editor, prompts, [] { return true; }, [](bool) {}, folder);

    // Every dialog in turn, also one a dialog opens above itself: the file
    // dialog gets the name typed, each message box is recorded and answered
    // Yes. A property marks the ones answered.
    QStringList questions;
    int fileDialogs = 0;
    QTimer answerer;
    answerer.setInterval(10);
    QObject::connect(&answerer, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (!w->isVisible() || w->property("answered").toBool()) continue;
            if (auto* box = qobject_cast<QMessageBox*>(w)) {
                w->setProperty("answered", true);
                questions << box->text();
                box->button(QMessageBox::Yes)->click();
                return;
            }
        }
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* files = qobject_cast<QFileDialog*>(w);
            if (!files || !w->isVisible() || w->property("answered").toBool()) continue;
            w->setProperty("answered", true);
            ++fileDialogs;
            auto* name = files->findChild<QLineEdit*>("fileNameEdit");
            ASSERT_NE(name, nullptr);
            name->setText(QString::fromStdString(path)); // whole: the folder may still be loading
            // Queued: a question the dialog asks runs its own loop, and this
            // timer does not fire again inside its own handler.
            QMetaObject::invokeMethod(files, "accept", Qt::QueuedConnection);
        }
    });
    answerer.start();
    commands.FileSaveAs();
    answerer.stop();
    EXPECT_EQ(fileDialogs, 1);
    EXPECT_EQ(questions, QStringList{QString::fromStdString("OK to overwrite " + path)});
    EXPECT_EQ(RtfToPlainText(ReadFile(path)), "new words\n");
    EXPECT_FALSE(editor.Modified());
}
