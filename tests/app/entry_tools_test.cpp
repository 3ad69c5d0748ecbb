// Templates and entry protection through the Tools menu of the real main
// window; the archive is read back through a separate reader and, for the
// passwords, through Python's zipfile.
#include "support/diary_window.h"

#include <QAction>
#include <QTextBlock>
#include <QToolButton>

using namespace testsupport;
using TKind = TScriptedPrompts::TKind;

namespace {

const char* const Template = "Template.rtf";

class EntryTools : public TDiaryWindowTest {
protected:
    int Lines() const { return form->Editor->document()->blockCount(); }
    // Python's zipfile reads the member with `password`; "" when it cannot.
    std::string PeerText(const std::string& member, const std::string& password) {
        const std::string script =
            "import sys, zipfile\n"
            "z = zipfile.ZipFile(sys.argv[1])\n"
            "try:\n"
            "    sys.stdout.write(z.read(sys.argv[2], pwd=sys.argv[3].encode() or None)"
            ".decode('latin-1'))\n"
            "except Exception:\n"
            "    pass\n";
        std::string name = member;
        std::replace(name.begin(), name.end(), '\\', '/');
        std::string out;
        RunCommand("python3 -c " + ShellQuote(script) + " " + ShellQuote(Archive()) + " " +
                       ShellQuote(name) + " " + ShellQuote(password),
                   &out);
        return out;
    }
};

} // namespace

TEST_F(EntryTools, ATemplateSavedOnOneDayIsAppliedOnAnotherAsOneUndoableEdit) {
    WriteIni();
    Start();
    Select15();
    Type("Weather:");
    form->SaveAsTemplate1->trigger();
    EXPECT_TRUE(form->Editor->Modified()); // the entry itself is not stored
    EXPECT_EQ(Check().Names(), std::vector<std::string>{Template});
    EXPECT_FALSE(Check().Info(Template).Encrypted);
    EXPECT_EQ(Check().Text(Template), "Weather:\n");

    Select16();
    EXPECT_EQ(Check().Text(Day15), "Weather:\n");
    ASSERT_TRUE(Text().isEmpty());
    EXPECT_TRUE(form->ApplyTemplate1->isEnabled());
    EXPECT_EQ(form->ApplyTemplate1->shortcut(), QKeySequence("Ctrl+T"));
    form->ApplyTemplate1->trigger();
    EXPECT_EQ(Text(), "Weather:");
    EXPECT_TRUE(form->Editor->Modified());
    EXPECT_EQ(Panel(1), "Modified");
    form->Editor->undo();
    EXPECT_TRUE(Text().isEmpty());
    EXPECT_FALSE(form->Editor->Modified());
    form->Editor->redo();
    Select15(); // moving away stores the applied template as the day's entry
    EXPECT_EQ(Check().Text(Day16), "Weather:\n");
    EXPECT_TRUE(prompts.Asked.empty()) << prompts.Messages().join('|').toStdString();
}

TEST_F(EntryTools, ApplyingWithoutATemplateOrWithoutAnArchive) {
    WriteIni();
    Start();
    Select15();
    Type("as it was");
    form->Editor->SetModified(false);
    form->ApplyTemplate1->trigger(); // no archive at all: the engine's error
    ASSERT_EQ(prompts.Count(TKind::Error), 1);
    EXPECT_NE(prompts.Messages().front().indexOf("Daybank.zip"), -1);
    EXPECT_EQ(Text(), "as it was");
    EXPECT_FALSE(form->Editor->Modified());

    Store(Archive(), Day16, Rtf("another day"));
    form->ApplyTemplate1->trigger(); // an archive without a template: nothing
    EXPECT_EQ(prompts.Asked.size(), 1u);
    EXPECT_EQ(Text(), "as it was");
    EXPECT_FALSE(form->Editor->Modified());
}

TEST_F(EntryTools, AFailedTemplateStoreIsReportedAndChangesNothing) {
    WriteIni();
    Start();
    Select15();
    Type("keep me");
    WriteFile(scratch.path() + "/profile1", "a file where the folder should be");
    form->SaveAsTemplate1->trigger();
    EXPECT_EQ(prompts.Count(TKind::Error), 1);
    EXPECT_EQ(Text(), "keep me");
    EXPECT_TRUE(form->Editor->Modified());
    EXPECT_EQ(Member(), Day15);
}

