// The diary's promises at its edges, through the real window: a read-only
// entry takes no change from any command, a damaged entry is reported by its
// date and kept byte for byte, another program's change is never overwritten
// in silence, and a store that keeps failing still lets the user close with
// the text kept. The archive is read back byte for byte afterwards.
#include "app/entry_export.h"
#include "app/recovery_keeper.h"
#include "editor/format_bar.h"
#include "editor/ruler.h"
#include "nav/on_this_day_dialog.h"
#include "search/find_in_files_dlg.h"
#include "store/recovery.h"
#include "support/diary_window.h"
#include "support/modal.h"
#include "zip/zip_builder.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QToolButton>

using namespace testsupport;
using TKind = TScriptedPrompts::TKind;

namespace {

class EntryEdges : public TDiaryWindowTest {
protected:
    // Every formatting command there is, the way a user gives it.
    void FormatEverything() {
        form->Editor->setFocus();
        form->Editor->selectAll();
        QSignalSpy bold(form->BoldButton, &QToolButton::clicked);
        QTest::keyClick(form->Editor, Qt::Key_B, Qt::ControlModifier); // clicks a moment later
        EXPECT_TRUE(QTest::qWaitFor([&] { return bold.count() == 1; }, 10000));
        for (QToolButton* b : {form->ItalicButton, form->UnderlineButton, form->CenterAlign,
                               form->RightAlign, form->BulletsButton})
            b->click();
        form->FontName->setCurrentIndex(form->FontName->count() - 1);
        form->FontSize->setValue(31);
        prompts.Colors = {QColor(200, 0, 0)};
        form->ColorButton->click();
        prompts.Fonts = {QFont("DejaVu Serif", 20, QFont::Bold)};
        form->EditFontCmd->trigger();
        QTest::keyClick(form->Ruler->FirstInd, Qt::Key_Right);
        QTest::keyClick(form->Ruler->RightInd, Qt::Key_Left);
        form->EditUndoCmd->trigger();
        QApplication::processEvents();
    }
    std::string Bytes() const { return form->Editor->SaveToStream().toStdString(); }
};

} // namespace

TEST_F(EntryEdges, AReadOnlyEntryTakesNoFormattingAndIsNeverStored) {
    // Profile 2 is read-only by default; profile 1 holds an entry whose
    // password the user gives up on.
    WriteIni("User2On=1\nUser2Path=" + Folder(2) + "\n");
    Store(Archive(1), Day15, Rtf("sealed"), "Own");
    Store(Archive(2), Day15, Rtf("theirs"));
    const std::string before1 = ReadFile(Archive(1)), before2 = ReadFile(Archive(2));
    Start();
    prompts.Inputs = {std::nullopt}; // Cancel at the password prompt
    Select15();
    ASSERT_TRUE(form->Editor->ReadOnly());
    form->TabSet->setCurrentIndex(1); // profile 2, the same day
    QApplication::processEvents();
    ASSERT_EQ(Text(), "theirs");

    for (int profile : {2, 1}) {
        SCOPED_TRACE(profile);
        if (profile == 1) {
            form->TabSet->setCurrentIndex(0);
            QApplication::processEvents();
        }
        ASSERT_TRUE(form->Editor->ReadOnly());
        const std::string shown = Bytes();
        FormatEverything();
        EXPECT_EQ(Bytes(), shown);
        EXPECT_FALSE(form->Editor->Modified());
        EXPECT_EQ(Panel(1), "Read Only");
        // The buttons show the text as it is, not as they were pressed.
        EXPECT_FALSE(form->BoldButton->isChecked());
        EXPECT_FALSE(form->CenterAlign->isChecked());
        EXPECT_TRUE(form->LeftAlign->isChecked());
        for (QAction* a :
             {form->ApplyTemplate1, form->SaveAsTemplate1, form->Protect1, form->Unprotect1})
            EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
    }
    Select16(); // a writable entry takes the same commands again
    EXPECT_FALSE(form->Editor->ReadOnly());
    EXPECT_TRUE(form->Protect1->isEnabled());
    form->TabSet->setCurrentIndex(1);
    Select16();
    EXPECT_TRUE(form->close());
    EXPECT_EQ(ReadFile(Archive(1)), before1);
    EXPECT_EQ(ReadFile(Archive(2)), before2);
}

