// The small windows of the program, opened as a user opens them: the text
// viewer and the about box from the Help menu, the help window at its
// context pages, and the splash window while the main window is made.
#include "app/about_box.h"
#include "app/about_box_memory.h"
#include "app/app_resources.h"
#include "app/help_window.h"
#include "app/help_window_pages.h"
#include "app/main_form.h"
#include "app/splash_form.h"
#include "app/viewer_form.h"
#include "app/viewer_form_files.h"
#include "dialog_test_support.h"
#include "platform/profile_file.h"
#include "settings/password_scramble.h"
#include "support/test_support.h"
#include "ui/help.h"
#include "ui/prompts.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <set>

using apptest::WhenModal;
using testsupport::WriteFile;

namespace {

// Runs the test in `folder` as the current folder, and back.
class ScopedCurrentFolder {
public:
    explicit ScopedCurrentFolder(const std::string& folder) : old_(QDir::currentPath()) {
        QDir::setCurrent(QString::fromStdString(folder));
    }
    ~ScopedCurrentFolder() { QDir::setCurrent(old_); }

private:
    QString old_;
};

class Windows : public ::testing::Test {
protected:
    testsupport::ScopedUserFolders folders;
    testsupport::TempDir scratch;
    TScriptedPrompts prompts;
    std::unique_ptr<TMainForm> form;

    void Start() {
        form = std::make_unique<TMainForm>(prompts);
        ASSERT_TRUE(form->LoginPassed());
        form->show();
        // Activation arrives late on a busy machine: wait for it, so that it
        // cannot take the focus from a dialog opened next.
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }
    // Triggers `command` and runs `look` in the modal window it opens.
    template <class T> void Open(QAction* command, const std::function<void(T&)>& look) {
        bool ran = false;
        WhenModal([&](QWidget* w) {
            auto* window = qobject_cast<T*>(w);
            ASSERT_NE(window, nullptr);
            // Keys and focus reach a window only once it is active.
            ASSERT_TRUE(testsupport::WaitForFocus(window));
            ran = true;
            look(*window);
        });
        ASSERT_TRUE(command->isEnabled());
        command->trigger();
        ASSERT_TRUE(ran);
    }
};

// A meminfo of a machine with 16 GB, 42 % of it in use.
const char* const MemInfo = "MemTotal:       16318412 kB\n"
                            "MemFree:         1200000 kB\n"
                            "MemAvailable:    9462320 kB\n";

} // namespace

// ---- viewer ----

