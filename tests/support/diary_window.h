// A diary main window for tests: a settings file pointing profiles at
// scratch folders, the window started as the program would, the tree
// clicked and the editor typed into as a user would, and archives written
// and read back through a separate archive component, never the window's.
#pragma once

#include "app/main_form.h"
#include "editor/editor.h"
#include "platform/profile_file.h"
#include "platform/user_folders.h"
#include "rtf/rtf_text.h"
#include "settings/password_scramble.h"
#include "support/archive_store.h"
#include "support/test_support.h"
#include "ui/prompts.h"
#include "zip/stream.h"
#include "zip/zip_reader.h"
#include "zip/zip_writer.h"

#include <QApplication>
#include <QLabel>
#include <QLocale>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>

namespace testsupport {

// The node of `path` (texts from the year down), opening every node on the
// way as a click on its "+" would when `open`; null when there is none.
inline QTreeWidgetItem* FindNode(QTreeWidget* tree, const QStringList& path, bool open = true) {
    QTreeWidgetItem* n = tree->invisibleRootItem();
    for (const QString& text : path) {
        if (open && n != tree->invisibleRootItem() && !n->isExpanded()) n->setExpanded(true);
        QTreeWidgetItem* found = nullptr;
        for (int i = 0; i < n->childCount() && !found; ++i)
            if (n->child(i)->text(0) == text) found = n->child(i);
        if (!found) return nullptr;
        n = found;
    }
    return n;
}

// The system's language for the lifetime of the object (what QLocale()
// gives the program), the old one restored afterwards.
class TScopedLocale {
public:
    explicit TScopedLocale(const QLocale& locale) : old_(QLocale()) { QLocale::setDefault(locale); }
    ~TScopedLocale() { QLocale::setDefault(old_); }
    TScopedLocale(const TScopedLocale&) = delete;
    TScopedLocale& operator=(const TScopedLocale&) = delete;

private:
    QLocale old_;
};

inline const char* const Day15 = "2000\\3\\Week3\\15.rtf";
inline const char* const Day16 = "2000\\3\\Week3\\16.rtf";

// A small entry as another session of the program would have stored it.
inline std::string Rtf(const std::string& text) {
    return "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 " + text + "\\par}";
}

struct TMemberInfo {
    bool Present = false;
    bool Encrypted = false;
};

// Everything read back goes through a fresh reader, not the window's one.
class TArchiveCheck {
public:
    explicit TArchiveCheck(std::string path) : path_(std::move(path)) {}

    std::vector<std::string> Names() const {
        TZipReader reader;
        reader.SetZipName(path_);
        reader.OpenArchive();
        std::vector<std::string> names;
        for (int i = 0; i < reader.Count(); ++i)
            names.push_back(reader.Member(i).Name());
        reader.CloseArchive();
        return names;
    }
    TMemberInfo Info(const std::string& member) const {
        TZipReader reader;
        reader.SetZipName(path_);
        reader.OpenArchive();
        TMemberInfo info;
        for (int i = 0; i < reader.Count(); ++i)
            if (reader.Member(i).Name() == member) {
                info.Present = true;
                info.Encrypted = reader.Member(i).IsEncrypted();
            }
        reader.CloseArchive();
        return info;
    }
    // The member's bytes (its RTF); empty when it cannot be read with `password`.
    std::string Bytes(const std::string& member, const std::string& password = {}) const {
        TZipReader reader;
        reader.SetZipName(path_);
        reader.ZipPassword = password;
        bool asked = false;
        reader.OnBadPassword = [&](TZipReader&, int, TPassword& next) {
            asked = true;
            next.clear();
        };
        TMemoryStream stream;
        if (reader.ExtractToStream(&stream, member) != 1 || asked) return {};
        return stream.ToString();
    }
    // The member's plain text; empty when it cannot be read with `password`.
    std::string Text(const std::string& member, const std::string& password = {}) const {
        const std::string rtf = Bytes(member, password);
        return rtf.empty() ? std::string() : RtfToPlainText(rtf);
    }

private:
    std::string path_;
};

inline std::filesystem::file_time_type MTime(const std::string& path) {
    return std::filesystem::last_write_time(path);
}

class TDiaryWindowTest : public ::testing::Test {
protected:
    testsupport::ScopedUserFolders folders;
    testsupport::TempDir scratch;
    TScriptedPrompts prompts;
    std::unique_ptr<TMainForm> form;

    // Profile 1's own folder (absolute, so the archive is where the test says).
    std::string Folder(int profile = 1) const {
        return scratch.path() + "/profile" + std::to_string(profile) + "/";
    }
    std::string Archive(int profile = 1) const { return Folder(profile) + "Daybank.zip"; }
    TArchiveCheck Check(int profile = 1) const { return TArchiveCheck(Archive(profile)); }

    // The settings file: the year 2000 in the tree, profile 1 in its scratch
    // folder, plus `extra` lines.
    void WriteIni(const std::string& extra = {}) {
        ProfileFilePath("Dayscrib.INI"); // creates the configuration folder
        const std::string year = QString::number(QDate::currentDate().year()).toStdString();
        WriteFile(folders.configDir() + "/Dayscrib.INI",
                  "[Main]\nYearCount=2\nYear1=2000\nYear2=" + year + "\nUser1Path=" + Folder(1) +
                      "\n" + extra);
    }
    // The settings file with exactly these years in the tree (the current
    // year is added at start, as always) and profile 1 in its scratch folder.
    void WriteYears(const QStringList& years, const std::string& extra = {}) {
        ProfileFilePath("Dayscrib.INI");
        std::string ini = "[Main]\nYearCount=" + std::to_string(years.size()) + "\n";
        for (int i = 0; i < years.size(); ++i)
            ini += "Year" + std::to_string(i + 1) + "=" + years[i].toStdString() + "\n";
        WriteFile(folders.configDir() + "/Dayscrib.INI",
                  ini + "User1Path=" + Folder(1) + "\n" + extra);
    }
    // Profile 2 with a default password and Protect as given, taking typing,
    // made the start profile (profile 1's password would ask for a login).
    void WriteProfile2(const std::string& password, bool protect) {
        WriteIni("User2On=1\nUser2RO=0\nUser2Path=" + Folder(2) +
                 "\nUser2Password=" + ScramblePassword(password) +
                 "\nUser2Protect=" + (protect ? "1" : "0") + "\nStartProject=2\n");
    }
    void Start() {
        form = std::make_unique<TMainForm>(prompts);
        ASSERT_TRUE(form->LoginPassed());
        form->show();
        QApplication::processEvents();
    }

    // The node of `path`, opening every node on the way as a click on its
    // "+" would.
    QTreeWidgetItem* Node(const QStringList& path) { return FindNode(form->TreeView, path); }
    void Select(const QStringList& path) {
        QTreeWidgetItem* node = Node(path);
        ASSERT_NE(node, nullptr) << path.join('/').toStdString();
        form->TreeView->setCurrentItem(node);
        QApplication::processEvents();
    }
    void Select15() { Select({"2000", "March", "Week3", "15"}); }
    void Select16() { Select({"2000", "March", "Week3", "16"}); }
    void Type(const QString& text) {
        form->Editor->setFocus();
        QTest::keyClicks(form->Editor, text);
    }
    QString Text() const { return form->Editor->toPlainText(); }
    QString Panel(int i) const { return form->StatusPanel[i]->text(); }
    std::string Member() const { return MemberPath(form->Nav->Key, form->Nav->CurrentLevel()); }
};

} // namespace testsupport
