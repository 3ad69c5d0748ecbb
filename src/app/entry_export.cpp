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

#include <QAbstractEventDispatcher>
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

#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

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

namespace {

// An entry as read from the archive: its heading and its text (RTF).
struct TReadEntry {
    QString Heading;
    QByteArray Rtf;
};

// A heading at the cursor; `empty`: the document holds none yet.
void AddHeading(QTextCursor& c, bool& empty, const QString& text) {
    AddEntryHeading(c, text, 2, empty);
    empty = false;
}

void AddEntry(QTextCursor& c, bool& empty, const TReadEntry& e) {
    AddHeading(c, empty, e.Heading);
    QTextDocument part;
    part.setDefaultFont(c.document()->defaultFont());
    ReadRtf(e.Rtf, part);
    c.insertBlock(QTextBlockFormat(), QTextCharFormat());
    c.insertFragment(QTextDocumentFragment(&part));
}

// The entries left out, listed under a heading.
void AddLeftOut(QTextCursor& c, bool& empty, const QString& title, const QStringList& lines) {
    if (lines.isEmpty()) return;
    AddHeading(c, empty, title);
    for (const QString& s : lines) {
        c.insertBlock(QTextBlockFormat(), QTextCharFormat());
        c.insertText(s);
    }
}

// A part of the PDF (a month) as read, for its document.
struct TPdfPart {
    QString Title; // the export's title heads the first part
    std::vector<TReadEntry> Entries;
    std::vector<std::pair<QString, QStringList>> LeftOut; // the last part's lists
};

// The PDF, each part of which is laid out on a thread of its own while the
// calling thread prints the part before: the layout (reading the RTF,
// shaping the text) and the drawing and compressing of the pages take about
// as long, and overlap. One part at a time: Take waits for it.
//
// The layout's fonts are those of the thread that laid it out, and the
// drawing reads them. Two threads take turns, so that a part is printed while
// the thread that made its fonts is idle. The writer embeds the fonts at its
// end, and goes before the threads that hold them.
class TLayoutAhead {
public:
    TLayoutAhead(QIODevice* out, const QString& title)
        : pages_(std::make_unique<TPdfPages>(out, title)) {
        for (QThreadPool& pool : pools_) {
            pool.setMaxThreadCount(1);
            pool.setExpiryTimeout(-1); // its fonts loaded once, kept to the end
        }
    }
    // A part still being laid out is waited for, and dropped here. The
    // writer ends (embedding the fonts) while the threads still hold them.
    ~TLayoutAhead() {
        std::unique_lock<std::mutex> lock(mutex_);
        ready_.wait(lock, [this] { return done_; });
        doc_.reset();
        pages_.reset();
    }
    TPdfPages& Pages() { return *pages_; }
    void Start(TPdfPart part) {
        done_ = false;
        QThread* printer = QThread::currentThread();
        turn_ ^= 1;
        pools_[turn_].start([this, part = std::move(part), printer] {
            std::unique_ptr<QTextDocument> doc;
            std::exception_ptr failed;
            try {
                doc = Build(part);
                if (doc) {
                    RunOutTimers(*doc);
                    doc->moveToThread(printer); // printed and deleted there
                }
            } catch (...) {
                failed = std::current_exception();
            }
            const std::lock_guard<std::mutex> lock(mutex_);
            doc_ = std::move(doc);
            failed_ = failed;
            done_ = true;
            ready_.notify_one();
        });
    }
    // The part started last, laid out; null when it holds nothing.
    std::unique_ptr<QTextDocument> Take() {
        std::unique_lock<std::mutex> lock(mutex_);
        ready_.wait(lock, [this] { return done_; });
        if (failed_) std::rethrow_exception(std::exchange(failed_, nullptr));
        return std::move(doc_);
    }

private:
    // The layout's timers (a report of the new size, due at once) run out on
    // this thread: a timer that moves with its object to a busy thread is
    // registered there only when that thread next takes its events.
    static void RunOutTimers(QObject& doc) {
        QAbstractEventDispatcher* events = QAbstractEventDispatcher::instance();
        const auto ticking = [&] {
            if (!events->registeredTimers(&doc).isEmpty()) return true;
            const QList<QObject*> children = doc.findChildren<QObject*>();
            return std::any_of(children.begin(), children.end(),
                               [&](QObject* o) { return !events->registeredTimers(o).isEmpty(); });
        };
        while (ticking())
            events->processEvents(QEventLoop::WaitForMoreEvents);
    }

