#include "zip/zip_header.h"

#include "platform/codepage.h"
#include "zip/dos_time.h"
#include "zip/exceptions.h"
#include "zip/zip_utils.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

std::uint16_t Get16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t Get32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void Put16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void Put32(std::uint8_t* p, std::uint32_t v) {
    Put16(p, v);
    Put16(p + 2, v >> 16);
}

// Reads exactly count bytes, or restores the position and says no.
bool ReadAll(TStream& s, void* buf, std::int64_t count, std::int64_t restoreTo) {
    if (count == 0 || s.Read(buf, count) == count) return true;
    s.Seek(restoreTo, soBeginning);
    return false;
}

// Steps over count bytes by reading them, so that a field running past the
// end of the stream is noticed (a seek past the end would succeed).
bool SkipAll(TStream& s, std::int64_t count, std::int64_t restoreTo) {
    std::uint8_t scratch[4096];
    while (count > 0) {
        std::int64_t n = std::min<std::int64_t>(count, sizeof scratch);
        if (!ReadAll(s, scratch, n, restoreTo)) return false;
        count -= n;
    }
    return true;
}

// A name byte as stored (ANSI -> OEM, "\\" -> "/") and as read back (OEM ->
// ANSI, "/" -> "\\"), one table each, so that names convert without a
// string per step.
struct TNameTables {
    std::uint8_t stored[256];
    std::uint8_t read[256];
    // Whether a stored byte reads as a byte that ends the folder part.
    bool readSplits[256];
    // Whether a stored byte reads as itself.
    bool readSame[256];
    TNameTables() {
        for (int b = 0; b < 256; ++b) {
            const std::string one(1, static_cast<char>(b));
            const auto s = static_cast<std::uint8_t>(AnsiToOem(one)[0]);
            stored[b] = s == '\\' ? '/' : s;
            const auto r = static_cast<std::uint8_t>(OemToAnsi(one)[0]);
            read[b] = r == '/' ? '\\' : r;
            readSplits[b] = read[b] == '\\' || read[b] == ':';
            readSame[b] = read[b] == b;
        }
    }
};

const TNameTables& NameTables() {
    static const TNameTables tables;
    return tables;
}

std::string CapComment(std::string text) {
    if (text.size() > MaxCommentLength) text.resize(MaxCommentLength);
    return text;
}

} // namespace

void TZipHeaderInfo::Clear() {
    VersionMadeBy = 20;
    VersionNeeded = 20;
    Flags = 0;
    Method = 8;
    DateTime = 0;
    CRC = 0xFFFFFFFF;
    CompressedSize = 0;
    UncompressedSize = 0;
    NameLength = 0;
    CentralExtraLength = 0;
    LocalExtraLength = 0;
    CommentLength = 0;
    DiskStart = 0;
    InternalAttributes = 1;
    ExternalAttributes = 0x20;
    LocalOffset = 0;
    CentralOffset = 0;
    Matched = false;
    Aes.reset();
    fileName_.clear();
    directory_.clear();
    comment_.reset();
}

TZipCipher TZipHeaderInfo::Cipher() const {
    if (IsAes()) {
        if (Aes && Aes->Strength == 1) return zcAes128;
        if (Aes && Aes->Strength == 2) return zcAes192;
        return zcAes256;
    }
    return IsEncrypted() ? zcTraditional : zcNone;
}

void TZipHeaderInfo::SetFileName(const std::string& name) {
    fileName_ = name;
    NameLength = static_cast<std::uint16_t>(directory_.size() + fileName_.size());
}

void TZipHeaderInfo::SetDirectory(const std::string& folder) {
    directory_ = folder;
    if (!directory_.empty() && directory_.back() != '\\') directory_ += '\\';
    NameLength = static_cast<std::uint16_t>(directory_.size() + fileName_.size());
}

