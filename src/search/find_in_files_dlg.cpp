#include "search/find_in_files_dlg.h"

#include "platform/codepage.h"
#include "search/find_walk.h"
#include "ui/entry_title.h"
#include "ui/help.h"
#include "ui/plain_text.h"
#include "ui/prompts.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The caption without its "&" mnemonic marks, as a screen reader says it.
QString Spoken(QString caption) {
    return caption.remove('&');
}

template <typename T> T* Named(T* widget, const QString& name, const QString& spoken) {
    widget->setObjectName(name);
    widget->setAccessibleName(spoken);
    return widget;
}

// The locale's short date format, with the year written in full: a two-digit
// year would not reach every year the diary may list.
QString ShortDateFormat() {
    QString format = QLocale().dateFormat(QLocale::ShortFormat);
    if (!format.contains("yyyy")) format.replace("yy", "yyyy");
    return format;
}

QDateEdit* DatePicker(QWidget* parent, const QString& name, const QString& spoken) {
    auto* picker = Named(new QDateEdit(QDate::currentDate(), parent), name, spoken);
    picker->setDisplayFormat(ShortDateFormat());
    picker->setCalendarPopup(true);
    picker->calendarWidget()->setFirstDayOfWeek(Qt::Sunday); // as the main window's calendar
    return picker;
}

TFindDate DateOf(const QDateEdit* picker) {
    const QDate d = picker->date();
    return TFindDate{d.year(), d.month(), d.day()};
}

} // namespace

TFindDlg::TFindDlg(TPrompts& prompts, QWidget* parent) : QDialog(parent), prompts_(prompts) {
    setObjectName("FindDlg");
    setWindowTitle("Find in Files");
    setAccessibleName("Find in Files");
    setModal(true);
    BuildControls();
    Reader.Policy = TPasswordPolicy::DefaultOnly;
    // The search lets events through itself between members; the reader doing
    // it for every member as well would cost more than reading the entries.
    Reader.ProcessMessages(false);
}

TFindDlg::~TFindDlg() = default;

