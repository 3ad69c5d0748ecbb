#include "app/help_window.h"

#include "app/app_resources.h"
#include "app/help_window_pages.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QPushButton>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace {

QPushButton* Button(const QString& name, const QString& caption, const QString& accessible) {
    auto* button = new QPushButton(caption);
    button->setObjectName(name);
    button->setAccessibleName(accessible);
    button->setAutoDefault(false);
    return button;
}

} // namespace

THelpWindow::THelpWindow(QWidget* parent) : QMainWindow(parent) {
    InitResources();
    setObjectName("HelpWindow");
    setWindowTitle("Dayscrib Help");
    setAccessibleName("Dayscrib Help");
    setWindowIcon(ProgramIcon());
    resize(560, 480);
    // Closing the main window ends the program also while help is open.
    setAttribute(Qt::WA_QuitOnClose, false);

    auto* body = new QWidget(this);
    setCentralWidget(body);
    Browser = new QTextBrowser(body);
    Browser->setObjectName("HelpBrowser");
    Browser->setAccessibleName("Help page");
    Browser->setOpenLinks(true);
    Browser->setOpenExternalLinks(false);
    // Tab walks the links of a page, Enter follows one.
    Browser->setTextInteractionFlags(Qt::TextBrowserInteraction);

    ContentsBtn = Button("ContentsBtn", "&Contents", "Contents");
    BackBtn = Button("BackBtn", "&Back", "Back");
    ForwardBtn = Button("ForwardBtn", "&Forward", "Forward");
    CloseBtn = Button("CloseBtn", "Close", "Close");
    BackBtn->setEnabled(false);
    ForwardBtn->setEnabled(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ContentsBtn);
    buttons->addWidget(BackBtn);
    buttons->addWidget(ForwardBtn);
    buttons->addStretch(1);
    buttons->addWidget(CloseBtn);
    auto* column = new QVBoxLayout(body);
    column->addLayout(buttons);
    column->addWidget(Browser, 1);

    connect(ContentsBtn, &QPushButton::clicked, this, [this] { ShowPage("main.html"); });
    connect(BackBtn, &QPushButton::clicked, Browser, &QTextBrowser::backward);
    connect(ForwardBtn, &QPushButton::clicked, Browser, &QTextBrowser::forward);
    connect(CloseBtn, &QPushButton::clicked, this, &QWidget::close);
    connect(Browser, &QTextBrowser::backwardAvailable, BackBtn, &QPushButton::setEnabled);
    connect(Browser, &QTextBrowser::forwardAvailable, ForwardBtn, &QPushButton::setEnabled);
    connect(Browser, &QTextBrowser::sourceChanged, this, [this] {
        const QString title = Browser->documentTitle();
        setWindowTitle(title.isEmpty() ? "Dayscrib Help" : "Dayscrib Help - " + title);
    });
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
}

QString THelpWindow::CurrentPage() const {
    return Browser->source().fileName();
}

void THelpWindow::ShowPage(const QString& page) {
    Browser->setSource(QUrl(QString(HelpPagesUrl) + page));
}

void THelpWindow::ShowContext(int context) {
    ShowPage(QString::fromStdString(HelpPageForContext(context)));
    // Beneath a modal dialog the window would take no input: it is modal
    // too while it is open from one.
    const Qt::WindowModality wanted =
        QApplication::activeModalWidget() && QApplication::activeModalWidget() != this
            ? Qt::ApplicationModal
            : Qt::NonModal;
    if (windowModality() != wanted) {
        hide(); // a shown window takes a new modality only when shown again
        setWindowModality(wanted);
    }
    show();
    raise();
    activateWindow();
    Browser->setFocus();
}
