// TZipWriter: writing one new member, and the read and write passes all
// member data goes through.
//
// The member's name is put through the ANSI -> OEM -> ANSI round trip first,
// so that it is stored as a later read of the archive will give it. Its
// folder part is kept only with StorePaths, reduced by RelativePaths (the
// RootDir prefix goes) or, without StoreVolumes, by dropping a drive or
// network prefix and one leading "\".
#include <algorithm>
#include <cstring>

#include "platform/exception.h"
#include "zip/aes_crypt.h"
#include "zip/aes_key_cache.h"
#include "zip/codec/crc32.h"
#include "zip/codec/deflate.h"
#include "zip/dos_time.h"
#include "zip/exceptions.h"
#include "zip/hooks.h"
#include "zip/wildcard.h"
#include "zip/zip_utils.h"
#include "zip/zip_writer.h"
#include "zip/zip_writer_output.h"

using namespace zipwriter;

namespace {

constexpr unsigned kStoreChunk = 16000;
constexpr unsigned kCrcChunk = 4096;

bool StartsWithNoCase(const std::string& s, const std::string& prefix) {
    return s.size() >= prefix.size() &&
           AsciiLower(s.substr(0, prefix.size())) == AsciiLower(prefix);
}

// "C:" or "\\server\share" at the start of a folder, removed.
std::string WithoutVolume(const std::string& folder) {
    if (folder.size() >= 2 && folder[1] == ':' &&
        ((folder[0] >= 'A' && folder[0] <= 'Z') || (folder[0] >= 'a' && folder[0] <= 'z')))
        return folder.substr(2);
    if (folder.size() >= 2 && folder[0] == '\\' && folder[1] == '\\') {
        std::size_t server = folder.find('\\', 2);
        if (server == std::string::npos) return std::string();
        std::size_t share = folder.find('\\', server + 1);
        return share == std::string::npos ? std::string() : folder.substr(share);
    }
    return folder;
}

} // namespace

class TZipWriter::TDeflateLink : public TDeflateIO {
public:
    explicit TDeflateLink(TZipWriter& writer) : writer_(writer) {}
    unsigned ReadInput(std::uint8_t* buffer, unsigned count) override {
        return writer_.ReadInput(buffer, count);
    }
    void WriteOutput(const std::uint8_t* buffer, unsigned count) override {
        writer_.WriteOutput(buffer, count);
    }

private:
    TZipWriter& writer_;
};

std::string TZipWriter::StoredFolder(const std::string& name) const {
    if (!storePaths_) return std::string();
    const std::size_t cut = name.find_last_of("\\:");
    std::string folder = cut == std::string::npos ? std::string() : name.substr(0, cut + 1);
    // Without its final "\" unless that follows ":" or another "\", then with one.
    if (!folder.empty() && folder.back() == '\\' && folder.size() >= 2 &&
        folder[folder.size() - 2] != ':' && folder[folder.size() - 2] != '\\')
        folder.pop_back();
    folder += '\\';
    if (folder.size() >= 2 && folder[folder.size() - 2] == '\\') folder.pop_back();
    if (relativePaths_) {
        if (!RootDir().empty() && StartsWithNoCase(folder, RootDir()))
            folder.erase(0, RootDir().size());
    } else if (!storeVolumes_) {
        folder = WithoutVolume(folder);
        if (!folder.empty() && folder[0] == '\\') folder.erase(0, 1);
    }
    return folder;
}