void TFindDlg::BuildControls() {
    auto* textGroup = Named(new QGroupBox("Text to find", this), "TextGroup", "Text to find");
    TextEdit = Named(new QLineEdit(textGroup), "TextEdit", "Text to find");
    auto* textLayout = new QVBoxLayout(textGroup);
    textLayout->addWidget(TextEdit);

    auto* options = Named(new QGroupBox("Options", this), "OptionsGroup", "Options");
    AllRBtn = Named(new QRadioButton("All entries", options), "AllRBtn", "All entries");
    RangeRBtn =
        Named(new QRadioButton("Range of entries", options), "RangeRBtn", "Range of entries");
    AllRBtn->setChecked(true);
    DailyCBox = Named(new QCheckBox("Include Daily Entries", options), "DailyCBox",
                      "Include Daily Entries");
    WeeklyCBox = Named(new QCheckBox("Include Weekly Summaries", options), "WeeklyCBox",
                       "Include Weekly Summaries");
    MonthlyCBox = Named(new QCheckBox("Include Monthly Summaries", options), "MonthlyCBox",
                        "Include Monthly Summaries");
    YearlyCBox = Named(new QCheckBox("Include Yearly Summaries", options), "YearlyCBox",
                       "Include Yearly Summaries");
    DailyCBox->setChecked(true);
    auto* optionsLayout = new QVBoxLayout(options);
    for (QWidget* w : std::initializer_list<QWidget*>{AllRBtn, RangeRBtn, DailyCBox, WeeklyCBox,
                                                      MonthlyCBox, YearlyCBox})
        optionsLayout->addWidget(w);

    auto* range = Named(new QGroupBox("Range Options", this), "RangeGroup", "Range Options");
    StartDateLbl = Named(new QLabel("Starting Date:", range), "StartDateLbl", "Starting Date:");
    StartDatePicker = DatePicker(range, "StartDatePicker", "Starting Date");
    EndDateLbl = Named(new QLabel("Ending Date:", range), "EndDateLbl", "Ending Date:");
    EndDatePicker = DatePicker(range, "EndDatePicker", "Ending Date");
    StartDateLbl->setBuddy(StartDatePicker);
    EndDateLbl->setBuddy(EndDatePicker);
    auto* rangeLayout = new QGridLayout(range);
    rangeLayout->addWidget(StartDateLbl, 0, 0);
    rangeLayout->addWidget(StartDatePicker, 0, 1);
    rangeLayout->addWidget(EndDateLbl, 1, 0);
    rangeLayout->addWidget(EndDatePicker, 1, 1);
    rangeLayout->setRowStretch(2, 1);

    auto* results = Named(new QGroupBox("Results", this), "ResultsGroup", "Results");
    ResultsList = Named(new QListWidget(results), "ResultsList", "Results");
    ResultsList->setSelectionMode(QAbstractItemView::SingleSelection);
    // One line each: the list need not measure every line again as it grows.
    ResultsList->setUniformItemSizes(true);
    ResultsList->installEventFilter(this);
    auto* resultsLayout = new QVBoxLayout(results);
    resultsLayout->addWidget(ResultsList);

    ProgressBar = Named(new QProgressBar(this), "ProgressBar", "Progress");
    ProgressBar->setRange(0, 1);
    ProgressBar->setValue(0);
    ProgressBar->setTextVisible(false);

    StartBtn = Named(new QPushButton("&Start", this), "StartBtn", Spoken("&Start"));
    CloseBtn = Named(new QPushButton("&Close", this), "CloseBtn", Spoken("&Close"));
    BitBtn1 = Named(new QPushButton("&Help", this), "BitBtn1", Spoken("&Help"));
    StartBtn->setDefault(true);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(StartBtn);
    buttons->addWidget(CloseBtn);
    buttons->addWidget(BitBtn1);
    buttons->addStretch(1);

    auto* middle = new QHBoxLayout;
    middle->addWidget(options);
    middle->addWidget(range);
    auto* left = new QVBoxLayout;
    left->addWidget(textGroup);
    left->addLayout(middle);
    left->addWidget(results, 1);
    auto* top = new QHBoxLayout;
    top->addLayout(left, 1);
    top->addLayout(buttons);
    auto* all = new QVBoxLayout(this);
    all->addLayout(top, 1);
    all->addWidget(ProgressBar);

    // Keyboard order: what to find, how, where, what was found, the buttons.
    QWidget* order[] = {TextEdit,    AllRBtn,    RangeRBtn,       DailyCBox,     WeeklyCBox,
                        MonthlyCBox, YearlyCBox, StartDatePicker, EndDatePicker, ResultsList,
                        StartBtn,    CloseBtn,   BitBtn1};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(AllRBtn, &QRadioButton::toggled, this, [this] { UpdateRangeControls(); });
    connect(RangeRBtn, &QRadioButton::toggled, this, [this] { UpdateRangeControls(); });
    // The start never lies after the end: each picker is bounded by the
    // other's date, whichever way the date was changed.
    connect(StartDatePicker, &QDateEdit::dateChanged, this,
            [this](const QDate& d) { EndDatePicker->setMinimumDate(d); });
    connect(EndDatePicker, &QDateEdit::dateChanged, this,
            [this](const QDate& d) { StartDatePicker->setMaximumDate(d); });
    EndDatePicker->setMinimumDate(StartDatePicker->date());
    StartDatePicker->setMaximumDate(EndDatePicker->date());
    UpdateRangeControls();

    connect(StartBtn, &QPushButton::clicked, this,
            [this] { Guarded(prompts_, [this] { StartBtnClick(); }); });
    connect(CloseBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(BitBtn1, &QPushButton::clicked, this, [] { ShowHelp(16); });
    connect(new QShortcut(QKeySequence::HelpContents, this), &QShortcut::activated, this,
            [] { ShowHelp(16); });
    connect(ResultsList, &QListWidget::itemDoubleClicked, this,
            [this] { Guarded(prompts_, [this] { ResultsListDblClick(); }); });
}

void TFindDlg::UpdateRangeControls() {
    const bool range = RangeRBtn->isChecked();
    for (QWidget* w :
         std::initializer_list<QWidget*>{StartDateLbl, StartDatePicker, EndDateLbl, EndDatePicker})
        w->setEnabled(range);
}

void TFindDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    TextEdit->setFocus();
}