void TZipHeaderInfo::SetName(const std::string& name) {
    std::size_t cut = name.find_last_of("\\:");
    std::size_t split = cut == std::string::npos ? 0 : cut + 1;
    // Assigned directly: a folder part ending in ":" keeps its exact bytes,
    // so the name written back is the name read.
    directory_ = name.substr(0, split);
    fileName_ = name.substr(split);
    NameLength = static_cast<std::uint16_t>(name.size());
}

void TZipHeaderInfo::SetStoredName(const char* stored, std::size_t length) {
    const TNameTables& tables = NameTables();
    const auto* in = reinterpret_cast<const std::uint8_t*>(stored);
    std::size_t split = length; // after the last "\\" or ":" of the name read
    while (split > 0 && !tables.readSplits[in[split - 1]])
        --split;
    // Most bytes read as themselves ("/" is the one ASCII exception): the
    // parts are copied whole and only the others converted.
    directory_.assign(stored, split);
    fileName_.assign(stored + split, length - split);
    for (std::string* part : {&directory_, &fileName_})
        for (char& c : *part)
            if (!tables.readSame[static_cast<std::uint8_t>(c)])
                c = static_cast<char>(tables.read[static_cast<std::uint8_t>(c)]);
    NameLength = static_cast<std::uint16_t>(length);
}

std::size_t TZipHeaderInfo::StoreName(std::uint8_t* out) const {
    const std::uint8_t* table = NameTables().stored;
    std::size_t n = 0;
    for (char c : directory_)
        out[n++] = table[static_cast<std::uint8_t>(c)];
    for (char c : fileName_)
        out[n++] = table[static_cast<std::uint8_t>(c)];
    return n;
}

std::string TZipHeaderInfo::StoredName() const {
    std::string name(directory_.size() + fileName_.size(), '\0');
    StoreName(reinterpret_cast<std::uint8_t*>(name.data()));
    return name;
}

void TZipHeaderInfo::SetComment(std::optional<std::string> comment) {
    if (comment) {
        comment_ = CapComment(std::move(*comment));
        CommentLength = static_cast<std::uint16_t>(comment_->size());
    } else {
        comment_.reset();
        CommentLength = 0;
    }
}

bool TZipHeaderInfo::LoadComment(TStream& stream) {
    if (CommentLength == 0) {
        comment_ = std::string();
        return true;
    }
    std::int64_t pos = stream.Position();
    std::string text(CommentLength, '\0');
    stream.Seek(static_cast<std::int64_t>(CentralOffset) + 46 + NameLength + CentralExtraLength,
                soBeginning);
    if (!ReadAll(stream, text.data(), CommentLength, pos)) return false;
    comment_ = std::move(text);
    stream.Seek(pos, soBeginning);
    return true;
}

bool TZipHeaderInfo::ReadCentral(TStream& stream) {
    std::int64_t start = stream.Position();
    std::uint8_t h[CentralHeaderSize];
    if (!ReadAll(stream, h, CentralHeaderSize, start)) return false;
    if (Get32(h) != CentralHeaderSignature) {
        stream.Seek(start, soBeginning);
        return false;
    }
    std::uint16_t nameLength = Get16(h + 28);
    std::string stored(nameLength, '\0');
    std::string extra(Get16(h + 30), '\0');
    if (!ReadAll(stream, stored.data(), nameLength, start) ||
        !ReadAll(stream, extra.data(), extra.size(), start) ||
        !SkipAll(stream, Get16(h + 32), start))
        return false;
    VersionMadeBy = Get16(h + 4);
    VersionNeeded = Get16(h + 6);
    Flags = Get16(h + 8);
    Method = Get16(h + 10);
    DateTime = ClampDosDateTime(Get32(h + 12));
    CRC = Get32(h + 16);
    CompressedSize = static_cast<std::int32_t>(Get32(h + 20));
    UncompressedSize = static_cast<std::int32_t>(Get32(h + 24));
    CentralExtraLength = Get16(h + 30);
    LocalExtraLength = 0; // known only from the local header
    CommentLength = Get16(h + 32);
    DiskStart = Get16(h + 34);
    InternalAttributes = Get16(h + 36);
    ExternalAttributes = Get32(h + 38);
    LocalOffset = Get32(h + 42);
    CentralOffset = static_cast<std::uint32_t>(start);
    SetStoredName(stored.data(), stored.size());
    Aes = IsAes() ? FindAesExtra(reinterpret_cast<const std::uint8_t*>(extra.data()), extra.size())
                  : std::nullopt;
    comment_.reset();
    Matched = false;
    return true;
}

