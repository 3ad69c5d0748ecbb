#include "zip/codec/unzip_work.h"

#include "zip/codec/crc32.h"
#include "zip/exceptions.h"
#include "zip/hooks.h"
#include "zip/stream.h"
#include "zip/zip_crypt.h"
#include "zip/zip_utils.h"

#include <algorithm>
#include <cstring>

TUnZipWork::TUnZipWork()
    : SlideBuf(new std::uint8_t[kSlideSize]), InBuf(new std::uint8_t[kInBufSize]),
      OutBuf(new std::uint8_t[kOutBufSize]) {
    InPtr = InBuf.get();
    OutPtr = OutBuf.get();
}

void TUnZipWork::StartMember(TStream& input, TStream& output, std::int64_t compressedSize,
                             std::int64_t uncompressedSize, TZipKeys* keys) {
    Input = &input;
    Output = &output;
    // Room for the member's output at once. The header's size is believed
    // only as far as the data could make it (deflate expands at most 1,032
    // times): a header that claims gigabytes over a few bytes reserves little.
    const std::int64_t couldMake = std::max<std::int64_t>(compressedSize, 0) * 1032 + 65536;
    output.Reserve(output.Position() + std::clamp<std::int64_t>(uncompressedSize, 0, couldMake));
    Keys = keys;
    Countdown = compressedSize;
    ReadAhead = compressedSize;
    UncompressedSize = uncompressedSize;
    LastByte = 0;
    BitBuf = 0;
    BitCount = 0;
    ZipEof = false;
    BytesDone = 0;
    Crc = 0xFFFFFFFFu;
    InPtr = InBuf.get();
    InCount = 0;
    OutPtr = OutBuf.get();
    OutCount = 0;
    TableCount = 0;
}

void TUnZipWork::CheckCancel() {
    if (DoProcessMessages) ProcessPendingMessages();
    if (CancelFlag && *CancelFlag) {
        *CancelFlag = false;
        throw EUserCanceled("User Aborted Operation");
    }
}

bool TUnZipWork::FillInput() {
    CheckCancel();
    std::int64_t n = std::min<std::int64_t>(kChunk, std::max<std::int64_t>(ReadAhead, 0));
    ReadAhead -= n;
    if (n == 0) return false;
    std::int64_t got = Input->Read(InBuf.get(), n);
    if (got < n) throw EFatalUnzipError("Premature end of file reached");
    if (Keys) Keys->DecryptBuffer(InBuf.get(), static_cast<std::size_t>(n));
    InPtr = InBuf.get();
    InCount = static_cast<unsigned>(n);
    return true;
}

void TUnZipWork::ReadBits(unsigned n, std::uint32_t& x) {
    if (BitCount < n) {
        ZipEof = true;
        std::uint8_t b = LastByte;
        while (BitCount <= 24 && ReadByte(b) == 8) {
            BitBuf |= static_cast<std::uint64_t>(b) << BitCount;
            BitCount += 8;
            ZipEof = false;
        }
    }
    x = static_cast<std::uint32_t>(BitBuf & ((std::uint64_t{1} << n) - 1));
    BitBuf >>= n;
    // Bits that never came read as zeros; the count does not wrap below 0.
    BitCount = BitCount > n ? BitCount - n : 0;
}

void TUnZipWork::FlushWindow(unsigned n) {
    const std::uint8_t* p = SlideBuf.get();
    n = std::min(n, kSlideSize);
    while (n > 0) {
        if (OutCount == 0 && n >= kChunk) {
            // A whole block straight from the window: same bytes, same block
            // boundaries as going through the output buffer, one copy less.
            HandOn(p, kChunk);
            p += kChunk;
            n -= kChunk;
            continue;
        }
        unsigned piece = std::min(n, kChunk - OutCount);
        std::memcpy(OutPtr, p, piece);
        OutPtr += piece;
        OutCount += piece;
        p += piece;
        n -= piece;
        if (OutCount == kChunk) FlushOutput();
    }
}

void TUnZipWork::FlushOutput() {
    if (OutCount == 0) return;
    unsigned count = OutCount;
    OutCount = 0;
    OutPtr = OutBuf.get();
    HandOn(OutBuf.get(), count);
}

void TUnZipWork::HandOn(const std::uint8_t* data, unsigned count) {
    if (Output->Position() + count > UncompressedSize)
        throw EBiggerThanUncompressed("File is larger than uncompressed size!");
    Output->WriteBuffer(data, count);
    Crc = CrcUpdate(Crc, data, count);
    BytesDone += count;
    if (OnFilePercentDone) OnFilePercentDone(CalcPercent64(UncompressedSize, BytesDone));
    TotalDone += count;
    if (OnTotalPercentDone) OnTotalPercentDone(CalcPercent64(TotalToDo, TotalDone));
}

void UnStore(TUnZipWork& g) {
    auto remainderChunk = [&g] {
        return static_cast<unsigned>(std::clamp<std::int64_t>(g.ReadAhead, 0, TUnZipWork::kChunk));
    };
    g.OutCount = remainderChunk();
    while (g.ReadAhead > 0) {
        g.CheckCancel();
        unsigned n = remainderChunk();
        g.ReadAhead -= n;
        if (g.Input->Read(g.OutBuf.get(), n) < n)
            throw EFatalUnzipError("Premature end of file reached");
        if (g.Keys) g.Keys->DecryptBuffer(g.OutBuf.get(), n);
        g.OutCount = n;
        g.FlushOutput();
        g.OutCount = remainderChunk();
    }
    g.OutCount = 0;
    g.OutPtr = g.OutBuf.get();
}
