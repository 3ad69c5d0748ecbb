// Keeps the unsaved text of the open entry in the recovery file of the
// configuration folder: every few seconds while the editor holds changes that
// are not stored, the file is replaced (written whole, flushed, renamed). A
// store or a normal close removes it; a file found at start was left by a
// program that did not end normally, and is offered back to the user.
//
// Only a file this program wrote is removed by a store or a close: one left
// from an earlier run stays until the user has answered for it.
#pragma once

#include "store/recovery.h"

#include <QObject>
#include <QString>
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
    // keeper adds the text.
    TRecoveryKeeper(TRichEdit* editor, std::function<TRecovery()> describe,
                    QObject* parent = nullptr);

    QString FileName() const;
    // Keeps the text now when the editor holds unsaved changes it has not
    // kept yet. True when the file holds the unsaved text (or there is
    // none); false when it could not be written.
    bool KeepNow();
    // The open entry's changes are stored: this program's recovery file goes.
    void Discard();
    // A recovery file left by an earlier run, if any.
    std::optional<TRecovery> Pending() const;
    // Removes the file whoever wrote it (the user declined it).
    void RemovePending();

private:
    TRichEdit* editor_;
    std::function<TRecovery()> describe_;
    QTimer timer_;
    bool owned_ = false; // this program wrote the file
    int keptRevision_ = -1;
};