std::size_t TZipHeaderInfo::ParseCentral(const std::uint8_t* h, std::size_t available,
                                         std::uint32_t offset) {
    if (available < CentralHeaderSize || Get32(h) != CentralHeaderSignature) return 0;
    const std::size_t nameLength = Get16(h + 28);
    const std::size_t size = CentralHeaderSize + nameLength + Get16(h + 30) + Get16(h + 32);
    if (size > available) return 0;
    VersionMadeBy = Get16(h + 4);
    VersionNeeded = Get16(h + 6);
    Flags = Get16(h + 8);
    Method = Get16(h + 10);
    DateTime = ClampDosDateTime(Get32(h + 12));
    CRC = Get32(h + 16);
    CompressedSize = static_cast<std::int32_t>(Get32(h + 20));
    UncompressedSize = static_cast<std::int32_t>(Get32(h + 24));
    CentralExtraLength = Get16(h + 30);
    LocalExtraLength = 0;
    CommentLength = Get16(h + 32);
    DiskStart = Get16(h + 34);
    InternalAttributes = Get16(h + 36);
    ExternalAttributes = Get32(h + 38);
    LocalOffset = Get32(h + 42);
    CentralOffset = offset;
    SetStoredName(reinterpret_cast<const char*>(h + CentralHeaderSize), nameLength);
    Aes = IsAes() ? FindAesExtra(h + CentralHeaderSize + nameLength, CentralExtraLength)
                  : std::nullopt;
    comment_.reset();
    Matched = false;
    return size;
}

void TZipHeaderInfo::LocalFixedPart(std::uint8_t* h, std::size_t nameSize) const {
    Put32(h, LocalHeaderSignature);
    Put16(h + 4, VersionNeeded);
    Put16(h + 6, Flags);
    Put16(h + 8, Method);
    Put32(h + 10, DateTime);
    Put32(h + 14, CRC);
    Put32(h + 18, static_cast<std::uint32_t>(CompressedSize));
    Put32(h + 22, static_cast<std::uint32_t>(UncompressedSize));
    Put16(h + 26, static_cast<std::uint32_t>(nameSize));
    Put16(h + 28, LocalExtraLength);
}

bool TZipHeaderInfo::LocalHeaderIs(const std::uint8_t* bytes, std::size_t available) const {
    const std::size_t nameSize = directory_.size() + fileName_.size();
    if (nameSize > 0xFFFF || available < LocalHeaderSize + nameSize) return false;
    std::uint8_t h[LocalHeaderSize];
    LocalFixedPart(h, nameSize);
    h[28] = bytes[28];
    h[29] = bytes[29];
    if (std::memcmp(h, bytes, LocalHeaderSize) != 0) return false;
    const std::uint8_t* table = NameTables().stored;
    const std::uint8_t* p = bytes + LocalHeaderSize;
    for (char c : directory_)
        if (*p++ != table[static_cast<std::uint8_t>(c)]) return false;
    for (char c : fileName_)
        if (*p++ != table[static_cast<std::uint8_t>(c)]) return false;
    return true;
}

