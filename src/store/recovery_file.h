// The recovery file on the disk (its content's form is recovery.h).
//
// The file is a one-member archive. For an entry that is stored with a
// password (its own, or the profile's default one), the member is
// encrypted with that password and with the cipher the entry has, so the
// unsaved text of a protected entry is never on the disk in clear, not even
// for the seconds between two stores; the entry's date and profile are
// inside the member too. For an entry without a password the member is
// plain, as the entry itself is in its archive. Files of the earlier form
// (the text itself, not an archive) are still read.
//
// The file is written as every archive is (a new file beside it, flushed,
// renamed over it) and is its owner's alone (0600).
//
// Removing: an unlinked file's blocks keep its bytes until the file system
// reuses them. For a sealed file that does not matter (they are ciphertext),
// nor for a plain file whose text is stored in clear in the archive anyway.
// It does matter for a plain file whose text is not kept anywhere else in
// clear: text the user discarded, or text of an entry that has been
// protected since. Such a file is overwritten with zeros and flushed before
// it is unlinked. On a journaling or copy-on-write file system, or a flash
// disk that moves blocks about, even that leaves no guarantee; the help
// says so.
#pragma once

#include "platform/password.h"
#include "store/recovery.h"
#include "zip/zip_header.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

// The name of the member inside the file.
constexpr const char* RecoveryMember = "Recovery.txt";

// The password and cipher the text is sealed with (no password: plain).
struct TRecoveryKey {
    TPassword Password;
    TZipCipher Cipher = zcTraditional;
};

// What a file holds.
enum class TRecoveryForm {
    Missing,
    Clear,  // the text in clear (a plain member, or the earlier form)
    Sealed, // an encrypted member
    Other,  // not a recovery file this program can read
};
TRecoveryForm RecoveryFormOf(const std::string& path);

// Writes `recovery` as the file `path`, sealed with key.Password in
// key.Cipher (AES of any strength is written as AES-256) when it is not
// empty. An old file in clear is overwritten and removed first when the new
// one is sealed. False when the file could not be written (the old one is
// then as it was); engine errors propagate.
bool WriteRecoveryFile(const std::string& path, const TRecovery& recovery, const TRecoveryKey& key);

struct TRecoveryOpened {
    std::optional<TRecovery> Recovery; // the file's content, when it was read
    bool Sealed = false;               // a password was needed
    bool GaveUp = false;               // sealed, and no password given opened it
    // What a sealed file was opened with: the text it restores is to be
    // stored with that password again, never in clear.
    TRecoveryKey Key;
};
// Reads the file. A sealed one is tried with each of `silent` (the profiles'
// default passwords) without asking, then with `ask`'s answers until one
// opens it or the answer is empty. Engine errors propagate.
TRecoveryOpened ReadRecoveryFile(const std::string& path, const std::vector<TPassword>& silent,
                                 const std::function<TPassword()>& ask);

// Removes the file; a file in clear is overwritten with zeros first when
// `overwriteClear` is set. False when it could not be removed.
bool RemoveRecoveryFile(const std::string& path, bool overwriteClear);
