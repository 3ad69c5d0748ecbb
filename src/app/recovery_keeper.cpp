#include "app/recovery_keeper.h"

#include "editor/editor.h"
#include "editor/file_commands.h"
#include "platform/user_folders.h"

#include <QFile>

int TRecoveryKeeper::IntervalMs = 3000;

TRecoveryKeeper::TRecoveryKeeper(TRichEdit* editor, std::function<TRecovery()> describe,
                                 QObject* parent)
    : QObject(parent), editor_(editor), describe_(std::move(describe)) {
    connect(&timer_, &QTimer::timeout, this, [this] { KeepNow(); });
    timer_.start(IntervalMs);
}

QString TRecoveryKeeper::FileName() const {
    return QString::fromStdString(ConfigFolder() + RecoveryFileName);
}

bool TRecoveryKeeper::KeepNow() {
    if (timer_.interval() != IntervalMs) timer_.start(IntervalMs);
    if (!editor_->Modified() || editor_->ReadOnly()) return true;
    const int revision = editor_->document()->revision();
    if (owned_ && revision == keptRevision_) return true;
    TRecovery r = describe_();
    r.Rtf = editor_->SaveToStream().toStdString();
    // Written beside, flushed, renamed over: never half a file.
    if (WriteFileWhole(FileName(), QByteArray::fromStdString(FormatRecovery(r))) !=
        TExportResult::Written)
        return false; // a full disk: tried again at the next tick
    owned_ = true;
    keptRevision_ = revision;
    return true;
}

void TRecoveryKeeper::Discard() {
    if (!owned_) return;
    QFile::remove(FileName());
    owned_ = false;
    keptRevision_ = -1;
}

std::optional<TRecovery> TRecoveryKeeper::Pending() const {
    QFile file(FileName());
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    return ParseRecovery(file.readAll().toStdString());
}

void TRecoveryKeeper::RemovePending() {
    QFile::remove(FileName());
    owned_ = false;
    keptRevision_ = -1;
}
