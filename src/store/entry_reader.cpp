#include "store/entry_reader.h"

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

TEntryReader::~TEntryReader() = default;

TEntryReader::TRead TEntryReader::Read(const std::string& archivePath, const std::string& member) {
    return Run(archivePath, [this, &member](TMemoryStream& out) {
        return archive_.ExtractToStream(&out, member);
    });
}

TEntryReader::TRead TEntryReader::ReadIndex(const std::string& archivePath, int index) {
    return Run(archivePath, [this, index](TMemoryStream& out) {
        return archive_.ExtractIndexToStream(&out, index);
    });
}

TEntryReader::TRead TEntryReader::Run(const std::string& archivePath,
                                      const std::function<int(TMemoryStream&)>& extract) {
    archive_.ZipPassword.clear();
    archive_.SetZipName(archivePath);
    passwordSeen_ = false;
    defaultTried_ = false;
    done_ = false;
    TRead result;
    // The reader gives up on a member when the password it is handed is the
    // one that just failed; the rules may still have another to offer.
    while (!done_) {
        member_->Clear(); // empty and at its start, as the reader expects
        if (extract(*member_) > 0) {
            result.Found = true;
            break;
        }
        if (!passwordSeen_) break; // no such member
    }
    result.PasswordProtected = passwordSeen_;
    result.GaveUp = !result.Found && passwordSeen_;
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
