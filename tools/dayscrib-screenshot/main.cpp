// dayscrib-screenshot OUTPUT.png: the picture that software centres show.
//
// Makes a diary of a few sample entries in June 2025 inside a scratch
// settings and data folder, opens the real main window on the offscreen
// platform at 960 x 600, goes to 14 June 2025 and saves what the window
// draws. The dates are fixed and the user's own folders are never touched,
// so the same build on the same fonts makes the same picture again
// (`cmake --build build --target screenshot`).
#include "app/main_form.h"
#include "app/splash_form.h"
#include "platform/profile_file.h"
#include "rtf/rtf_formats.h"
#include "rtf/rtf_writer.h"
#include "store/entry_key.h"
#include "ui/prompts.h"
#include "zip/stream.h"
#include "zip/zip_writer.h"

#include <QApplication>
#include <QDate>
#include <QImage>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

constexpr int kWidth = 960;
constexpr int kHeight = 600;

// The sample diary asks nothing; a question would mean something went
// wrong, so it is printed and refused instead of waiting for an answer.
class TNoPrompts : public TPrompts {
public:
    bool Asked = false;
    bool InputQuery(const QString&, const QString& prompt, QString&, bool) override {
        return Refuse(prompt);
    }
    void ShowMessage(const QString& text) override { Refuse(text); }
    void ShowError(const QString& text) override { Refuse(text); }
    TConfirmAnswer Confirm(const QString&, const QString& text) override {
        Refuse(text);
        return TConfirmAnswer::Cancel;
    }
    bool ChooseFont(QFont&, QColor&, int) override { return Refuse("font dialog"); }
    bool ChooseColor(QColor&, int) override { return Refuse("colour dialog"); }
    QString SaveFileName(const QString&, const QString&, const QString&) override {
        Refuse("file dialog");
        return {};
    }
    QString OpenFileName(const QString&, const QString&, const QString&) override {
        Refuse("file dialog");
        return {};
    }
    QString FolderName(const QString&, const QString&) override {
        Refuse("folder dialog");
        return {};
    }
    bool Print(QPrinter&) override { return Refuse("print dialog"); }

private:
    bool Refuse(const QString& what) {
        std::fprintf(stderr, "dayscrib-screenshot: unexpected question: %s\n",
                     what.toLocal8Bit().constData());
        Asked = true;
        return false;
    }
};

// One entry: a heading, paragraphs, and lines starting with "* " as bullets.
QByteArray EntryRtf(const QString& heading, const QStringList& lines) {
    QTextDocument doc;
    QTextCursor c(&doc);
    QTextCharFormat body;
    body.setFontFamilies({"DejaVu Sans"});
    body.setFontPointSize(10);
    QTextCharFormat title = body;
    title.setFontPointSize(13);
    title.setFontWeight(QFont::Bold);
    title.setForeground(QColor(0x1f, 0x4e, 0x79));
    c.setCharFormat(title);
    c.insertText(heading);
    // A bullet hangs in the indent, as the tool bar's Bullets button sets it.
    rtf::ParaAttrs bullet;
    bullet.list = rtf::ListStyle::Bullet;
    bullet.leftIndent = 360;
    bullet.firstIndent = -360;
    QTextList* list = nullptr;
    for (const QString& line : lines) {
        if (line.startsWith("* ")) {
            c.insertBlock(rtf::ToBlockFormat(bullet), body);
            if (!list)
                list = c.createList(rtf::ToListFormat(bullet));
            else
                list->add(c.block());
            c.insertText(line.mid(2));
        } else {
            c.insertBlock(QTextBlockFormat(), body);
            list = nullptr;
            if (line.startsWith("_")) { // a word in italics begins the line
                const qsizetype end = line.indexOf(' ');
                QTextCharFormat italic = body;
                italic.setFontItalic(true);
                c.insertText(line.mid(1, end - 1), italic);
                c.insertText(line.mid(end), body);
            } else {
                c.insertText(line);
            }
        }
    }
    return WriteRtf(doc);
}

bool Store(const std::string& archive, const QDate& date, TEntryLevel level,
           const QByteArray& rtf) {
    const TEntryKey key = KeyForDate(std::chrono::year_month_day{
        std::chrono::year{date.year()}, std::chrono::month{static_cast<unsigned>(date.month())},
        std::chrono::day{static_cast<unsigned>(date.day())}});
    TZipWriter writer;
    writer.SetStorePaths(true);
    writer.ZipAction = zaReplace;
    writer.SetZipName(archive);
    TMemoryStream stream(rtf.toStdString());
    return writer.AddFromStream(&stream, MemberPath(key, level)) == 1;
}

