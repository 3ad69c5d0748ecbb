#include "store/entry_store.h"

#include "store/backups.h"
#include "store/protection_choice.h"

#include <ctime>

#include "platform/file_replace.h"
#include "platform/user_folders.h"
#include "zip/exceptions.h"
#include "zip/stream.h"

TPassword StorePassword(const TPassword& entryPassword, const TCurrentProfile& profile) {
    if (entryPassword.empty() && profile.CurrentProtect) return profile.CurrentPassword;
    return entryPassword;
}

TEntryStore::TEntryStore() : reader_(Archive_) {
    Archive_.OverwriteMode = Always;
    Archive_.SetPackLevel(9);
    Archive_.SetStorePaths(true);
    Archive_.ZipAction = zaReplace;
    reader_.AskPassword = [this] {
        return PasswordPrompt ? PasswordPrompt("Password Prompt", "Enter password:") : TPassword();
    };
}

TEntryStore::TLoadResult TEntryStore::Load(const std::string& archivePath,
                                           const std::string& member,
                                           const TCurrentProfile& profile) {
    TLoadResult result;
    Archive_.ZipPassword.clear();
    reader_.DefaultPassword = profile.CurrentPassword;
    Locked_ = false;
    Archive_.Cipher = StoreCipherOf(profile.CurrentProtection, archivePath);
    loaded_ = TMemberStamp{};
    if (!ArchiveExists(archivePath)) return result;
    // Until the member is read or known to be absent, the entry counts as
    // locked: an engine error leaves it so, and the editor's old text can
    // never be stored under this entry's name.
    Locked_ = true;
    reader_.Policy = TPasswordPolicy::DefaultThenAsk;
    const TEntryReader::TRead read = reader_.Read(archivePath, member);
    result.Found = read.Found;
    result.PasswordProtected = read.PasswordProtected;
    result.GaveUp = read.GaveUp;
    result.Unreadable = read.Unreadable;
    if (read.Unreadable) result.Reason = UnreadableReason(read.TooLarge, read.Cause, read.Size);
    if (read.Found) {
        result.Bytes = reader_.Bytes();
        result.Cipher = Archive_.LastCipher();
    }
    Locked_ = result.GaveUp || result.Unreadable;
    loaded_ = StampNow(true, member);
    return result;
}

TEntryStore::TMemberStamp TEntryStore::StampNow(bool archiveExists, const std::string& member) {
    TMemberStamp stamp;
    const int index = archiveExists ? Archive_.IndexOf(member) : -1;
    if (index < 0) return stamp;
    const TZipHeaderInfo& h = Archive_.Member(index);
    stamp.Present = true;
    stamp.CRC = h.CRC;
    stamp.DateTime = h.DateTime;
    stamp.CompressedSize = h.CompressedSize;
    stamp.UncompressedSize = h.UncompressedSize;
    stamp.Method = h.Method;
    stamp.Flags = h.Flags;
    return stamp;
}

bool TEntryStore::Save(const std::string& bytes, const std::string& archivePath,
                       const std::string& member, const TCurrentProfile& profile) {
    return SaveChecked(bytes, archivePath, member, profile, loaded_, false);
}

bool TEntryStore::SaveOverOther(const std::string& bytes, const std::string& archivePath,
                                const std::string& member, const TCurrentProfile& profile) {
    return SaveChecked(bytes, archivePath, member, profile, seen_, true);
}

namespace {
// "2026\12\Week2\9.rtf" -> "2026\12\Week2\9 (other copy).rtf", or
// "... (other copy 2).rtf" and so on when that name is taken.
std::string OtherCopyName(const std::string& member, int n) {
    std::string base = member;
    std::string ext;
    if (const std::size_t dot = base.rfind('.');
        dot != std::string::npos && base.find('\\', dot) == std::string::npos) {
        ext = base.substr(dot);
        base.erase(dot);
    }
    return base + (n == 1 ? " (other copy)" : " (other copy " + std::to_string(n) + ")") + ext;
}
} // namespace

