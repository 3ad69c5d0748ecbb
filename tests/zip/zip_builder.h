// Writes small zip archives byte by byte for reader tests: any method
// number, flags, CRC and sizes, so that damaged and unusual archives can be
// made on purpose.
#pragma once

#include "zip/codec/crc32.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ziptest {

struct RawMember {
    std::string name; // as stored ("/" separators)
    std::string data; // the bytes after the local header (compressed, encrypted...)
    std::uint16_t method = 0;
    std::uint16_t flags = 0;
    std::uint32_t crc = 0;
    std::uint32_t uncompressedSize = 0;
    std::uint32_t dosDateTime = 0x5A210000u; // 2025-01-01 00:00:00
    std::string comment;
};

// A member stored as it is (method 0), its CRC and size filled in.
inline RawMember Stored(const std::string& name, const std::string& data) {
    RawMember m;
    m.name = name;
    m.data = data;
    m.crc = Crc32Of(data.data(), data.size());
    m.uncompressedSize = static_cast<std::uint32_t>(data.size());
    return m;
}

inline void Put16(std::string& s, unsigned v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>((v >> 8) & 0xFF));
}
inline void Put32(std::string& s, std::uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

inline std::string BuildArchive(const std::vector<RawMember>& members,
                                const std::string& archiveComment = std::string()) {
    std::string out, central;
    for (const RawMember& m : members) {
        std::uint32_t offset = static_cast<std::uint32_t>(out.size());
        Put32(out, 0x04034B50);
        Put16(out, 20);
        Put16(out, m.flags);
        Put16(out, m.method);
        Put32(out, m.dosDateTime);
        Put32(out, m.crc);
        Put32(out, static_cast<std::uint32_t>(m.data.size()));
        Put32(out, m.uncompressedSize);
        Put16(out, static_cast<unsigned>(m.name.size()));
        Put16(out, 0);
        out += m.name + m.data;

        Put32(central, 0x02014B50);
        Put16(central, 20);
        Put16(central, 20);
        Put16(central, m.flags);
        Put16(central, m.method);
        Put32(central, m.dosDateTime);
        Put32(central, m.crc);
        Put32(central, static_cast<std::uint32_t>(m.data.size()));
        Put32(central, m.uncompressedSize);
        Put16(central, static_cast<unsigned>(m.name.size()));
        Put16(central, 0);
        Put16(central, static_cast<unsigned>(m.comment.size()));
        Put16(central, 0);
        Put16(central, 0);
        Put32(central, 0x20);
        Put32(central, offset);
        central += m.name + m.comment;
    }
    std::uint32_t start = static_cast<std::uint32_t>(out.size());
    out += central;
    Put32(out, 0x06054B50);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, static_cast<unsigned>(members.size()));
    Put16(out, static_cast<unsigned>(members.size()));
    Put32(out, static_cast<std::uint32_t>(central.size()));
    Put32(out, start);
    Put16(out, static_cast<unsigned>(archiveComment.size()));
    out += archiveComment;
    return out;
}

} // namespace ziptest