bool MakeSampleDiary() {
    ProfileFilePath("Dayscrib.INI"); // creates the configuration folder
    std::ofstream(ProfileFilePath("Dayscrib.INI"))
        << "[Main]\nLeft=0\nTop=0\nWidth=" << kWidth << "\nHeight=" << kHeight
        << "\nUser1Name=Journal\nUser2On=1\nUser2Name=Garden\nUser2RO=0\n"
           "YearCount=1\nYear1=2025\n";
    const std::string journal = ArchivePath("Data\\");
    const std::string garden = ArchivePath("Data\\User2\\");
    std::filesystem::create_directories(std::filesystem::path(journal).parent_path());
    std::filesystem::create_directories(std::filesystem::path(garden).parent_path());
    const QDate shown(2025, 6, 14);
    bool ok = true;
    ok &= Store(journal, QDate(2025, 6, 2), TEntryLevel::elDay,
                EntryRtf("First day at the new office",
                         {"Bright and quiet. Lunch by the river with Sam."}));
    ok &= Store(journal, QDate(2025, 6, 5), TEntryLevel::elDay,
                EntryRtf("Rain all day", {"Finished the book about the lighthouse keepers."}));
    ok &= Store(journal, QDate(2025, 6, 9), TEntryLevel::elDay,
                EntryRtf("Grandma's birthday", {"Eighty-nine, and she beat us all at cards."}));
    ok &= Store(journal, QDate(2025, 6, 11), TEntryLevel::elDay,
                EntryRtf("Long walk", {"Up the hill before work; the fog lifted at seven."}));
    ok &= Store(
        journal, shown, TEntryLevel::elDay,
        EntryRtf("Saturday at the coast",
                 {"We took the early train and were on the beach by nine. The tide "
                  "was out, so we walked all the way round the point to the old "
                  "harbour and had breakfast at the kiosk that only opens in summer.",
                  "", "Things to remember:", "* the seals on the sandbank, at least twenty of them",
                  "* the lighthouse is open to visitors on Sundays",
                  "* buy a tide table before the next trip", "",
                  "_Evening: tired and sunburnt, and already planning the next "
                  "one. Maybe in August, with Sam and the children."}));
    ok &= Store(journal, QDate(2025, 6, 14), TEntryLevel::elWeek,
                EntryRtf("A good week", {"New office, a long walk, and the coast."}));
    ok &= Store(garden, QDate(2025, 6, 14), TEntryLevel::elDay,
                EntryRtf("Tomatoes", {"First flowers on the cherry tomatoes."}));
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: dayscrib-screenshot OUTPUT.png\n");
        return 2;
    }
    const QString output = QString::fromLocal8Bit(argv[1]);
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir scratch;
    if (!scratch.isValid()) {
        std::fprintf(stderr, "dayscrib-screenshot: cannot make a scratch folder\n");
        return 1;
    }
    qputenv("XDG_CONFIG_HOME", (scratch.path() + "/config").toLocal8Bit());
    qputenv("XDG_DATA_HOME", (scratch.path() + "/data").toLocal8Bit());

    QApplication app(argc, argv);
    QApplication::setApplicationName("Dayscrib");
    TSplashFrm::Pause = std::chrono::milliseconds(0);
    if (!MakeSampleDiary()) {
        std::fprintf(stderr, "dayscrib-screenshot: cannot write the sample diary\n");
        return 1;
    }
    TNoPrompts prompts;
    QImage picture;
    {
        TMainForm form(prompts);
        if (!form.LoginPassed()) return 1;
        form.show();
        form.resize(kWidth, kHeight);
        form.Nav->GoToDate(QDate(2025, 6, 14));
        QApplication::processEvents();
        picture = form.grab().toImage();
        form.close();
    }
    if (prompts.Asked) return 1;
    if (picture.size() != QSize(kWidth, kHeight)) {
        std::fprintf(stderr, "dayscrib-screenshot: the window is %d x %d, not %d x %d\n",
                     picture.width(), picture.height(), kWidth, kHeight);
        return 1;
    }
    if (!picture.save(output, "PNG")) {
        std::fprintf(stderr, "dayscrib-screenshot: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