namespace {

// An archive of day entries in March 2000: the 14th whole, the 15th with a
// wrong CRC, the 16th of a method nobody decodes, the 17th claiming 300 MiB,
// the 18th whose local header has lost its signature.
std::string DamagedArchive() {
    using ziptest::Stored;
    std::vector<ziptest::RawMember> m = {
        Stored("2000/3/Week3/14.rtf", Rtf("fourteenth")), Stored("2000/3/Week3/15.rtf", Rtf("a")),
        Stored("2000/3/Week3/16.rtf", Rtf("b")), Stored("2000/3/Week3/17.rtf", Rtf("c")),
        Stored("2000/3/Week3/18.rtf", Rtf("d"))};
    m[1].crc ^= 1;
    m[2].method = 14;
    m[3].uncompressedSize = 300u << 20;
    std::string bytes = ziptest::BuildArchive(m);
    const std::size_t name18 = bytes.find("2000/3/Week3/18.rtf");
    bytes.replace(name18 - 30, 4, "DAMG");
    return bytes;
}

// The raw bytes of the damaged members: from each one's local header to the next.
std::vector<std::string> DamagedPieces(const std::string& archive) {
    std::vector<std::string> pieces;
    const std::size_t central = archive.find("PK\x01\x02");
    for (const char* day : {"15", "16", "17", "18"}) {
        const std::size_t at = archive.find(std::string("2000/3/Week3/") + day + ".rtf") - 30;
        std::size_t next = archive.find("2000/3/Week3/", at + 31);
        next = next == std::string::npos || next > central ? central : next - 30;
        pieces.push_back(archive.substr(at, next - at));
    }
    return pieces;
}

} // namespace

TEST_F(EntryEdges, ADamagedEntryIsReportedByDateLockedAndKeptThroughEverySave) {
    WriteYears({"2000"});
    std::filesystem::create_directories(Folder());
    WriteFile(Archive(), DamagedArchive());
    const std::vector<std::string> pieces = DamagedPieces(ReadFile(Archive()));
    Start();
    const struct {
        const char* day;
        QString message;
    } damaged[] = {
        {"15", "Wednesday 15 March 2000 could not be read: it is damaged (CRC error)"},
        {"16", "Thursday 16 March 2000 could not be read: it is damaged (unknown compression "
               "method 14)"},
        {"17", "Friday 17 March 2000 could not be read: it is too large to open (300 MiB)"},
        {"18", "Saturday 18 March 2000 could not be read: it is damaged (local header "
               "unreadable)"},
    };
    for (const auto& d : damaged) {
        prompts.Asked.clear();
        Select({"2000", "March", "Week3", d.day});
        EXPECT_EQ(prompts.Messages(), QStringList{"The entry of " + d.message +
                                                  ". It is kept as "
                                                  "it is."});
        EXPECT_TRUE(Text().isEmpty());
        EXPECT_TRUE(form->Editor->ReadOnly());
        EXPECT_EQ(Panel(1), "Read Only");
        Type("never stored");
        form->FileSaveCmd->trigger();
        EXPECT_TRUE(Text().isEmpty());
    }
    // Storing another entry carries every damaged one over as it lay, and
    // names the one whose header cannot be read, once.
    for (int round = 0; round < 2; ++round) {
        prompts.Asked.clear();
        Select({"2000", "March", "Week3", "14"});
        form->Editor->moveCursor(QTextCursor::End);
        Type(" again");
        Select({"2000", "March", "Week3", "12"});
        EXPECT_EQ(prompts.Messages(),
                  round == 0 ? QStringList{"The entry of Saturday 18 March 2000 is damaged and "
                                           "cannot be read. It is kept as it is; the other "
                                           "entries are stored as usual."}
                             : QStringList{});
        const std::string after = ReadFile(Archive());
        for (const std::string& piece : pieces)
            EXPECT_NE(after.find(piece), std::string::npos);
    }
    EXPECT_EQ(Check().Text("2000\\3\\Week3\\14.rtf"), "fourteenth again again\n");
}

