// TZipReader: extracting an AES member (aes_extra.h, aes_crypt.h).
//
// The order matters:
//   1. The AES record (the local header's, else the central one's) gives the
//      key length and the real method. Without one of a known strength the
//      member is treated as one of an unknown method, as before AES.
//   2. The password: the keys are derived from ZipPassword (in the forms
//      AesPasswordForms gives, UTF-8 first) and the salt, and the verifier
//      compared. A wrong one goes through OnBadPassword exactly as with the
//      traditional cipher, before anything is decoded. An empty password is
//      wrong without a derivation.
//   3. The authentication code is computed over the whole encrypted data and
//      compared with the stored one. A mismatch raises EAlteredMember: not a
//      byte has been decrypted or handed to a decoder, so a member that was
//      damaged or tampered with never reaches the caller as data.
//   4. Only then is the data decrypted on its way into the decoder. An AE-1
//      member's CRC is checked as usual; an AE-2 member stores none, so its
//      output is held to its uncompressed size instead. Either failing now
//      means the writer wrote something inconsistent, reported the same way.
#include "zip/aes_crypt.h"
#include "zip/aes_key_cache.h"
#include "zip/exceptions.h"
#include "zip/file_window.h"
#include "zip/zip_reader.h"

#include <cstring>

namespace {

const char* const kAltered = "The encrypted member is damaged or altered";

std::uint16_t Get16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t Get32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(Get16(p)) | static_cast<std::uint32_t>(Get16(p + 2)) << 16;
}

// The member's encrypted data, decrypted as the decoder reads it.
class TAesInput : public TStream {
public:
    TAesInput(TStream& archive, TAesMemberCipher& cipher) : archive_(archive), cipher_(cipher) {}
    std::int64_t Read(void* buffer, std::int64_t count) override {
        const std::int64_t n = archive_.Read(buffer, count);
        if (n > 0) cipher_.Decrypt(static_cast<std::uint8_t*>(buffer), static_cast<std::size_t>(n));
        return n;
    }
    std::int64_t Write(const void*, std::int64_t) override { return 0; }
    // Only where it stands can be asked: the key stream cannot jump.
    std::int64_t Seek(std::int64_t offset, int origin) override {
        return offset == 0 && origin == soCurrent ? archive_.Position() : -1;
    }

private:
    TStream& archive_;
    TAesMemberCipher& cipher_;
};

} // namespace

std::optional<TAesExtra> TZipReader::AesRecord() {
    std::optional<TAesExtra> record;
    if (const std::uint16_t extraLength = Get16(LocalHeader + 28); extraLength != 0) {
        const std::int64_t extraAt = static_cast<std::int64_t>(WorkHeader.LocalOffset) +
                                     LocalHeaderSize + Get16(LocalHeader + 26);
        record = FindAesExtra(window_->Bytes(extraAt, extraLength), extraLength);
    }
    if (!record) record = WorkHeader.Aes;
    if (record && record->KeyBytes() == 0) record.reset();
    return record;
}

