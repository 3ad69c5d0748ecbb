// Two ways to fold bytes into the CRC, giving the same value.
//
// Slicing-by-8: eight tables, where table k gives the CRC contribution of a
// byte followed by k zero bytes. Eight input bytes are then folded with eight
// independent lookups instead of a chain of eight dependent ones.
//
// Carry-less multiplication (x86-64 processors with PCLMULQDQ, chosen at run
// time): the data is a polynomial over GF(2) and the CRC its remainder after
// multiplying by x^32 and dividing by the generator P. Four 128-bit lanes
// take 64 bytes per round; a lane is advanced by 512 bits by multiplying its
// halves with x^(512+64) mod P and x^512 mod P, which keeps its value
// congruent mod P while it stays 128 bits wide, and the next 16 bytes are
// added. At the end the lanes are folded into one the same way, 128 bits
// apart, and the table finishes the last 16 bytes and the tail. In the
// reflected bit order of this CRC (the first bit of a byte is its lowest), a
// 64 x 64-bit carry-less product comes out shifted by one place, which the
// constants make up for by using one power of x less.
#include "zip/codec/crc32.h"

#include <array>
#include <bit>
#include <cstring>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define DAYSCRIB_CRC_CLMUL 1
#endif

namespace {

using SliceTables = std::array<std::array<std::uint32_t, 256>, 8>;

constexpr SliceTables MakeTables() {
    SliceTables t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        t[0][i] = c;
    }
    for (std::uint32_t i = 0; i < 256; ++i)
        for (std::size_t k = 1; k < 8; ++k)
            t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
    return t;
}

constexpr SliceTables kTables = MakeTables();

// The plain table as a C array for the public reference.
struct PlainTable {
    std::uint32_t v[256];
    constexpr PlainTable() : v{} {
        for (int i = 0; i < 256; ++i)
            v[i] = kTables[0][static_cast<std::size_t>(i)];
    }
};
constexpr PlainTable kPlain;

} // namespace

const std::uint32_t (&CrcTable)[256] = kPlain.v;

namespace {

std::uint32_t UpdateBySlices(std::uint32_t crc, const std::uint8_t* p, std::size_t n) {
    // The eight-byte rounds read little-endian words; on a big-endian host the
    // byte loop below does all the work.
    if constexpr (std::endian::native == std::endian::little) {
        while (n >= 8) {
            std::uint32_t lo, hi;
            std::memcpy(&lo, p, 4);
            std::memcpy(&hi, p + 4, 4);
            lo ^= crc;
            crc = kTables[7][lo & 0xFF] ^ kTables[6][(lo >> 8) & 0xFF] ^
                  kTables[5][(lo >> 16) & 0xFF] ^ kTables[4][lo >> 24] ^ kTables[3][hi & 0xFF] ^
                  kTables[2][(hi >> 8) & 0xFF] ^ kTables[1][(hi >> 16) & 0xFF] ^
                  kTables[0][hi >> 24];
            p += 8;
            n -= 8;
        }
    }
    while (n--)
        crc = kTables[0][(crc ^ *p++) & 0xFF] ^ (crc >> 8);
    return crc;
}

#ifdef DAYSCRIB_CRC_CLMUL

// x^n mod P, bit j standing for x^j.
constexpr std::uint32_t PowerOfXModP(unsigned n) {
    std::uint32_t r = 1;
    for (unsigned i = 0; i < n; ++i)
        r = (r & 0x80000000u) ? (r << 1) ^ 0x04C11DB7u : r << 1;
    return r;
}

// The same polynomial as a reflected 64-bit factor: x^j at bit 63 - j.
constexpr std::uint64_t Reflected(std::uint32_t k) {
    std::uint64_t r = 0;
    for (unsigned j = 0; j < 32; ++j)
        if ((k >> j) & 1u) r |= std::uint64_t{1} << (63 - j);
    return r;
}

// Multipliers that move a 128-bit lane `bits` further: the low half (the
// earlier bytes, the higher powers) by x^(bits+64), the high half by x^bits,
// each one power less for the shift of the reflected product.
constexpr std::uint64_t kFold512Low = Reflected(PowerOfXModP(512 + 64 - 1));
constexpr std::uint64_t kFold512High = Reflected(PowerOfXModP(512 - 1));
constexpr std::uint64_t kFold128Low = Reflected(PowerOfXModP(128 + 64 - 1));
constexpr std::uint64_t kFold128High = Reflected(PowerOfXModP(128 - 1));

__attribute__((target("pclmul,sse2"))) inline __m128i Fold(__m128i lane, __m128i k, __m128i next) {
    const __m128i low = _mm_clmulepi64_si128(lane, k, 0x00);
    const __m128i high = _mm_clmulepi64_si128(lane, k, 0x11);
    return _mm_xor_si128(_mm_xor_si128(low, high), next);
}

// n >= 64.
__attribute__((target("pclmul,sse2"))) std::uint32_t
UpdateByMultiplying(std::uint32_t crc, const std::uint8_t* p, std::size_t n) {
    auto load = [](const std::uint8_t* q) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
    };
    // The running CRC adds into the first four bytes.
    __m128i x0 = _mm_xor_si128(load(p), _mm_cvtsi32_si128(static_cast<int>(crc)));
    __m128i x1 = load(p + 16);
    __m128i x2 = load(p + 32);
    __m128i x3 = load(p + 48);
    p += 64;
    n -= 64;
    const __m128i k512 =
        _mm_set_epi64x(static_cast<long long>(kFold512High), static_cast<long long>(kFold512Low));
    while (n >= 64) {
        x0 = Fold(x0, k512, load(p));
        x1 = Fold(x1, k512, load(p + 16));
        x2 = Fold(x2, k512, load(p + 32));
        x3 = Fold(x3, k512, load(p + 48));
        p += 64;
        n -= 64;
    }
    const __m128i k128 =
        _mm_set_epi64x(static_cast<long long>(kFold128High), static_cast<long long>(kFold128Low));
    __m128i x = Fold(x0, k128, x1);
    x = Fold(x, k128, x2);
    x = Fold(x, k128, x3);
    while (n >= 16) {
        x = Fold(x, k128, load(p));
        p += 16;
        n -= 16;
    }
    std::uint8_t last[16];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(last), x);
    return UpdateBySlices(UpdateBySlices(0, last, 16), p, n);
}

