// Spelling in the running window with the installed en_US dictionary
// (hunspell-en-us): the underline beside the document, the context menu's
// suggestions, "Add to Dictionary" kept across runs, "Ignore All" for the
// run, View > "Check Spelling", the profile's language from the settings,
// and a system without dictionaries.
#include "editor/spell_commands.h"
#include "editor/spell_dictionaries.h"
#include "editor/spell_language_box.h"
#include "editor/spell_personal.h"
#include "editor/spell_underline.h"
#include "editor/spell_words.h"
#include "editor_window.h"
#include "zip/stream.h"
#include "zip/zip_reader.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QTextBlock>

using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

std::vector<QString> Words(const QString& text) {
    std::vector<QString> out;
    ForEachSpellWord(text, [&](qsizetype s, qsizetype n) { out.push_back(text.mid(s, n)); });
    return out;
}

// Sets the folders dictionaries are looked for in while it lives.
class TDictionaryFolders {
public:
    explicit TDictionaryFolders(const QStringList& folders) : old_(DictionaryFolders()) {
        SetDictionaryFolders(folders);
    }
    ~TDictionaryFolders() { SetDictionaryFolders(old_); }

private:
    QStringList old_;
};

class Spelling : public edtest::EditorWindow {
protected:
    void SetUp() override {
        if (!DictionaryFor("en_US", InstalledDictionaries()))
            GTEST_SKIP() << "hunspell-en-us is not installed";
    }
    // The misspelled words of the editor, in order.
    QStringList Marked() {
        QStringList out;
        for (QTextBlock b = Ed().document()->begin(); b.isValid(); b = b.next())
            for (const TSpellUnderline::TRange& r : form->Spelling->Underline()->Misspellings(b))
                out << b.text().mid(r.Start, r.Length);
        return out;
    }
    // The context menu over the first occurrence of `word`.
    std::unique_ptr<QMenu> MenuOn(const QString& word) {
        const int at = Ed().document()->toPlainText().indexOf(word);
        EXPECT_GE(at, 0) << word.toStdString();
        QTextCursor c(Ed().document());
        c.setPosition(at + 1);
        const QPoint pos = Ed().cursorRect(c).center();
        return std::unique_ptr<QMenu>(form->Spelling->ContextMenu(pos));
    }
    static QAction* Item(QMenu& menu, const QString& text) {
        for (QAction* a : menu.actions())
            if (a->text() == text) return a;
        return nullptr;
    }
    std::string StoredEntry() {
        TZipReader reader;
        reader.SetZipName(Archive());
        TMemoryStream stream;
        EXPECT_EQ(reader.ExtractToStream(&stream, form->Nav->CurrentMember()), 1);
        return stream.ToString();
    }
};

} // namespace

TEST(SpellWords, WordsOfProseNotOfAddressesOrNumbers) {
    EXPECT_EQ(Words(QString::fromUtf8("Don\xE2\x80\x99t mail bob@example.org at 10am, "
                                      "see /tmp/x.txt or www.a.com \"Caf\xC3\xA9\"-time a I")),
              (std::vector<QString>{QString::fromUtf8("Don\xE2\x80\x99t"), "mail", "at", "see",
                                    "or", QString::fromUtf8("Caf\xC3\xA9"), "time"}));
    EXPECT_EQ(Words("'quoted' o'clock rock'n'roll"),
              (std::vector<QString>{"quoted", "o'clock", "rock'n'roll"}));
    const TWordSpan span = SpellWordAt(QStringView(u"one twoo"), 8); // just after the word
    EXPECT_EQ(std::pair(span.Start, span.Length), std::pair(qsizetype(4), qsizetype(4)));
}

TEST(SpellDictionaries, LanguageChoiceAndPackageNames) {
    const std::vector<TDictionary> installed{{"de_DE", "", ""}, {"en_GB", "", ""}};
    EXPECT_EQ(DictionaryFor("en_GB", installed)->Language, "en_GB");
    EXPECT_EQ(DictionaryFor("en_US", installed)->Language, "en_GB"); // the same language
    EXPECT_EQ(DictionaryFor("fr_FR", installed)->Language, "de_DE"); // the first
    EXPECT_FALSE(DictionaryFor("en_US", {}));
    EXPECT_EQ(DictionaryPackage("de_DE"), "hunspell-de-de");
    EXPECT_EQ(DictionaryPackage("en_US"), "hunspell-en-us");
}

TEST_F(Spelling, UnderlineMarksMisspelledWordsAndNeverTheEntry) {
    Start();
    Type("I went to the libary with Zorblat today");
    EXPECT_EQ(Marked(), (QStringList{"libary", "Zorblat"}));

    form->FileSaveCmd->trigger();
    const std::string stored = StoredEntry();
    EXPECT_EQ(stored.find("\\ul"), std::string::npos) << stored; // no underline stored
    EXPECT_EQ(stored.find("\\cf"), std::string::npos) << stored; // nor a colour

    // Loaded from the archive: checked at once and not modified by it.
    const QDate today = form->Nav->KeyDate();
    ASSERT_TRUE(form->Nav->GoToDate(today.addDays(today.day() > 1 ? -1 : 1)));
    ASSERT_TRUE(form->Nav->GoToDate(today));
    EXPECT_EQ(Marked(), (QStringList{"libary", "Zorblat"}));
    QApplication::processEvents();
    EXPECT_FALSE(Ed().Modified());

    // View > Check Spelling off: nothing marked, and the choice is kept.
    ASSERT_TRUE(form->CheckSpelling1->isCheckable());
    form->CheckSpelling1->trigger();
    EXPECT_FALSE(form->CheckSpelling1->isChecked());
    EXPECT_TRUE(Marked().isEmpty());
    EXPECT_FALSE(form->Settings.CheckSpelling);
    form->CheckSpelling1->trigger();
    EXPECT_EQ(Marked().size(), 2);
}

