// Pure text functions: command-line splitting and path parts that know double-byte characters.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// For each byte value: whether it leads a double-byte character of the ANSI code page.
using LeadByteTable = std::array<bool, 256>;

// The table of a system without double-byte support: no byte leads.
LeadByteTable NoLeadBytes();
// The table of code page 932 (Shift-JIS): 0x81-0x9F and 0xE0-0xFC.
LeadByteTable ShiftJisLeadBytes();

// The parameters after the program's own token, up to (not including) the first empty one.
// Bytes 0x01-0x20 separate; a quoted stretch keeps them; an empty pair of quotes where a
// parameter would start is skipped; there is no escape character.
std::vector<std::string> SplitCommandLine(std::string_view line);

// Index of the last byte of s that equals one of delimiters and is not the second byte of a
// double-byte character; npos when there is none.
std::size_t LastDelimiter(std::string_view s, std::string_view delimiters, const LeadByteTable& lead);

// Where a path's file name and extension begin, found in one pass: the name after the last "\"
// or ":" (0 when there is none), the extension at the last "." when no "\" or ":" follows it
// (npos when there is none).
struct PathParts {
  std::size_t nameStart;
  std::size_t extensionStart;
};
PathParts SplitPath(std::string_view path, const LeadByteTable& lead);

// Everything up to and including the last "\" or ":".
std::string FolderPart(std::string_view path, const LeadByteTable& lead);
// Everything after the last "\" or ":".
std::string FileNamePart(std::string_view path, const LeadByteTable& lead);
// From the last "." to the end, when no "\" or ":" follows it; otherwise empty.
std::string ExtensionPart(std::string_view path, const LeadByteTable& lead);

// The names between the separators of a path, a separator byte that is the second byte of a
// double-byte character ("\x95\x5C") counting as part of its character; empty names are left out.
std::vector<std::string> SplitPathNames(std::string_view path, std::string_view separators, const LeadByteTable& lead);
// The same names, as views into path.
std::vector<std::string_view> PathNameViews(std::string_view path, std::string_view separators,
                                            const LeadByteTable& lead);

// Whether the path holds the system's wildcards "*" or "?".
bool HasWildcard(std::string_view path);

// The name without the blanks and dots at its end, which the system drops from a file name.
std::string_view WithoutTrailingBlanksAndDots(std::string_view name);

// The rest of text after prefix, when text begins with it (bytes compared as they are).
std::optional<std::string> AfterPrefix(std::string_view text, std::string_view prefix);

// Whether text matches pattern, where "*" stands for any run of bytes and "?" for any one byte
// (the system's wildcards; compare upper-cased copies to match without regard to case). Only the
// latest "*" is ever retried, so many stars take time in proportion to pattern times text.
bool MatchesWildcard(const char* pattern, const char* text);

// The number of characters in s, a double-byte character counting as one.
std::size_t CharacterCount(std::string_view s, const LeadByteTable& lead);

// A number for people: "0x1a"; "1 value", "2 values".
std::string HexNumber(std::uint32_t value);
std::string Counted(std::size_t count, const char* one, const char* many);
// A list for people: "a", "a and b", "a, b and c".
std::string JoinedList(const std::vector<std::string>& items);

// The longest prefix of s of at most maxBytes bytes that ends on a character boundary.
std::string CutAtCharBoundary(std::string_view s, std::size_t maxBytes, const LeadByteTable& lead);

}  // namespace qv
