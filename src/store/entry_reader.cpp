#include "store/entry_reader.h"

#include "zip/aes_key_cache.h"
#include "zip/exceptions.h"
#include "zip/stream.h"
#include "zip/zip_reader.h"
#include "zip/zip_utils.h"

bool ArchiveExists(const std::string& archivePath) {
    return FileExists(archivePath);
}

TEntryReader::TEntryReader() : own_(std::make_unique<TZipReader>()), archive_(*own_) {
    archive_.OnBadPassword = [this](TZipReader&, int, TPassword& next) { OnBadPassword(next); };
    member_ = std::make_unique<TMemoryStream>();
}

TEntryReader::TEntryReader(TZipReader& archive)
    : archive_(archive), member_(std::make_unique<TMemoryStream>()) {
    archive_.OnBadPassword = [this](TZipReader&, int, TPassword& next) { OnBadPassword(next); };
}

TEntryReader::~TEntryReader() {
    StopPrefetch(); // no worker outlives the reads it was deriving keys for
}

TEntryReader::TRead TEntryReader::Read(const std::string& archivePath, const std::string& member) {
    archive_.ZipPassword.clear();
    archive_.SetZipName(archivePath);
    archive_.OpenArchive();
    return Run(archive_.IndexOf(member));
}

TEntryReader::TRead TEntryReader::ReadIndex(const std::string& archivePath, int index) {
    archive_.ZipPassword.clear();
    archive_.SetZipName(archivePath);
    archive_.OpenArchive();
    archive_.Member(index); // range check
    return Run(index);
}

namespace {

std::string FaultCause(TZipReader& archive, int index) {
    switch (archive.LastFault()) {
    case TZipReader::mfCrc:
        return "CRC error";
    case TZipReader::mfUnknownMethod:
        return "unknown compression method " + std::to_string(archive.Member(index).Method);
    case TZipReader::mfTooLong:
        return "data longer than its header says";
    default:
        return "data not decodable";
    }
}

} // namespace

std::string UnreadableReason(bool tooLarge, const std::string& cause, std::int64_t size) {
    if (tooLarge) return "it is too large to open (" + std::to_string(size >> 20) + " MiB)";
    return "it is damaged (" + cause + ")";
}

TEntryReader::TRead TEntryReader::Run(int index) {
    passwordSeen_ = false;
    defaultTried_ = false;
    done_ = false;
    TRead result;
    if (index < 0) { // no such member
        archive_.CloseArchive();
        return result;
    }
    result.Size = static_cast<std::uint32_t>(archive_.Member(index).UncompressedSize);
    if (result.Size > MaxBytes) {
        archive_.CloseArchive();
        result.Unreadable = result.TooLarge = true;
        return result;
    }
    // The member's own faults are reported here, not shown by the engine.
    const bool show = archive_.ShowUnknownMethod;
    archive_.ShowUnknownMethod = false;
    try {
        // The reader gives up on a member when the password it is handed is
        // the one that just failed; the rules may still have another to offer.
        while (!done_) {
            member_->Clear(); // empty and at its start, as the reader expects
            if (archive_.ExtractIndexToStream(member_.get(), index) > 0) {
                result.Found = true;
                break;
            }
            if (!passwordSeen_) break; // not a password: the data is damaged
        }
    } catch (const EAlteredMember&) {
        result.Unreadable = true;
        result.Cause = "encrypted data altered";
    } catch (const EBadLocalHeader&) {
        result.Unreadable = true;
        result.Cause = "local header unreadable";
    } catch (const EFatalUnzipError&) {
        result.Unreadable = true;
        result.Cause = "data cut short";
    } catch (const EStreamError&) {
        result.Unreadable = true;
        result.Cause = "data cut short";
    } catch (...) {
        archive_.ShowUnknownMethod = show;
        throw;
    }
    archive_.ShowUnknownMethod = show;
    result.PasswordProtected = passwordSeen_;
    result.GaveUp = !result.Found && !result.Unreadable && passwordSeen_;
    if (!result.Found && !result.Unreadable && !result.GaveUp) {
        result.Unreadable = true;
        result.Cause = FaultCause(archive_, index);
    }
    if (!result.Found) member_->Clear();
    // The answers that failed are not kept.
    if (!result.Found) archive_.ZipPassword.clear();
    return result;
}

void TEntryReader::OnBadPassword(TPassword& next) {
    passwordSeen_ = true;
    if (Policy == TPasswordPolicy::None ||
        (defaultTried_ && Policy == TPasswordPolicy::DefaultOnly)) {
        done_ = true; // `next` unchanged: the reader gives up on the member
        return;
    }
    if (!defaultTried_) {
        defaultTried_ = true;
        next = DefaultPassword;
        return;
    }
    if (!done_) next = AskPassword ? AskPassword() : TPassword();
    if (next.empty()) done_ = true;
}

std::string_view TEntryReader::Bytes() const {
    const std::vector<std::uint8_t>& data = member_->Bytes();
    return std::string_view(reinterpret_cast<const char*>(data.data()), data.size());
}

const TPassword& TEntryReader::Password() const {
    return archive_.ZipPassword;
}

std::vector<std::string> TEntryReader::MemberNames(const std::string& archivePath) {
    std::vector<std::string> names;
    if (!ArchiveExists(archivePath)) return names;
    archive_.ZipPassword.clear();
    archive_.SetZipName(archivePath);
    archive_.OpenArchive();
    names.reserve(static_cast<std::size_t>(archive_.Count()));
    for (int i = 0; i < archive_.Count(); ++i)
        names.push_back(archive_.Member(i).Name());
    archive_.CloseArchive();
    return names;
}

void TEntryReader::KeepOpen(bool keep) {
    archive_.KeepZipOpen = keep;
}

void TEntryReader::Close() {
    archive_.CloseArchive();
}

void TEntryReader::ProcessMessages(bool process) {
    archive_.DoProcessMessages = process;
}

void TEntryReader::PrefetchKeys(const std::string& archivePath, const std::vector<int>& indexes,
                                const TPassword& password) {
    StopPrefetch();
    if (password.empty() || !ArchiveExists(archivePath)) return;
    archive_.SetZipName(archivePath);
    prefetch_ = std::make_unique<TAesKeyPrefetch>(password, archive_.AesSalts(indexes));
}

void TEntryReader::StopPrefetch() {
    prefetch_.reset();
}

std::vector<int> TEntryReader::MemberIndexes(const std::string& archivePath,
                                             const std::vector<std::string>& members) {
    std::vector<int> indexes;
    if (!ArchiveExists(archivePath)) return indexes;
    archive_.SetZipName(archivePath);
    archive_.OpenArchive();
    for (const std::string& m : members)
        if (const int i = archive_.IndexOf(m); i >= 0) indexes.push_back(i);
    archive_.CloseArchive();
    return indexes;
}
