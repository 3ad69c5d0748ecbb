#include "app/entry_export.h"

#include "app/export_dialog.h"
#include "editor/file_commands.h"
#include "nav/date_tree.h"
#include "platform/codepage.h"
#include "platform/exception.h"
#include "platform/user_folders.h"
#include "rtf/rtf_picture.h"
#include "rtf/rtf_reader.h"
#include "store/entry_reader.h"
#include "ui/commands.h"
#include "ui/entry_title.h"
#include "ui/prompts.h"

#include <QAction>
#include <QBuffer>
#include <QCheckBox>
#include <QDateEdit>
#include <QFileInfo>
#include <QPdfWriter>
#include <QRadioButton>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

namespace {
const QLocale English(QLocale::English);

void AddHeading(QTextCursor& c, const QString& text, int level, bool first) {
    QTextBlockFormat block;
    block.setHeadingLevel(level);
    block.setTopMargin(first ? 0 : 12);
    block.setBottomMargin(4);
    QTextCharFormat chars;
    chars.setFontWeight(QFont::Bold);
    chars.setFontPointSize(level == 1 ? 16 : 13);
    if (first) {
        c.setBlockFormat(block);
        c.setBlockCharFormat(chars);
    } else {
        c.insertBlock(block, chars);
    }
    c.insertText(text, chars);
}

} // namespace

QString EntryHeading(const TRangeEntry& e) {
    return EntryTitle(e.Key, e.Level, English);
}

TExportSummary ExportEntries(const TExportOptions& options, const std::string& archivePath,
                             const TCurrentProfile& profile,
                             const std::function<std::string(const QString&)>& askPassword) {
    TEntryIndex index;
    index.Refresh(archivePath);
    const std::vector<TRangeEntry> entries =
        EntriesInRange(index, Ymd(options.From), Ymd(options.To), options.Summaries);

    QTextDocument doc;
    QTextCursor c(&doc);
    const QString title = "Dayscrib: " + English.toString(options.From, "d MMMM yyyy") +
                          QString::fromUtf8(" \xE2\x80\x93 ") +
                          English.toString(options.To, "d MMMM yyyy");
    doc.setMetaInformation(QTextDocument::DocumentTitle, title);
    AddHeading(c, title, 1, true);

    // A reader of its own: the main window's archive component and the
    // password of the open entry stay as they are.
    TEntryReader reader;
    reader.Policy = TPasswordPolicy::DefaultThenAsk;
    reader.DefaultPassword = profile.CurrentPassword;
    TExportSummary result;
    for (const TRangeEntry& e : entries) {
        const QString heading = EntryHeading(e);
        reader.AskPassword = [&] { return askPassword(heading); };
        const TEntryReader::TRead loaded = reader.Read(archivePath, e.Member);
        if (!loaded.Found) {
            if (loaded.GaveUp) result.Skipped << heading;
            continue;
        }
        AddHeading(c, heading, 2, false);
        QTextDocument part;
        part.setDefaultFont(doc.defaultFont());
        const std::string_view rtf = reader.Bytes();
        ReadRtf(QByteArray(rtf.data(), static_cast<qsizetype>(rtf.size())), part);
        c.insertBlock(QTextBlockFormat(), QTextCharFormat());
        c.insertFragment(QTextDocumentFragment(&part));
        ++result.Included;
    }
    if (!result.Skipped.isEmpty()) {
        AddHeading(c, "Not included (protected)", 2, false);
        for (const QString& s : result.Skipped) {
            c.insertBlock(QTextBlockFormat(), QTextCharFormat());
            c.insertText(s);
        }
    }

    // Written beside the target, flushed and renamed over it: a failure
    // leaves no half document and an existing file as it was.
    QByteArray bytes;
    if (options.Pdf) {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter pdf(&buffer);
        pdf.setTitle(title);
        pdf.setCreator("Dayscrib");
        rtf::AttachPictures(doc);
        doc.print(&pdf);
    } else {
        rtf::EmbedPicturesForHtml(doc); // the pictures inside the page, as data: URLs
        bytes = doc.toHtml().toUtf8();
    }
    if (WriteFileWhole(options.FileName, bytes) != TExportResult::Written)
        throw Exception("Cannot create file " + options.FileName.toStdString());
    return result;
}

TEntryExport::TEntryExport(TPrompts& prompts, const TCurrentProfile& current,
                           std::function<bool()> saveFirst, std::function<QDate()> keyDate,
                           QObject* parent)
    : QObject(parent), prompts_(prompts), current_(current), saveFirst_(std::move(saveFirst)),
      keyDate_(std::move(keyDate)) {}

void TEntryExport::Attach(QAction* exportCommand) {
    AttachCommand(exportCommand, prompts_, [this] { Run(); });
}

void TEntryExport::Run() {
    // What is typed into the open entry belongs in the export too.
    if (!saveFirst_()) return;
    const QDate key = keyDate_();
    TExportDlg dlg(QDate(key.year(), 1, 1), key, prompts_.Parent());
    if (dlg.exec() != QDialog::Accepted) return;
    TExportOptions options;
    options.From = dlg.FromDate->date();
    options.To = dlg.ToDate->date();
    options.Summaries = dlg.SummariesCheck->isChecked();
    options.Pdf = dlg.PdfRBtn->isChecked();
    options.FileName =
        prompts_.SaveFileName("Export", QString::fromStdString(DocumentsFolder()),
                              options.Pdf ? "PDF Files (*.pdf)" : "HTML Files (*.html)");
    if (options.FileName.isEmpty()) return;
    if (QFileInfo(options.FileName).suffix().isEmpty())
        options.FileName += options.Pdf ? ".pdf" : ".html";
    if (QFileInfo::exists(options.FileName) &&
        prompts_.Confirm("Export", "OK to overwrite " + options.FileName) != TConfirmAnswer::Yes)
        return;
    const TExportSummary result = ExportEntries(
        options, ArchivePath(current_.CurrentPath), current_, [this](const QString& heading) {
            const QString answer = prompts_.InputBox(
                "Password Prompt", "Enter password for " + heading + ":", QString(), true);
            return PasswordBytes(answer.toStdString());
        });
    QString report = QString("Exported %1 %2 to %3.")
                         .arg(result.Included)
                         .arg(result.Included == 1 ? "entry" : "entries")
                         .arg(options.FileName);
    if (!result.Skipped.isEmpty())
        report += "\nNot included (protected): " + result.Skipped.join(", ") + ".";
    prompts_.ShowMessage(report);
}