bool TFindDlg::eventFilter(QObject* watched, QEvent* event) {
    // Enter on a selected result opens it, as a double-click does; with no
    // result selected it starts a search as everywhere else in the dialog.
    if (watched == ResultsList && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) &&
            !ResultsList->selectedItems().isEmpty()) {
            Guarded(prompts_, [this] { ResultsListDblClick(); });
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFindDlg::done(int result) {
    stop_ = true;
    QDialog::done(result);
}

bool TFindDlg::ReadMember(const std::string& path, std::string_view& bytes) {
    if (!archiveExists_) return false;
    // A protected member the default password does not open is passed over
    // without a word.
    Reader.DefaultPassword = DefaultPassword;
    // The member the directory named for this candidate is read by its
    // place, without the name being looked up again.
    const int index = nextMember_;
    nextMember_ = -1;
    const TEntryReader::TRead read =
        index >= 0 ? Reader.ReadIndex(ArchiveFile, index) : Reader.Read(ArchiveFile, path);
    // One that is there but cannot be read is not passed over in silence.
    if (read.Unreadable)
        unreadable_ << EntryTitleOf(path) + ": " +
                           QString::fromStdString(
                               UnreadableReason(read.TooLarge, read.Cause, read.Size));
    if (!read.Found) return false;
    bytes = Reader.Bytes();
    return true;
}

void TFindDlg::ReportUnreadable() {
    if (unreadable_.isEmpty()) return;
    prompts_.ShowMessage("These entries could not be read, so they were not searched:\n" +
                         unreadable_.join("\n"));
}

void TFindDlg::ShowProgress(int steps) {
    // Steps past the maximum leave the bar full.
    ProgressBar->setValue(std::min(steps, ProgressBar->maximum()));
}

void TFindDlg::StartBtnClick() {
    if (searching_) return; // Start pressed again while events are let through
    ResultsList->clear();
    lines_.clear();

    TFindOptions options;
    options.Text = TextEdit->text();
    options.Range = RangeRBtn->isChecked();
    options.Start = DateOf(StartDatePicker);
    options.End = DateOf(EndDatePicker);
    options.Daily = DailyCBox->isChecked();
    options.Weekly = WeeklyCBox->isChecked();
    options.Monthly = MonthlyCBox->isChecked();
    options.Yearly = YearlyCBox->isChecked();
    // A copy: nothing that runs while events are let through can change the
    // list under the walk.
    const std::vector<std::string> years =
        YearList ? YearList->Strings() : std::vector<std::string>();

    // A bar whose maximum is 0 would show a busy animation instead of an
    // empty bar, so an empty year list keeps a maximum of 1.
    ProgressBar->setRange(0, std::max(1, kFindStepsPerYear * static_cast<int>(years.size())));
    ProgressBar->setValue(0);

    searching_ = true;
    stop_ = false;
    unreadable_.clear();
    archiveExists_ = ArchiveExists(ArchiveFile);
    candidates_.reset();
    // The archive stays open for the whole search instead of being opened
    // and closed for each of the thousands of names tried.
    Reader.KeepOpen(true);
    struct TEnd {
        TFindDlg& dlg;
        ~TEnd() {
            dlg.searching_ = false;
            dlg.Reader.StopPrefetch();
            dlg.Reader.KeepOpen(false);
            dlg.Reader.Close();
        }
    } end{*this};

    int steps = 0;
    QElapsedTimer sinceEvents;
    sinceEvents.start();
    TFindEvents events;
    events.OnStep = [&](int taken) {
        steps = taken;
        // The clock is read every few steps only: a step is a few nanoseconds.
        if ((taken & 15) != 0 && ProcessInterval > 0) return;
        if (sinceEvents.elapsed() < ProcessInterval) return;
        ShowProgress(taken);
        QCoreApplication::processEvents();
        sinceEvents.restart();
    };
    events.OnFound = [this](const std::string& line, const QString& context) {
        lines_.push_back(line);
        // The line keeps its path; the text around the match is its tip.
        auto* item = new QListWidgetItem(QString::fromStdString(AnsiToUtf8(line)), ResultsList);
        item->setToolTip(PlainToolTip(context));
        item->setData(Qt::AccessibleDescriptionRole, context);
    };
    events.StopRequested = [this] { return stop_; };
    events.MayExist = [this, &years](int y, int m, int w, int d) {
        if (!archiveExists_) return false;
        // A damaged archive throws here, as a read would.
        if (!candidates_) candidates_.emplace(years, Reader.MemberNames(ArchiveFile));
        nextMember_ = candidates_->Member(y, m, w, d);
        return nextMember_ >= 0;
    };
    const TMemberReader read = [this](const std::string& path, std::string_view& bytes) {
        return ReadMember(path, bytes);
    };

    TFindResult result;
    try {
        // The keys of protected members are derived ahead, on every
        // processor, while the walk reads: each costs a millisecond.
        if (archiveExists_ && !DefaultPassword.empty()) {
            candidates_.emplace(years, Reader.MemberNames(ArchiveFile));
            Reader.PrefetchKeys(ArchiveFile, FindReadOrder(years, options, *candidates_),
                                DefaultPassword);
        }
        result = FindInFiles(years, options, read, events);
    } catch (...) {
        ShowProgress(steps); // the bar stays where the search stopped
        ReportUnreadable();
        throw;
    }
    if (result.Stopped) return; // the dialog is closing
    if (!result.Error.empty()) {
        ShowProgress(result.Steps);
        prompts_.ShowError(MessageText(result.Error));
        return;
    }
    ProgressBar->setValue(0);
    ReportUnreadable();
}

void TFindDlg::ResultsListDblClick() {
    const QList<QListWidgetItem*> selected = ResultsList->selectedItems();
    if (selected.isEmpty()) return;
    const int row = ResultsList->row(selected.front());
    if (row < 0 || row >= static_cast<int>(lines_.size())) return;
    SelectedEntry = lines_[static_cast<std::size_t>(row)];
    accept();
}

std::string RunFindDlg(QWidget* parent, TPrompts& prompts, const TYearList& yearList,
                       const std::string& archiveFile, const TPassword& defaultPassword) {
    TFindDlg dlg(prompts, parent);
    dlg.YearList = &yearList;
    dlg.ArchiveFile = archiveFile;
    dlg.DefaultPassword = defaultPassword;
    dlg.exec();
    return dlg.SelectedEntry;
}
