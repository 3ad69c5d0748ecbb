// TZipWriter: properties, the write-and-replace operation and the copying
// of old members. Adding a new member is in zip_writer_member.cpp.
#include "zip/zip_writer.h"

#include <algorithm>
#include <unistd.h>

#include "platform/exception.h"
#include "zip/aes_crypt.h"
#include "zip/archive_lock.h"
#include "zip/buffer_stream.h"
#include "zip/codec/deflate.h"
#include "zip/exceptions.h"
#include "zip/file_window.h"
#include "zip/zip_utils.h"
#include "zip/zip_writer_output.h"

using namespace zipwriter;

namespace {

std::uint32_t Get32(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void Put32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

constexpr std::uint32_t DescriptorSignature = 0x08074B50;
constexpr int kDescriptorSize = 16;

std::uint16_t Get16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

} // namespace

TZipWriter::TZipWriter() : FileOps(std::make_unique<TArchiveFileOps>()) {}

TZipWriter::~TZipWriter() = default;

void TZipWriter::SetPackLevel(int value) {
    if (value < 0 || value > 9)
        throw Exception("PackLevel must be 0 to 9, not " + std::to_string(value));
    packLevel_ = value;
}

void TZipWriter::SetStorePaths(bool value) {
    storePaths_ = value;
    if (!value) {
        storeVolumes_ = false;
        relativePaths_ = false;
    }
}

void TZipWriter::SetRelativePaths(bool value) {
    relativePaths_ = value;
    if (value) {
        storePaths_ = true;
        Recurse = true;
    }
}

void TZipWriter::SetStoreVolumes(bool value) {
    storeVolumes_ = value;
    if (value) storePaths_ = true;
}

void TZipWriter::SetZipName(const std::string& value) {
    if (EndCentral.CommentChanged && !ZipName().empty() &&
        AsciiLower(value) != AsciiLower(ZipName())) {
        // A changed archive comment is written out under the old name first.
        std::vector<std::string> files;
        files.swap(FilesList);
        BuildArchive();
        FilesList.swap(files);
    }
    TZipReader::SetZipName(value);
}

int TZipWriter::AddFromStream(TStream* stream, const std::string& name) {
    if (!stream || Trimmed(name).empty()) return 0;
    Cancel = false;
    fromStream_ = true;
    inStream_ = stream;
    auto finish = [this] {
        fromStream_ = false;
        inStream_ = nullptr;
        CloseArchive();
    };
    int result = 0;
    try {
        stream->SetPosition(0);
        FilesList.assign(1, name);
        result = BuildArchive();
    } catch (...) {
        finish();
        throw;
    }
    finish();
    return result;
}

int TZipWriter::BuildArchive() {
    if (Trimmed(ZipName()).empty() && !ArchiveStream) return 0;
    if (!fromStream_ && !FilesList.empty()) {
        // Adding files from the disk (by name, wildcard or folder) is not
        // built: the names would become empty members. Refused before
        // anything is touched.
        FilesList.clear();
        KeepReplacedAs.clear();
        throw Exception("Members are added from a stream only; nothing was written");
    }
    damaged_.clear();
    Busy = true;
    addedCount_ = 0;
    const TZipSortMode savedSortMode = SortMode;
    const bool savedKeepZipOpen = KeepZipOpen;
    KeepZipOpen = true;
    SortMode = ByNone;
    auto cleanUp = [&] {
        // The old directory lent its headers to the new one: it describes
        // the old file no longer, and is read again when next needed.
        if (headersMoved_) DiscardDirectory();
        out_.reset();
        outFile_.reset();
        if (!outputName_.empty()) ::unlink(outputName_.c_str());
        outputName_.clear();
        tempFile_.reset();
        newDirectory_.reset();
        pending_.reset();
    };
    auto always = [&] {
        SortMode = savedSortMode;
        KeepZipOpen = savedKeepZipOpen;
        namesWritten_.clear();
        oldLocals_.clear();
        oldOffsets_.clear();
        oldHeaders_.clear();
        headersMoved_ = false;
        rawIn_.reset();
        newEnd_.Clear();
        tempFile_.reset();
        CloseArchive();
        Busy = false;
        FilesList.clear();
        KeepReplacedAs.clear();
    };
    const std::string zipName = ZipName();
    // Held from before the old archive is looked at until the new one is in
    // place, so that no other save can come between (archive_lock.h).
    std::unique_ptr<TArchiveLock> lock;
    try {
        lock = std::make_unique<TArchiveLock>(zipName, LockWait);
        const std::string beside = FolderOf(zipName);
        const std::string tempFolder =
            !TempPath.empty() && DirectoryExists(TempPath) ? TempPath : beside;
        RemoveStaleTempFiles(beside, zipName);
        if (tempFolder != beside) RemoveStaleTempFiles(tempFolder, zipName);
        // The encoder's buffers (most of a megabyte) serve every save of this
        // writer: made at the first, not at each.
        if (!deflater_) deflater_ = std::make_unique<TDeflater>();
        // Only now, under the lock, does it count whether the archive exists
        // and what its directory holds: OpenArchive compares the cached
        // directory with the file as it is now.
        hadArchive_ = FileExists(zipName);
        // The new archive always goes to a temporary file first; a new one
        // is made beside its final name.
        tempFile_ = std::make_unique<TTempArchiveFile>(hadArchive_ ? tempFolder : beside, zipName);
        outputName_ = tempFile_->Name();
        outFile_ = FileOps->CreateFile(outputName_);
        out_ = std::make_unique<TOutput>(*outFile_);
        if (hadArchive_) OpenArchive();
        if (OnArchiveLocked) {
            bool stop = false;
            OnArchiveLocked(*this, hadArchive_, stop);
            if (stop) throw EUserCanceled("User canceled Zip operation");
        }
        newDirectory_ = std::make_unique<TSortedZip>(ByNone, TSortedZip::dupError, true);
        // Only the names AddMember writes can collide with a later one: a
        // name equal to an old member's designates (replaces) that member.
        // So copied members need no entry, and an old archive holding two
        // names that differ only in case stays updatable.
        namesWritten_.clear();
        newEnd_.Clear();
        if (hadArchive_) {
            if (EndCentral.HasComment() && !EndCentral.Comment())
                EndCentral.LoadComment(*ArchiveStream);
            newEnd_.Assign(EndCentral);
            newEnd_.EntriesThisDisk = 0;
            newEnd_.TotalEntries = 0;
            newEnd_.CommentChanged = false;
            CopyMembers();
        }
        if (!FilesList.empty()) {
            bool stopNow = false;
            totalToDo_ = fromStream_ && inStream_ ? inStream_->Size() : 0;
            totalBytesRead_ = 0;
            if (OnStartZipInfo)
                OnStartZipInfo(*this, static_cast<int>(FilesList.size()), totalToDo_, newEnd_,
                               stopNow);
            if (stopNow) throw EUserCanceled("User canceled Zip operation");
            const std::vector<std::string> names = FilesList;
            for (const std::string& name : names) {
                if (AddMember(name)) AddNewHeader();
                pending_.reset();
            }
        }
        WriteCentralDirectory();
        out_->Flush();
        if (!FileOps->Commit(*outFile_)) throw ENotEnoughRoom("Not enough room to write archive");
        out_.reset();
        outFile_.reset();
    } catch (...) {
        cleanUp();
        always();
        throw;
    }

    // Put the new archive in place and keep its directory as the cached one.
    try {
        if (hadArchive_) {
            ResetArchive();
            TZipReader::SetZipName(zipName);
        }
        InstallArchive(*FileOps, outputName_, zipName);
        outputName_.clear();
        tempFile_.reset();
        SortMode = savedSortMode;
        AdoptDirectory(std::move(newDirectory_), newEnd_, TArchiveStamp::Of(zipName),
                       damaged_.empty());
    } catch (...) {
        outputName_.clear(); // InstallArchive removed it
        cleanUp();
        always();
        throw;
    }
    const int added = addedCount_;
    always();
    lock.reset(); // before the event, whose handler may start another save
    if (OnZipComplete) OnZipComplete(*this, added);
    return added;
}

void TZipWriter::WriteCentralDirectory() {
    const std::int64_t start = out_->Position();
    newEnd_.CentralStart = static_cast<std::uint32_t>(start);
    newEnd_.CentralStartDisk = 0;
    for (int i = 0; i < newDirectory_->Count(); ++i)
        newDirectory_->Items(i)->WriteCentral(*out_);
    const std::int64_t end = out_->Position();
    if (end > 0xFFFFFFFFll)
        throw Exception("The archive would exceed 4 GB, which the zip format cannot address");
    newEnd_.CentralSize = static_cast<std::uint32_t>(end - start);
    newEnd_.ThisDisk = 0;
    newEnd_.Write(*out_);
    // The comment now lies behind the new record: a later look at it (or the
    // next save, which carries it over) must read it there, not where the
    // old archive had it.
    newEnd_.CommentPosition = static_cast<std::uint32_t>(end + EndCentralSize);
}

void TZipWriter::AddNewHeader() {
    TZipHeaderInfo* header = pending_.release();
    newDirectory_->Add(header);
    namesWritten_.insert(AsciiLower(header->Directory() + header->FileName()));
    ++addedCount_;
    ++newEnd_.EntriesThisDisk;
    ++newEnd_.TotalEntries;
}

std::string TZipWriter::DesignationKey(const std::string& name) const {
    const std::string n = OemRoundTrip(name);
    const std::size_t cut = n.find_last_of("\\:");
    const std::string fileName = cut == std::string::npos ? n : n.substr(cut + 1);
    return AsciiLower(StoredFolder(n) + fileName);
}

namespace {

// Whether a member's path, ASCII letters lowered, equals `key`, without
// building the lowered path.
bool SamePathLowered(const std::string& key, const TZipHeaderInfo& h) {
    const std::string& d = h.Directory();
    const std::string& f = h.FileName();
    if (key.size() != d.size() + f.size()) return false;
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (std::size_t i = 0; i < d.size(); ++i)
        if (key[i] != lower(d[i])) return false;
    for (std::size_t i = 0; i < f.size(); ++i)
        if (key[d.size() + i] != lower(f[i])) return false;
    return true;
}

} // namespace

void TZipWriter::CopyMembers() {
    std::vector<std::string> keys;
    keys.reserve(FilesList.size());
    for (const std::string& name : FilesList)
        keys.push_back(DesignationKey(name));
    runStart_ = runEnd_ = 0;
    if (!DirectoryWritten) ReadOldLocalHeaders();
    // A copied member's header is the old one with its new offset, so the
    // old directory's headers move into the new one rather than being
    // copied: the old directory hands them to oldHeaders_ first, and from
    // here on no longer describes the old file.
    oldHeaders_.clear();
    oldHeaders_.reserve(static_cast<std::size_t>(Directory->Count()));
    for (TZipHeaderInfo* h : *Directory)
        oldHeaders_.emplace_back(h);
    Directory->SetOwnsObjects(false);
    headersMoved_ = true;
    for (int i = 0; i < Directory->Count(); ++i) {
        const TZipHeaderInfo& old = *Directory->Items(i);
        std::size_t designator = 0;
        while (designator < keys.size() && !SamePathLowered(keys[designator], old))
            ++designator;
        if (designator < keys.size()) {
            // A replaced member keeps its place in the member order.
            FlushRun();
            if (OnUpdate) OnUpdate(*this, upaReplace, i);
            if (!KeepReplacedAs.empty()) {
                if (NameEscapesFolder(KeepReplacedAs))
                    throw Exception("A member may not be named with a root, a drive or \"..\": " +
                                    KeepReplacedAs);
                // The old version stays beside the new one, under its own name.
                std::unique_ptr<TZipHeaderInfo>& kept = oldHeaders_[static_cast<std::size_t>(i)];
                if (CopyMember(*kept, i, OemRoundTrip(KeepReplacedAs))) {
                    newDirectory_->Add(kept.get());
                    kept.release();
                    ++newEnd_.EntriesThisDisk;
                    ++newEnd_.TotalEntries;
                }
                FlushRun();
            }
            const std::string name = FilesList[designator];
            FilesList.erase(FilesList.begin() + static_cast<std::ptrdiff_t>(designator));
            keys.erase(keys.begin() + static_cast<std::ptrdiff_t>(designator));
            if (AddMember(name)) AddNewHeader();
            pending_.reset();
            continue;
        }
        std::unique_ptr<TZipHeaderInfo>& owner = oldHeaders_[static_cast<std::size_t>(i)];
        if (owner->HasComment() && !owner->FileComment()) owner->LoadComment(*ArchiveStream);
        if (!CopyMember(*owner, i)) continue;
        newDirectory_->Add(owner.get());
        owner.release();
        ++newEnd_.EntriesThisDisk;
        ++newEnd_.TotalEntries;
    }
    FlushRun();
}

void TZipWriter::ReadOldLocalHeaders() {
    const int count = Directory->Count();
    oldLocals_.assign(static_cast<std::size_t>(count), TOldLocal{});
    oldOffsets_.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        oldOffsets_[static_cast<std::size_t>(i)] = Directory->Items(i)->LocalOffset;
    if (count == 0) return;
    if (!rawIn_) rawIn_ = std::make_unique<TFileWindow>(*ArchiveStream);
    // Mapped, the headers are read where they lie, without copying the
    // members between them (file_map.h); where the file cannot be mapped the
    // window reads the stretches of the file that hold them.
    const std::unique_ptr<TFileMap> map = FileOps->MapFile(rawIn_->Handle());
    const bool mapped = map && map->Valid();
    if (mapped) {
        // The stretches of the file that hold headers are mapped in one call
        // each: in a diary that is the whole file (a header every page or
        // two), while the data of large members stays untouched.
        constexpr std::int64_t kGap = 64 * 1024;
        std::int64_t from = 0, to = -1;
        for (int i = 0; i < count; ++i) {
            const TZipHeaderInfo& h = *Directory->Items(i);
            const std::int64_t at = h.LocalOffset;
            const std::int64_t end = at + LocalHeaderSize + h.NameLength;
            if (at < from || at > to + kGap) {
                map->Populate(from, to);
                from = at;
            }
            to = std::max(to, end);
        }
        map->Populate(from, to);
    }
    std::vector<std::uint8_t> bytes;
    // The headers lie on pages of their own: asking for those a few members
    // ahead lets their loads overlap instead of waiting for each in turn.
    constexpr int kAhead = 16;
    for (int i = 0; i < count; ++i) {
        const TZipHeaderInfo& h = *Directory->Items(i);
        if (mapped && i + kAhead < count) map->Prefetch(Directory->Items(i + kAhead)->LocalOffset);
        const std::uint8_t* local = nullptr;
        std::int64_t available = 0;
        if (mapped) {
            // The fixed part and as many name bytes as the directory's name
            // has: a local name of another length differs anyway.
            const std::int64_t at = std::min<std::int64_t>(h.LocalOffset, map->Size());
            available = std::min<std::int64_t>(LocalHeaderSize + h.NameLength, map->Size() - at);
            if (bytes.size() < static_cast<std::size_t>(available))
                bytes.resize(LocalHeaderSize + 0xFFFFu);
            if (available >= LocalHeaderSize &&
                map->Copy(at, static_cast<std::size_t>(available), bytes.data()))
                local = bytes.data();
        } else {
            try {
                local = OldLocalInWindow(i, available);
            } catch (const EStreamError&) {
                local = nullptr;
            }
        }
        TOldLocal& o = oldLocals_[static_cast<std::size_t>(i)];
        if (local == nullptr) continue; // Unreadable
        if (Get32(local) != LocalHeaderSignature) {
            o.state = TOldLocal::NotAHeader;
            continue;
        }
        o.nameLength = Get16(local + 26);
        o.extraLength = Get16(local + 28);
        o.state = h.LocalHeaderIs(local, static_cast<std::size_t>(available)) ? TOldLocal::AsItIs
                                                                              : TOldLocal::Differs;
    }
}

const std::uint8_t* TZipWriter::OldLocalInWindow(int index, std::int64_t& available) {
    const std::int64_t at = Directory->Items(index)->LocalOffset;
    const std::uint8_t* local = rawIn_->Bytes(
        at, LocalHeaderSize, rawIn_->Holds(at, LocalHeaderSize) ? 0 : HeadersAhead(index, at));
    available = LocalHeaderSize + Get16(local + 26);
    if (available > TFileWindow::kSize) { // the fixed part decides: it cannot match
        available = LocalHeaderSize;
        return local;
    }
    return rawIn_->Bytes(at, available);
}

std::int64_t TZipWriter::HeadersAhead(int index, std::int64_t from) const {
    // Where the local headers of the members from `index` on end, as far as
    // they lie within one window: a read for the first brings in the next
    // ones too, and a large member's data is not read just to step over it.
    std::int64_t ahead = from;
    for (int i = index; i < Directory->Count(); ++i) {
        const TZipHeaderInfo& h = *Directory->Items(i);
        const std::int64_t end = static_cast<std::int64_t>(h.LocalOffset) + LocalHeaderSize +
                                 h.NameLength + h.CentralExtraLength + 64;
        if (end > from + TFileWindow::kSize || h.LocalOffset < from) break;
        ahead = end;
    }
    return ahead;
}

bool TZipWriter::CopyMember(TZipHeaderInfo& header, int index, const std::string& newName) {
    if (!rawIn_) rawIn_ = std::make_unique<TFileWindow>(*ArchiveStream);
    const std::int64_t at = header.LocalOffset;
    const std::int64_t compressed =
        static_cast<std::int64_t>(static_cast<std::uint32_t>(header.CompressedSize));
    // Flag bit 3 says a data descriptor follows the data, and readers look
    // for one there (and an encrypted member's check byte depends on the
    // bit, so it cannot be cleared): such a member always gets one, the CRC
    // and sizes from the directory, so the copy reads as it did before.
    const std::int64_t descriptor = header.HasDataDescriptor() ? kDescriptorSize : 0;
    if (DirectoryWritten && newName.empty()) {
        // Written by this component, and unchanged since: nothing to read
        // to know that the old bytes are the new ones.
        AddToRun(header, at, at + header.LocalSize() + compressed + descriptor);
        return true;
    }
    TOldLocal old;
    if (DirectoryWritten) {
        old.state = TOldLocal::AsItIs;
        old.nameLength = header.NameLength;
        old.extraLength = header.LocalExtraLength;
    } else {
        old = oldLocals_.at(static_cast<std::size_t>(index));
    }
    if (!newName.empty()) header.SetName(newName);
    if (old.state == TOldLocal::Unreadable || old.state == TOldLocal::NotAHeader)
        return CarryDamaged(header, index);
    header.LocalExtraLength = old.extraLength;
    const std::int64_t dataAt = at + LocalHeaderSize + old.nameLength;
    const std::int64_t end = dataAt + header.LocalExtraLength + compressed;
    // Sizes and CRC come from the directory: the new local header carries
    // them. Where the old local header already says exactly that, the
    // member's bytes are the old ones from its header on, and a run of such
    // members that lie one after another is copied in one piece.
    if (old.state == TOldLocal::AsItIs && newName.empty()) {
        AddToRun(header, at, end);
    } else {
        FlushRun();
        header.WriteLocal(*out_);
        runStart_ = dataAt;
        runEnd_ = end;
    }
    if (descriptor != 0) {
        // The old descriptor (12 or 16 bytes, or none at all) is not copied:
        // a new one of 16 bytes, as this component writes them.
        FlushRun();
        std::uint8_t d[kDescriptorSize];
        Put32(d, DescriptorSignature);
        Put32(d + 4, header.CRC);
        Put32(d + 8, static_cast<std::uint32_t>(header.CompressedSize));
        Put32(d + 12, static_cast<std::uint32_t>(header.UncompressedSize));
        out_->Write(d, kDescriptorSize);
    }
    return true;
}

bool TZipWriter::CarryDamaged(TZipHeaderInfo& header, int index) {
    // Where its bytes end is where the next member's begin, or the
    // directory: whatever lies between belongs to it. Nothing is repaired
    // or guessed; a later reader finds it exactly as damaged as before.
    // (The offsets are the old ones: copied members have their new ones.)
    const std::int64_t at = header.LocalOffset;
    std::int64_t end = std::min<std::int64_t>(EndCentral.CentralStart, ArchiveStream->Size());
    for (std::size_t i = 0; i < oldOffsets_.size(); ++i) {
        const std::int64_t other = oldOffsets_[i];
        if (static_cast<int>(i) != index && other > at && other < end) end = other;
    }
    damaged_.push_back(header.Name());
    if (end <= at) return false; // nothing of it in the file
    AddToRun(header, at, end);
    return true;
}

void TZipWriter::AddToRun(TZipHeaderInfo& header, std::int64_t from, std::int64_t to) {
    if (runEnd_ != from) {
        FlushRun();
        runStart_ = runEnd_ = from;
    }
    const std::int64_t newOffset = out_->Position() + (runEnd_ - runStart_);
    if (newOffset > 0xFFFFFFFFLL) throw EStreamError("Archive larger than 4 GiB");
    header.LocalOffset = static_cast<std::uint32_t>(newOffset);
    runEnd_ = to;
}

void TZipWriter::FlushRun() {
    std::int64_t left = runEnd_ - runStart_;
    if (left > 0) {
        const int fd = rawIn_->Handle();
        if (fd >= 0) {
            out_->Flush();
            // In pieces, each handed to the disk as soon as it is copied, so
            // that writing to the disk goes on while the rest is copied and
            // the flush at the end finds little left to do.
            constexpr std::int64_t kPiece = 2 << 20;
            for (std::int64_t at = runStart_; left > 0;) {
                const std::int64_t n = std::min(left, kPiece);
                if (!FileOps->CopyRange(fd, at, *outFile_, n)) TOutput::NoRoom();
                out_->Appended(n);
                FileOps->StartWriteback(*outFile_);
                at += n;
                left -= n;
            }
        } else {
            for (std::int64_t at = runStart_; left > 0;) {
                std::int64_t n = 0;
                const std::uint8_t* bytes = rawIn_->Span(at, left, n);
                out_->Write(bytes, n);
                at += n;
                left -= n;
            }
        }
    }
    runStart_ = runEnd_ = 0;
}
