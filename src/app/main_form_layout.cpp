// The main window's controls, tool bar, menus and status bar, declared in
// the order they appear on screen.
#include "app/main_form.h"

#include "editor/editor.h"
#include "editor/format_bar.h"
#include "editor/ruler.h"
#include "editor/tool_icons.h"
#include "nav/calendar_look.h"
#include "ui/commands.h"

#include <QAction>
#include <QButtonGroup>
#include <QCalendarWidget>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Wide enough for the common face names ("Times New Roman", "MS Sans Serif").
constexpr int FontNameWidth = 120;

// The width `label` needs to show each of `texts` whole: frame, margins and
// indent included, as the label itself measures them.
int WidestTextWidth(QLabel* label, const QStringList& texts) {
    const QString shown = label->text();
    int widest = 0;
    for (const QString& text : texts) {
        label->setText(text);
        widest = std::max(widest, label->sizeHint().width());
    }
    label->setText(shown);
    return widest;
}

QToolButton* ToolButton(QToolBar* bar, const QString& name, const QString& text, const QIcon& icon,
                        bool checkable = false) {
    auto* b = new QToolButton(bar);
    b->setObjectName(name);
    b->setText(text); // shown when no icon can be drawn
    b->setIcon(icon);
    b->setCheckable(checkable);
    b->setAutoRaise(true);
    bar->addWidget(b);
    return b;
}

// A tool button that shows a command: same caption, hint and enabled state.
QToolButton* CommandButton(QToolBar* bar, const QString& name, QAction* command) {
    auto* b = new QToolButton(bar);
    b->setObjectName(name);
    b->setDefaultAction(command);
    b->setAutoRaise(true);
    bar->addWidget(b);
    return b;
}

} // namespace

QAction* TMainForm::Command(QMenu* menu, const QString& caption, const QString& shortcut,
                            const QString& hint, void (TMainForm::*handler)()) {
    auto* a = new QAction(caption, this);
    if (!shortcut.isEmpty()) a->setShortcut(QKeySequence(shortcut));
    if (!hint.isEmpty()) SetHint(a, hint);
    if (handler)
        connect(a, &QAction::triggered, this,
                [this, handler] { Guarded([&] { (this->*handler)(); }); });
    else
        a->setEnabled(false); // the feature behind this entry is not built yet
    menu->addAction(a);
    return a;
}

void TMainForm::BuildLayout() {
    setWindowTitle("Dayscrib");

    Splitter1 = new QSplitter(Qt::Horizontal, this);
    Splitter1->setObjectName("Splitter1");
    Splitter1->setChildrenCollapsible(false);

    LeftPnl = new QWidget(Splitter1);
    LeftPnl->setObjectName("LeftPnl");
    auto* left = new QVBoxLayout(LeftPnl);
    left->setContentsMargins(0, 0, 0, 0);
    left->setSpacing(0);
    MonthCalendar1 = new QCalendarWidget(LeftPnl);
    MonthCalendar1->setObjectName("MonthCalendar1");
    MonthCalendar1->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    MonthCalendar1->setFirstDayOfWeek(Qt::Sunday); // weeks run Sunday to Saturday, as in the tree
    // The calendar would ask for more than the pane's 209 pixels; it fits
    // when its cells shrink a little.
    MonthCalendar1->setMinimumWidth(160);
    left->addWidget(MonthCalendar1);
    TreeView = new QTreeWidget(LeftPnl);
    TreeView->setObjectName("TreeView");
    TreeView->setHeaderHidden(true);
    TreeView->setIndentation(19);
    TreeView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    left->addWidget(TreeView, 1);
    new TCalendarLook(MonthCalendar1); // day names that fit, names of its parts

    auto* right = new QWidget(Splitter1);
    right->setObjectName("RightPnl");
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->setSpacing(0);
    Ruler = new TRuler(right);
    rightLayout->addWidget(Ruler);
    Editor = new TRichEdit(right);
    Editor->setObjectName("Editor");
    Editor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Editor->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    rightLayout->addWidget(Editor, 1);
    TabSet = new QTabBar(right);
    TabSet->setObjectName("TabSet");
    TabSet->setShape(QTabBar::RoundedSouth);
    TabSet->setExpanding(false);
    rightLayout->addWidget(TabSet);

    Splitter1->addWidget(LeftPnl);
    Splitter1->addWidget(right);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({209, 461});
    setCentralWidget(Splitter1);
    NameControls();

    BuildMenus();
    BuildToolBar();
    BuildStatusBar();
    Compose();
    AddPaneKeys();

    connect(Editor, &TRichEdit::ModifiedChanged, this,
            [this](bool modified) { Guarded([&] { ShowModifiedMark(modified); }); });
}

