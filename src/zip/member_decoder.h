// The reader's dispatch from a member's method number to its decoder.
#pragma once

#include <cstdint>

class TUnZipWork;

// Runs the decoder of `method` over the frame (set up for the member).
// Returns false for a method without a decoder: nothing is then decoded, and
// the reader says so (the message "Unknown Compression Method", or its
// LastFault) and judges the member by its CRC like any other.
bool DecodeMember(TUnZipWork& work, std::uint16_t method, std::uint16_t flags);
