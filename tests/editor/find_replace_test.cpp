// Find and Replace through the real modeless dialogs of the running window:
// the text is typed into the dialog's boxes and its buttons are clicked.
#include "editor/find_replace.h"
#include "editor/find_replace_dialog.h"
#include "editor_window.h"
#include "ui/help.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

using TKind = TScriptedPrompts::TKind;

namespace {

class FindReplace : public edtest::EditorWindow {
protected:
    void SetUp() override { Start(); }
    void SetText(const QString& text) {
        Ed().setPlainText(text);
        Ed().SetSelStart(0);
    }
    TSearchDialog* OpenFind(const QString& sought, bool wholeWord = false, bool matchCase = false) {
        form->Find1->trigger();
        return Fill(form->FindReplace->FindDialog(), sought, wholeWord, matchCase);
    }
    TSearchDialog* OpenReplace(const QString& sought, const QString& replacement,
                               bool wholeWord = false, bool matchCase = false) {
        form->Replace1->trigger();
        TSearchDialog* dlg = Fill(form->FindReplace->ReplaceDialog(), sought, wholeWord, matchCase);
        dlg->ReplaceEdit->clear();
        QTest::keyClicks(dlg->ReplaceEdit, replacement);
        return dlg;
    }
    TSearchDialog* Fill(TSearchDialog* dlg, const QString& sought, bool wholeWord, bool matchCase) {
        EXPECT_NE(dlg, nullptr);
        EXPECT_TRUE(dlg->isVisible());
        EXPECT_FALSE(dlg->isModal());
        dlg->FindEdit->clear();
        QTest::keyClicks(dlg->FindEdit, sought);
        dlg->WholeWord->setChecked(wholeWord);
        dlg->MatchCase->setChecked(matchCase);
        return dlg;
    }
    void Click(QPushButton* b) { QTest::mouseClick(b, Qt::LeftButton); }
    std::pair<int, int> Selection() { return {Ed().SelStart(), Ed().SelLength()}; }
};

} // namespace

TEST_F(FindReplace, FindNextFromNothingSelectedAgainAndPastTheLastMatch) {
    SetText("one cat, two cats, three CAT");
    Ed().SetSelStart(10); // the caret after the first match: Find Next still starts at the top
    TSearchDialog* dlg = OpenFind("cat");
    EXPECT_TRUE(dlg->DownButton->isChecked());
    Click(dlg->FindNextButton);
    EXPECT_EQ(Selection(), std::make_pair(4, 3));
    Click(dlg->FindNextButton);
    EXPECT_EQ(Selection(), std::make_pair(13, 3));
    Click(dlg->FindNextButton); // case is ignored
    EXPECT_EQ(Selection(), std::make_pair(25, 3));
    Click(dlg->FindNextButton); // no more: the last match stays selected, nothing is said
    EXPECT_EQ(Selection(), std::make_pair(25, 3));
    EXPECT_TRUE(prompts->Asked.empty());
    // Whole words and case as the dialog says; the direction is never read.
    dlg->UpButton->setChecked(true);
    dlg->WholeWord->setChecked(true);
    Ed().SetSelStart(0);
    Click(dlg->FindNextButton);
    EXPECT_EQ(Selection(), std::make_pair(4, 3));
    Click(dlg->FindNextButton);
    EXPECT_EQ(Selection(), std::make_pair(25, 3)); // "cats" is no whole word
    dlg->MatchCase->setChecked(true);
    Ed().SetSelStart(0);
    Click(dlg->FindNextButton);
    EXPECT_EQ(Selection(), std::make_pair(4, 3));
    Click(dlg->FindNextButton);
    EXPECT_EQ(Selection(), std::make_pair(4, 3)); // "CAT" differs in case
    // The dialog stays open and keeps its text when opened again.
    form->Find1->trigger();
    EXPECT_EQ(form->FindReplace->FindDialog(), dlg);
    EXPECT_EQ(dlg->FindEdit->text(), "cat");
    EXPECT_TRUE(dlg->MatchCase->isChecked());
}

