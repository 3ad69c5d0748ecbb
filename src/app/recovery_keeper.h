// Keeps the unsaved text of the open entry in a recovery file of the
// configuration folder: every few seconds while the editor holds changes that
// are not stored, the file is replaced (written whole, flushed, renamed). A
// store or a normal close removes it; a file found at start was left by a
// program that did not end normally, and is offered back to the user.
//
// The text of a protected entry is sealed with the entry's password
// (store/recovery_file.h), so it never lies on the disk in clear.
//
// Each run keeps its text in a file of its own: "Recovery.dayscrib", or
// "Recovery-2.dayscrib" and so on when a file left by an earlier run is
// still waiting for its answer (the user cancelled the offer, or could not
// give the password yet). Files left by earlier runs are only removed when
// the user has answered for them.
#pragma once

#include "store/recovery_file.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <optional>

class TRichEdit;

class TRecoveryKeeper : public QObject {
    Q_OBJECT

public:
    // How often the text is kept, in milliseconds; tests shorten it.
    static int IntervalMs;

    // `describe` names the open entry (profile, data path, member); the
    // keeper adds the text. `key` gives the password and cipher the open
    // entry is stored with (no password: kept in clear).
    TRecoveryKeeper(TRichEdit* editor, std::function<TRecovery()> describe,
                    std::function<TRecoveryKey()> key, QObject* parent = nullptr);

    // This run's file.
    QString FileName() const;
    // Keeps the text now when the editor holds unsaved changes it has not
    // kept yet. True when the file holds the unsaved text (or there is
    // none); false when it could not be written.
    bool KeepNow();
    // The open entry's changes are stored: this program's recovery file goes.
    void Discard();

    // The files left by earlier runs that still wait for an answer.
    QStringList PendingFiles() const { return pending_; }
    // Reads a pending file; a sealed one tries `silent` quietly, then asks.
    TRecoveryOpened OpenPending(const QString& file, const std::vector<TPassword>& silent,
                                const std::function<TPassword()>& ask) const;
    // Removes a pending file (the user declined it, or its text is in the
    // editor now): text in clear is overwritten first.
    void RemovePending(const QString& file);

private:
    TRichEdit* editor_;
    std::function<TRecovery()> describe_;
    std::function<TRecoveryKey()> key_;
    QTimer timer_;
    QString fileName_;
    QStringList pending_;
    bool owned_ = false; // this program wrote the file
    int keptRevision_ = -1;
};