bool TEntryStore::SaveChecked(const std::string& bytes, const std::string& archivePath,
                              const std::string& member, const TCurrentProfile& profile,
                              const TMemberStamp& expected, bool keepOther) {
    changedElsewhere_ = false;
    keptCopy_.clear();
    if (Locked_) return true;
    // Looked at under the archive's lock, so no other save comes between
    // this look and the store.
    const TMemberStamp wanted = expected;
    Archive_.OnArchiveLocked = [&](TZipWriter&, bool exists, bool& stop) {
        const TMemberStamp now = StampNow(exists, member);
        if (!(now == wanted)) {
            seen_ = now;
            changedElsewhere_ = true;
            stop = true;
            return;
        }
        if (!keepOther || !now.Present) return;
        int n = 1;
        while (Archive_.IndexOf(OtherCopyName(member, n)) >= 0)
            ++n;
        keptCopy_ = OtherCopyName(member, n);
        Archive_.KeepReplacedAs = keptCopy_;
    };
    Archive_.ZipPassword = StorePassword(Archive_.ZipPassword, profile);
    Archive_.Cipher = StoreCipherOf(profile.CurrentProtection, archivePath);
    bool stored = false;
    try {
        stored = Store(bytes, archivePath, member, Archive_.ZipPassword);
    } catch (const EUserCanceled&) {
        Archive_.OnArchiveLocked = nullptr;
        keptCopy_.clear();
        if (changedElsewhere_) return false;
        throw;
    } catch (...) {
        Archive_.OnArchiveLocked = nullptr;
        keptCopy_.clear();
        throw;
    }
    Archive_.OnArchiveLocked = nullptr;
    if (stored)
        loaded_ = StampNow(true, member);
    else
        keptCopy_.clear();
    return stored;
}

bool TEntryStore::Store(const std::string& bytes, const std::string& archivePath,
                        const std::string& member, const TPassword& password) {
    // A profile's folder that does not exist yet (the first entry of a new
    // user) is made here; one that cannot be made fails in the archive's
    // create step with its own message.
    if (const std::size_t slash = archivePath.rfind('/'); slash != std::string::npos && slash > 0)
        ForceFolders(archivePath.substr(0, slash));
    BackUp(archivePath);
    Archive_.SetZipName(archivePath);
    // The new archive is written beside the old one, so putting it in place
    // is a rename. In the system's temporary folder (often a RAM file system
    // of its own) every save would write the whole archive twice: there,
    // then copied beside the old one because a rename cannot cross.
    Archive_.TempPath = FolderOf(archivePath);
    TMemoryStream stream(bytes);
    TPassword entryPassword = Archive_.ZipPassword;
    Archive_.ZipPassword = password;
    int stored = 0;
    try {
        stored = Archive_.AddFromStream(&stream, member);
    } catch (...) {
        Archive_.ZipPassword = entryPassword;
        throw;
    }
    Archive_.ZipPassword = entryPassword;
    return stored > 0;
}

std::optional<std::string> TEntryStore::LoadTemplate(const std::string& archivePath) {
    TPassword entryPassword = Archive_.ZipPassword;
    // An encrypted template is tried with the default password of the last
    // load at most: the user is not asked for a template.
    reader_.Policy = TPasswordPolicy::DefaultOnly;
    TEntryReader::TRead read;
    try {
        read = reader_.Read(archivePath, TemplateMember);
    } catch (...) {
        Archive_.ZipPassword = entryPassword;
        throw;
    }
    Archive_.ZipPassword = entryPassword;
    if (!read.Found) return std::nullopt;
    return std::string(reader_.Bytes());
}

bool TEntryStore::SaveTemplate(const std::string& bytes, const std::string& archivePath) {
    return Store(bytes, archivePath, TemplateMember, TPassword());
}

namespace {
std::chrono::year_month_day LocalToday() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {std::chrono::year{local.tm_year + 1900},
            std::chrono::month{static_cast<unsigned>(local.tm_mon + 1)},
            std::chrono::day{static_cast<unsigned>(local.tm_mday)}};
}
} // namespace

void TEntryStore::BackUp(const std::string& archivePath) {
    if (BackupCount <= 0) return;
    const std::chrono::year_month_day today = Today ? Today() : LocalToday();
    const std::string error = BackUpArchive(archivePath, today, BackupCount);
    if (error.empty()) return;
    const std::string day = std::to_string(static_cast<int>(today.year())) + "-" +
                            std::to_string(static_cast<unsigned>(today.month())) + "-" +
                            std::to_string(static_cast<unsigned>(today.day()));
    if (backupReported_.insert(archivePath + "|" + day).second && OnBackupFailed)
        OnBackupFailed("The daily copy of the diary could not be made (" + error +
                       "). The entry is stored all the same.");
}
