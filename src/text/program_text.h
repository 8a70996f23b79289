// The program's texts are code page 932 bytes: its own, the script's, and, where the system's
// ANSI code page is another, what the system gave as well. There the system's texts reach the
// program through the wide calls and are written in code page 932; a character that code page
// has no bytes of its own for is written as an escape: the pair 0x81 0x7F, then four half-width
// katakana 0xA1-0xB0, one for each hexadecimal digit of its UTF-16 unit. 0x81 is a lead byte and
// 0x7F no trail byte of code page 932, so the pair is no character there; the katakana are
// single-byte characters. Every rule that reads a path or a name takes a lead byte together with
// the byte after it, so it reads an escape as that pair and four characters, none of them a
// delimiter, a wildcard, a blank, a dot or a letter, and upper- or lower-casing leaves it as it is.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "seam/platform.h"
#include "seam/wide_calls.h"
#include "text/text.h"

namespace qv {

constexpr std::uint32_t kProgramCodePage = 932;

// 6 when an escape starts at the byte, else 0. Only its shape is seen: whether the system has
// bytes of its own for the unit is asked by ReadProgramText.
std::size_t EscapeLengthAt(std::string_view bytes, std::size_t at);

// The bytes the text would take in code page 932 if each escaped character took the two bytes of
// a double-byte character: what a buffer sized for code page 932 must hold.
std::size_t BytesIn932(std::string_view text);

// The text in code page 932, each UTF-16 unit that the system cannot write in it escaped.
std::string ProgramTextFromWide(WideCalls& system, const std::u16string& text);

// The bytes as UTF-16: characters of code page 932 as the system reads them, escapes as their
// unit. An escape of a unit that code page has bytes for is no escape (so no script can name a
// "\" or a letter that the program's rules did not see as one): its bytes are read as they are.
// Nothing when a byte sequence is not valid, or there are no bytes.
std::optional<std::u16string> ReadProgramText(Platform& system, WideCalls& wide, std::string_view bytes);

// A text value's bytes as its UTF-16 units, little-endian (a last odd byte is no unit), and back.
std::u16string Utf16Units(std::string_view bytes);
std::string Utf16Bytes(const std::u16string& units);

// The bytes as UTF-16, converted whole when they are valid. Otherwise character by character
// (an escape of code page 932 as one): a character that is not valid gives U+FFFD, and a second
// byte below 0x80 after it (a line break after a broken lead byte, say) is read again as a
// character of its own, so nothing is lost.
std::u16string WidenText(Platform& platform, std::uint32_t codePage, std::string_view bytes, const LeadByteTable& lead);

}  // namespace qv