// A change of protection is stored with the entry, which keeps its text as
// it is: no empty paragraph (an empty bullet in a bulleted entry).
TEST_F(EntryTools, ProtectAndUnprotectMarkTheEntryModifiedWithoutChangingItsText) {
    WriteIni();
    Start();
    Select15();
    form->BulletsButton->click();
    Type("milk");
    QTest::keyClick(form->Editor, Qt::Key_Return);
    Type("bread");
    form->FileSaveCmd->trigger();
    const std::string stored = Check().Bytes(Day15);
    ASSERT_EQ(Lines(), 2);
    prompts.Inputs = {QString("pw"), QString("pw")}; // typed twice
    form->Protect1->trigger();
    EXPECT_EQ(Lines(), 2);
    EXPECT_TRUE(form->Editor->Modified());
    EXPECT_EQ(Panel(1), "Modified");
    Select16();
    EXPECT_TRUE(Check().Info(Day15).Encrypted);
    EXPECT_EQ(Check().Bytes(Day15, "pw"), stored); // the same bullets, nothing added
    prompts.Inputs = {QString("pw")};
    Select15();
    form->Unprotect1->trigger();
    EXPECT_EQ(Lines(), 2);
    EXPECT_EQ(Panel(2), "");
    EXPECT_TRUE(form->Editor->Modified());
    Select16();
    EXPECT_FALSE(Check().Info(Day15).Encrypted);
    EXPECT_EQ(Check().Bytes(Day15), stored);
}

// Ctrl+T over text already typed asks first; an empty entry takes the
// template at once.
TEST_F(EntryTools, ApplyTemplateOverTextAsksBeforeReplacingIt) {
    WriteIni();
    Store(Archive(), Template, Rtf("Mood: Weather:"));
    Start();
    Select15();
    Type("Dear diary, today");
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    prompts.Confirms = {TConfirmAnswer::No, TConfirmAnswer::Yes};
    QTest::keyClick(form->Editor, Qt::Key_T, Qt::ControlModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return prompts.Count(TKind::Confirm) == 1; }));
    EXPECT_EQ(prompts.Asked.back().Text, "Replace the text of this entry with the template?");
    EXPECT_EQ(Text(), "Dear diary, today");
    Select16();
    EXPECT_EQ(Check().Text(Day15), "Dear diary, today\n");
    Select15();
    form->ApplyTemplate1->trigger();
    EXPECT_EQ(prompts.Count(TKind::Confirm), 2);
    EXPECT_EQ(Text(), "Mood: Weather:");
    Select16(); // empty: no question
    form->ApplyTemplate1->trigger();
    EXPECT_EQ(prompts.Count(TKind::Confirm), 2);
    EXPECT_EQ(Text(), "Mood: Weather:");
    Select15();
    EXPECT_EQ(Check().Text(Day15), "Mood: Weather:\n");
    EXPECT_EQ(Check().Text(Day16), "Mood: Weather:\n");
}

TEST_F(EntryTools, ProtectWithAPasswordStoresTheEntryEncryptedWithIt) {
    WriteIni("[Dayscrib]\nUser1Cipher=Traditional\n"); // what Python's zipfile reads
    Start();
    Select15();
    Type("my secret");
    // Typed twice; a slip in the second answer asks for both again.
    prompts.Inputs = {QString("Tulip"), QString("Tuilp"), QString("Tulip"), QString("Tulip")};
    form->Protect1->trigger();
    ASSERT_EQ(prompts.Asked.size(), 5u);
    for (int i : {0, 1, 3, 4}) {
        EXPECT_EQ(prompts.Asked[i].Kind, TKind::Input);
        EXPECT_EQ(prompts.Asked[i].Caption, "Password Prompt");
        EXPECT_EQ(prompts.Asked[i].Text,
                  i % 3 == 0 ? "Enter new password:" : "Enter the new password again:");
        EXPECT_TRUE(prompts.Asked[i].Masked);
    }
    EXPECT_EQ(prompts.Asked[2].Text,
              "The two passwords differ. Please enter the new password again.");
    EXPECT_EQ(Panel(2), "Password Protected");
    Select16();
    EXPECT_TRUE(Check().Info(Day15).Encrypted);
    EXPECT_NE(PeerText(Day15, "Tulip").find("my secret"), std::string::npos);
    EXPECT_EQ(PeerText(Day15, "Rose"), "");
    // Reading it again asks after the silent try (the profile has no default).
    prompts.Inputs = {QString("Tulip")};
    Select15();
    EXPECT_EQ(prompts.Count(TKind::Input), 5);
    EXPECT_EQ(Text(), "my secret"); // nothing added by Protect
    EXPECT_EQ(Panel(2), "Password Protected");
}

