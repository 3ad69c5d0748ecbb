// Reading one member of a profile's archive by its path (or its place in the
// directory), with the password rules of whoever reads it. Everything that
// reads entries goes through here: the main window's entry store, find in
// files, On This Day, export, and what comes later (statistics).
//
// A member is first tried with no password. An encrypted one fails that
// check, and the policy says what follows:
//  - None: it is passed over (a reader that shows no protected text);
//  - DefaultOnly: the profile's default password is offered once, silently,
//    and if that fails too the member is passed over;
//  - DefaultThenAsk: the default password once, silently, then AskPassword,
//    again after each wrong answer, until the right one or an empty answer.
// The password that opened the member stays the reader's Password(), so that
// the entry store can save the entry again encrypted the same way.
//
// A member that is there but cannot be read is never taken for an absent
// one: damaged data (a CRC that does not match, a method without a decoder,
// data cut short or longer than its header says, a damaged local header, an
// encrypted member whose authentication fails) and a member larger than
// MaxBytes come back Unreadable, with the cause in words. Errors of the
// archive as a whole (missing, not a zip file, a damaged directory) still
// propagate: then no member can be read.
//
// A reader of its own (the default) leaves the main window's archive
// component alone; the entry store hands in its own component, through which
// it also saves.
#pragma once

#include "platform/password.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TMemoryStream;
class TZipReader;
class TAesKeyPrefetch;

enum class TPasswordPolicy { None, DefaultOnly, DefaultThenAsk };

// Why an unreadable member could not be read, as a sentence's end: "it is
// damaged (CRC error)", "it is too large to open (300 MiB)".
std::string UnreadableReason(bool tooLarge, const std::string& cause, std::int64_t size);

// Whether there is an archive at `archivePath` (none holds no entry).
bool ArchiveExists(const std::string& archivePath);

class TEntryReader {
public:
    TEntryReader();
    // Reads through `archive`, which must outlive the reader; its
    // bad-password event is the reader's from now on.
    explicit TEntryReader(TZipReader& archive);
    ~TEntryReader();
    TEntryReader(const TEntryReader&) = delete;
    TEntryReader& operator=(const TEntryReader&) = delete;

    TPasswordPolicy Policy = TPasswordPolicy::None;
    // The profile's default password (ANSI bytes).
    TPassword DefaultPassword;
    // DefaultThenAsk: the user's answer as the bytes a password is keyed
    // with; the empty answer (Cancel) gives up.
    std::function<TPassword()> AskPassword;

    // The largest member read: an entry's RTF is a few kilobytes, and a
    // header that claims more is not believed into memory.
    std::int64_t MaxBytes = 256ll << 20;

    struct TRead {
        bool Found = false;             // Bytes() holds the member
        bool PasswordProtected = false; // a password was needed to open it
        bool GaveUp = false;            // protected, and no password given opened it
        // The member is there but could not be read: damaged (Cause says
        // how), or TooLarge (more than MaxBytes).
        bool Unreadable = false;
        bool TooLarge = false;
        std::string Cause;     // "CRC error", "unknown compression method 12", "data cut short"...
        std::int64_t Size = 0; // the member's size as its header gives it
    };
    // Reads `member` of the archive at `archivePath`. Errors of the archive
    // as a whole (a missing or damaged archive, an unreadable file) propagate.
    TRead Read(const std::string& archivePath, const std::string& member);
    // The same for the member at `index` of the archive's directory (as
    // MemberNames lists it), without its name being looked up.
    TRead ReadIndex(const std::string& archivePath, int index);
    // The member last found, until the next read.
    std::string_view Bytes() const;
    // The password that opened the last member read (empty: none).
    const TPassword& Password() const;

    // The archive's member names in directory order, read again only when
    // the file changed; empty when there is no archive. Errors of a damaged
    // archive propagate.
    std::vector<std::string> MemberNames(const std::string& archivePath);

    // A search reads thousands of members: the archive can stay open between
    // reads (Close ends that), and events need not be let through during
    // each read.
    void KeepOpen(bool keep);
    void Close();
    void ProcessMessages(bool process);

    // Before reading many members: the keys of the AES members among
    // `indexes` (directory indexes, in the order they will be read) are
    // derived for `password` in the background, on every processor, until
    // StopPrefetch or the reader's end; each read then finds its member's
    // keys made or being made. Nothing happens without a password.
    void PrefetchKeys(const std::string& archivePath, const std::vector<int>& indexes,
                      const TPassword& password);
    void StopPrefetch();
    // The directory indexes of `members` (by name, as Read finds them), in
    // their order; names that are no member are left out.
    std::vector<int> MemberIndexes(const std::string& archivePath,
                                   const std::vector<std::string>& members);

private:
    // Reads the member at `index` (-1: none) of the archive opened by the caller.
    TRead Run(int index);
    void OnBadPassword(TPassword& next);

    std::unique_ptr<TZipReader> own_;
    TZipReader& archive_;
    std::unique_ptr<TMemoryStream> member_; // its room serves the next member too
    std::unique_ptr<TAesKeyPrefetch> prefetch_;
    // One read's progress through the password rules.
    bool passwordSeen_ = false;
    bool defaultTried_ = false;
    bool done_ = false;
};
