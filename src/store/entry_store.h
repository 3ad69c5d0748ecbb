// Moving one entry between RTF bytes and its member in a profile's archive.
//
// Loading reads the member through the entry reader (entry_reader.h) with
// the default-then-ask rule: no password first, then the profile's default
// password silently, then the user, again after each wrong answer, until the
// right one or an empty answer. The password that opened the member stays the
// archive's password, so that saving the entry again encrypts it the same way.
//
// When the user gives up, nothing of the member was read: the store remembers
// that the entry in the editor is locked, and refuses to store anything over
// that member until another entry is loaded, so the protected text survives
// byte for byte. (Left to itself, the next save would replace the member with
// an empty editor's text.)
//
// Templates ("Template.rtf" at the archive's root) are stored without a
// password and read with the default one at most, through the same archive
// component; the password the
// shown entry was read with (or given by Protect) is put back afterwards,
// so a template operation never leaves a protected entry to be stored
// unencrypted.
//
// A member that is there but cannot be read (damaged, or too large) locks
// the entry the same way: nothing of it was read, so nothing may replace
// it; every other save copies its bytes unchanged.
//
// Saving makes a missing profile folder first (a new user has none), and
// reports failure instead of pretending: the caller keeps the text in
// the editor, still modified, and stays on the entry.
//
// Another program may store into the same archive (a second settings
// folder, or a second computer through a shared folder). What the entry's
// member was when it was loaded (or last stored) is remembered; a save
// looks at the member again under the archive's lock and, when it is not
// the same (CRC, sizes, time, method), stores nothing and says so
// (ChangedElsewhere). The caller then lets the user choose: store anyway
// keeping the other version beside it (SaveOverOther), take the other
// version (load again), or go on editing.
#pragma once

#include "settings/settings.h"
#include "store/entry_key.h"
#include "store/entry_reader.h"
#include "zip/zip_writer.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

// The password an entry is stored with: its own, else the profile's default
// password when the profile protects its entries, else none (empty).
TPassword StorePassword(const TPassword& entryPassword, const TCurrentProfile& profile);

class TEntryStore {
public:
    // Shows an input box (title, prompt) and returns the answer as the bytes
    // a password is keyed with; Cancel gives the empty answer.
    using TPasswordPrompt = std::function<TPassword(const std::string&, const std::string&)>;

    struct TLoadResult {
        bool Found = false;             // the member was read: Bytes holds it
        std::string Bytes;              // the entry's RTF, empty when not found
        bool PasswordProtected = false; // a password was needed to open it
        bool GaveUp = false;            // the user gave up on a protected member
        TZipCipher Cipher = zcNone;     // what the member was encrypted with
        // The member is there but could not be read; Reason says why ("it is
        // damaged (CRC error)").
        bool Unreadable = false;
        std::string Reason;
    };

    TEntryStore();

    // Reads `member` from the archive at `archivePath` (no archive: nothing
    // found). Engine errors (a damaged archive, an unreadable file) propagate.
    TLoadResult Load(const std::string& archivePath, const std::string& member,
                     const TCurrentProfile& profile);

    // Stores `bytes` as `member`, encrypted with the archive's password, or
    // with the profile's default password when there is none and the profile
    // protects its entries, in the cipher the profile chose
    // (protection_choice.h): a traditional entry stored in an AES profile
    // becomes AES here, and only here. False when nothing was stored; engine errors
    // propagate. While the entry is locked nothing is stored and the result
    // is true: there is nothing of the user's to keep.
    bool Save(const std::string& bytes, const std::string& archivePath, const std::string& member,
              const TCurrentProfile& profile);

    // ---- another program's change ----
    // The last Save or SaveOverOther stored nothing because the member is not
    // the one the entry was loaded from (or last stored as).
    bool ChangedElsewhere() const { return changedElsewhere_; }
    // Stores as Save does, over the member as the last look found it; that
    // version is kept beside it (KeptCopy names it). When the member changed
    // once more meanwhile, nothing is stored and ChangedElsewhere says so.
    bool SaveOverOther(const std::string& bytes, const std::string& archivePath,
                       const std::string& member, const TCurrentProfile& profile);
    // The name the other version was kept under by the last SaveOverOther
    // ("2026\12\Week2\9 (other copy).rtf"); empty when there was none.
    const std::string& KeptCopy() const { return keptCopy_; }

    // The members the last store carried over unchanged because they are
    // damaged (their local header cannot be read).
    const std::vector<std::string>& DamagedMembers() const { return Archive_.DamagedMembers(); }

    // ---- templates ----
    // The template's RTF, or nothing when the archive holds no template. A
    // missing archive raises the engine's error for a file it cannot open.
    std::optional<std::string> LoadTemplate(const std::string& archivePath);
    // Stores `bytes` as the template, unencrypted, replacing an earlier one;
    // false when nothing was stored.
    bool SaveTemplate(const std::string& bytes, const std::string& archivePath);

    // ---- protection, taking effect at the entry's next store ----
    // The entry's own password (empty: none of its own).
    const TPassword& EntryPassword() const { return Archive_.ZipPassword; }
    void SetEntryPassword(const TPassword& password) { Archive_.ZipPassword = password; }
    // The cipher the entry's next store gives it: the profile's choice, as
    // of the last load or store (the component's Cipher).
    TZipCipher EntryCipher() const { return Archive_.Cipher; }

    // The entry last loaded could not be read: it was protected and the user
    // gave up on it, it is damaged or too large, or the archive raised an
    // error while it was read.
    bool Locked() const { return Locked_; }

    // The archive component every entry and template operation goes through.
    TZipWriter& Archive() { return Archive_; }

    TPasswordPrompt PasswordPrompt;

    // ---- daily copies ----
    // Before the first store of a day into an archive, a copy of the archive
    // is kept (see backups.h); the newest `BackupCount` copies stay, 0 keeps
    // none. A copy that cannot be made does not stop the store: it is
    // reported through OnBackupFailed, once per archive and day.
    int BackupCount = 0;
    std::function<std::chrono::year_month_day()> Today;
    std::function<void(const std::string& message)> OnBackupFailed;

private:
    // What identifies one version of a member, from the directory alone.
    struct TMemberStamp {
        bool Present = false;
        std::uint32_t CRC = 0, DateTime = 0;
        std::int32_t CompressedSize = 0, UncompressedSize = 0;
        std::uint16_t Method = 0, Flags = 0;
        bool operator==(const TMemberStamp&) const = default;
    };
    // The member's stamp in the archive component's directory as it is now.
    TMemberStamp StampNow(bool archiveExists, const std::string& member);
    // Save and SaveOverOther: stores when the member is still `expected`.
    bool SaveChecked(const std::string& bytes, const std::string& archivePath,
                     const std::string& member, const TCurrentProfile& profile,
                     const TMemberStamp& expected, bool keepOther);
    // Stores `bytes` as `member` with `password` (empty: unencrypted).
    bool Store(const std::string& bytes, const std::string& archivePath, const std::string& member,
               const TPassword& password);

    void BackUp(const std::string& archivePath);

    TZipWriter Archive_;
    TEntryReader reader_; // reads through Archive_, with the password rules of a load
    std::set<std::string> backupReported_; // archive and day of a failure reported
    bool Locked_ = false;
    TMemberStamp loaded_; // the entry's member as loaded or last stored
    TMemberStamp seen_;   // as the last save that stopped found it
    bool changedElsewhere_ = false;
    std::string keptCopy_;
};