TEST_F(EntryTools, UnprotectInAProtectingProfileStoresWithTheDefaultPassword) {
    WriteProfile2("Default", true);
    Store(Archive(2), Day15, Rtf("private"), "Own");
    Start();
    prompts.Inputs = {QString("Own")};
    Select15();
    ASSERT_EQ(Text(), "private");
    form->Unprotect1->trigger();
    EXPECT_EQ(Panel(2), "");
    Select16();
    EXPECT_EQ(Check(2).Text(Day15, "Own"), "");
    EXPECT_EQ(Check(2).Text(Day15, "Default"), "private\n");
}

TEST_F(EntryTools, ATemplateSavedFromAProtectedEntryIsPlainAndTheEntryStaysProtected) {
    WriteIni();
    Store(Archive(), Day15, Rtf("sealed"), "Own");
    Start();
    prompts.Inputs = {QString("Own")};
    Select15();
    ASSERT_EQ(Panel(2), "Password Protected");
    // The user is warned; No (and Cancel) change nothing at all.
    const std::string before = ReadFile(Archive());
    prompts.Confirms = {TConfirmAnswer::No, TConfirmAnswer::Cancel, TConfirmAnswer::Yes};
    form->SaveAsTemplate1->trigger();
    form->SaveAsTemplate1->trigger();
    EXPECT_EQ(ReadFile(Archive()), before);
    ASSERT_EQ(prompts.Count(TKind::Confirm), 2);
    EXPECT_EQ(prompts.Asked.back().Text, "The template is stored without a password and anyone "
                                         "can read it. Save it anyway?");
    form->SaveAsTemplate1->trigger();
    EXPECT_FALSE(Check().Info(Template).Encrypted);
    EXPECT_EQ(Check().Text(Template), "sealed\n");
    prompts.Confirms = {TConfirmAnswer::Yes}; // over the entry's text
    form->ApplyTemplate1->trigger();
    form->Editor->moveCursor(QTextCursor::End);
    Type(" again");
    Select16();
    // The entry keeps the password it was read with.
    EXPECT_TRUE(Check().Info(Day15).Encrypted);
    EXPECT_EQ(Check().Text(Day15, "Own"), "sealed again\n");
}

TEST_F(EntryTools, ProtectAnsweredWithCancelOrNothingChangesNothing) {
    WriteIni();
    Store(Archive(), Day15, Rtf("plain"));
    Start();
    Select15();
    const std::string before = ReadFile(Archive());
    prompts.Inputs = {std::nullopt, QString("pw"), std::nullopt, QString(""), QString("")};
    for (int cancel = 0; cancel < 2; ++cancel) {
        form->Protect1->trigger(); // Cancel at the first question, then at the second
        EXPECT_EQ(Lines(), 1);
        EXPECT_EQ(Panel(2), "");
        EXPECT_FALSE(form->Editor->Modified());
    }
    EXPECT_EQ(prompts.Count(TKind::Input), 3);
    // An empty answer would store it unencrypted in this profile: refused.
    form->Protect1->trigger();
    EXPECT_EQ(prompts.Messages(),
              QStringList{"An empty password would leave the entry unprotected."});
    EXPECT_EQ(Lines(), 1);
    EXPECT_EQ(Panel(2), "");
    Select16();
    EXPECT_EQ(ReadFile(Archive()), before);
}

TEST_F(EntryTools, AnEmptyAnswerInAProtectingProfileMeansTheDefaultPassword) {
    WriteProfile2("Default", true);
    Start();
    Select15();
    Type("guarded");
    prompts.Inputs = {QString(""), QString("")};
    form->Protect1->trigger();
    EXPECT_EQ(Panel(2), "Password Protected (AES-256)"); // a new diary
    Select16();
    EXPECT_EQ(Check(2).Text(Day15, "Default"), "guarded\n");
}

TEST_F(EntryTools, AReadOnlyEntryTakesNoTemplateAndNoProtection) {
    WriteIni("User2On=1\nUser2Path=" + Folder(2) + "\nStartProject=2\n"); // profile 2 read-only
    Store(Archive(2), Day15, Rtf("theirs"));
    Store(Archive(2), Template, Rtf("a template"));
    Start();
    Select15();
    ASSERT_TRUE(form->Editor->isReadOnly());
    const std::string before = ReadFile(Archive(2));
    prompts.Inputs = {QString("pw"), QString("pw")};
    for (QAction* a :
         {form->ApplyTemplate1, form->Protect1, form->Unprotect1, form->SaveAsTemplate1}) {
        EXPECT_FALSE(a->isEnabled()) << a->text().toStdString(); // greyed, not silent
        a->trigger();
    }
    EXPECT_EQ(Text(), "theirs");
    EXPECT_FALSE(form->Editor->Modified());
    Select16();
    EXPECT_EQ(ReadFile(Archive(2)), before);
    EXPECT_TRUE(prompts.Asked.empty());
}