bool TZipWriter::AddMember(const std::string& name) {
    pending_ = std::make_unique<TZipHeaderInfo>();
    TZipHeaderInfo& h = *pending_;
    const bool folderEntry = !name.empty() && name.back() == '\\';
    h.DateTime = NowDosDateTime();
    const std::string n = OemRoundTrip(name);
    const std::size_t cut = n.find_last_of("\\:");
    h.SetFileName(folderEntry ? std::string() : (cut == std::string::npos ? n : n.substr(cut + 1)));
    h.SetDirectory(StoredFolder(n));
    h.InternalAttributes = 2;
    h.DiskStart = 0;
    if (NameEscapesFolder(h.Name()))
        throw Exception("A member may not be named with a root, a drive or \"..\": " + name);

    if (namesWritten_.count(AsciiLower(h.Directory() + h.FileName())) != 0) {
        if (OnSkippingFile) {
            bool retry = false;
            OnSkippingFile(*this, srNoOverwrite, name, -1, retry);
        }
        return false;
    }
    if (OnStartZip) {
        bool skip = false;
        OnStartZip(*this, name, h, skip);
        if (skip) return false;
    }
    if (folderEntry) {
        // Settled before the local header goes out, so that it agrees with
        // the central one.
        h.CompressedSize = 0;
        h.UncompressedSize = 0;
        h.Method = 0;
        h.InternalAttributes = 0;
        h.CRC = 0;
        h.WriteLocal(*out_);
        if (OnEndZip) OnEndZip(*this, name, 0, 0, 0);
        return true;
    }
    std::int64_t size = inStream_ ? inStream_->Size() : 0;
    if (size > 0xFFFFFFFFll)
        throw Exception("A member of more than 4 GB cannot be stored in a zip archive");
    h.UncompressedSize = static_cast<std::int32_t>(static_cast<std::uint32_t>(size));
    encrypting_ = false;
    aes_.reset();
    const bool encrypted = !ZipPassword.empty();
    const bool aes = encrypted && Cipher != zcTraditional;
    if (aes) {
        if (Cipher != zcAes256)
            throw Exception("A member is encrypted with the traditional cipher or with AES-256");
        h.VersionMadeBy = h.VersionNeeded = kAesVersion;
        h.Aes = TAesExtra{}; // AE-2, AES-256; the real method is known at the end
        h.LocalExtraLength = h.CentralExtraLength = kAesExtraSize;
    }
    auto writeLocal = [&] {
        h.WriteLocal(*out_);
        if (!h.Aes) return;
        std::uint8_t record[kAesExtraSize];
        PutAesExtra(*h.Aes, record);
        out_->Write(record, sizeof record);
    };
    writeLocal(); // provisional: CRC and sizes follow

    if (encrypted) StartEncryption(h);
    // The bytes of salt and verifier or of the encryption header.
    const std::int64_t prefix = out_->Position() - h.LocalOffset - h.LocalSize();
    crc_ = 0xFFFFFFFFu;
    fileBytesRead_ = 0;
    const std::int64_t dataStart = out_->Position();
    std::uint16_t method = 8;
    if (packLevel_ == 0 ||
        std::any_of(NoCompressList.begin(), NoCompressList.end(),
                    [&](const std::string& p) { return IsMatch(p, h.FileName()); })) {
        StoreInput();
        method = 0;
        h.InternalAttributes = 0;
    } else {
        TDeflateLink link(*this);
        deflater_->Deflate(link, packLevel_, h.Flags, method, h.InternalAttributes);
    }
    h.Method = method;
    h.CRC = ~crc_;
    if (aes) {
        std::uint8_t code[kAesCodeSize];
        aes_->FinishCode(code);
        out_->Write(code, sizeof code);
        h.Aes->Method = method;
        h.Method = kAesMethod;
        h.CRC = 0; // AE-2: the code alone vouches for the data
    }
    const std::int64_t compressed = out_->Position() - dataStart + prefix;
    if (fileBytesRead_ > 0xFFFFFFFFll || compressed > 0xFFFFFFFFll)
        throw Exception("A member of more than 4 GB cannot be stored in a zip archive");
    h.UncompressedSize = static_cast<std::int32_t>(static_cast<std::uint32_t>(fileBytesRead_));
    h.CompressedSize = static_cast<std::int32_t>(static_cast<std::uint32_t>(compressed));
    encrypting_ = false;
    aes_.reset();

    // The final local header over the provisional one.
    const std::int64_t end = out_->Position();
    out_->Seek(h.LocalOffset, soBeginning);
    if (encrypted) h.Flags |= 1;
    writeLocal();
    out_->Seek(end, soBeginning);
    if (OnEndZip)
        OnEndZip(*this, name, h.UncompressedSize, h.CompressedSize, static_cast<std::int32_t>(end));
    return true;
}

