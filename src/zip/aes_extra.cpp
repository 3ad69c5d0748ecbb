#include "zip/aes_extra.h"

namespace {

std::uint16_t Get16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

void Put16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

} // namespace

std::optional<TAesExtra> FindAesExtra(const std::uint8_t* extra, std::size_t size) {
    std::size_t at = 0;
    while (size - at >= 4) {
        const std::uint16_t id = Get16(extra + at);
        const std::size_t length = Get16(extra + at + 2);
        if (length > size - at - 4) break;
        const std::uint8_t* data = extra + at + 4;
        if (id == kAesExtraId) {
            if (length != 7 || data[2] != 'A' || data[3] != 'E') return std::nullopt;
            TAesExtra record;
            record.VendorVersion = Get16(data);
            record.Strength = data[4];
            record.Method = Get16(data + 5);
            return record;
        }
        at += 4 + length;
    }
    return std::nullopt;
}

void PutAesExtra(const TAesExtra& record, std::uint8_t out[kAesExtraSize]) {
    Put16(out, kAesExtraId);
    Put16(out + 2, 7);
    Put16(out + 4, record.VendorVersion);
    out[6] = 'A';
    out[7] = 'E';
    out[8] = record.Strength;
    Put16(out + 9, record.Method);
}
