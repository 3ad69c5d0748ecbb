#include "app/entry_export.h"

#include "app/export_dialog.h"
#include "app/export_pdf.h"
#include "editor/entry_document.h"
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
#include "ui/private_file.h"
#include "ui/prompts.h"
#include "ui/typed_password.h"

#include <QAction>
#include <QBuffer>
#include <QCheckBox>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProgressDialog>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include <memory>

namespace {
const QLocale English(QLocale::English);
} // namespace

QString OneStylePerElement(const QString& html) {
    static const QRegularExpression tag(QStringLiteral("<[A-Za-z][^>]*>"));
    static const QRegularExpression style(QStringLiteral("\\sstyle=\"([^\"]*)\""));
    QString out;
    out.reserve(html.size());
    qsizetype done = 0;
    for (auto tags = tag.globalMatch(html); tags.hasNext();) {
        const QRegularExpressionMatch t = tags.next();
        QString element = t.captured();
        QStringList styles;
        for (auto m = style.globalMatch(element); m.hasNext();)
            styles << m.next().captured(1).trimmed();
        if (styles.size() < 2) continue;
        for (QString& s : styles)
            if (!s.isEmpty() && !s.endsWith(';')) s += ';';
        const QRegularExpressionMatch first = style.match(element);
        element.remove(style); // every style attribute ...
        element.insert(first.capturedStart(), " style=\"" + styles.join(' ') + "\""); // ... as one
        out += QStringView(html).mid(done, t.capturedStart() - done);
        out += element;
        done = t.capturedEnd();
    }
    out += QStringView(html).mid(done);
    return out;
}

QString EntryHeading(const TRangeEntry& e) {
    return EntryTitle(e.Key, e.Level, English);
}