TEST_F(Windows, ViewerShowsTheMissingFileLine) {
    ScopedCurrentFolder cwd(scratch.path()); // no License.txt here
    Start();
    Open<TViewerFrm>(form->LicenseAgreement1, [](TViewerFrm& v) {
        EXPECT_EQ(v.windowTitle(), "License Agreement");
        EXPECT_EQ(v.ViewerMemo->toPlainText(), "Unable to load License.txt");
        EXPECT_TRUE(v.ViewerMemo->isReadOnly());
        EXPECT_EQ(v.ViewerMemo->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        EXPECT_EQ(v.size(), QSize(358, 375));
        EXPECT_EQ(v.BitBtn1->text(), "Close");
        EXPECT_TRUE(v.BitBtn1->isDefault());
        apptest::ExpectAccessible(&v);
        QTest::mouseClick(v.BitBtn1, Qt::LeftButton);
        EXPECT_FALSE(v.isVisible());
    });
}

TEST_F(Windows, ViewerReadsTheFileOfTheCurrentFolderLineByLine) {
    ScopedCurrentFolder cwd(scratch.path());
    WriteFile(scratch.file("Orders.txt"), "Order by post:\r\nDayscrib\r\n\r\nCaf\xE9 Street 1\n");
    Start();
    Open<TViewerFrm>(form->OrderingInformation1, [](TViewerFrm& v) {
        EXPECT_EQ(v.windowTitle(), "Ordering Information");
        EXPECT_EQ(v.ViewerMemo->toPlainText(),
                  QString::fromUtf8("Order by post:\nDayscrib\n\nCaf\xC3\xA9 Street 1"));
        EXPECT_EQ(v.ViewerMemo->accessibleName(), "Ordering Information");
        QTest::keyClick(&v, Qt::Key_Escape);
    });
}

TEST(ViewerFiles, InstalledFolderFirstThenBesideTheProgramThenTheCurrentFolder) {
    testsupport::TempDir root;
    const std::string bin = root.path() + "/prefix/bin";
    const std::string data = root.path() + "/prefix/share/dayscrib";
    const std::string cwd = root.path() + "/home";
    for (const std::string& dir : {bin, data, cwd})
        std::filesystem::create_directories(dir);
    EXPECT_EQ(FindProgramFile("License.txt", bin, cwd), "");
    WriteFile(cwd + "/License.txt", "cwd");
    EXPECT_EQ(FindProgramFile("License.txt", bin, cwd), cwd + "/License.txt");
    WriteFile(bin + "/License.txt", "bin");
    EXPECT_EQ(FindProgramFile("License.txt", bin, cwd), bin + "/License.txt");
    WriteFile(data + "/License.txt", "data");
    EXPECT_EQ(testsupport::ReadFile(FindProgramFile("License.txt", bin, cwd)), "data");
    // A folder of that name is no file.
    std::filesystem::create_directories(cwd + "/Orders.txt");
    EXPECT_EQ(FindProgramFile("Orders.txt", bin, cwd), "");
    EXPECT_EQ(InstalledDataFromBin(), "../share/dayscrib");
}

// ---- about box ----

TEST_F(Windows, AboutBoxShowsTheMemoryFiguresReadOnce) {
    const QLocale oldLocale;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    int reads = 0;
    std::string meminfo = MemInfo;
    TAboutBox::MemoryStatusSource = [&](TMemoryStatus& status) {
        ++reads;
        return ParseMemInfo(meminfo, status);
    };
    Start();
    Open<TAboutBox>(form->HelpAbout, [&](TAboutBox& box) {
        EXPECT_EQ(box.windowTitle(), "About Dayscrib");
        EXPECT_EQ(box.size(), QSize(328, 279));
        EXPECT_EQ(box.Label1->text(), "Dayscrib");
        EXPECT_EQ(box.Label5->text(), "Version 1.7");
        EXPECT_EQ(box.ProgramIcon->pixmap().size(), QSize(32, 32));
        EXPECT_EQ(box.PhysMem->text(), "16,318,412 KB");
        EXPECT_EQ(box.findChild<QLabel*>("Label3")->text(), "Physical Memory Available:");
        EXPECT_EQ(box.FreeRes->text(), "42 %");
        // Painting and showing again read nothing new.
        meminfo = "MemTotal: 1024 kB\nMemAvailable: 0 kB\n";
        box.hide();
        box.show();
        box.repaint();
        EXPECT_EQ(box.PhysMem->text(), "16,318,412 KB");
        EXPECT_TRUE(box.OKButton->isDefault());
        apptest::ExpectAccessible(&box);
        QTest::keyClick(box.OKButton, Qt::Key_Space);
        EXPECT_FALSE(box.isVisible());
    });
    EXPECT_EQ(reads, 1);
    TAboutBox::MemoryStatusSource = GetMemoryStatus;
    QLocale::setDefault(oldLocale);
}

TEST(AboutMemory, FiguresFormattedAsThePatternsSay) {
    EXPECT_EQ(FormatPhysMem(16318412ull * 1024, ","), "16,318,412 KB");
    EXPECT_EQ(FormatPhysMem(16318412ull * 1024, "."), "16.318.412 KB");
    EXPECT_EQ(FormatPhysMem(999ull * 1024, ","), "999 KB");
    EXPECT_EQ(FormatPhysMem(1000ull * 1024, ","), "1,000 KB");
    EXPECT_EQ(FormatPhysMem(1023, ","), "1 KB"); // rounded
    EXPECT_EQ(FormatPhysMem(511, ","), " KB");   // "#,###" shows no digit for zero
    EXPECT_EQ(FormatPhysMem(1536, ","), "2 KB"); // half up
    EXPECT_EQ(FormatPhysMem(0, ","), " KB");
    EXPECT_EQ(FormatPhysMem(18446744073709551615ull, ","), "18,014,398,509,481,984 KB");
    EXPECT_EQ(FormatMemoryLoad(42), "42 %");
    EXPECT_EQ(FormatMemoryLoad(0), "0 %");
    EXPECT_EQ(FormatMemoryLoad(100), "100 %");
}

// ---- help ----

TEST(HelpPages, EveryContextHasItsPageAndEveryLinkLeadsToAPage) {
    EXPECT_EQ(HelpPageForContext(1), "main.html");
    EXPECT_EQ(HelpPageForContext(14), "find.html");
    EXPECT_EQ(HelpPageForContext(15), "replace.html");
    EXPECT_EQ(HelpPageForContext(16), "find_in_files.html");
    EXPECT_EQ(HelpPageForContext(17), "preferences.html");
    EXPECT_EQ(HelpPageForContext(19), "font_color.html");
    EXPECT_EQ(HelpPageForContext(99), "main.html");
    THelpWindow window; // registers the resources
    const QRegularExpression link("href=\"([^\"]+)\"");
    const std::vector<std::string> pages = HelpPages();
    std::set<std::string> linked;
    for (const std::string& page : pages) {
        QFile file(":/help/" + QString::fromStdString(page));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << page;
        const QString html = QString::fromUtf8(file.readAll());
        EXPECT_TRUE(html.contains("<title>")) << page;
        for (auto it = link.globalMatch(html); it.hasNext();) {
            const std::string target = it.next().captured(1).toStdString();
            EXPECT_TRUE(std::find(pages.begin(), pages.end(), target) != pages.end())
                << page << " links to " << target;
            linked.insert(target);
        }
    }
    for (const std::string& page : pages)
        EXPECT_TRUE(linked.count(page)) << page << " is reached from no page";
}

TEST_F(Windows, F1OpensTheHelpWindowAtTheMainWindowsPageAndLinksWork) {
    Start();
    THelpWindow help;
    SetHelpHandler([&](int context) { help.ShowContext(context); });
    form->activateWindow();
    form->Contents1->trigger();
    EXPECT_TRUE(help.isVisible());
    EXPECT_EQ(help.CurrentPage(), "main.html");
    EXPECT_EQ(help.windowModality(), Qt::NonModal);
    EXPECT_TRUE(help.Browser->toPlainText().contains("Contents"));
    apptest::ExpectAccessible(&help);
    // Following a link, and back.
    help.Browser->setSource(QUrl("preferences.html"));
    EXPECT_TRUE(help.Browser->toPlainText().contains("Tree View Years"));
    QTest::mouseClick(help.BackBtn, Qt::LeftButton);
    EXPECT_EQ(help.CurrentPage(), "main.html");
    // Every context opens its own page in the same window.
    for (int context : {14, 15, 16, 17, 19}) {
        ShowHelp(context);
        EXPECT_EQ(help.CurrentPage().toStdString(), HelpPageForContext(context));
        EXPECT_TRUE(help.isVisible());
    }
    EXPECT_EQ(QApplication::topLevelWidgets().count(&help), 1);
    QTest::mouseClick(help.CloseBtn, Qt::LeftButton);
    EXPECT_FALSE(help.isVisible());
    SetHelpHandler({});
}

TEST_F(Windows, HelpFromAModalDialogIsModalItselfUntilClosed) {
    Start();
    THelpWindow help;
    SetHelpHandler([&](int context) { help.ShowContext(context); });
    bool modalHelp = false;
    WhenModal([&](QWidget* w) {
        auto* about = qobject_cast<TAboutBox*>(w);
        ASSERT_NE(about, nullptr);
        ShowHelp(17); // as the Help button of a dialog does
        modalHelp = help.isVisible() && help.windowModality() == Qt::ApplicationModal &&
                    QApplication::activeModalWidget() == &help;
        help.close();
        about->accept();
    });
    form->HelpAbout->trigger();
    EXPECT_TRUE(modalHelp);
    ShowHelp(1); // from the main window again: not modal
    EXPECT_EQ(help.windowModality(), Qt::NonModal);
    EXPECT_TRUE(help.isVisible());
    help.close();
    SetHelpHandler({});
}

TEST(QtPromptsHelp, FontAndColourDialogsHaveAHelpButtonForTheirContext) {
    TQtPrompts prompts;
    std::vector<int> asked;
    SetHelpHandler([&](int context) { asked.push_back(context); });
    const auto pressHelp = [](QWidget* w) {
        QPushButton* help = nullptr;
        for (QPushButton* b : w->findChildren<QPushButton*>())
            if (b->text().remove('&') == "Help") help = b;
        ASSERT_NE(help, nullptr);
        EXPECT_EQ(help->accessibleName(), "Help");
        QTest::mouseClick(help, Qt::LeftButton);
        qobject_cast<QDialog*>(w)->reject();
    };
    QFont font("DejaVu Sans", 10);
    QColor color = Qt::black;
    WhenModal(pressHelp);
    EXPECT_FALSE(prompts.ChooseFont(font, color, 19));
    WhenModal(pressHelp);
    EXPECT_FALSE(prompts.ChooseColor(color, 19));
    SetHelpHandler({});
    EXPECT_EQ(asked, (std::vector<int>{19, 19}));
}

// ---- splash ----

namespace {

// Points the splash at another picture and gives it a pause, for one test.
class ScopedSplash {
public:
    ScopedSplash(const QString& picture, std::chrono::milliseconds pause)
        : oldPicture_(TSplashFrm::PicturePath), oldPause_(TSplashFrm::Pause) {
        TSplashFrm::PicturePath = picture;
        TSplashFrm::Pause = pause;
    }
    ~ScopedSplash() {
        TSplashFrm::PicturePath = oldPicture_;
        TSplashFrm::Pause = oldPause_;
    }

private:
    QString oldPicture_;
    std::chrono::milliseconds oldPause_;
};

TSplashFrm* FindSplash() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* splash = qobject_cast<TSplashFrm*>(w)) return splash;
    return nullptr;
}

