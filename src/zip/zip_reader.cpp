#include "zip/zip_reader.h"

#include "zip/buffer_stream.h"
#include "zip/exceptions.h"
#include "zip/file_window.h"
#include "zip/hooks.h"
#include "zip/member_decoder.h"
#include "zip/wildcard.h"
#include "zip/zip_utils.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string AsciiLower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// Leading and trailing blanks and control characters removed.
std::string Trimmed(const std::string& s) {
    auto keep = [](char c) { return static_cast<unsigned char>(c) > ' '; };
    auto first = std::find_if(s.begin(), s.end(), keep);
    auto last = std::find_if(s.rbegin(), s.rend(), keep).base();
    return first < last ? std::string(first, last) : std::string();
}

std::uint16_t Get16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t Get32(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// count bytes at offset: with pread from a plain file's descriptor, which
// leaves the buffered stream over it as it was; else by the stream itself.
std::int64_t ReadAt(TStream& stream, std::int64_t offset, std::uint8_t* buffer,
                    std::int64_t count) {
    const int fd = FileHandleOf(stream);
    if (fd < 0) {
        stream.Seek(offset, soBeginning);
        return stream.Read(buffer, count);
    }
    std::int64_t done = 0;
    while (done < count) {
        const ssize_t n =
            ::pread(fd, buffer + done, static_cast<std::size_t>(count - done), offset + done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    return done;
}

// Sizes in the headers are unsigned 32-bit on disk.
std::int64_t Unsigned(std::int32_t v) {
    return static_cast<std::uint32_t>(v);
}

} // namespace

namespace {

TArchiveStamp StampFrom(const struct stat& st) {
    TArchiveStamp s;
    s.Valid = true;
    s.Seconds = st.st_mtim.tv_sec;
    s.Nanoseconds = st.st_mtim.tv_nsec;
    s.Size = st.st_size;
    s.Device = st.st_dev;
    s.Inode = st.st_ino;
    return s;
}

} // namespace

TArchiveStamp TArchiveStamp::Of(const std::string& fileName) {
    struct stat st {};
    return ::stat(fileName.c_str(), &st) == 0 ? StampFrom(st) : TArchiveStamp{};
}

TArchiveStamp TArchiveStamp::OfHandle(int fd) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 ? StampFrom(st) : TArchiveStamp{};
}

TZipReader::TZipReader() = default;
TZipReader::~TZipReader() = default;

int TZipReader::Count() const {
    return View ? View->Count() : 0;
}

const TZipHeaderInfo& TZipReader::Member(int index) const {
    if (!View || index < 0 || index >= View->Count())
        throw EListError("Index " + std::to_string(index) + " is out of range");
    return *View->Items(index);
}

std::string TZipReader::MemberPath(int index) const {
    return View->Items(index)->Directory() + View->Items(index)->FileName();
}

void TZipReader::SetRootDir(const std::string& value) {
    rootDir_ = value;
    if (!rootDir_.empty() && rootDir_.back() != '\\') rootDir_ += '\\';
}

void TZipReader::SetZipName(const std::string& value) {
    // Only the very same name keeps the cached directory. Letter case is not
    // ignored: on this platform "Daybank.zip" and "DAYBANK.zip" can be two
    // different archives, and taking one for the other would read and write
    // the wrong diary.
    if (value == zipName_) return;
    std::string name = value;
    if (!name.empty() && name.back() == '?') {
        std::string folder = name.substr(0, name.size() - 1);
        std::size_t slash = folder.find_last_of('/');
        folder = slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
        if (folder.empty() || !DirectoryExists(folder)) folder = "/";
        std::string chosen;
        const auto& dialog = EngineHooks().OpenFileDialog;
        if (!dialog || !dialog("Open a Zip File",
                               "Zip Files (*.ZIP)|*.zip|SFX Files (*.EXE)|*.exe|Jar Files "
                               "(*.JAR)|*.jar|All Files (*.*)|*.*",
                               folder, chosen))
            throw EUserCanceled("User canceled setting zip file name.");
        name = chosen;
    }
    zipName_ = name;
    DiscardDirectory();
}

void TZipReader::DiscardDirectory() {
    lastMatched_.clear();
    View = nullptr;
    SortedView.reset();
    Directory.reset();
    nameIndex_.clear();
    EndCentral.Clear();
    DirectoryTime = TArchiveStamp{};
    DirectoryWritten = false;
    CloseArchiveStream();
}

void TZipReader::CloseArchiveStream() {
    window_.reset();
    ArchiveStream.reset();
}

TArchiveStamp TZipReader::StampOf(TStream& stream) const {
    const int fd = FileHandleOf(stream);
    return fd >= 0 ? TArchiveStamp::OfHandle(fd) : TArchiveStamp::Of(zipName_);
}

void TZipReader::OpenArchive() {
    if (ArchiveStream && Directory) {
        // A kept-open handle may show a file the name no longer stands for.
        const TArchiveStamp now = TArchiveStamp::Of(zipName_);
        if (now.Valid && now == DirectoryTime) return;
        CloseArchiveStream();
    }
    if (!ArchiveStream)
        ArchiveStream = std::make_unique<TLFNFileStream>(zipName_, FlushFilesOnClose, fmOpenRead);
    // The file just opened is judged by its descriptor: the very file that
    // is read, without a second look-up of its name.
    const TArchiveStamp now = StampOf(*ArchiveStream);
    if (Directory && now.Valid && now == DirectoryTime) return;
    ReadDirectory(*ArchiveStream);
}

void TZipReader::CloseArchive() {
    if (!KeepZipOpen) CloseArchiveStream();
}

void TZipReader::ResetArchive() {
    DiscardDirectory();
    zipName_.clear();
}

void TZipReader::RaiseIncomplete() {
    TIncompleteZipMode mode = IncompleteZipMode;
    if (OnInCompleteZip) {
        OnInCompleteZip(*this, mode);
        IncompleteZipMode = mode;
    }
    if (mode == izAssumeNotAZip) throw ENotAZipFile("Not a valid zip file!");
    // izAssumeBad would scan a damaged archive's local headers; nothing in
    // this program sets it, so it is treated as the default.
    throw EIncompleteZip("Incomplete Zip File");
}

void TZipReader::ReadDirectory(TStream& stream) {
    TArchiveStamp stamp = StampOf(stream);
    View = nullptr;
    SortedView.reset();
    Directory.reset();
    nameIndex_.clear();
    DirectoryTime = TArchiveStamp{};
    DirectoryWritten = false;
    ++directoryReads_;

    auto badDirectory = [this] {
        TIncompleteZipMode mode = IncompleteZipMode;
        if (OnInCompleteZip) {
            OnInCompleteZip(*this, mode);
            IncompleteZipMode = mode;
        }
        // With izAssumeBad the damaged-archive scan would run here; it is not
        // reachable in this program, so the result is the same refusal.
        throw EBadZipFile("Not a valid zip file!");
    };

    try {
        EndCentral.Clear();
        if (!EndCentral.Locate(stream)) RaiseIncomplete();
        if (EndCentral.TotalEntries != 0) {
            std::uint8_t sig[4] = {};
            stream.Seek(EndCentral.CentralStart, soBeginning);
            if (stream.Read(sig, 4) != 4 ||
                (sig[0] | (sig[1] << 8) | (sig[2] << 16) |
                 (static_cast<std::uint32_t>(sig[3]) << 24)) != CentralHeaderSignature)
                badDirectory();
            stream.Seek(EndCentral.CentralStart, soBeginning);
        }
        Directory = std::make_unique<TSortedZip>(ByNone, TSortedZip::dupError, true);
        Directory->SetCapacity(std::min<int>(EndCentral.TotalEntries, TSortedZip::MaxListSize));
        // The headers follow one another from CentralStart. They are read in
        // large pieces and taken apart in memory; a header cut by the end of
        // a piece is moved to the front and the rest read behind it.
        std::int64_t next = EndCentral.CentralStart; // file offset of bytes[filled]
        std::size_t capacity = 64 * 1024, used = 0, filled = 0;
        std::unique_ptr<std::uint8_t[]> bytes(new std::uint8_t[capacity]);
        for (int i = 0; i < EndCentral.TotalEntries; ++i) {
            auto header = std::make_unique<TZipHeaderInfo>();
            const std::int64_t offset = next - static_cast<std::int64_t>(filled - used);
            std::size_t n;
            while ((n = header->ParseCentral(bytes.get() + used, filled - used,
                                             static_cast<std::uint32_t>(offset))) == 0) {
                // Not a header at all, or a header cut short: only the
                // second is helped by reading on (at most 196,651 bytes).
                if (filled - used >= 4 && Get32(bytes.get() + used) != CentralHeaderSignature)
                    badDirectory();
                std::memmove(bytes.get(), bytes.get() + used, filled - used);
                filled -= used;
                used = 0;
                if (filled == capacity) { // one header larger than the buffer
                    std::unique_ptr<std::uint8_t[]> larger(new std::uint8_t[2 * capacity]);
                    std::memcpy(larger.get(), bytes.get(), filled);
                    bytes = std::move(larger);
                    capacity *= 2;
                }
                const std::int64_t got = ReadAt(stream, next, bytes.get() + filled,
                                                static_cast<std::int64_t>(capacity - filled));
                if (got <= 0) badDirectory(); // the file ends inside a header
                filled += static_cast<std::size_t>(got);
                next += got;
            }
            used += n;
            Directory->Add(header.get());
            header.release();
        }
        BuildView();
    } catch (...) {
        // A directory that failed half-way is never taken for a cached one.
        View = nullptr;
        SortedView.reset();
        Directory.reset();
        nameIndex_.clear();
        throw;
    }
    DirectoryTime = stamp;
    DirectoryWritten = false;
}

void TZipReader::AdoptDirectory(std::unique_ptr<TSortedZip> directory,
                                const TEndCentral& endCentral, const TArchiveStamp& stamp,
                                bool written) {
    View = nullptr;
    SortedView.reset();
    nameIndex_.clear();
    Directory = std::move(directory);
    EndCentral.Assign(endCentral);
    BuildView();
    DirectoryTime = stamp;
    DirectoryWritten = written;
}

void TZipReader::BuildView() {
    if (SortMode == ByNone) {
        View = Directory.get();
    } else {
        SortedView = std::make_unique<TSortedZip>(SortMode, TSortedZip::dupAccept, false);
        for (int i = 0; i < Directory->Count(); ++i)
            SortedView->Add(Directory->Items(i));
        View = SortedView.get();
    }
    // The name index is made when a name is first looked up: a save, or a
    // run over every member, never needs it.
    nameIndex_.clear();
    nameIndexBuilt_ = false;
}

void TZipReader::BuildNameIndex() {
    nameIndexBuilt_ = true;
    nameIndex_.clear();
    nameIndex_.reserve(static_cast<std::size_t>(View->Count()));
    for (int i = 0; i < View->Count(); ++i)
        nameIndex_[AsciiLower(MemberPath(i))].push_back(i);
}

void TZipReader::BeginRun(std::int64_t totalToDo) {
    // One frame serves every member this reader extracts: its buffers and
    // inflate's window and tables are made once. Nothing a member decodes
    // depends on what they held before: every decoder starts each member
    // afresh and reads zeros, not old bytes, for a distance before its start.
    if (!work_) work_ = std::make_unique<TUnZipWork>();
    work_->TotalDone = 0;
    work_->TotalToDo = totalToDo;
}

void TZipReader::EndRun() {
    // The run's totals go, so that the frame counts as a new one would.
    if (!work_) return;
    work_->TotalDone = 0;
    work_->TotalToDo = 0;
}

void TZipReader::RunToStream(TStream* stream, const std::function<void()>& body) {
    lastCipher_ = zcNone;
    Busy = true;
    OutStream = stream;
    Cancel = false;
    ToStream = true;
    const bool keep = KeepZipOpen;
    auto finish = [&] {
        EndRun();
        readAhead_ = 0;
        KeepZipOpen = keep;
        ToStream = false;
        OutStream = nullptr;
        CloseArchive();
        Busy = false;
        Cancel = false;
    };
    try {
        body();
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

int TZipReader::ExtractToStream(TStream* stream, const std::string& name) {
    if (!stream || Trimmed(name).empty()) return 0;
    int count = 0;
    RunToStream(stream, [&] {
        OpenArchive();
        FilesList.assign(1, name);
        count = ExtractSelected();
    });
    return count;
}

int TZipReader::ExtractIndexToStream(TStream* stream, int index) {
    if (!stream) return 0;
    RunToStream(stream, [&] {
        OpenArchive();
        Member(index); // range check
        KeepZipOpen = true;
        extracted_ = 0;
        BeginRun(Unsigned(View->Items(index)->UncompressedSize));
        while (ExtractMember(index)) {
        }
    });
    return extracted_;
}

void TZipReader::ExtractEachToStream(
    TStream& stream, const std::vector<int>& indexes,
    const std::function<void(int index, bool whole, const std::string& error)>& done) {
    RunToStream(&stream, [&] {
        OpenArchive();
        for (int index : indexes)
            Member(index); // range check, before anything is extracted
        KeepZipOpen = true;
        // Members one after another: a read for one brings in the next ones.
        readAhead_ = TFileWindow::kSize;
        std::int64_t total = 0;
        for (int index : indexes)
            total += Unsigned(View->Items(index)->UncompressedSize);
        BeginRun(total);
        for (int index : indexes) {
            CutBack(0, 0);
            extracted_ = 0;
            std::string error;
            try {
                while (ExtractMember(index)) {
                }
            } catch (const Exception& e) {
                error = e.Message();
            }
            done(index, extracted_ == 1 && error.empty(), error);
        }
    });
}

std::vector<int> TZipReader::Select(std::int64_t& totalBytes, int& numFiles) {
    totalBytes = 0;
    numFiles = 0;
    const int n = View->Count();
    bool scan = DoAll;
    for (const std::string& pattern : FilesList)
        scan = scan || HasWildcard(pattern);

    std::vector<int> chosen;
    if (scan) {
        for (int i = 0; i < n; ++i) {
            TZipHeaderInfo* h = View->Items(i);
            h->Matched = DoAll;
            for (std::size_t p = 0; p < FilesList.size() && !h->Matched; ++p)
                h->Matched = IsMatch(FilesList[p], h->Directory() + h->FileName());
            if (h->Matched) chosen.push_back(i);
        }
    } else {
        // Plain names: the index gives exactly the members the match would.
        if (!nameIndexBuilt_) BuildNameIndex();
        for (int i : lastMatched_)
            if (i < n) View->Items(i)->Matched = false;
        for (const std::string& name : FilesList)
            if (auto it = nameIndex_.find(AsciiLower(name)); it != nameIndex_.end())
                chosen.insert(chosen.end(), it->second.begin(), it->second.end());
        std::sort(chosen.begin(), chosen.end());
        chosen.erase(std::unique(chosen.begin(), chosen.end()), chosen.end());
        for (int i : chosen)
            View->Items(i)->Matched = true;
    }
    std::vector<int> selected;
    for (int i : chosen) {
        TZipHeaderInfo* h = View->Items(i);
        if (h->FileName().empty() && !RecreateDirs) {
            h->Matched = false; // folder entries only when folders are wanted
            continue;
        }
        selected.push_back(i);
        if (!h->FileName().empty()) {
            ++numFiles;
            totalBytes += Unsigned(h->UncompressedSize);
        }
    }
    lastMatched_ = selected;
    return selected;
}

int TZipReader::ExtractSelected() {
    const bool keep = KeepZipOpen;
    KeepZipOpen = true;
    extracted_ = 0;
    auto finish = [&] {
        EndRun();
        FilesList.clear();
        if (OnUnZipComplete) OnUnZipComplete(*this, extracted_);
        KeepZipOpen = keep;
    };
    try {
        if (!View) OpenArchive();
        if (!DestDir.empty() && !DirectoryExists(DestDir)) ForceDirectories(DestDir);
        std::int64_t totalBytes = 0;
        int numFiles = 0;
        const std::vector<int> selected = Select(totalBytes, numFiles);
        bool stop = false;
        if (OnStartUnZipInfo) OnStartUnZipInfo(*this, numFiles, totalBytes, stop);
        if (numFiles > 0 && !stop) {
            BeginRun(totalBytes);
            for (int i : selected)
                while (ExtractMember(i)) {
                }
        }
    } catch (...) {
        finish();
        throw;
    }
    finish();
    return extracted_;
}

void TZipReader::CutBack(std::int64_t size, std::int64_t position) {
    if (OutStream->Size() != size) OutStream->SetSize(size);
    OutStream->Seek(position, soBeginning);
}

bool TZipReader::ExtractMember(int index) {
    if (!work_) work_ = std::make_unique<TUnZipWork>();
    WorkHeader.Assign(*View->Items(index));
    const std::string path = MemberPath(index);
    if (!window_) window_ = std::make_unique<TFileWindow>(*ArchiveStream);
    TFileWindow& archive = *window_;
    const std::int64_t at = WorkHeader.LocalOffset;
    // One read brings in the local header and, as a rule, the whole member
    // (its local name and extra field taken to be about as long as the
    // central ones); in a run over many members, also the next ones.
    const std::int64_t memberEnd = at + LocalHeaderSize + WorkHeader.NameLength +
                                   WorkHeader.CentralExtraLength + 64 +
                                   Unsigned(WorkHeader.CompressedSize);
    lastFault_ = mfNone;
    std::memcpy(LocalHeader,
                archive.Bytes(at, sizeof LocalHeader, std::max(memberEnd, at + readAhead_)),
                sizeof LocalHeader);
    // Without its signature the lengths that follow are noise: where the
    // data starts is not known, and nothing read from there is the member.
    if (Get32(LocalHeader) != LocalHeaderSignature)
        throw EBadLocalHeader("The member's local header is damaged");
    const std::int64_t dataStart = static_cast<std::int64_t>(WorkHeader.LocalOffset) + 30 +
                                   Get16(LocalHeader + 26) + Get16(LocalHeader + 28);
    archive.Seek(dataStart, soBeginning);
    archive.ReadAheadTo(dataStart + Unsigned(WorkHeader.CompressedSize));

    std::string fName;
    bool skip = false;
    if (OnStartUnZip) OnStartUnZip(*this, index, fName, skip);
    if (skip) return false;
    // A method-99 member without a usable AES record is no AES member this
    // reader knows: it goes on as a member of an unknown method.
    if (WorkHeader.IsAes())
        if (const std::optional<TAesExtra> record = AesRecord())
            return ExtractAesMember(index, *record, dataStart, path, fName);

    const bool encrypted = WorkHeader.IsEncrypted();
    std::int64_t compressed = Unsigned(WorkHeader.CompressedSize);
    if (encrypted) {
        const std::uint8_t expected =
            ExpectedCheckByte(WorkHeader.Flags, WorkHeader.CRC, WorkHeader.DateTime);
        for (;;) {
            std::uint8_t found = Keys.DecryptHeader(ZipPassword, archive);
            if (found == expected) break;
            if (!AskNewPassword(index, path, compressed)) return false;
            archive.Seek(-12, soCurrent);
        }
        compressed = std::max<std::int64_t>(compressed - 12, 0);
    }

    const std::int64_t startSize = OutStream->Size();
    const std::int64_t startPos = OutStream->Position();
    bool decoded = false;
    const bool tooBig = !Decode(archive, compressed, WorkHeader.Method, encrypted ? &Keys : nullptr,
                                startSize, startPos, decoded);

    const std::uint32_t crc = work_->FinalCrc();
    if (tooBig)
        lastFault_ = mfTooLong;
    else if (crc != WorkHeader.CRC && lastFault_ == mfNone)
        lastFault_ = mfCrc;
    if (!tooBig && crc == WorkHeader.CRC) {
        lastFault_ = mfNone;
        if (OnEndUnZip) OnEndUnZip(*this, index, fName);
        ++extracted_;
        lastCipher_ = WorkHeader.Cipher();
        return false;
    }
    CutBack(startSize, startPos);
    if (encrypted) {
        if (OnBadPassword) {
            TPassword candidate = ZipPassword;
            OnBadPassword(*this, index, candidate);
            if (!(candidate.View() == ZipPassword.View())) {
                ZipPassword = std::move(candidate);
                return true;
            }
        }
        bool retry = false;
        lastFault_ = mfBadPassword; // a wrong password, or data that no password opens
        if (OnSkippingFile) OnSkippingFile(*this, srBadPassword, path, index, retry);
    } else if (OnBadCRC) {
        OnBadCRC(*this, crc, WorkHeader.CRC, index);
    }
    return false;
}

bool TZipReader::AskNewPassword(int index, const std::string& path, std::int64_t compressed) {
    TPassword candidate = ZipPassword;
    bool giveUp = !OnBadPassword;
    if (!giveUp) {
        OnBadPassword(*this, index, candidate);
        giveUp = candidate.View() == ZipPassword.View();
    }
    if (giveUp) {
        lastFault_ = mfBadPassword;
        bool retry = false;
        if (OnSkippingFile) OnSkippingFile(*this, srBadPassword, path, index, retry);
        work_->TotalToDo -= compressed;
        return false;
    }
    ZipPassword = std::move(candidate);
    return true;
}

bool TZipReader::Decode(TStream& input, std::int64_t compressed, std::uint16_t method,
                        TZipKeys* keys, std::int64_t startSize, std::int64_t startPos,
                        bool& decoded) {
    TUnZipWork& g = *work_;
    g.StartMember(input, *OutStream, compressed, Unsigned(WorkHeader.UncompressedSize), keys);
    g.DoProcessMessages = DoProcessMessages;
    g.CancelFlag = &Cancel;
    g.OnFilePercentDone = OnFilePercentDone ? [this](int p) { OnFilePercentDone(*this, p); }
                                            : std::function<void(int)>();
    g.OnTotalPercentDone = OnTotalPercentDone ? [this](int p) { OnTotalPercentDone(*this, p); }
                                              : std::function<void(int)>();
    try {
        decoded = DecodeMember(g, method, WorkHeader.Flags);
        if (!decoded) {
            lastFault_ = mfUnknownMethod;
            if (ShowUnknownMethod) ShowEngineMessage("Unknown Compression Method", "Zip Error");
        }
    } catch (const EBiggerThanUncompressed&) {
        return false;
    } catch (...) {
        CutBack(startSize, startPos);
        throw;
    }
    return true;
}

int TZipReader::IndexOf(const std::string& name) {
    if (!View) return -1;
    if (!nameIndexBuilt_) BuildNameIndex();
    const auto it = nameIndex_.find(AsciiLower(name));
    return it == nameIndex_.end() ? -1 : it->second.front();
}

std::string TZipReader::GetArchiveComment() {
    OpenArchive();
    std::string comment;
    // A comment already in memory is the one of this archive: the directory
    // and its end record are read again whenever the file changes.
    if (EndCentral.CommentLength != 0 &&
        (EndCentral.Comment() || EndCentral.LoadComment(*ArchiveStream)) && EndCentral.Comment())
        comment = *EndCentral.Comment();
    CloseArchive();
    return comment;
}

std::string TZipReader::GetFileComment(int index) {
    if (index < 0 || index >= Count())
        throw EListError("Index " + std::to_string(index) + " is out of range");
    if (View->Items(index)->CommentLength == 0) return std::string();
    TZipHeaderInfo* h = View->Items(index);
    if (!h->FileComment()) {
        OpenArchive();
        Member(index); // the directory may have been read anew: check again
        h = View->Items(index);
        h->LoadComment(*ArchiveStream);
        CloseArchive();
    }
    return h->FileComment() ? *h->FileComment() : std::string();
}