bool TZipReader::ExtractAesMember(int index, const TAesExtra& record, std::int64_t dataStart,
                                  const std::string& path, const std::string& fName) {
    TFileWindow& archive = *window_;
    const std::int64_t compressed = static_cast<std::uint32_t>(WorkHeader.CompressedSize);
    const std::size_t keyBytes = record.KeyBytes();
    const std::size_t saltBytes = keyBytes / 2;
    const std::int64_t encrypted =
        compressed - static_cast<std::int64_t>(saltBytes + kAesVerifierSize + kAesCodeSize);
    if (encrypted < 0) throw EAlteredMember(kAltered);

    // 2. The password.
    std::uint8_t prefix[16 + kAesVerifierSize];
    std::memcpy(prefix, archive.Bytes(dataStart, saltBytes + kAesVerifierSize),
                saltBytes + kAesVerifierSize);
    TAesKeys keys;
    auto passes = [&] {
        // No program keys an AES member with an empty password (this writer
        // encrypts only with one set), so none is derived for it: the diary
        // opens every entry with the password cleared first, and this spares
        // that first try its key derivation.
        if (ZipPassword.empty()) return false;
        for (const TPassword& form : AesPasswordForms(ZipPassword)) {
            keys = TAesKeyCache::Instance().Keys(form, prefix, keyBytes);
            if (std::memcmp(keys.Verifier, prefix + saltBytes, kAesVerifierSize) == 0) return true;
        }
        return false;
    };
    while (!passes())
        if (!AskNewPassword(index, path, compressed)) return false;

    // 3. The authentication code over the whole encrypted data.
    TAesMemberCipher cipher(keys);
    const std::int64_t dataAt = dataStart + static_cast<std::int64_t>(saltBytes + kAesVerifierSize);
    std::uint8_t stored[kAesCodeSize], code[kAesCodeSize];
    work_->DoProcessMessages = DoProcessMessages;
    work_->CancelFlag = &Cancel;
    try {
        for (std::int64_t at = dataAt, left = encrypted; left > 0;) {
            work_->CheckCancel();
            std::int64_t n = 0;
            const std::uint8_t* bytes = archive.Span(at, left, n);
            cipher.Authenticate(bytes, static_cast<std::size_t>(n));
            at += n;
            left -= n;
        }
        std::memcpy(stored, archive.Bytes(dataAt + encrypted, kAesCodeSize), kAesCodeSize);
    } catch (const EStreamError&) {
        throw EAlteredMember(kAltered); // the file ends inside the member
    }
    cipher.FinishCode(code);
    std::uint8_t differ = 0;
    for (std::size_t i = 0; i < kAesCodeSize; ++i)
        differ |= static_cast<std::uint8_t>(code[i] ^ stored[i]);
    if (differ != 0) throw EAlteredMember(kAltered);

    // 4. Decrypted into the decoder.
    archive.Seek(dataAt, soBeginning);
    archive.ReadAheadTo(dataAt + encrypted);
    TAesInput input(archive, cipher);
    const std::int64_t startSize = OutStream->Size();
    const std::int64_t startPos = OutStream->Position();
    bool decoded = false;
    const bool fits =
        Decode(input, encrypted, record.Method, nullptr, startSize, startPos, decoded);
    if (!decoded) {
        // No decoder for the real method: the message box has said so; the
        // member fails as any member of an unknown method does.
        CutBack(startSize, startPos);
        if (OnBadCRC) OnBadCRC(*this, work_->FinalCrc(), WorkHeader.CRC, index);
        return false; // Decode has set the fault
    }
    const bool whole = fits &&
                       OutStream->Position() - startPos ==
                           static_cast<std::uint32_t>(WorkHeader.UncompressedSize) &&
                       (!record.ChecksCrc() || work_->FinalCrc() == WorkHeader.CRC);
    if (!whole) {
        CutBack(startSize, startPos);
        throw EAlteredMember(kAltered);
    }
    if (OnEndUnZip) OnEndUnZip(*this, index, fName);
    ++extracted_;
    lastCipher_ = keyBytes == 16 ? zcAes128 : keyBytes == 24 ? zcAes192 : zcAes256;
    return false;
}

std::vector<TAesSalt> TZipReader::AesSalts(const std::vector<int>& indexes) {
    std::vector<TAesSalt> salts;
    OpenArchive();
    if (!window_) window_ = std::make_unique<TFileWindow>(*ArchiveStream);
    TFileWindow& archive = *window_;
    for (const int index : indexes) {
        if (index < 0 || index >= Count() || !Member(index).IsAes()) continue;
        WorkHeader.Assign(Member(index));
        try {
            const std::int64_t at = WorkHeader.LocalOffset;
            std::memcpy(LocalHeader, archive.Bytes(at, sizeof LocalHeader), sizeof LocalHeader);
            if (Get32(LocalHeader) != LocalHeaderSignature) continue; // reading says what is wrong
            const std::optional<TAesExtra> record = AesRecord();
            if (!record) continue;
            const std::int64_t dataStart =
                at + 30 + Get16(LocalHeader + 26) + Get16(LocalHeader + 28);
            TAesSalt salt;
            salt.KeyBytes = static_cast<std::uint8_t>(record->KeyBytes());
            std::memcpy(salt.Bytes, archive.Bytes(dataStart, record->SaltBytes()),
                        record->SaltBytes());
            salts.push_back(salt);
        } catch (const EStreamError&) {
            // The member runs past the file's end: reading it says so.
        }
    }
    CloseArchive();
    return salts;
}
