// Deflate decoding (RFC 1951) inside the decode frame: input through the
// frame's byte reader, output through its 32 KiB sliding window.
#pragma once

class TUnZipWork;

// Decodes one deflated member from the frame's input to its output.
// Returns 0 when the final block ended and everything was handed on; else
// the failing block's result (1 corrupt data or a failure inside a block
// body, 2 block type 3, 3 out of memory), having handed on only what was
// flushed before. The caller judges the member by its CRC. Exceptions while
// a block header is read or in the final flush reach the caller; those
// inside a block body end the member with result 1.
int Inflate(TUnZipWork& work);
