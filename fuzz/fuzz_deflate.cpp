// The encoder over inputs of any content: the first byte picks the level and
// the size of the pieces the input arrives in, the second how often the rest
// is repeated (each copy a little changed) to make the member's data, so that
// small inputs still slide the window and fill the chains.
// The output must inflate back to the input with the right CRC, and be the
// same bytes whether the input comes whole or in pieces, whether the
// encoder is fresh or has deflated other members before, and whether it
// finds its matches through the keyed chains or the three-byte chains alone.
#include "zip/codec/crc32.h"
#include "zip/codec/deflate.h"
#include "zip/codec/inflate.h"
#include "zip/codec/unzip_work.h"
#include "zip/stream.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

class TPiecesIO : public TDeflateIO {
public:
    TPiecesIO(const std::string& input, unsigned piece) : input_(input), piece_(piece) {}
    unsigned ReadInput(std::uint8_t* buffer, unsigned count) override {
        const std::size_t n = std::min<std::size_t>({count, piece_, input_.size() - pos_});
        std::memcpy(buffer, input_.data() + pos_, n);
        pos_ += n;
        return static_cast<unsigned>(n);
    }
    void WriteOutput(const std::uint8_t* buffer, unsigned count) override {
        output.append(reinterpret_cast<const char*>(buffer), count);
    }
    std::string output;

private:
    const std::string& input_;
    std::size_t pos_ = 0;
    std::size_t piece_;
};

std::string Deflate(TDeflater& deflater, const std::string& input, int level, unsigned piece,
                    std::uint16_t& method) {
    TPiecesIO io(input, piece);
    std::uint16_t flags = 0, attributes = 2;
    const std::uint32_t size = deflater.Deflate(io, level, flags, method, attributes);
    if (size != io.output.size()) std::abort();
    return io.output;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const int level = 1 + data[0] % 9;
    const unsigned piece = 1 + (data[0] / 9) * 7; // 1 to 198 bytes
    const std::string unit(reinterpret_cast<const char*>(data) + 2, size - 2);
    std::string input = unit;
    if (!unit.empty()) {
        for (unsigned copy = 1; copy <= data[1] && input.size() < 100000; ++copy) {
            input += unit;
            input[input.size() - 1 - (copy * 31) % unit.size()] ^= static_cast<char>(copy);
        }
    }

    static TDeflater used; // keeps whatever the previous inputs left behind
    TDeflater fresh;
    std::uint16_t method = 8, methodPieces = 8;
    const std::string whole = Deflate(fresh, input, level, 65535, method);
    if (Deflate(used, input, level, piece, methodPieces) != whole || methodPieces != method)
        std::abort();
    TDeflater plain;
    plain.PlainSearch = true;
    std::uint16_t methodPlain = 8;
    if (Deflate(plain, input, level, 65535, methodPlain) != whole || methodPlain != method)
        std::abort();

    if (method == 0) {
        if (whole != input) std::abort();
        return 0;
    }
    static TUnZipWork work;
    TMemoryStream in(whole), out;
    work.StartMember(in, out, static_cast<std::int64_t>(whole.size()),
                     static_cast<std::int64_t>(input.size()));
    if (Inflate(work) != 0 || out.ToString() != input ||
        work.FinalCrc() != Crc32Of(input.data(), input.size()))
        std::abort();
    return 0;
}
