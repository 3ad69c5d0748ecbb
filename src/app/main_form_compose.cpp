// The main window is composed of features, each a class of its own folder
// that carries its handlers: date navigation (nav/), formatting, find and
// replace and printing (editor/), find in files (search/), the windows of
// app/. Here each is created, given the controls and commands it serves, and
// attached; the window itself keeps only the sequences that join them.
#include "app/main_form.h"

#include "app/entry_export.h"
#include "app/entry_tools.h"
#include "app/help_window_menu.h"
#include "app/preferences_form_apply.h"
#include "app/recovery_keeper.h"
#include "editor/edit_commands.h"
#include "editor/editor.h"
#include "editor/entry_printer.h"
#include "editor/file_commands.h"
#include "editor/find_replace.h"
#include "editor/format_bar.h"
#include "editor/picture_insert.h"
#include "editor/spell_commands.h"
#include "editor/status_hints.h"
#include "editor/word_count.h"
#include "nav/date_navigator.h"
#include "search/find_in_files_dlg.h"
#include "stats/stats_dialog.h"
#include "ui/commands.h"
#include "ui/entry_title.h"

#include <QAction>

void TMainForm::Compose() {
    Nav = std::make_unique<TDateNavigator>(TreeView, MonthCalendar1, TabSet, Settings, Current,
                                           *this, prompts_);
    AttachCommand(GoToday1, prompts_, [this] { Nav->GoToToday(); });
    AttachCommand(GoPreviousDay1, prompts_, [this] { Nav->GoToPreviousDay(); });
    AttachCommand(GoNextDay1, prompts_, [this] { Nav->GoToNextDay(); });
    AttachCommand(OnThisDay1, prompts_, [this] { Nav->ShowOnThisDay(); });
    // Assistive tools name the editor by the entry it shows.
    connect(Editor, &TRichEdit::Loaded, this,
            [this] { Editor->setAccessibleName(EntryTitle(Nav->Key, Nav->CurrentLevel())); });

    Recovery = new TRecoveryKeeper(
        Editor,
        [this] {
            TRecovery r;
            r.Profile = Nav->TabProfile(Nav->CurrentTab());
            r.ProfileName = Settings.Project(r.Profile).Name;
            r.DataPath = Current.CurrentPath;
            r.Member = Nav->CurrentMember();
            return r;
        },
        [this] {
            return TRecoveryKey{StorePassword(Store.EntryPassword(), Current), Store.EntryCipher()};
        },
        this);

    auto* exporter = new TEntryExport(
        prompts_, Current, [this] { return SaveEntry(); }, [this] { return Nav->KeyDate(); }, this);
    exporter->Attach(ExportCmd);

    auto* tools = new TEntryTools(Editor, Store, Current, StatusPanel[2], prompts_, this);
    tools->Attach(ApplyTemplate1, SaveAsTemplate1, Protect1, Unprotect1);

    auto showModified = [this](bool modified) { ShowModifiedMark(modified); };
    Formatting = std::make_unique<TFormatBar>(
        Editor, Ruler,
        TFormatControls{FontName, FontSize, ColorPnl, ColorButton, BoldButton, ItalicButton,
                        UnderlineButton, LeftAlign, CenterAlign, RightAlign, BulletsButton,
                        StatusPanel[0]},
        prompts_);
    Formatting->AttachCommands(Color1, EditFontCmd);
    EditCommands = std::make_unique<TEditCommands>(
        Editor, TEditActions{EditUndoCmd, EditCutCmd, EditCopyCmd, EditPasteCmd}, prompts_,
        showModified);
    FileCommands = std::make_unique<TFileCommands>(
        Editor, prompts_, [this] { return SaveEntry(); }, showModified, SaveDialogFolder);
    FileCommands->AttachCommands(FileSaveCmd, FileSaveAsCmd);
    FindReplace = std::make_unique<TFindReplace>(Editor, prompts_, this);
    FindReplace->AttachCommands(Find1, Replace1);
    // The open entry printed under its date, in the export's words.
    Printing = std::make_unique<TEntryPrinter>(Editor, prompts_, [this] {
        return TPrintName{EntryTitle(Nav->Key, Nav->CurrentLevel(), QLocale(QLocale::English)),
                          EntryFileName(Nav->Key, Nav->CurrentLevel())};
    });
    Printing->AttachCommand(FilePrintCmd);
    // Files made from a protected entry (Save As, a printed PDF) are their
    // owner's alone.
    const auto entryProtected = [this] {
        return !StorePassword(Store.EntryPassword(), Current).empty();
    };
    FileCommands->SetProtectedQuery(entryProtected);
    Printing->SetProtectedQuery(entryProtected);
    Hints = std::make_unique<TStatusHints>(this, StatusBar);
    // View > Preferences and the Help menu, owned by the window.
    new TPreferencesCommand(Preferences1,
                            TPreferencesTarget{this, &Settings, &Current, Nav.get(), TabSet,
                                               MonthCalendar1, [this] { return SaveEntry(); },
                                               [this] { LoadEntry(); }},
                            prompts_);
    new THelpMenu(this, THelpActions{Contents1, LicenseAgreement1, OrderingInformation1, HelpAbout},
                  prompts_);

    // Find in files searches the current profile's archive with a reader of
    // its own; a result double-clicked there opens as its tree node would.
    AttachCommand(FindInFiles1, prompts_, [this] {
        const std::string entry =
            RunFindDlg(this, prompts_, Settings.YearList, ArchivePath(Current.CurrentPath),
                       Current.CurrentPassword);
        if (!entry.empty()) Nav->OpenMember(entry);
    });
    FindInFiles1->setEnabled(false); // until the window is first shown (FormShow)

    ComposeComforts();
}

// Spelling, pictures, the word count and the statistics.
void TMainForm::ComposeComforts() {
    Spelling = new TSpelling(Editor, prompts_, this);
    Spelling->ProfileLanguage = [this] {
        const int tab = Nav->CurrentTab();
        const int profile = tab >= 0 ? Nav->TabProfile(tab) : 1;
        return QString::fromStdString(Settings.Project(profile).SpellLanguage);
    };
    Spelling->OnToggled = [this](bool on) { Settings.CheckSpelling = on; };
    Spelling->AttachCommand(CheckSpelling1);
    (new TPictureCommands(Editor, prompts_, this))->AttachCommand(InsertPicture1);
    WordCount = new TWordCount(Editor, StatusBar, this);
    // Statistics count the open entry as it stands: it is stored first. A
    // day clicked there opens as a click in the calendar would open it.
    AttachCommand(Statistics1, prompts_, [this] {
        if (!SaveEntry()) return;
        const QDate day = RunStatisticsDlg(this, ArchivePath(Current.CurrentPath),
                                           Current.CurrentPassword, Nav->KeyDate().year());
        if (day.isValid()) Nav->GoToDate(day);
    });
}
