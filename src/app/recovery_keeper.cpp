#include "app/recovery_keeper.h"

#include "editor/editor.h"
#include "platform/password.h"
#include "platform/user_folders.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

int TRecoveryKeeper::IntervalMs = 3000;

namespace {

std::string Local(const QString& file) {
    return QFile::encodeName(file).toStdString();
}

// "Recovery.dayscrib", then "Recovery-2.dayscrib", "Recovery-3.dayscrib", ...
QString NumberedName(int n) {
    const QString base = QString::fromUtf8(RecoveryFileName);
    if (n <= 1) return base;
    return base.section('.', 0, 0) + "-" + QString::number(n) + "." + base.section('.', 1);
}

} // namespace

TRecoveryKeeper::TRecoveryKeeper(TRichEdit* editor, std::function<TRecovery()> describe,
                                 std::function<TRecoveryKey()> key, QObject* parent)
    : QObject(parent), editor_(editor), describe_(std::move(describe)), key_(std::move(key)) {
    const QDir folder(QString::fromStdString(ConfigFolder()));
    const QRegularExpression pattern(
        "^" + QRegularExpression::escape(NumberedName(1)).replace("\\.", "(-[0-9]+)?\\.") + "$");
    const QStringList names = folder.entryList(QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString& name : names)
        if (pattern.match(name).hasMatch()) pending_ << folder.filePath(name);
    for (int n = 1;; ++n)
        if (!folder.exists(NumberedName(n))) {
            fileName_ = folder.filePath(NumberedName(n));
            break;
        }
    connect(&timer_, &QTimer::timeout, this, [this] { KeepNow(); });
    timer_.start(IntervalMs);
}

QString TRecoveryKeeper::FileName() const {
    return fileName_;
}

bool TRecoveryKeeper::KeepNow() {
    if (timer_.interval() != IntervalMs) timer_.start(IntervalMs);
    if (!editor_->Modified() || editor_->ReadOnly()) return true;
    const int revision = editor_->document()->revision();
    if (owned_ && revision == keptRevision_) return true;
    TRecovery r = describe_();
    QByteArray rtf = editor_->SaveToStream();
    r.Rtf.assign(rtf.constData(), static_cast<std::size_t>(rtf.size()));
    WipeBytes(rtf.data(), static_cast<std::size_t>(rtf.size()));
    bool written = false;
    try {
        written = WriteRecoveryFile(Local(fileName_), r, key_());
    } catch (const std::exception&) {
        written = false; // a full disk, a busy file: tried again at the next tick
    }
    WipeString(r.Rtf);
    if (!written) return false;
    owned_ = true;
    keptRevision_ = revision;
    return true;
}

void TRecoveryKeeper::Discard() {
    if (!owned_) return;
    // Text in clear whose entry is protected now is stored only encrypted:
    // its copy here is overwritten before it goes.
    RemoveRecoveryFile(Local(fileName_), !key_().Password.empty());
    owned_ = false;
    keptRevision_ = -1;
}

TRecoveryOpened TRecoveryKeeper::OpenPending(const QString& file,
                                             const std::vector<TPassword>& silent,
                                             const std::function<TPassword()>& ask) const {
    return ReadRecoveryFile(Local(file), silent, ask);
}

void TRecoveryKeeper::RemovePending(const QString& file) {
    RemoveRecoveryFile(Local(file), true);
    pending_.removeAll(file);
}