// Processors with VPCLMULQDQ multiply two 128-bit lanes per 256-bit
// register: four registers take 128 bytes per round, each lane advanced by
// 1024 bits; at the end the registers fold into one 256 bits apart, its two
// lanes into one 128 bits apart, and the 128-bit path above finishes.
constexpr std::uint64_t kFold1024Low = Reflected(PowerOfXModP(1024 + 64 - 1));
constexpr std::uint64_t kFold1024High = Reflected(PowerOfXModP(1024 - 1));
constexpr std::uint64_t kFold256Low = Reflected(PowerOfXModP(256 + 64 - 1));
constexpr std::uint64_t kFold256High = Reflected(PowerOfXModP(256 - 1));

__attribute__((target("avx2,vpclmulqdq,pclmul"))) inline __m256i Fold2(__m256i lanes, __m256i k,
                                                                       __m256i next) {
    const __m256i low = _mm256_clmulepi64_epi128(lanes, k, 0x00);
    const __m256i high = _mm256_clmulepi64_epi128(lanes, k, 0x11);
    return _mm256_xor_si256(_mm256_xor_si256(low, high), next);
}

__attribute__((target("avx2"))) inline __m256i Load32(const std::uint8_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

// n >= 256.
__attribute__((target("avx2,vpclmulqdq,pclmul"))) std::uint32_t
UpdateByMultiplyingWide(std::uint32_t crc, const std::uint8_t* p, std::size_t n) {
    __m256i x0 =
        _mm256_xor_si256(Load32(p), _mm256_set_epi32(0, 0, 0, 0, 0, 0, 0, static_cast<int>(crc)));
    __m256i x1 = Load32(p + 32);
    __m256i x2 = Load32(p + 64);
    __m256i x3 = Load32(p + 96);
    p += 128;
    n -= 128;
    const __m256i k1024 = _mm256_set_epi64x(
        static_cast<long long>(kFold1024High), static_cast<long long>(kFold1024Low),
        static_cast<long long>(kFold1024High), static_cast<long long>(kFold1024Low));
    while (n >= 128) {
        x0 = Fold2(x0, k1024, Load32(p));
        x1 = Fold2(x1, k1024, Load32(p + 32));
        x2 = Fold2(x2, k1024, Load32(p + 64));
        x3 = Fold2(x3, k1024, Load32(p + 96));
        p += 128;
        n -= 128;
    }
    const __m256i k256 = _mm256_set_epi64x(
        static_cast<long long>(kFold256High), static_cast<long long>(kFold256Low),
        static_cast<long long>(kFold256High), static_cast<long long>(kFold256Low));
    __m256i x = Fold2(x0, k256, x1);
    x = Fold2(x, k256, x2);
    x = Fold2(x, k256, x3);
    const __m128i k128 =
        _mm_set_epi64x(static_cast<long long>(kFold128High), static_cast<long long>(kFold128Low));
    __m128i y = Fold(_mm256_castsi256_si128(x), k128, _mm256_extracti128_si256(x, 1));
    while (n >= 16) {
        y = Fold(y, k128, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
        p += 16;
        n -= 16;
    }
    std::uint8_t last[16];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(last), y);
    return UpdateBySlices(UpdateBySlices(0, last, 16), p, n);
}

bool HaveWideClmul() {
    static const bool have = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("vpclmulqdq") != 0 && __builtin_cpu_supports("avx2") != 0 &&
               __builtin_cpu_supports("pclmul") != 0;
    }();
    return have;
}

bool HaveClmul() {
    static const bool have = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("pclmul") != 0;
    }();
    return have;
}

#endif

} // namespace

std::uint32_t CrcUpdate(std::uint32_t crc, const void* data, std::size_t n) {
    const auto* p = static_cast<const std::uint8_t*>(data);
#ifdef DAYSCRIB_CRC_CLMUL
    if (n >= 256 && HaveWideClmul()) return UpdateByMultiplyingWide(crc, p, n);
    if (n >= 64 && HaveClmul()) return UpdateByMultiplying(crc, p, n);
#endif
    return UpdateBySlices(crc, p, n);
}
