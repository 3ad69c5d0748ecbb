// File > "Export...": every entry of the current profile between two dates
// (day entries, summaries when asked for) in one document, in date order
// under a heading for each: HTML with the formatting kept, or PDF (each
// month from a new page, export_pdf.h). The file is written whole or not at
// all. A protected entry is included only when its password is given (the
// profile's default password is tried first, without asking); otherwise it
// is listed at the end as not included, as is an entry that could not be
// read (damaged), with the reason. The command shows how far it has come in
// a progress window whose Cancel stops it, writing nothing.
#pragma once

#include "settings/settings.h"
#include "store/entry_range.h"

#include <QDate>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QAction;
class QTextDocument;
class TPrompts;

struct TExportOptions {
    QDate From, To;
    bool Summaries = false;
    bool Pdf = false; // else HTML
    QString FileName;
};

struct TExportSummary {
    int Included = 0;
    QStringList Skipped;    // headings of the protected entries left out
    QStringList Unreadable; // "heading: why", the entries that could not be read
    bool Canceled = false;  // the progress said stop: nothing was written
    // A protected entry is in the file: it was written its owner's alone.
    bool PrivateFile = false;
};

// Told how far an export has come, `done` steps of `total` (twice the
// entries: reading each is one step, writing the document the other half);
// false stops the export.
using TExportProgress = std::function<bool(int done, int total)>;

// The entry's heading: its EntryTitle in English ("Wednesday 15 March 2000").
QString EntryHeading(const TRangeEntry& entry);

// HTML with one `style` attribute per element: Qt's writer gives a list
// item its character style and its paragraph style as two attributes, and
// browsers keep only the first (losing the item's indent). The second is
// joined to the first.
QString OneStylePerElement(const QString& html);

// Builds the document and writes it. Raises Exception with the file's name
// and the reason when it cannot be written; the file is then untouched.
// `prompt` asks for a password (caption, text) and returns it, empty on Cancel.
TExportSummary ExportEntries(const TExportOptions& options, const std::string& archivePath,
                             const TCurrentProfile& profile,
                             const std::function<TPassword(const QString&)>& askPassword,
                             const TExportProgress& progress = {});

class TEntryExport : public QObject {
    Q_OBJECT

public:
    // `saveFirst` stores the open entry (false: it could not be, stop);
    // `keyDate` is the date of the open entry, where the range starts out.
    TEntryExport(TPrompts& prompts, const TCurrentProfile& current, std::function<bool()> saveFirst,
                 std::function<QDate()> keyDate, QObject* parent = nullptr);
    void Attach(QAction* exportCommand);
    // The dialog, the file name, the export and its report.
    void Run();

private:
    TPrompts& prompts_;
    const TCurrentProfile& current_;
    std::function<bool()> saveFirst_;
    std::function<QDate()> keyDate_;
};