bool TZipHeaderInfo::ReadLocal(TStream& stream) {
    std::int64_t start = stream.Position();
    std::uint8_t h[LocalHeaderSize];
    if (!ReadAll(stream, h, LocalHeaderSize, start)) return false;
    if (Get32(h) != LocalHeaderSignature) {
        stream.Seek(start, soBeginning);
        return false;
    }
    std::uint16_t nameLength = Get16(h + 26);
    std::string stored(nameLength, '\0');
    if (!ReadAll(stream, stored.data(), nameLength, start)) return false;
    VersionMadeBy = 0;
    VersionNeeded = Get16(h + 4);
    Flags = Get16(h + 6);
    Method = Get16(h + 8);
    DateTime = ClampDosDateTime(Get32(h + 10));
    CRC = Get32(h + 14);
    CompressedSize = static_cast<std::int32_t>(Get32(h + 18));
    UncompressedSize = static_cast<std::int32_t>(Get32(h + 22));
    LocalExtraLength = Get16(h + 28);
    CentralExtraLength = 0;
    CommentLength = 0;
    DiskStart = 0;
    InternalAttributes = 0;
    ExternalAttributes = 0;
    LocalOffset = static_cast<std::uint32_t>(start);
    CentralOffset = 0;
    Aes.reset(); // in the local extra field, which is not read here
    SetStoredName(stored.data(), stored.size());
    comment_.reset();
    Matched = false;
    return true;
}

void TZipHeaderInfo::WriteLocal(TStream& stream) {
    const std::size_t nameSize = directory_.size() + fileName_.size();
    if (nameSize > 0xFFFF) throw EStreamError("Stream write error");
    std::int64_t pos = stream.Position();
    // Offsets are 32-bit on disk; a wrapped one would point at the wrong member.
    if (pos < 0 || pos > 0xFFFFFFFFLL) throw EStreamError("Archive larger than 4 GiB");
    LocalOffset = static_cast<std::uint32_t>(pos);
    NameLength = static_cast<std::uint16_t>(nameSize);
    std::uint8_t small[LocalHeaderSize + 256];
    std::vector<std::uint8_t> large;
    std::uint8_t* h = small;
    if (nameSize > 256) {
        large.resize(LocalHeaderSize + nameSize);
        h = large.data();
    }
    LocalFixedPart(h, nameSize);
    StoreName(h + LocalHeaderSize);
    stream.WriteBuffer(h, static_cast<std::int64_t>(LocalHeaderSize + nameSize));
}

void TZipHeaderInfo::WriteCentral(TStream& stream) const {
    const std::size_t nameSize = directory_.size() + fileName_.size();
    if (nameSize > 0xFFFF) throw EStreamError("Stream write error");
    std::size_t commentLength = comment_ && CommentLength != 0 ? comment_->size() : 0;
    const std::size_t extraLength = Aes ? kAesExtraSize : 0;
    const std::size_t size = CentralHeaderSize + nameSize + extraLength + commentLength;
    std::uint8_t small[CentralHeaderSize + 256];
    std::vector<std::uint8_t> large;
    std::uint8_t* h = small;
    if (size > sizeof small) {
        large.resize(size);
        h = large.data();
    }
    Put32(h, CentralHeaderSignature);
    Put16(h + 4, VersionMadeBy);
    Put16(h + 6, VersionNeeded);
    Put16(h + 8, Flags);
    Put16(h + 10, Method);
    Put32(h + 12, DateTime);
    Put32(h + 16, CRC);
    Put32(h + 20, static_cast<std::uint32_t>(CompressedSize));
    Put32(h + 24, static_cast<std::uint32_t>(UncompressedSize));
    Put16(h + 28, static_cast<std::uint32_t>(nameSize));
    Put16(h + 30, static_cast<std::uint32_t>(extraLength));
    Put16(h + 32, static_cast<std::uint32_t>(commentLength));
    Put16(h + 34, DiskStart);
    Put16(h + 36, InternalAttributes);
    Put32(h + 38, ExternalAttributes);
    Put32(h + 42, LocalOffset);
    StoreName(h + CentralHeaderSize);
    if (Aes) PutAesExtra(*Aes, h + CentralHeaderSize + nameSize);
    if (commentLength)
        std::memcpy(h + CentralHeaderSize + nameSize + extraLength, comment_->data(),
                    commentLength);
    stream.WriteBuffer(h, static_cast<std::int64_t>(size));
}