    std::unique_ptr<QTextDocument> Build(const TPdfPart& part) const {
        auto doc = std::make_unique<QTextDocument>();
        QTextCursor c(doc.get());
        bool empty = true;
        if (!part.Title.isEmpty()) {
            AddEntryHeading(c, part.Title, 1, true);
            empty = false;
        }
        for (const TReadEntry& e : part.Entries)
            AddEntry(c, empty, e);
        for (const auto& [title, lines] : part.LeftOut)
            AddLeftOut(c, empty, title, lines);
        if (empty) return nullptr;
        rtf::AttachPictures(*doc); // no editor draws it: its pictures decoded now
        pages_->LayOut(*doc);
        return doc;
    }

    std::mutex mutex_;
    std::condition_variable ready_;
    bool done_ = true;
    std::unique_ptr<QTextDocument> doc_;
    std::exception_ptr failed_;
    QThreadPool pools_[2];
    int turn_ = 0;
    std::unique_ptr<TPdfPages> pages_;
};

} // namespace

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
    // HTML: one document, built as the entries are read. PDF: a document per
    // month, laid out ahead while the month before is printed, then dropped.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    std::unique_ptr<TLayoutAhead> pdf;
    if (options.Pdf) {
        buffer.open(QIODevice::WriteOnly);
        pdf = std::make_unique<TLayoutAhead>(&buffer, title);
    }
    QTextDocument html;
    html.setMetaInformation(QTextDocument::DocumentTitle, title);
    QTextCursor c(&html);
    bool empty = false; // the HTML holds no heading yet
    if (!pdf) AddEntryHeading(c, title, 1, true);
    TPdfPart part; // the month being read
    part.Title = title;
    int partEntries = 0; // entries of the range in it
    int laidOut = -1;    // ... in the part being laid out (-1: none)
    int printed = 0;     // entries whose pages are printed
    int read = 0;        // entries read
    // The month read is laid out while the one laid out before is printed;
    // those pages take the writing half of the steps of its entries.
    auto nextPart = [&](bool last) {
        std::unique_ptr<QTextDocument> doc;
        const int count = laidOut;
        if (count >= 0) doc = pdf->Take();
        laidOut = -1;
        if (!last) {
            pdf->Start(std::exchange(part, TPdfPart()));
            laidOut = std::exchange(partEntries, 0);
        }
        if (count < 0) return true;
        const int before = read + printed;
        printed += count;
        return !doc || pdf->Pages().Print(*doc, [&](int page, int pages) {
            return stepTo(before + count * page / pages);
        });
    };

    // A reader of its own: the main window's archive component and the
    // password of the open entry stay as they are.
    TEntryReader reader;
    reader.Policy = TPasswordPolicy::DefaultThenAsk;
    reader.DefaultPassword = profile.CurrentPassword;
    // The progress callback lets the window's events through; the reader
    // doing it for every entry as well, without the user's input, held the
    // clicks and keys back so that Cancel was never pressed.
    reader.ProcessMessages(false);
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
            if (!nextPart(false)) {
                result.Canceled = true;
                return result;
            }
        }
        TReadEntry entry{EntryHeading(e), {}};
        reader.AskPassword = [&] { return askPassword(entry.Heading); };
        const TEntryReader::TRead loaded = reader.Read(archivePath, e.Member);
        ++partEntries;
        if (loaded.Found) {
            result.PrivateFile = result.PrivateFile || loaded.PasswordProtected;
            const std::string_view rtf = reader.Bytes();
            entry.Rtf = QByteArray(rtf.data(), static_cast<qsizetype>(rtf.size()));
            if (pdf)
                part.Entries.push_back(std::move(entry));
            else
                AddEntry(c, empty, entry);
            ++result.Included;
        } else if (loaded.GaveUp) {
            result.Skipped << entry.Heading;
        } else if (loaded.Unreadable) {
            result.Unreadable << entry.Heading + ": " +
                                     QString::fromStdString(UnreadableReason(
                                         loaded.TooLarge, loaded.Cause, loaded.Size));
        }
        if (!stepTo(++read + printed)) {
            result.Canceled = true;
            return result;
        }
    }
    const QString skipped = "Not included (protected)";
    const QString unreadable = "Not included (could not be read)";

    // Written beside the target, flushed and renamed over it: a failure
    // leaves no half document and an existing file as it was.
    if (pdf) {
        part.LeftOut = {{skipped, result.Skipped}, {unreadable, result.Unreadable}};
        if (!nextPart(false) || !nextPart(true)) {
            result.Canceled = true;
            return result;
        }
        if (!pdf->Pages().Finish())
            throw Exception("Cannot create file " + options.FileName.toStdString());
        pdf.reset();
    } else {
        AddLeftOut(c, empty, skipped, result.Skipped);
        AddLeftOut(c, empty, unreadable, result.Unreadable);
        rtf::EmbedPicturesForHtml(html); // the pictures inside the page, as data: URLs
        bytes = OneStylePerElement(html.toHtml()).toUtf8();
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
