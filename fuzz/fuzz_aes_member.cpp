// AES member headers and data through the reader. The input describes one
// member of method 99 in an otherwise sound archive:
//
//   byte 0   bit 0: make the member genuine for the password "pw" (salt from
//            the payload, a right verifier, the payload encrypted and a right
//            authentication code), so that what follows the checks (the
//            decrypting input, the decoders, the size and CRC checks) gets
//            fuzzed too; clear: the payload is the member's data as it is
//   byte 1   the record: vendor version (bits 0-1), strength (bits 2-3),
//            real method (bits 4-5: 0, 8, 6, 12)
//   byte 2   bit 0 record in the local header, bit 1 in the central one,
//            bit 2 another record before it, bit 3 flags bit 3 (data
//            descriptor), bit 4 flags bit 0 (encrypted)
//   3-6      uncompressed size, 7-10 CRC (little-endian)
//   11       added to the compressed size (signed): sizes that lie
//   12-      the payload
//
// The reader may refuse the member with its exceptions or skip it, but must
// never crash, read outside its buffers or hang.
#include "zip/aes_crypt.h"
#include "zip/aes_extra.h"
#include "zip/exceptions.h"
#include "zip/hooks.h"
#include "zip/stream.h"
#include "zip/zip_reader.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

std::string TempArchive() {
    static char name[] = "/tmp/dayscrib-fuzz-aes-XXXXXX";
    int fd = mkstemp(name);
    if (fd >= 0) close(fd);
    std::atexit([] { unlink(name); });
    return name;
}

void Put16(std::string& s, unsigned v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(std::string& s, std::uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}
std::uint32_t Get32(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// The member's data made genuine for "pw": salt, verifier, payload
// encrypted, code.
std::string Genuine(const TAesExtra& record, std::string payload) {
    const std::size_t saltBytes = record.SaltBytes();
    std::uint8_t salt[16] = {};
    for (std::size_t i = 0; i < saltBytes && i < payload.size(); ++i)
        salt[i] = static_cast<std::uint8_t>(payload[i]);
    const TAesKeys keys = DeriveAesKeys("pw", salt, record.KeyBytes());
    TAesMemberCipher cipher(keys);
    cipher.Encrypt(reinterpret_cast<std::uint8_t*>(payload.data()), payload.size());
    std::uint8_t code[kAesCodeSize];
    cipher.FinishCode(code);
    return std::string(reinterpret_cast<char*>(salt), saltBytes) +
           std::string(reinterpret_cast<const char*>(keys.Verifier), kAesVerifierSize) + payload +
           std::string(reinterpret_cast<char*>(code), kAesCodeSize);
}

std::string Archive(const std::uint8_t* data, std::size_t size) {
    const std::uint8_t mode = data[0], shape = data[1], where = data[2];
    static const std::uint16_t methods[] = {0, 8, 6, 12};
    TAesExtra record{static_cast<std::uint16_t>(shape & 3),
                     static_cast<std::uint8_t>((shape >> 2) & 3), methods[(shape >> 4) & 3]};
    std::string payload(reinterpret_cast<const char*>(data) + 12, size - 12);
    if ((mode & 1) && record.KeyBytes() != 0) payload = Genuine(record, payload);
    std::uint8_t bytes[kAesExtraSize];
    PutAesExtra(record, bytes);
    std::string extra = (where & 4) ? std::string("\x0a\x00\x04\x00\x01\x02\x03\x04", 8) : "";
    extra.append(reinterpret_cast<char*>(bytes), sizeof bytes);
    const std::string localExtra = (where & 1) ? extra : "",
                      centralExtra = (where & 2) ? extra : "";
    const std::uint16_t flags = static_cast<std::uint16_t>(((where >> 4) & 1) | (where & 8));
    const std::uint32_t compressed =
        static_cast<std::uint32_t>(payload.size() + static_cast<std::int8_t>(data[11]));
    const std::string name = "2001/1/Week1/1.rtf";
    auto header = [&](std::string& out, bool central, const std::string& ex) {
        Put32(out, central ? 0x02014B50 : 0x04034B50);
        if (central) Put16(out, 51);
        Put16(out, 51);
        Put16(out, flags);
        Put16(out, kAesMethod);
        Put32(out, 0x5A210000u);
        Put32(out, Get32(data + 7));
        Put32(out, compressed);
        Put32(out, Get32(data + 3));
        Put16(out, static_cast<unsigned>(name.size()));
        Put16(out, static_cast<unsigned>(ex.size()));
        if (central) {
            Put16(out, 0);
            Put16(out, 0);
            Put16(out, 0);
            Put32(out, 0x20);
            Put32(out, 0);
        }
        out += name + ex;
    };
    std::string out;
    header(out, false, localExtra);
    out += payload;
    const std::uint32_t centralAt = static_cast<std::uint32_t>(out.size());
    header(out, true, centralExtra);
    Put32(out, 0x06054B50);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, 1);
    Put16(out, 1);
    Put32(out, static_cast<std::uint32_t>(out.size() - centralAt - 4));
    Put32(out, centralAt);
    Put16(out, 0);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = TempArchive();
    static bool quiet = [] {
        EngineHooks().MessageBox = [](const std::string&, const std::string&) {};
        return true;
    }();
    (void)quiet;
    if (size < 12 || size > 1 << 16) return 0;
    const std::string archive = Archive(data, size);
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(archive.data(), 1, archive.size(), f);
        std::fclose(f);
    }
    TZipReader reader;
    reader.DoProcessMessages = false;
    reader.ZipPassword = "not it";
    int offers = 0;
    reader.OnBadPassword = [&offers](TZipReader&, int, TPassword& password) {
        if (offers++ < 1) password = "pw";
    };
    try {
        reader.SetZipName(path);
        TMemoryStream out;
        reader.ExtractToStream(&out, "2001\\1\\Week1\\1.rtf");
    } catch (const Exception&) {
    }
    return 0;
}