void TEndCentral::Clear() {
    Signature = EndCentralSignature;
    ThisDisk = CentralStartDisk = EntriesThisDisk = TotalEntries = 0;
    CentralSize = CentralStart = 0;
    CommentLength = 0;
    CommentPosition = 0;
    CommentChanged = false;
    comment_.reset();
}

void TEndCentral::Assign(const TEndCentral& source) {
    Signature = source.Signature;
    ThisDisk = source.ThisDisk;
    CentralStartDisk = source.CentralStartDisk;
    EntriesThisDisk = source.EntriesThisDisk;
    TotalEntries = source.TotalEntries;
    CentralSize = source.CentralSize;
    CentralStart = source.CentralStart;
    CommentLength = source.CommentLength;
    comment_ = source.comment_;
    CommentPosition = source.CommentPosition;
}

void TEndCentral::SetComment(const std::string& comment) {
    comment_ = CapComment(comment);
    CommentLength = static_cast<std::uint16_t>(comment_->size());
}

void TEndCentral::ClearComment() {
    comment_.reset();
    CommentLength = 0;
}

bool TEndCentral::LoadComment(TStream& stream) {
    std::int64_t pos = stream.Position();
    std::string text(CommentLength, '\0');
    if (CommentLength != 0) {
        stream.Seek(CommentPosition, soBeginning);
        if (!ReadAll(stream, text.data(), CommentLength, pos)) return false;
        stream.Seek(pos, soBeginning);
    }
    comment_ = std::move(text);
    return true;
}

void TEndCentral::Write(TStream& stream) const {
    std::size_t commentLength = comment_ && CommentLength != 0 ? comment_->size() : 0;
    std::vector<std::uint8_t> out(EndCentralSize + commentLength);
    std::uint8_t* h = out.data();
    Put32(h, Signature);
    Put16(h + 4, ThisDisk);
    Put16(h + 6, CentralStartDisk);
    Put16(h + 8, EntriesThisDisk);
    Put16(h + 10, TotalEntries);
    Put32(h + 12, CentralSize);
    Put32(h + 16, CentralStart);
    Put16(h + 20, static_cast<std::uint32_t>(commentLength));
    if (commentLength) std::copy(comment_->begin(), comment_->end(), out.begin() + EndCentralSize);
    stream.WriteBuffer(out.data(), static_cast<std::int64_t>(out.size()));
}

bool TEndCentral::Locate(TStream& stream) {
    std::int64_t size = stream.Size();
    if (size < EndCentralSize) {
        if (size != 0) return false;
        Clear(); // an empty file is an empty archive
        return true;
    }
    std::int64_t window = std::min<std::int64_t>(size, EndCentralSize + MaxCommentLength);
    std::vector<std::uint8_t> buf(static_cast<std::size_t>(window));
    std::int64_t pos = stream.Position();
    stream.Seek(size - window, soBeginning);
    if (stream.Read(buf.data(), window) != window) {
        stream.Seek(pos, soBeginning);
        return false;
    }
    // Backwards, so that the last signature in the file wins.
    for (std::int64_t i = window - EndCentralSize; i >= 0; --i) {
        const std::uint8_t* r = buf.data() + i;
        if (r[0] != 0x50 || Get32(r) != EndCentralSignature) continue;
        Clear();
        ThisDisk = Get16(r + 4);
        CentralStartDisk = Get16(r + 6);
        EntriesThisDisk = Get16(r + 8);
        TotalEntries = Get16(r + 10);
        CentralSize = Get32(r + 12);
        CentralStart = Get32(r + 16);
        std::int64_t recordAt = size - window + i;
        std::int64_t room = size - recordAt - EndCentralSize;
        CommentLength = static_cast<std::uint16_t>(std::min<std::int64_t>(Get16(r + 20), room));
        CommentPosition = static_cast<std::uint32_t>(recordAt + EndCentralSize);
        return true;
    }
    stream.Seek(pos, soBeginning);
    return false;
}