// Prompts that note whether the splash is up when the login is asked.
class TLoginWatch : public TScriptedPrompts {
public:
    bool SplashUpAtLogin = false;
    bool InputQuery(const QString& caption, const QString& prompt, QString& value,
                    bool masked) override {
        const TSplashFrm* splash = FindSplash();
        SplashUpAtLogin =
            splash && splash->isVisible() && !(splash->windowFlags() & Qt::WindowStaysOnTopHint);
        return TScriptedPrompts::InputQuery(caption, prompt, value, masked);
    }
};

} // namespace

TEST_F(Windows, SplashIsShownForItsPauseWhileTheWindowIsMadeThenClosed) {
    ScopedSplash splash(":/splash.jpg", std::chrono::milliseconds(300));
    // While the main window is made: the splash is up, painted, with its
    // picture, and timers go on running (the wait is no frozen sleep).
    int ticks = 0;
    bool seen = false;
    QTimer watch;
    watch.setInterval(20);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        ++ticks;
        const TSplashFrm* s = FindSplash();
        if (!s || !s->isVisible()) return;
        seen = true;
        EXPECT_TRUE(s->HasPicture());
        EXPECT_EQ(s->size(), QSize(311, 288));
        EXPECT_EQ(s->Image1->geometry(), QRect(5, 5, 301, 278));
        EXPECT_TRUE(s->Image1->hasScaledContents());
        EXPECT_EQ(s->Label1->pos(), QPoint(15, 25));
        EXPECT_EQ(s->Label1->font().pixelSize(), 27);
        const Qt::WindowFlags flags = s->windowFlags();
        EXPECT_TRUE(flags & Qt::FramelessWindowHint);
        EXPECT_TRUE(flags & Qt::WindowStaysOnTopHint);
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        EXPECT_LE((s->geometry().center() - screen.center()).manhattanLength(), 2);
    });
    watch.start();
    QElapsedTimer clock;
    clock.start();
    Start();
    const qint64 took = clock.elapsed();
    watch.stop();
    EXPECT_TRUE(seen);
    EXPECT_GE(took, 300);
    EXPECT_GT(ticks, 0);
    EXPECT_EQ(FindSplash(), nullptr); // closed and gone with the creation
}