// What the user sees highlighted after Find Next is what Replace replaces;
// the next match is highlighted then. A selection that is no match (by the
// dialog's case and whole-word choices) makes Replace look further first.
TEST_F(FindReplace, ReplaceAfterFindNextReplacesTheHighlightedMatchThenSelectsTheNext) {
    Select({"2000", "March", "Week3", "15"});
    form->Editor->setFocus();
    QTest::keyClicks(form->Editor, "ab Ab abc ab ab");
    Ed().SetSelStart(0);
    TSearchDialog* dlg = OpenReplace("ab", "X", true, true);
    Click(dlg->FindNextButton);
    EXPECT_EQ(Selection(), std::make_pair(0, 2));
    Click(dlg->ReplaceButton);
    EXPECT_EQ(Ed().toPlainText(), "X Ab abc ab ab");
    EXPECT_EQ(Selection(), std::make_pair(9, 2)); // not "Ab" (case), not "abc" (whole word)
    Ed().SetSelection(2, 2);                      // "Ab": no match with the case choice
    Click(dlg->ReplaceButton);
    EXPECT_EQ(Ed().toPlainText(), "X Ab abc X ab");
    EXPECT_EQ(Selection(), std::make_pair(10, 0)); // the caret after the insertion
    Click(dlg->ReplaceButton);
    EXPECT_EQ(Ed().toPlainText(), "X Ab abc X X");
    Click(dlg->ReplaceButton); // nothing left
    EXPECT_EQ(Ed().toPlainText(), "X Ab abc X X");
    EXPECT_EQ(prompts->Messages(), QStringList{"Could not find \"ab\"."});
    // The replace dialog's Find Next starts at the caret, not at the top.
    Ed().SetSelStart(1);
    Click(dlg->FindNextButton);
    EXPECT_EQ(Selection(), std::make_pair(1, 0));
    form->FileSaveCmd->trigger();
    EXPECT_EQ(testsupport::TArchiveCheck(Archive()).Text("2000\\3\\Week3\\15.rtf"),
              "X Ab abc X X\n");
}

TEST_F(FindReplace, ReplaceAllWholeWordsFromTheFirstCharacterInOneUndoStep) {
    SetText("cat concat cat, Cat catalog");
    Ed().SetSelStart(12);
    TSearchDialog* dlg = OpenReplace("cat", "dog", true);
    Click(dlg->ReplaceAllButton);
    EXPECT_EQ(Ed().toPlainText(), "dog concat dog, dog catalog");
    EXPECT_TRUE(prompts->Asked.empty());
    form->EditUndoCmd->trigger();
    EXPECT_EQ(Ed().toPlainText(), "cat concat cat, Cat catalog");
    // Nothing to replace: silence, and nothing changes.
    dlg->FindEdit->setText("zebra");
    Click(dlg->ReplaceAllButton);
    EXPECT_EQ(Ed().toPlainText(), "cat concat cat, Cat catalog");
    EXPECT_TRUE(prompts->Asked.empty());
}

TEST_F(FindReplace, ReplaceAllOfAByAaDoublesEveryAOnceAndEnds) {
    SetText("a banana, A");
    TSearchDialog* dlg = OpenReplace("a", "aa");
    Click(dlg->ReplaceAllButton);
    EXPECT_EQ(Ed().toPlainText(), "aa baanaanaa, aa");
    // A replacement that removes text ends too.
    dlg->FindEdit->setText("aa");
    dlg->ReplaceEdit->clear();
    Click(dlg->ReplaceAllButton);
    EXPECT_EQ(Ed().toPlainText(), " bnn, ");
}

TEST_F(FindReplace, AReadOnlyEntryIsSearchedButNotChanged) {
    SetText("keep keep");
    Ed().SetReadOnly(true);
    TSearchDialog* dlg = OpenReplace("keep", "lose");
    Click(dlg->ReplaceAllButton);
    Click(dlg->ReplaceButton);
    EXPECT_EQ(Ed().toPlainText(), "keep keep");
}

TEST_F(FindReplace, HelpButtonsAndAccessibleNames) {
    std::vector<int> contexts;
    SetHelpHandler([&](int context) { contexts.push_back(context); });
    TSearchDialog* find = OpenFind("x");
    Click(find->HelpButton);
    TSearchDialog* replace = OpenReplace("x", "y");
    Click(replace->HelpButton);
    SetHelpHandler({});
    EXPECT_EQ(contexts, (std::vector<int>{14, 15}));
    EXPECT_EQ(find->windowTitle(), "Find");
    EXPECT_EQ(replace->windowTitle(), "Replace");
    EXPECT_EQ(find->FindEdit->accessibleName(), "Find what");
    EXPECT_EQ(replace->ReplaceEdit->accessibleName(), "Replace with");
    // An empty text offers nothing to press but Cancel and Help.
    replace->FindEdit->clear();
    EXPECT_FALSE(replace->ReplaceAllButton->isEnabled());
    Click(replace->CancelButton);
    EXPECT_FALSE(replace->isVisible());
}