void TZipWriter::StartEncryption(TZipHeaderInfo& h) {
    if (!h.Aes) {
        encrypting_ = true;
        const std::uint32_t crc = CrcPrePass();
        std::uint8_t random[10];
        SecureRandomBytes(random, sizeof random);
        std::uint8_t header[12];
        writeKeys_.MakeEncryptionHeader(ZipPassword, crc, random, header);
        out_->Write(header, sizeof header);
        return;
    }
    // A new salt, so a new key, for every member: two members never share
    // a key stream, although the counter starts at 1 in each.
    std::uint8_t salt[16];
    const std::size_t saltBytes = h.Aes->SaltBytes();
    SecureRandomBytes(salt, saltBytes);
    // Kept, so that reading the member back after the save derives nothing.
    const TAesKeys keys = TAesKeyCache::Instance().Keys(AesPasswordForms(ZipPassword).front(), salt,
                                                        h.Aes->KeyBytes());
    out_->Write(salt, static_cast<std::int64_t>(saltBytes));
    out_->Write(keys.Verifier, sizeof keys.Verifier);
    aes_ = std::make_unique<TAesMemberCipher>(keys);
}

std::uint32_t TZipWriter::CrcPrePass() {
    std::uint32_t crc = 0xFFFFFFFFu;
    if (!inStream_) return 0;
    const std::int64_t start = inStream_->Position();
    std::uint8_t piece[kCrcChunk];
    for (;;) {
        const std::int64_t n = inStream_->Read(piece, kCrcChunk);
        if (n <= 0) break;
        crc = CrcUpdate(crc, piece, static_cast<std::size_t>(n));
    }
    inStream_->SetPosition(start);
    return ~crc;
}

void TZipWriter::StoreInput() {
    std::vector<std::uint8_t> piece(kStoreChunk);
    for (;;) {
        const unsigned n = ReadInput(piece.data(), kStoreChunk);
        if (n == 0) break;
        WriteOutput(piece.data(), n);
    }
}

unsigned TZipWriter::ReadInput(std::uint8_t* buffer, unsigned count) {
    if (!inStream_ || count == 0) return 0;
    const std::int64_t n = inStream_->Read(buffer, count);
    if (n <= 0) return 0;
    crc_ = CrcUpdate(crc_, buffer, static_cast<std::size_t>(n));
    fileBytesRead_ += n;
    totalBytesRead_ += n;
    if (OnFilePercentDone && pending_)
        OnFilePercentDone(
            *this,
            CalcPercent64(static_cast<std::uint32_t>(pending_->UncompressedSize), fileBytesRead_));
    if (OnTotalPercentDone) OnTotalPercentDone(*this, CalcPercent64(totalToDo_, totalBytesRead_));
    return static_cast<unsigned>(n);
}

void TZipWriter::WriteOutput(const std::uint8_t* buffer, unsigned count) {
    if (Cancel) {
        Cancel = false;
        throw EUserCanceled("User Aborted Operation");
    }
    if (encrypting_ || aes_) {
        if (scratch_.size() < count) scratch_.resize(std::max<std::size_t>(count, kCopyChunk));
        std::memcpy(scratch_.data(), buffer, count);
        if (aes_)
            aes_->Encrypt(scratch_.data(), count);
        else
            writeKeys_.EncryptBuffer(scratch_.data(), count);
        out_->Write(scratch_.data(), count);
    } else {
        out_->Write(buffer, count);
    }
    if (DoProcessMessages) ProcessPendingMessages();
}
