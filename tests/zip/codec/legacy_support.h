// Helpers for the legacy decoders' tests: the members of a sample archive
// found by walking its local headers (enough for archives without data
// descriptors), and one call that runs a member's decoder through the frame
// over memory streams.
#pragma once

#include "support/test_support.h"
#include "zip/codec/legacy.h"
#include "zip/codec/unzip_work.h"
#include "zip/exceptions.h"
#include "zip/stream.h"

#include <cstdint>
#include <string>
#include <vector>

namespace codectest {

struct LocalMember {
    std::string name;
    unsigned method = 0;
    std::uint16_t flags = 0;
    std::uint32_t crc = 0;
    std::uint32_t uncompressedSize = 0;
    std::string data; // the compressed bytes
};

inline unsigned Le16(const std::string& s, std::size_t at) {
    return static_cast<unsigned char>(s[at]) | static_cast<unsigned char>(s[at + 1]) << 8;
}
inline std::uint32_t Le32(const std::string& s, std::size_t at) {
    return Le16(s, at) | static_cast<std::uint32_t>(Le16(s, at + 2)) << 16;
}

// Local header: signature PK\3\4, flags at 6, method at 8, CRC at 14,
// compressed size at 18, uncompressed size at 22, name and extra-field
// lengths at 26 and 28, the name at 30, then the extra field and the data.
inline std::vector<LocalMember> LocalMembers(const std::string& archive) {
    std::vector<LocalMember> members;
    std::size_t p = 0;
    while (p + 30 <= archive.size() && archive.compare(p, 4, "PK\3\4") == 0) {
        LocalMember m;
        m.flags = static_cast<std::uint16_t>(Le16(archive, p + 6));
        m.method = Le16(archive, p + 8);
        m.crc = Le32(archive, p + 14);
        std::uint32_t compressed = Le32(archive, p + 18);
        m.uncompressedSize = Le32(archive, p + 22);
        unsigned nameLength = Le16(archive, p + 26), extraLength = Le16(archive, p + 28);
        m.name = archive.substr(p + 30, nameLength);
        std::size_t data = p + 30 + nameLength + extraLength;
        m.data = archive.substr(data, compressed);
        members.push_back(m);
        p = data + compressed;
    }
    return members;
}

inline std::vector<LocalMember> SampleMembers(const std::string& file) {
    return LocalMembers(testsupport::ReadFile(testsupport::TestData("zip/" + file)));
}

struct LegacyOutcome {
    int result = -1;
    bool tooBig = false; // EBiggerThanUncompressed was raised
    std::string out;
    std::uint32_t crc = 0;
};

// Runs the decoder of `method` (1 to 6) over `data` as a member of
// data.size() compressed bytes and `size` uncompressed ones. `work` lets a
// test run several members through one frame, as the reader does.
inline LegacyOutcome RunLegacy(unsigned method, std::uint16_t flags, const std::string& data,
                               std::int64_t size, TUnZipWork* work = nullptr) {
    TUnZipWork local;
    TUnZipWork& g = work ? *work : local;
    TMemoryStream in(data), out;
    g.StartMember(in, out, static_cast<std::int64_t>(data.size()), size);
    LegacyOutcome o;
    try {
        if (method == 1)
            o.result = UnShrink(g);
        else if (method >= 2 && method <= 5)
            o.result = UnReduce(g, static_cast<int>(method) - 1);
        else
            o.result = Explode(g, flags);
    } catch (const EBiggerThanUncompressed&) {
        o.tooBig = true;
    }
    o.out = out.ToString();
    o.crc = g.FinalCrc();
    return o;
}

inline LegacyOutcome RunMember(const LocalMember& m, TUnZipWork* work = nullptr) {
    return RunLegacy(m.method, m.flags, m.data, m.uncompressedSize, work);
}

} // namespace codectest
