// The archive's records in memory: one member's header (TZipHeaderInfo) and
// the end-of-central-directory record (TEndCentral), with their exact byte
// layouts on disk. All integers are little-endian and packed byte by byte.
//
// Names travel in two forms: in memory folders are separated by "\" and the
// text is ANSI (windows-1252); on disk the separator is "/" and the text is
// OEM (CP437). Comments are raw bytes and are not converted.
//
// Reading never throws for bad content: a short read or a wrong signature
// returns false with the stream put back where it was.
#pragma once

#include "zip/aes_extra.h"
#include "zip/stream.h"

#include <cstdint>
#include <optional>
#include <string>

constexpr std::uint32_t LocalHeaderSignature = 0x04034B50;
constexpr std::uint32_t CentralHeaderSignature = 0x02014B50;
constexpr std::uint32_t EndCentralSignature = 0x06054B50;
constexpr int LocalHeaderSize = 30;
constexpr int CentralHeaderSize = 46;
constexpr int EndCentralSize = 22;
constexpr int MaxCommentLength = 65535;

// How a member is encrypted: not at all, with the traditional zip cipher
// (flags bit 0), or in the AES member format (method 99, aes_extra.h) with a
// key of 128, 192 or 256 bits.
enum TZipCipher { zcNone, zcTraditional, zcAes128, zcAes192, zcAes256 };

class TZipHeaderInfo {
public:
    TZipHeaderInfo() { Clear(); }

    std::uint16_t VersionMadeBy;
    std::uint16_t VersionNeeded;
    std::uint16_t Flags;
    std::uint16_t Method;
    std::uint32_t DateTime; // DOS time (low half) and date (high half)
    std::uint32_t CRC;
    std::int32_t CompressedSize; // includes the 12-byte encryption header
    std::int32_t UncompressedSize;
    std::uint16_t NameLength;         // Directory().size() + FileName().size()
    std::uint16_t CentralExtraLength; // as read; never written back
    std::uint16_t LocalExtraLength;
    std::uint16_t CommentLength;
    std::uint16_t DiskStart;
    std::uint16_t InternalAttributes;
    std::uint32_t ExternalAttributes;
    std::uint32_t LocalOffset;
    std::uint32_t CentralOffset; // where the central header was read
    bool Matched;                // chosen by the current extraction
    // The AES record of an AES member (method 99), as the central header
    // holds it; WriteCentral writes it back as the central extra field.
    std::optional<TAesExtra> Aes;

    void Clear();
    void Assign(const TZipHeaderInfo& source) { *this = source; }
    void AssignTo(TZipHeaderInfo& target) const { target = *this; }

    const std::string& FileName() const { return fileName_; }
    // Folder part, ending in "\" when not empty.
    const std::string& Directory() const { return directory_; }
    // Directory() + FileName(): the member's name in memory.
    std::string Name() const { return directory_ + fileName_; }
    void SetFileName(const std::string& name);
    // Appends "\" to a non-empty folder that lacks one.
    void SetDirectory(const std::string& folder);
    // Splits a full in-memory name at its last "\" or ":".
    void SetName(const std::string& name);

    // The member comment once loaded; CommentLength may be set without it.
    const std::optional<std::string>& FileComment() const { return comment_; }
    // Stores a copy (at most 65,535 bytes) and sets CommentLength; nullopt clears.
    void SetComment(std::optional<std::string> comment);
    bool HasComment() const { return CommentLength != 0; }
    // Reads the comment from the central header at CentralOffset; the stream
    // position is kept.
    bool LoadComment(TStream& stream);

    bool IsEncrypted() const { return (Flags & 1) != 0; }
    bool IsAes() const { return Method == kAesMethod; }
    // The member's cipher: AES by its method (the strength from the central
    // record; 256 bits when that is missing or unknown, which extraction
    // then refuses), traditional by flags bit 0.
    TZipCipher Cipher() const;
    bool HasDataDescriptor() const { return (Flags & 8) != 0; }
    // A member without a file name stands for a folder.
    bool IsFolder() const { return fileName_.empty(); }

    std::uint32_t LocalSize() const { return 30u + NameLength + LocalExtraLength; }
    std::uint32_t CentralSize() const {
        return 46u + NameLength + CentralExtraLength + CommentLength;
    }

    // The central header at the stream's position; the stream is left at the
    // next header. False (stream restored) on a short read, a wrong signature,
    // or extra field and comment running past the end.
    bool ReadCentral(TStream& stream);
    // The local header at the stream's position; the stream is left after the name.
    bool ReadLocal(TStream& stream);
    // Sets LocalOffset to the position and writes the 30 bytes and the name
    // (no extra field bytes). EStreamError when the stream takes less, or
    // when the position lies beyond what a 32-bit offset can hold.
    void WriteLocal(TStream& stream);
    // The 46 bytes, the name, the extra field, then the comment. The extra
    // field is the AES record for an AES member and empty for any other.
    // The comment length written is that of the loaded comment (0 when none
    // is loaded), so the header always describes the bytes that follow it.
    void WriteCentral(TStream& stream) const;

    // The name as stored: OEM, "/" separators.
    std::string StoredName() const;

    // The central header at h (available bytes there), read from file offset
    // `offset`: as ReadCentral, from memory. Returns the header's size with
    // its name, extra field and comment, or 0 (header unchanged) when it is
    // not a whole central header.
    std::size_t ParseCentral(const std::uint8_t* h, std::size_t available, std::uint32_t offset);
    // Whether the bytes are exactly the local header and name WriteLocal
    // would write now, given the extra field length they state (the extra
    // field goes with the member's data).
    bool LocalHeaderIs(const std::uint8_t* bytes, std::size_t available) const;

private:
    void SetStoredName(const char* stored, std::size_t length);
    // The stored name into out; returns its length.
    std::size_t StoreName(std::uint8_t* out) const;
    // The 30 bytes of the local header for a name of nameSize bytes.
    void LocalFixedPart(std::uint8_t* h, std::size_t nameSize) const;

    std::string fileName_;
    std::string directory_;
    std::optional<std::string> comment_;
};

class TEndCentral {
public:
    TEndCentral() { Clear(); }

    std::uint32_t Signature;
    std::uint16_t ThisDisk;
    std::uint16_t CentralStartDisk;
    std::uint16_t EntriesThisDisk;
    std::uint16_t TotalEntries;
    std::uint32_t CentralSize;
    std::uint32_t CentralStart;
    std::uint16_t CommentLength;
    std::uint32_t CommentPosition; // file offset of the comment, set by Locate
    bool CommentChanged;

    void Clear();
    // The record's fields, a copy of the comment and CommentPosition.
    void Assign(const TEndCentral& source);
    void AssignTo(TEndCentral& target) const { target.Assign(*this); }

    const std::optional<std::string>& Comment() const { return comment_; }
    // Stores a copy (at most 65,535 bytes) and sets CommentLength.
    void SetComment(const std::string& comment);
    void ClearComment();
    bool HasComment() const { return CommentLength != 0; }
    // Reads CommentLength bytes at CommentPosition; the stream position is kept.
    bool LoadComment(TStream& stream);

    std::uint32_t RecordSize() const { return 22u + CommentLength; }
    // The 22 bytes, then the loaded comment (length 0 when none is loaded).
    void Write(TStream& stream) const;
    // Finds the last end record in the final 65,557 bytes. A stream of 0
    // bytes is an empty archive (found); 1 to 21 bytes: not found. A comment
    // length running past the end is cut to the bytes present.
    bool Locate(TStream& stream);

private:
    std::optional<std::string> comment_;
};
