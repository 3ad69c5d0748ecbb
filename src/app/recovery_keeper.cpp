#include "app/recovery_keeper.h"

#include "editor/editor.h"
#include "platform/user_folders.h"

#include <QFile>
#include <QSaveFile>

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

void TRecoveryKeeper::KeepNow() {
    if (timer_.interval() != IntervalMs) timer_.start(IntervalMs);
    if (!editor_->Modified() || editor_->ReadOnly()) return;
    const int revision = editor_->document()->revision();
    if (owned_ && revision == keptRevision_) return;
    TRecovery r = describe_();
    r.Rtf = editor_->SaveToStream().toStdString();
    QSaveFile file(FileName()); // written beside, flushed, renamed over: never half a file
    const std::string bytes = FormatRecovery(r);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
            static_cast<qint64>(bytes.size()) ||
        !file.commit())
        return; // a full disk: tried again at the next tick
    owned_ = true;
    keptRevision_ = revision;
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
