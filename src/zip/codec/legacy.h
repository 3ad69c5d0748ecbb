// Decoders of the zip format's older methods: shrunk (1), reduced (2 to 5)
// and imploded (6). Nothing here writes them; they serve archives made by
// other tools. Each runs inside the decode frame (TUnZipWork): compressed
// bits come through the frame's byte reader, output goes through its slide
// buffer or output buffer and ends with FlushOutput.
//
// Like Inflate, the result is for tests and tools only: the reader judges a
// member by its CRC. 0 means the decoder reached the end it expected;
// anything else means it met data it cannot decode and stopped early, so the
// member's output is short or wrong and fails its CRC check. Exceptions of
// the frame (a short archive, cancel, output past the member's size) pass
// through.
#pragma once

#include <cstdint>

class TUnZipWork;

// Method 1: LZW with 9- to 13-bit codes and partial clearing. Stops at the
// end of the member's data. Result 1: a code size pushed past 13 bits or a
// code chain longer than the output stack (both only in corrupt data).
int UnShrink(TUnZipWork& work);

// Methods 2 to 5, factor = method - 1 (1 to 4). Decodes until the member's
// uncompressed size is reached. Result 1: a factor outside 1 to 4, a
// follower index past its set, or the data ran out long before the end.
int UnReduce(TUnZipWork& work, int factor);

// Method 6; `flags` are the member's general-purpose flags (bit 1: 8 KiB
// dictionary, bit 2: literal tree and a shortest match of 3). Decodes until
// the member's uncompressed size is reached. Result 4: a code-length list
// that is too long or too short; 1 to 3: a tree whose code cannot be built
// (incomplete, over-subscribed, out of memory) or an invalid code met while
// decoding, or the data ran out long before the end.
int Explode(TUnZipWork& work, std::uint16_t flags);