// What assistive tools call the controls that have no caption of their own;
// the editor takes the shown entry's date as its name once an entry is loaded.
void TMainForm::NameControls() {
    TreeView->setAccessibleName("Date tree");
    TabSet->setAccessibleName("User/Project");
    Editor->setAccessibleName("Entry");
    Splitter1->setAccessibleName("Panes");
    LeftPnl->setAccessibleName("Calendar and date tree");
}

void TMainForm::BuildMenus() {
    FileMenu = menuBar()->addMenu("&File");
    FileSaveCmd = Command(FileMenu, "&Save", "Ctrl+S", "Save current file", nullptr);
    FileSaveAsCmd =
        Command(FileMenu, "Save &As...", "", "Save current file under a new name", nullptr);
    ExportCmd = Command(FileMenu, "&Export...", "",
                        "Export the entries of a range of dates as one document", nullptr);
    FileMenu->addSeparator();
    FilePrintCmd = Command(FileMenu, "&Print...", "Ctrl+P", "Print current file", nullptr);
    FileMenu->addSeparator();
    FileExitCmd =
        Command(FileMenu, "E&xit", "Alt+X", "Exit this application", &TMainForm::FileExit);

    EditMenu = menuBar()->addMenu("&Edit");
    EditUndoCmd = Command(EditMenu, "&Undo", "Ctrl+Z", "Undo the last action", nullptr);
    EditMenu->addSeparator();
    EditCutCmd = Command(EditMenu, "Cu&t", "Ctrl+X", "Delete selected item", nullptr);
    EditCopyCmd = Command(EditMenu, "&Copy", "Ctrl+C", "Copy selected item to clipboard", nullptr);
    EditPasteCmd = Command(EditMenu, "&Paste", "Ctrl+V", "Paste contents of clipboard", nullptr);
    EditMenu->addSeparator();
    Find1 = Command(EditMenu, "Find...", "Ctrl+F", "", nullptr);
    Replace1 = Command(EditMenu, "Replace...", "Ctrl+R", "", nullptr);
    FindInFiles1 = Command(EditMenu, "Find in Files...", "Ctrl+G", "", nullptr);
    EditMenu->addSeparator();
    Color1 = Command(EditMenu, "Color...", "", "", nullptr);
    EditFontCmd = Command(EditMenu, "&Font...", "", "", nullptr);

    ViewMenu = menuBar()->addMenu("&View");
    Calendar1 = Command(ViewMenu, "&Calendar", "", "", &TMainForm::Calendar1Click);
    Tabs1 = Command(ViewMenu, "T&abs", "", "", &TMainForm::Tabs1Click);
    ToolBar1 = Command(ViewMenu, "&Tool Bar", "", "", &TMainForm::ToolBar1Click);
    TreeView1 = Command(ViewMenu, "Tree &View", "", "", &TMainForm::TreeView1Click);
    for (QAction* a : {Calendar1, Tabs1, ToolBar1, TreeView1}) {
        a->setCheckable(true);
        a->setChecked(true);
    }
    ViewMenu->addSeparator();
    // Moving by day, each exactly like a click on that date in the calendar.
    QMenu* go = ViewMenu->addMenu("&Go");
    GoToday1 = Command(go, "&Today", "Alt+Home", "Go to today's entry", nullptr);
    GoPreviousDay1 = Command(go, "&Previous Day", "Ctrl+PgUp", "Go to the day before", nullptr);
    GoNextDay1 = Command(go, "&Next Day", "Ctrl+PgDown", "Go to the day after", nullptr);
    OnThisDay1 =
        Command(ViewMenu, "On This &Day", "", "The entries of this day in earlier years", nullptr);
    Statistics1 = Command(ViewMenu, "&Statistics...", "",
                          "Entries and words per year and month, runs of days", nullptr);
    ViewMenu->addSeparator();
    CheckSpelling1 =
        Command(ViewMenu, "Check &Spelling", "", "Underline misspelled words", nullptr);
    ViewMenu->addSeparator();
    Preferences1 = Command(ViewMenu, "&Preferences...", "", "", nullptr);

    InsertMenu = menuBar()->addMenu("&Insert");
    InsertPicture1 =
        Command(InsertMenu, "&Picture...", "", "Insert a picture at the caret", nullptr);

    ToolsMenu = menuBar()->addMenu("&Tools");
    QMenu* templ = ToolsMenu->addMenu("Template");
    ApplyTemplate1 = Command(templ, "Apply Template", "Ctrl+T", "", nullptr);
    SaveAsTemplate1 = Command(templ, "Save as Template", "", "", nullptr);
    QMenu* password = ToolsMenu->addMenu("&Password");
    Protect1 = Command(password, "Protect", "", "", nullptr);
    Unprotect1 = Command(password, "Unprotect", "", "", nullptr);

    HelpMenu = menuBar()->addMenu("&Help");
    Contents1 = Command(HelpMenu, "Contents...", "F1", "", nullptr);
    LicenseAgreement1 = Command(HelpMenu, "License Agreement...", "", "", nullptr);
    OrderingInformation1 = Command(HelpMenu, "Ordering Information...", "", "", nullptr);
    HelpMenu->addSeparator();
    HelpAbout = Command(HelpMenu, "&About...", "", "Show program information", nullptr);
}