TExportSummary ExportEntries(const TExportOptions& options, const std::string& archivePath,
                             const TCurrentProfile& profile,
                             const std::function<TPassword(const QString&)>& askPassword,
                             const TExportProgress& progress) {
    TEntryIndex index;
    index.Refresh(archivePath);
    const std::vector<TRangeEntry> entries =
        EntriesInRange(index, Ymd(options.From), Ymd(options.To), options.Summaries);
    const int total = 2 * static_cast<int>(entries.size());
    auto stepTo = [&](int done) { return !progress || progress(done, total); };

    const QString title = "Dayscrib: " + English.toString(options.From, "d MMMM yyyy") +
                          QString::fromUtf8(" \xE2\x80\x93 ") +
                          English.toString(options.To, "d MMMM yyyy");
    // HTML: one document. PDF: a document per month, printed once it is
    // complete and then dropped.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    std::unique_ptr<TPdfPages> pdf;
    if (options.Pdf) {
        buffer.open(QIODevice::WriteOnly);
        pdf = std::make_unique<TPdfPages>(&buffer, title);
    }
    // A new document for each part: one that has been printed keeps its
    // layout, and would lay every paragraph out again as it is inserted.
    auto doc = std::make_unique<QTextDocument>();
    doc->setMetaInformation(QTextDocument::DocumentTitle, title);
    QTextCursor c(doc.get());
    AddEntryHeading(c, title, 1, true);
    bool empty = false; // the document holds no heading yet
    int partFrom = 0;   // entries whose pages are printed
    int partEntries = 0;
    int read = 0; // entries read
    // Prints the document's part of the PDF and starts the next; its pages
    // take the writing half of the steps of its entries.
    auto printPart = [&] {
        const int before = read + partFrom;
        if (!empty) rtf::AttachPictures(*doc); // no editor draws it: its pictures decoded now
        const bool printed = empty || pdf->Print(*doc, [&](int page, int pages) {
            return stepTo(before + partEntries * page / pages);
        });
        partFrom += partEntries;
        partEntries = 0;
        const QFont font = doc->defaultFont();
        doc = std::make_unique<QTextDocument>();
        doc->setDefaultFont(font);
        c = QTextCursor(doc.get());
        empty = true;
        return printed;
    };
    auto addHeading = [&](const QString& text, int level) {
        AddEntryHeading(c, text, level, empty);
        empty = false;
    };

    // A reader of its own: the main window's archive component and the
    // password of the open entry stay as they are.
    TEntryReader reader;
    reader.Policy = TPasswordPolicy::DefaultThenAsk;
    reader.DefaultPassword = profile.CurrentPassword;
    {
        // The AES entries' keys are derived ahead, on every processor, while
        // the entries are read and laid out.
        std::vector<std::string> members;
        for (const TRangeEntry& e : entries)
            members.push_back(e.Member);
        reader.PrefetchKeys(archivePath, reader.MemberIndexes(archivePath, members),
                            profile.CurrentPassword);
    }
    TExportSummary result;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const TRangeEntry& e = entries[i];
        if (pdf && i > 0 && partEntries > 0 &&
            (e.Key.Year != entries[i - 1].Key.Year || e.Key.Month != entries[i - 1].Key.Month)) {
            if (!printPart()) {
                result.Canceled = true;
                return result;
            }
        }
        const QString heading = EntryHeading(e);
        reader.AskPassword = [&] { return askPassword(heading); };
        const TEntryReader::TRead loaded = reader.Read(archivePath, e.Member);
        ++partEntries;
        if (loaded.Found) {
            result.PrivateFile = result.PrivateFile || loaded.PasswordProtected;
            addHeading(heading, 2);
            QTextDocument part;
            part.setDefaultFont(doc->defaultFont());
            const std::string_view rtf = reader.Bytes();
            ReadRtf(QByteArray(rtf.data(), static_cast<qsizetype>(rtf.size())), part);
            c.insertBlock(QTextBlockFormat(), QTextCharFormat());
            c.insertFragment(QTextDocumentFragment(&part));
            ++result.Included;
        } else if (loaded.GaveUp) {
            result.Skipped << heading;
        } else if (loaded.Unreadable) {
            result.Unreadable << heading + ": " +
                                     QString::fromStdString(UnreadableReason(
                                         loaded.TooLarge, loaded.Cause, loaded.Size));
        }
        if (!stepTo(++read + (pdf ? partFrom : 0))) {
            result.Canceled = true;
            return result;
        }
    }
    const auto listLeftOut = [&](const QString& title, const QStringList& lines) {
        if (lines.isEmpty()) return;
        addHeading(title, 2);
        for (const QString& s : lines) {
            c.insertBlock(QTextBlockFormat(), QTextCharFormat());
            c.insertText(s);
        }
    };
    listLeftOut("Not included (protected)", result.Skipped);
    listLeftOut("Not included (could not be read)", result.Unreadable);

    // Written beside the target, flushed and renamed over it: a failure
    // leaves no half document and an existing file as it was.
    if (pdf) {
        if (!printPart()) {
            result.Canceled = true;
            return result;
        }
        if (!pdf->Finish()) throw Exception("Cannot create file " + options.FileName.toStdString());
        pdf.reset();
    } else {
        rtf::EmbedPicturesForHtml(*doc); // the pictures inside the page, as data: URLs
        bytes = OneStylePerElement(doc->toHtml()).toUtf8();
    }
    if (!stepTo(total)) {
        result.Canceled = true;
        return result;
    }
    if (WriteFileWhole(options.FileName, bytes, result.PrivateFile) != TExportResult::Written)
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
    // How far it has come, in a window whose Cancel stops it; its events are
    // let through every tenth of a second.
    QProgressDialog progress("Exporting entries...", "Cancel", 0, 1, prompts_.Parent());
    progress.setWindowTitle("Export");
    progress.setAccessibleName(progress.windowTitle());
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(0);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setValue(0);
    progress.show();
    QElapsedTimer sinceEvents;
    sinceEvents.start();
    const TExportSummary result = ExportEntries(
        options, ArchivePath(current_.CurrentPath), current_,
        [this](const QString& heading) {
            QString answer = prompts_.InputBox(
                "Password Prompt", "Enter password for " + heading + ":", QString(), true);
            return TakePassword(answer);
        },
        [&](int done, int total) {
            if (progress.maximum() == total && done < total && sinceEvents.elapsed() < 100)
                return !progress.wasCanceled();
            sinceEvents.restart();
            progress.setMaximum(total);
            progress.setValue(done); // lets the window's events through
            return !progress.wasCanceled();
        });
    progress.close();
    if (result.Canceled) return;
    QString report = QString("Exported %1 %2 to %3.")
                         .arg(result.Included)
                         .arg(result.Included == 1 ? "entry" : "entries")
                         .arg(options.FileName);
    if (!result.Skipped.isEmpty())
        report += "\nNot included (protected): " + result.Skipped.join(", ") + ".";
    if (!result.Unreadable.isEmpty())
        report += "\nNot included (could not be read): " + result.Unreadable.join("; ") + ".";
    if (result.PrivateFile) report += "\n" + PrivateFileNotice(options.FileName, true);
    prompts_.ShowMessage(report);
}