TEST_F(Spelling, SuggestionReplacesTheWordAndAddedWordsAreKeptAcrossRuns) {
    Start();
    Type("A libary, a Zorblat and a Fnordish day");
    std::unique_ptr<QMenu> menu = MenuOn("libary");
    QAction* library = Item(*menu, "library");
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(menu->actions().front(), library) << "suggestions come first";
    int suggestions = 0;
    for (QAction* a : menu->actions())
        if (a->font().bold()) ++suggestions;
    EXPECT_LE(suggestions, 7);
    ASSERT_NE(Item(*menu, "Add to Dictionary"), nullptr);
    ASSERT_NE(Item(*menu, "Ignore All"), nullptr);
    library->trigger();
    EXPECT_EQ(Ed().document()->toPlainText(), "A library, a Zorblat and a Fnordish day");
    EXPECT_TRUE(Ed().Modified());

    // A correct word's menu is the editor's own.
    menu = MenuOn("day");
    EXPECT_EQ(Item(*menu, "Add to Dictionary"), nullptr);

    Item(*MenuOn("Zorblat"), "Add to Dictionary")->trigger();
    Item(*MenuOn("Fnordish"), "Ignore All")->trigger();
    EXPECT_TRUE(Marked().isEmpty());
    EXPECT_EQ(ReadFile(folders.configDir() + "/" + PersonalDictionaryFileName), "Zorblat\n");

    // The next run: the added word is still known, the ignored one is not.
    menu.reset(); // the editor's child
    form->FileSaveCmd->trigger();
    form.reset();
    Start();
    EXPECT_EQ(Ed().document()->toPlainText(), "A library, a Zorblat and a Fnordish day");
    EXPECT_EQ(Marked(), QStringList{"Fnordish"});
}

TEST_F(Spelling, TheProfilesLanguageComesFromTheSettings) {
    // A tiny dictionary of a made-up language beside the English one.
    const std::string own = scratch.file("dicts");
    std::filesystem::create_directories(own);
    WriteFile(own + "/xx_XX.aff", "SET UTF-8\nTRY abc\n");
    WriteFile(own + "/xx_XX.dic", "2\nblorp\nquux\n");
    QStringList folders{QString::fromStdString(own)};
    folders << DictionaryFolders();
    TDictionaryFolders use(folders);

    Start();
    EXPECT_EQ(form->Spelling->Language(), "en_US"); // the system's (C locale: English)
    form->Settings.Project(1).SpellLanguage = "xx_XX";
    Type("blorp quux house");
    form->FileSaveCmd->trigger();
    const QDate today = form->Nav->KeyDate();
    ASSERT_TRUE(form->Nav->GoToDate(today.addDays(today.day() > 1 ? -1 : 1)));
    ASSERT_TRUE(form->Nav->GoToDate(today));
    EXPECT_EQ(form->Spelling->Language(), "xx_XX");
    EXPECT_EQ(Marked(), QStringList{"house"});

    // Preferences lists the installed dictionaries and keeps a missing choice.
    TSpellLanguageBox box;
    EXPECT_GE(box.LanguageBox(1)->findData("xx_XX"), 0);
    EXPECT_GE(box.LanguageBox(1)->findData("en_US"), 0);
    EXPECT_TRUE(box.MissingLbl->isHidden());
    box.SetLanguage(2, "fr_FR");
    EXPECT_EQ(box.Language(2), "fr_FR");
    EXPECT_TRUE(box.LanguageBox(2)->currentText().contains("not installed"));
    EXPECT_EQ(box.LanguageBox(1)->accessibleName(), "User/Project #1 spelling language");
}

TEST_F(Spelling, WithoutAnyDictionarySpellingIsOffAndPreferencesNamesThePackage) {
    TDictionaryFolders none({QString::fromStdString(scratch.file("no-dictionaries"))});
    Start();
    Type("I went to the libary");
    QApplication::processEvents();
    EXPECT_TRUE(Marked().isEmpty());
    EXPECT_TRUE(form->Spelling->Language().isEmpty());
    EXPECT_FALSE(form->CheckSpelling1->isEnabled());
    EXPECT_TRUE(prompts->Messages().isEmpty()); // no error: simply off
    std::unique_ptr<QMenu> menu = MenuOn("libary");
    EXPECT_EQ(Item(*menu, "Add to Dictionary"), nullptr);

    TSpellLanguageBox box;
    EXPECT_FALSE(box.MissingLbl->isHidden());
    EXPECT_TRUE(box.MissingLbl->text().contains("hunspell-en-us"))
        << box.MissingLbl->text().toStdString();
    EXPECT_FALSE(box.LanguageBox(1)->isEnabled());
}