void TMainForm::BuildToolBar() {
    StandardToolBar = new QToolBar("Standard", this);
    StandardToolBar->setObjectName("StandardToolBar");
    StandardToolBar->setMovable(false);
    addToolBar(Qt::TopToolBarArea, StandardToolBar);
    QToolBar* bar = StandardToolBar;
    // The whole bar fits the default 670-pixel window: icons at the
    // platform's small tool bar size, a font-name box narrower than the
    // classic 149 pixels, and a size box made for three digits.
    const int icon = bar->style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, bar);
    bar->setIconSize(QSize(icon, icon));

    FileSaveCmd->setIcon(ToolIcon("document-save", "save"));
    FilePrintCmd->setIcon(ToolIcon("document-print", "print"));
    EditCutCmd->setIcon(ToolIcon("edit-cut", "cut"));
    EditCopyCmd->setIcon(ToolIcon("edit-copy", "copy"));
    EditPasteCmd->setIcon(ToolIcon("edit-paste", "paste"));
    EditUndoCmd->setIcon(ToolIcon("edit-undo", "undo"));
    SaveButton = CommandButton(bar, "SaveButton", FileSaveCmd);
    PrintButton = CommandButton(bar, "PrintButton", FilePrintCmd);
    bar->addSeparator();
    CutButton = CommandButton(bar, "CutButton", EditCutCmd);
    CopyButton = CommandButton(bar, "CopyButton", EditCopyCmd);
    PasteButton = CommandButton(bar, "PasteButton", EditPasteCmd);
    UndoButton = CommandButton(bar, "UndoButton", EditUndoCmd);
    bar->addSeparator();

    FontName = new QComboBox(bar);
    FontName->setObjectName("FontName");
    FontName->setEditable(true);
    FontName->setFixedWidth(FontNameWidth);
    FontName->setMaxVisibleItems(10);
    FontName->setInsertPolicy(QComboBox::NoInsert);
    SetHint(FontName, "Font Name|Select font name");
    bar->addWidget(FontName);

    FontSize = new TFontSizeBox(bar); // UpDown1: steps from 0 to 100
    FontSize->setObjectName("FontSize");
    SetHint(FontSize, "Font Size|Select font size");
    bar->addWidget(FontSize);
    // The boxes' text fields take the focus: assistive tools name them too.
    FontName->lineEdit()->setAccessibleName(FontName->accessibleName());
    if (auto* sizeText = FontSize->findChild<QLineEdit*>())
        sizeText->setAccessibleName(FontSize->accessibleName());

    ColorFramePnl = new QFrame(bar);
    ColorFramePnl->setObjectName("ColorFramePnl");
    ColorFramePnl->setFixedSize(22, 22);
    auto* frameLayout = new QHBoxLayout(ColorFramePnl);
    frameLayout->setContentsMargins(6, 6, 6, 6);
    ColorPnl = new QFrame(ColorFramePnl);
    ColorPnl->setObjectName("ColorPnl");
    ColorPnl->setFixedSize(10, 10);
    ColorPnl->setAutoFillBackground(true);
    QPalette pal = ColorPnl->palette();
    pal.setColor(QPalette::Window, Qt::black);
    ColorPnl->setPalette(pal);
    frameLayout->addWidget(ColorPnl);
    SetHint(ColorFramePnl, "Current font color");
    SetHint(ColorPnl, "Current font color");
    bar->addWidget(ColorFramePnl);

    ColorButton = ToolButton(bar, "ColorButton", "Color", ToolIcon("format-text-color", "color"));
    SetHint(ColorButton, "Select font color");
    BoldButton = ToolButton(bar, "BoldButton", "B", ToolIcon("format-text-bold", "bold"), true);
    SetHint(BoldButton, "Bold");
    ItalicButton =
        ToolButton(bar, "ItalicButton", "I", ToolIcon("format-text-italic", "italic"), true);
    SetHint(ItalicButton, "Italic");
    UnderlineButton = ToolButton(bar, "UnderlineButton", "U",
                                 ToolIcon("format-text-underline", "underline"), true);
    SetHint(UnderlineButton, "Underline");
    bar->addSeparator();

    LeftAlign =
        ToolButton(bar, "LeftAlign", "Left", ToolIcon("format-justify-left", "align-left"), true);
    SetHint(LeftAlign, "Align Left");
    CenterAlign = ToolButton(bar, "CenterAlign", "Center",
                             ToolIcon("format-justify-center", "align-center"), true);
    SetHint(CenterAlign, "Center");
    RightAlign = ToolButton(bar, "RightAlign", "Right",
                            ToolIcon("format-justify-right", "align-right"), true);
    SetHint(RightAlign, "Align Right");
    auto* align = new QButtonGroup(this);
    align->setExclusive(true);
    align->addButton(LeftAlign, 0); // the ids are the paragraph alignments
    align->addButton(RightAlign, 1);
    align->addButton(CenterAlign, 2);
    LeftAlign->setChecked(true);
    bar->addSeparator();

    BulletsButton = ToolButton(bar, "BulletsButton", "Bullets",
                               ToolIcon("format-list-unordered", "bullets"), true);
    SetHint(BulletsButton, "Bullets|Enter bullet mode");

    // The formatting buttons from the keyboard, as in other editors.
    BoldButton->setShortcut(QKeySequence("Ctrl+B"));
    ItalicButton->setShortcut(QKeySequence("Ctrl+I"));
    UnderlineButton->setShortcut(QKeySequence("Ctrl+U"));
    LeftAlign->setShortcut(QKeySequence("Ctrl+L"));
    CenterAlign->setShortcut(QKeySequence("Ctrl+E"));
    RightAlign->setShortcut(QKeySequence("Ctrl+Shift+R"));
    BulletsButton->setShortcut(QKeySequence("Ctrl+Shift+L"));
}

void TMainForm::BuildStatusBar() {
    StatusBar = statusBar();
    StatusBar->setObjectName("StatusBar");
    const int widths[3] = {120, 60, 50};
    const Qt::Alignment align[3] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignLeft};
    for (int i = 0; i < 3; ++i) {
        StatusPanel[i] = new QLabel(StatusBar);
        StatusPanel[i]->setObjectName(QString("StatusPanel%1").arg(i));
        StatusPanel[i]->setAlignment(align[i] | Qt::AlignVCenter);
        StatusPanel[i]->setFrameShape(QFrame::StyledPanel);
        // At least its classic width, and wide enough for its longest text
        // in this platform's font.
        StatusPanel[i]->setFixedWidth(
            std::max(widths[i], WidestTextWidth(StatusPanel[i], StatusPanelTexts(i))));
        // Panels sit in the normal (not permanent) area, so a hint shown in
        // the status bar covers them for its whole width, like a simple panel.
        StatusBar->addWidget(StatusPanel[i]);
    }
}