TEST_F(EntryEdges, FindOnThisDayAndExportNameTheEntriesTheyCouldNotRead) {
    WriteYears({"2000", "2001"});
    std::filesystem::create_directories(Folder());
    WriteFile(Archive(), DamagedArchive());
    const std::string before = ReadFile(Archive());
    Start();
    const QString unread = "Wednesday 15 March 2000: it is damaged (CRC error)\n"
                           "Thursday 16 March 2000: it is damaged (unknown compression method "
                           "14)\n"
                           "Friday 17 March 2000: it is too large to open (300 MiB)\n"
                           "Saturday 18 March 2000: it is damaged (local header unreadable)";
    QStringList found;
    WhenModal([&](QWidget* w) {
        auto* dlg = qobject_cast<TFindDlg*>(w);
        ASSERT_NE(dlg, nullptr);
        QTest::keyClicks(dlg->TextEdit, "fourteenth");
        QTest::mouseClick(dlg->StartBtn, Qt::LeftButton);
        for (int i = 0; i < dlg->ResultsList->count(); ++i)
            found << dlg->ResultsList->item(i)->text();
        dlg->reject();
    });
    form->FindInFiles1->trigger();
    EXPECT_EQ(found, QStringList{"2000\\3\\Week3\\14"});
    EXPECT_EQ(
        prompts.Messages(),
        QStringList{"These entries could not be read, so they were not searched:\n" + unread});

    prompts.Asked.clear();
    Select({"2001", "March", "Week3", "15"});
    QStringList lines;
    WhenModal([&](QWidget* w) {
        auto* dlg = qobject_cast<TOnThisDayDlg*>(w);
        ASSERT_NE(dlg, nullptr);
        for (int i = 0; i < dlg->EntriesList->count(); ++i)
            lines << dlg->EntriesList->item(i)->text();
        dlg->reject();
    });
    form->OnThisDay1->trigger();
    EXPECT_EQ(lines, QStringList{
                         "Wednesday 15 March 2000 (could not be read: it is damaged (CRC error))"});

    TExportOptions options;
    options.From = QDate(2000, 3, 1);
    options.To = QDate(2000, 3, 31);
    options.FileName = QString::fromStdString(scratch.file("march.html"));
    const TExportSummary summary =
        ExportEntries(options, Archive(), form->Current, [](const QString&) { return ""; });
    EXPECT_EQ(summary.Included, 1);
    EXPECT_EQ(summary.Unreadable, unread.split('\n'));
    EXPECT_NE(ReadFile(scratch.file("march.html")).find("Not included (could not be read)"),
              std::string::npos);
    EXPECT_TRUE(prompts.Asked.empty());
    EXPECT_EQ(ReadFile(Archive()), before);
}

TEST_F(EntryEdges, AStoreThatKeepsFailingStillLetsTheUserCloseWithTheTextKept) {
    WriteIni();
    std::filesystem::create_directories(scratch.path());
    // A file where the data folder should be: every store fails.
    WriteFile(scratch.path() + "/profile1", "a file where the folder should be");
    Start();
    Select15();
    Type("words worth keeping");
    prompts.Confirms = {TConfirmAnswer::No};
    EXPECT_FALSE(form->close()); // the user stays
    ASSERT_EQ(prompts.Count(TKind::Confirm), 1);
    EXPECT_EQ(prompts.Asked.back().Text, "The entry could not be stored. Close anyway? Your text "
                                         "is kept and offered back at the next start.");
    EXPECT_TRUE(form->Editor->Modified());
    prompts.Confirms = {TConfirmAnswer::Yes};
    EXPECT_TRUE(form->close());
    form.reset();
    const QString file = QString::fromStdString(ConfigFolder() + RecoveryFileName);
    ASSERT_TRUE(QFile::exists(file));

    // Repaired, the next start offers the text back, and it is stored.
    std::filesystem::remove(scratch.path() + "/profile1");
    std::filesystem::create_directories(Folder());
    prompts.Asked.clear();
    prompts.Confirms = {TConfirmAnswer::Yes};
    Start();
    EXPECT_EQ(Member(), Day15);
    EXPECT_EQ(Text(), "words worth keeping");
    EXPECT_TRUE(form->Editor->Modified());
    EXPECT_TRUE(form->close());
    EXPECT_EQ(Check().Text(Day15), "words worth keeping\n");
    EXPECT_FALSE(QFile::exists(file));
}

