// The code pages the in-memory system knows (932, 936, 949, 1252 and UTF-8, 65001), modelled on
// the host's converter: what MultiByteToWideChar and WideCharToMultiByte give there.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "text/text.h"

namespace qv {

// MultiByteToWideChar with MB_ERR_INVALID_CHARS: nothing when a character is not valid, or the
// code page unknown.
std::optional<std::u16string> DecodeCodePage(std::uint32_t codePage, std::string_view bytes);
// WideCharToMultiByte with WC_NO_BEST_FIT_CHARS: nothing when a character has no bytes of its own
// (a unit that would not be read back as itself), or the code page is unknown.
std::optional<std::string> EncodeCodePage(std::uint32_t codePage, const std::u16string& text);
// The lead bytes of a double-byte code page; none for the others.
LeadByteTable LeadBytesOfCodePage(std::uint32_t codePage);

}  // namespace qv
