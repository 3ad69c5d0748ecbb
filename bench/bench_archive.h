// Writes a large test archive quickly for the benchmarks: every member is
// deflated once and written one after the other, the directory at the end.
// Adding thousands of members one save at a time would rewrite the archive
// as many times.
#pragma once

#include "zip/aes_crypt.h"
#include "zip/aes_extra.h"
#include "zip/codec/crc32.h"
#include "zip/codec/deflate_string_io.h"
#include "zip/file_stream.h"
#include "zip/zip_crypt.h"
#include "zip/zip_header.h"

#include <functional>
#include <string>
#include <vector>

// `member(i, name, body)` fills the name (in memory form, "\" separators)
// and the bytes of member i. Returns the sum of the members' sizes. With a
// password, every member is encrypted with `cipher` (zcTraditional or
// zcAes256, AE-2) as the writer encrypts it.
inline std::uint64_t
WriteBenchArchive(const std::string& path, int members, int level,
                  const std::function<void(int, std::string&, std::string&)>& member,
                  TZipCipher cipher = zcNone, const std::string& password = {}) {
    TFileStream out(path, fmCreate);
    std::vector<TZipHeaderInfo> headers;
    TDeflater deflater;
    std::uint64_t total = 0;
    for (int i = 0; i < members; ++i) {
        std::string name, body;
        member(i, name, body);
        total += body.size();
        TStringDeflateIO io(body);
        TZipHeaderInfo h;
        h.SetName(name);
        h.DateTime = 0x5A8C6000u;
        deflater.Deflate(io, level, h.Flags, h.Method, h.InternalAttributes);
        h.CRC = Crc32Of(body.data(), body.size());
        h.UncompressedSize = static_cast<std::int32_t>(body.size());
        std::string prefix, suffix;
        std::string& data = io.Output;
        if (cipher == zcTraditional) {
            std::uint8_t random[10], header[12];
            SecureRandomBytes(random, sizeof random);
            TZipKeys keys;
            keys.MakeEncryptionHeader(password, h.CRC, random, header);
            keys.EncryptBuffer(reinterpret_cast<std::uint8_t*>(data.data()), data.size());
            prefix.assign(reinterpret_cast<const char*>(header), sizeof header);
            h.Flags |= 1;
        } else if (cipher == zcAes256) {
            std::uint8_t salt[16], code[kAesCodeSize];
            SecureRandomBytes(salt, sizeof salt);
            const TAesKeys keys = DeriveAesKeys(AesPasswordForms(password).front(), salt, 32);
            TAesMemberCipher aes(keys);
            aes.Encrypt(reinterpret_cast<std::uint8_t*>(data.data()), data.size());
            aes.FinishCode(code);
            prefix.assign(reinterpret_cast<const char*>(salt), sizeof salt);
            prefix.append(reinterpret_cast<const char*>(keys.Verifier), kAesVerifierSize);
            suffix.assign(reinterpret_cast<const char*>(code), sizeof code);
            h.Aes = TAesExtra{2, 3, h.Method};
            h.Method = kAesMethod;
            h.CRC = 0;
            h.Flags |= 1;
            h.VersionMadeBy = h.VersionNeeded = kAesVersion;
            h.LocalExtraLength = h.CentralExtraLength = kAesExtraSize;
        }
        h.CompressedSize = static_cast<std::int32_t>(prefix.size() + data.size() + suffix.size());
        h.WriteLocal(out);
        if (h.Aes) {
            std::uint8_t record[kAesExtraSize];
            PutAesExtra(*h.Aes, record);
            out.WriteBuffer(record, sizeof record);
        }
        for (const std::string* part : {&prefix, &data, &suffix})
            out.WriteBuffer(part->data(), static_cast<std::int64_t>(part->size()));
        headers.push_back(h);
    }
    TEndCentral end;
    end.CentralStart = static_cast<std::uint32_t>(out.Position());
    for (const TZipHeaderInfo& h : headers)
        h.WriteCentral(out);
    end.CentralSize = static_cast<std::uint32_t>(out.Position() - end.CentralStart);
    end.EntriesThisDisk = end.TotalEntries = static_cast<std::uint16_t>(members);
    end.Write(out);
    out.Commit();
    return total;
}