TEST_F(Windows, DamagedOrMissingPictureLeavesTheSplashWhiteAndTheProgramGoesOn) {
    const std::string good = [] {
        InitResources();
        QFile f(":/splash.jpg");
        f.open(QIODevice::ReadOnly);
        return f.readAll().toStdString();
    }();
    ASSERT_GT(good.size(), 1000u);
    std::string damaged = good;
    for (std::size_t i = 600; i < damaged.size() - 2; i += 7)
        damaged[i] = static_cast<char>(damaged[i] ^ 0x5A); // a scrambled scan
    WriteFile(scratch.file("damaged.jpg"), damaged);
    WriteFile(scratch.file("cut.jpg"), good.substr(0, good.size() / 2));
    WriteFile(scratch.file("text.jpg"), "not a picture at all");
    for (const char* name : {"damaged.jpg", "cut.jpg", "text.jpg", "missing.jpg"}) {
        ScopedSplash splash(QString::fromStdString(scratch.file(name)),
                            std::chrono::milliseconds(0));
        TSplashFrm frm;
        EXPECT_FALSE(frm.HasPicture()) << name;
        EXPECT_TRUE(frm.Image1->pixmap().isNull()) << name;
        const QImage shot = frm.grab().toImage();
        EXPECT_EQ(shot.pixelColor(150, 200), QColor(Qt::white)) << name;
        form = std::make_unique<TMainForm>(prompts);
        EXPECT_TRUE(form->LoginPassed()) << name;
        form.reset();
    }
    EXPECT_TRUE(prompts.Asked.empty()) << prompts.Messages().join('|').toStdString();
}

TEST_F(Windows, SplashStaysUpBeneathTheLoginPrompt) {
    ProfileFilePath("Dayscrib.INI");
    WriteFile(folders.configDir() + "/Dayscrib.INI",
              "[Main]\nUser1Password=" + ScramblePassword("pw") + "\n");
    TLoginWatch watch;
    watch.Inputs = {QString("pw")};
    form = std::make_unique<TMainForm>(watch);
    EXPECT_TRUE(form->LoginPassed());
    EXPECT_TRUE(watch.SplashUpAtLogin);
    EXPECT_EQ(FindSplash(), nullptr);
    form.reset();
}
