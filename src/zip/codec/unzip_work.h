// The decode frame: the work area a reader shares between all the members it
// extracts, and the input and output paths every decoder goes through. Its
// buffers hold nothing a member relies on: StartMember resets the per-member
// state, and every decoder starts each member afresh.
//
// Input: decoders pull compressed bytes with ReadByte, which reads the
// member's data from the input stream in chunks of at most 16,000 bytes,
// never past the member (the read-ahead remainder), and decrypts each chunk
// in place when the member is encrypted. When the member's bytes are used up
// ReadByte answers 0 and leaves the caller's byte as it was, so a bit reader
// sees the last byte again as filler; the countdown keeps going below zero
// and so tells how much filler was handed out.
//
// Output: decoders push bytes with OutByte (or through the sliding window
// and FlushWindow); FlushOutput hands each block of up to 16,000 bytes on:
// the size check against the member's uncompressed size (measured at the
// output stream's position), the write, the running CRC, the progress
// events.
//
// The frame knows nothing of archives: the reader plugs in the archive
// stream, its keys and the caller's stream; tests and fuzzers plug in memory
// streams. (The old component could also decode into caller memory buffers;
// nothing in this program asks for that, so those modes are not here.)
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

class TStream;
class TZipKeys;
struct TInflateScratch;

class TUnZipWork {
public:
    static constexpr unsigned kSlideSize = 32780;
    static constexpr unsigned kWindowSize = 32768;
    static constexpr unsigned kInBufSize = 16001;
    static constexpr unsigned kOutBufSize = 16001;
    static constexpr unsigned kChunk = 16000;

    // Allocates the three buffers; they live as long as the frame.
    TUnZipWork();
    TUnZipWork(const TUnZipWork&) = delete;
    TUnZipWork& operator=(const TUnZipWork&) = delete;

    // Prepares the frame for one member. The input stream must stand at the
    // member's first byte of compressed data (after an encryption header);
    // `keys` is the key state left by a passing password check, or null for
    // a member that is not encrypted. Both streams must outlive the member.
    void StartMember(TStream& input, TStream& output, std::int64_t compressedSize,
                     std::int64_t uncompressedSize, TZipKeys* keys = nullptr);

    // --- the shared operations of every decoder ---

    // 8 with the next compressed byte in b; 0 at the end of the member's
    // data, b unchanged.
    int ReadByte(std::uint8_t& b) {
        if (Countdown <= 0) {
            --Countdown;
            return 0;
        }
        --Countdown;
        if (InCount == 0 && !FillInput()) return 0;
        --InCount;
        b = LastByte = *InPtr++;
        return 8;
    }
    // Appends whole bytes above the held bits until at least n (<= 56) are held.
    void NeedBits(unsigned n) {
        while (BitCount < n) {
            std::uint8_t b = LastByte;
            ReadByte(b);
            BitBuf |= static_cast<std::uint64_t>(b) << BitCount;
            BitCount += 8;
        }
    }
    void DumpBits(unsigned n) {
        BitBuf >>= n;
        BitCount -= n;
    }
    // The bit reader of the LZW-style decoders (n <= 24): sets ZipEof when
    // fewer than n bits are held and no byte comes; missing bits read as 0.
    void ReadBits(unsigned n, std::uint32_t& x);
    void OutByte(std::uint8_t b) {
        *OutPtr++ = b;
        if (++OutCount == kChunk) FlushOutput();
    }
    // Hands the first n bytes of the slide buffer on, through the output
    // buffer in blocks of at most 16,000 bytes.
    void FlushWindow(unsigned n);
    // Hands the output buffer on: size check (EBiggerThanUncompressed "File
    // is larger than uncompressed size!"), write, CRC, progress.
    void FlushOutput();
    // Hands count bytes on as one output block, as FlushOutput does with the
    // output buffer; for a decoder that keeps its output in a window of its own.
    void HandOn(const std::uint8_t* data, unsigned count);

    // The finished CRC-32 of what was handed on for this member.
    std::uint32_t FinalCrc() const { return ~Crc; }
    // Bytes of filler ReadByte handed out past the member's end.
    std::int64_t FillerBytes() const { return Countdown < 0 ? -Countdown : 0; }

    // --- buffers (allocated once) ---
    std::unique_ptr<std::uint8_t[]> SlideBuf, InBuf, OutBuf;
    std::uint8_t* Slide() { return SlideBuf.get(); }
    // Inflate's window and tables: made for the frame's first deflated member
    // and kept for the others.
    std::unique_ptr<TInflateScratch, void (*)(TInflateScratch*)> InflateScratch{nullptr, nullptr};

    // --- per member state ---
    TStream* Input = nullptr;
    TStream* Output = nullptr;
    TZipKeys* Keys = nullptr;
    std::int64_t Countdown = 0;        // compressed bytes ReadByte may still deliver
    std::int64_t ReadAhead = 0;        // compressed bytes not yet read from the input
    std::int64_t UncompressedSize = 0; // explode and unreduce count this down
    std::uint8_t LastByte = 0;
    std::uint64_t BitBuf = 0; // first stream bit in bit 0
    unsigned BitCount = 0;
    bool ZipEof = false;
    std::int64_t BytesDone = 0;
    std::uint32_t Crc = 0xFFFFFFFFu; // running, not complemented
    std::uint8_t* InPtr = nullptr;
    unsigned InCount = 0;
    std::uint8_t* OutPtr = nullptr;
    unsigned OutCount = 0;
    std::int64_t TableCount = 0; // lookup-table entries built for this member

    // --- run-wide settings, filled by the reader ---
    bool DoProcessMessages = false;
    bool* CancelFlag = nullptr; // cleared and acted on when found set
    std::function<void(int)> OnFilePercentDone;
    std::function<void(int)> OnTotalPercentDone;
    std::int64_t TotalDone = 0; // bytes handed on in the whole run
    std::int64_t TotalToDo = 0;

    // The cancel check made before every chunk read: processes pending
    // messages when asked to, then raises EUserCanceled "User Aborted
    // Operation" when the cancel flag is set (clearing it).
    void CheckCancel();

private:
    // Reads the next chunk into the input buffer; false when none is left.
    bool FillInput();
};

// Method 0: copies the member's bytes in chunks of at most 16,000 bytes,
// decrypting them when the member is encrypted. A short archive raises
// EFatalUnzipError "Premature end of file reached".
void UnStore(TUnZipWork& work);
