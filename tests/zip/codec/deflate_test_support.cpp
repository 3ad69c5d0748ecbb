#include "deflate_test_support.h"

#include <algorithm>
#include <cstring>
#include <random>
#include <stdexcept>

#include "support/test_support.h"

namespace deflatetest {

unsigned TStringIO::ReadInput(std::uint8_t* buffer, unsigned count) {
    std::size_t n =
        std::min<std::size_t>({std::size_t{count}, std::size_t{chunk_}, input_.size() - pos_});
    std::memcpy(buffer, input_.data() + pos_, n);
    pos_ += n;
    return static_cast<unsigned>(n);
}

void TStringIO::WriteOutput(const std::uint8_t* buffer, unsigned count) {
    writeSizes.push_back(count);
    output_.append(reinterpret_cast<const char*>(buffer), count);
}

TDeflated DeflateString(const std::string& input, int level, unsigned chunk) {
    TDeflater deflater;
    TStringIO io(input, chunk);
    TDeflated result;
    result.size = deflater.Deflate(io, level, result.flags, result.method, result.attributes);
    result.data = io.Output();
    return result;
}

namespace {

class TBitReader {
public:
    explicit TBitReader(const std::string& s) : s_(s) {}
    unsigned Bit() {
        if (pos_ / 8 >= s_.size()) throw std::runtime_error("deflate stream ends early");
        unsigned b = (static_cast<unsigned char>(s_[pos_ / 8]) >> (pos_ % 8)) & 1;
        ++pos_;
        return b;
    }
    unsigned Bits(int n) {
        unsigned v = 0;
        for (int i = 0; i < n; ++i)
            v |= Bit() << i;
        return v;
    }
    void Align() { pos_ = (pos_ + 7) / 8 * 8; }
    std::size_t BytePos() const { return pos_ / 8; }
    void SkipBytes(std::size_t n) { pos_ += 8 * n; }

private:
    const std::string& s_;
    std::size_t pos_ = 0;
};

// Canonical Huffman decoding, one bit at a time (slow and simple).
class THuffman {
public:
    explicit THuffman(const std::vector<int>& lengths) {
        for (int len : lengths)
            if (len > 0) ++count_[len];
        int offs[16] = {};
        for (int i = 1; i < 16; ++i)
            offs[i] = offs[i - 1] + count_[i - 1];
        symbols_.resize(lengths.size());
        for (std::size_t s = 0; s < lengths.size(); ++s)
            if (lengths[s] > 0) symbols_[offs[lengths[s]]++] = static_cast<int>(s);
    }
    int Decode(TBitReader& in) const {
        int code = 0, first = 0, index = 0;
        for (int len = 1; len < 16; ++len) {
            code |= static_cast<int>(in.Bit());
            int count = count_[len];
            if (code - count < first) return symbols_[index + (code - first)];
            index += count;
            first += count;
            first <<= 1;
            code <<= 1;
        }
        throw std::runtime_error("bad Huffman code");
    }

private:
    int count_[16] = {};
    std::vector<int> symbols_;
};

constexpr int kLenBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                              31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr int kLenExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                               2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr int kDistBase[30] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                               33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                               1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr int kDistExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
constexpr int kOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

void DecodeSymbols(TBitReader& in, const THuffman& lit, const THuffman& dist, TBlock& block,
                   std::string& out) {
    for (;;) {
        int sym = lit.Decode(in);
        if (sym < 256) {
            out.push_back(static_cast<char>(sym));
            block.symbols.push_back({static_cast<unsigned>(sym), 0});
        } else if (sym == 256) {
            return;
        } else {
            sym -= 257;
            if (sym >= 29) throw std::runtime_error("bad length code");
            int len = kLenBase[sym] + static_cast<int>(in.Bits(kLenExtra[sym]));
            int dsym = dist.Decode(in);
            if (dsym >= 30) throw std::runtime_error("bad distance code");
            std::size_t d = static_cast<std::size_t>(kDistBase[dsym]) + in.Bits(kDistExtra[dsym]);
            if (d > out.size()) throw std::runtime_error("distance too far back");
            for (int i = 0; i < len; ++i)
                out.push_back(out[out.size() - d]);
            block.symbols.push_back({static_cast<unsigned>(len), static_cast<unsigned>(d)});
        }
    }
}

} // namespace

TDecoded DecodeDeflate(const std::string& stream) {
    TDecoded result;
    TBitReader in(stream);
    bool last = false;
    while (!last) {
        TBlock block;
        last = in.Bit() != 0;
        block.last = last;
        block.type = static_cast<int>(in.Bits(2));
        if (block.type == 0) {
            in.Align();
            unsigned len = in.Bits(16);
            unsigned nlen = in.Bits(16);
            if ((len ^ 0xFFFF) != nlen) throw std::runtime_error("stored length check fails");
            std::size_t at = in.BytePos();
            if (at + len > stream.size()) throw std::runtime_error("stored block ends early");
            result.data.append(stream, at, len);
            in.SkipBytes(len);
            block.storedLength = len;
        } else if (block.type == 1) {
            std::vector<int> l(288), d(30, 5);
            for (int i = 0; i < 288; ++i)
                l[i] = i < 144 ? 8 : i < 256 ? 9 : i < 280 ? 7 : 8;
            DecodeSymbols(in, THuffman(l), THuffman(d), block, result.data);
        } else if (block.type == 2) {
            int hlit = static_cast<int>(in.Bits(5)) + 257;
            int hdist = static_cast<int>(in.Bits(5)) + 1;
            int hclen = static_cast<int>(in.Bits(4)) + 4;
            std::vector<int> cl(19, 0);
            for (int i = 0; i < hclen; ++i)
                cl[kOrder[i]] = static_cast<int>(in.Bits(3));
            THuffman clh(cl);
            std::vector<int> lens;
            while (static_cast<int>(lens.size()) < hlit + hdist) {
                int sym = clh.Decode(in);
                if (sym < 16) {
                    lens.push_back(sym);
                } else if (sym == 16) {
                    if (lens.empty()) throw std::runtime_error("repeat without a length");
                    int n = 3 + static_cast<int>(in.Bits(2));
                    lens.insert(lens.end(), n, lens.back());
                } else {
                    int n = sym == 17 ? 3 + static_cast<int>(in.Bits(3))
                                      : 11 + static_cast<int>(in.Bits(7));
                    lens.insert(lens.end(), n, 0);
                }
            }
            if (static_cast<int>(lens.size()) != hlit + hdist)
                throw std::runtime_error("code lengths overrun");
            std::vector<int> l(lens.begin(), lens.begin() + hlit);
            std::vector<int> d(lens.begin() + hlit, lens.end());
            DecodeSymbols(in, THuffman(l), THuffman(d), block, result.data);
        } else {
            throw std::runtime_error("reserved block type");
        }
        result.blocks.push_back(std::move(block));
    }
    in.Align();
    result.consumed = in.BytePos();
    return result;
}

std::string RandomBytes(std::size_t n, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (auto& c : s)
        c = static_cast<char>(rng() & 0xFF);
    return s;
}

std::string TextBytes(std::size_t n, std::uint32_t seed) {
    static const char* const words[] = {
        "the ",   "diary ", "entry ",   "of ",      "a ",     "day ",   "\\par ", "{\\b ",
        "bold} ", "week ",  "month ",   "summary ", "wrote ", "rain ",  "and ",   "sun, ",
        "\r\n",   "Today ", "nothing ", "much ",    "12 ",    "March ", "2000. ", "{\\rtf1 "};
    std::mt19937 rng(seed);
    std::string s;
    while (s.size() < n)
        s += words[rng() % (sizeof words / sizeof *words)];
    s.resize(n);
    return s;
}

std::string PythonInflate(const std::string& stream) {
    std::string out;
    int rc = testsupport::RunCommand(
        "python3 -c \"import sys,zlib; "
        "sys.stdout.buffer.write(zlib.decompress(sys.stdin.buffer.read(), -15))\"",
        &out, stream);
    if (rc != 0) throw std::runtime_error("python zlib rejects the stream");
    return out;
}

// Inflates many streams with one Python process: each stream goes in and
// comes out with a 4-byte little-endian length in front.
std::vector<std::string> PythonInflateAll(const std::vector<std::string>& streams) {
    std::string input;
    for (const std::string& s : streams) {
        std::uint32_t n = static_cast<std::uint32_t>(s.size());
        for (int i = 0; i < 4; ++i)
            input.push_back(static_cast<char>((n >> (8 * i)) & 0xFF));
        input += s;
    }
    std::string out;
    int rc = testsupport::RunCommand("python3 -c \"import sys,zlib,struct\n"
                                     "d=sys.stdin.buffer.read();p=0;o=sys.stdout.buffer\n"
                                     "while p<len(d):\n"
                                     "  n=struct.unpack('<I',d[p:p+4])[0];p+=4\n"
                                     "  r=zlib.decompress(d[p:p+n],-15);p+=n\n"
                                     "  o.write(struct.pack('<I',len(r))+r)\"",
                                     &out, input);
    if (rc != 0) throw std::runtime_error("python zlib rejects a stream");
    std::vector<std::string> result;
    std::size_t p = 0;
    while (p + 4 <= out.size()) {
        std::uint32_t n = 0;
        for (int i = 0; i < 4; ++i)
            n |= static_cast<std::uint32_t>(static_cast<unsigned char>(out[p + i])) << (8 * i);
        p += 4;
        result.push_back(out.substr(p, n));
        p += n;
    }
    return result;
}

} // namespace deflatetest
