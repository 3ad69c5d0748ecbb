// The reader's dispatch from a member's method number to its decoder.
#pragma once

#include <cstdint>

class TUnZipWork;

// Runs the decoder of `method` over the frame (set up for the member).
// Returns false for a method without a decoder, after showing the message
// box "Unknown Compression Method" (caption "Zip Error"); nothing is then
// decoded and the member is judged by its CRC like any other.
bool DecodeMember(TUnZipWork& work, std::uint16_t method, std::uint16_t flags);