namespace {

// A second program on the same data folder: a window of its own, with its
// own archive component, as another settings folder or another computer
// would have.
class TwoPrograms : public EntryEdges {
protected:
    TScriptedPrompts otherPrompts;
    std::unique_ptr<TMainForm> other;
    void StartOther() {
        other = std::make_unique<TMainForm>(otherPrompts);
        ASSERT_TRUE(other->LoginPassed());
        other->show();
        QApplication::processEvents();
    }
    void OtherSelect(const QString& day) {
        other->TreeView->setCurrentItem(FindNode(other->TreeView, {"2000", "March", "Week3", day}));
        QApplication::processEvents();
    }
    void OtherType(const QString& text) {
        other->Editor->moveCursor(QTextCursor::End);
        QTest::keyClicks(other->Editor, text);
    }
    // The member's bytes as stored: its local header, name and data.
    static std::string RawMember(const std::string& archive, const std::string& name) {
        TZipReader r;
        r.SetZipName(archive);
        r.OpenArchive();
        for (int i = 0; i < r.Count(); ++i)
            if (r.Member(i).Name() == name) {
                const TZipHeaderInfo& h = r.Member(i);
                return ReadFile(archive).substr(h.LocalOffset + 30 + h.NameLength,
                                                static_cast<std::uint32_t>(h.CompressedSize));
            }
        return {};
    }
};

} // namespace

TEST_F(TwoPrograms, AnEntryChangedByAnotherProgramIsNeverOverwrittenInSilence) {
    WriteIni();
    Store(Archive(), Day15, Rtf("shared start"));
    Start();
    StartOther();
    Select15();
    OtherSelect("15");

    // The other program stores first; this one then keeps its own text, and
    // the other version stays beside it, its stored bytes untouched.
    OtherType(" (theirs)");
    OtherSelect("16");
    const std::string theirs = RawMember(Archive(), Day15);
    form->Editor->moveCursor(QTextCursor::End);
    Type(" (mine)");
    prompts.Choices = {0};
    Select16();
    ASSERT_EQ(prompts.Count(TKind::Choice), 1);
    EXPECT_EQ(prompts.Asked.back().Text,
              "The entry of Wednesday 15 March 2000 was changed by another program since you "
              "opened it.\n\n"
              "Keep my text: your text is stored, and the other version is kept in the diary as "
              "a copy beside it.\n"
              "Take the other version: the entry shows what the other program stored, and your "
              "changes are discarded.\n"
              "Cancel: nothing is stored; you go on editing.\n"
              "[&Keep my text|&Take the other version|Cancel]");
    const std::string copy = "2000\\3\\Week3\\15 (other copy).rtf";
    EXPECT_EQ(Check().Text(Day15), "shared start (mine)\n");
    EXPECT_EQ(Check().Text(copy), "shared start (theirs)\n");
    EXPECT_EQ(RawMember(Archive(), copy), theirs);

    // Both start from the 17th; the other stores, and this one takes the
    // other version (Save keeps it on the entry): nothing of it is written.
    Select({"2000", "March", "Week3", "17"});
    OtherSelect("17");
    OtherType("their 17th");
    OtherSelect("16");
    Type("my 17th");
    std::string before = ReadFile(Archive());
    prompts.Choices = {1};
    form->FileSaveCmd->trigger();
    EXPECT_EQ(Text(), "their 17th");
    EXPECT_FALSE(form->Editor->Modified());
    EXPECT_EQ(ReadFile(Archive()), before);

    // Cancel: nothing stored, the user stays on the entry with the text.
    OtherSelect("17");
    OtherType(" again");
    OtherSelect("16");
    form->Editor->moveCursor(QTextCursor::End);
    Type(" mine again");
    before = ReadFile(Archive());
    prompts.Choices = {};
    Select16();
    EXPECT_EQ(Member(), "2000\\3\\Week3\\17.rtf");
    EXPECT_EQ(Text(), "their 17th mine again");
    EXPECT_TRUE(form->Editor->Modified());
    EXPECT_EQ(ReadFile(Archive()), before);
    EXPECT_EQ(prompts.Count(TKind::Choice), 3);
    EXPECT_TRUE(otherPrompts.Asked.empty());
    other.reset();
}
