// RTF bytes -> rtf::Document. Accepts what the classic rich-edit control and
// word processors write, and loads as much as it can of anything else: input
// that does not start with "{\rtf" is plain text.
#pragma once

#include "rtf/rtf_document.h"

#include <string_view>

namespace rtf {

// Deepest group nesting that keeps its own state; deeper groups share the
// state of the deepest one (their braces are still counted).
constexpr int kMaxGroupDepth = 1000;

Document ParseRtf(std::string_view bytes);

// Plain text (not RTF): lines split at CR LF, LF or CR. UTF-8 when the bytes
// are valid UTF-8, windows-1252 otherwise.
Document ParsePlainText(std::string_view bytes);

} // namespace rtf
