#include "text/text.h"

#include <algorithm>

namespace qv {

LeadByteTable NoLeadBytes() { return LeadByteTable{}; }

LeadByteTable ShiftJisLeadBytes() {
  static const LeadByteTable kTable = [] {
    LeadByteTable table{};
    for (int b = 0x81; b <= 0x9F; ++b) table[b] = true;
    for (int b = 0xE0; b <= 0xFC; ++b) table[b] = true;
    return table;
  }();
  return kTable;
}

namespace {

// Bytes 0x01-0x20, in one comparison: 0x00 wraps round to 0xFF.
bool IsSeparator(char c) { return static_cast<unsigned char>(c - 1) < 0x20; }

// Whether a byte ends a stretch of a parameter copied as it is: a separator or a quote.
constexpr std::array<bool, 256> kEndsStretch = [] {
  std::array<bool, 256> table{};
  for (int b = 0x01; b <= 0x20; ++b) table[b] = true;
  table['"'] = true;
  return table;
}();

// Bytes that end a path's name or begin its extension.
enum PathByte : unsigned char { kPlainByte, kNameEnd, kExtensionStart };
constexpr std::array<PathByte, 256> kPathBytes = [] {
  std::array<PathByte, 256> table{};
  table['\\'] = table[':'] = kNameEnd;
  table['.'] = kExtensionStart;
  return table;
}();

// Reads one parameter of a line without NUL starting at pos; returns the position after it.
// Stretches between quotes and between the quotes and separators are copied whole.
std::size_t NextParameter(std::string_view line, std::size_t pos, std::string& parameter) {
  parameter.clear();
  const std::size_t n = line.size();
  for (;;) {
    while (pos < n && IsSeparator(line[pos])) ++pos;
    if (pos + 1 < n && line[pos] == '"' && line[pos + 1] == '"') {
      pos += 2;
      continue;
    }
    break;
  }
  while (pos < n && !IsSeparator(line[pos])) {
    std::size_t end = pos;
    if (line[pos] == '"') {
      end = std::min(line.find('"', pos + 1), n);  // an unclosed quote runs to the end
      parameter.append(line, pos + 1, end - pos - 1);
      pos = end < n ? end + 1 : n;
    } else {
      while (end < n && !kEndsStretch[static_cast<unsigned char>(line[end])]) ++end;
      parameter.append(line, pos, end - pos);
      pos = end;
    }
  }
  return pos;
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view line) {
  line = line.substr(0, line.find('\0'));
  std::vector<std::string> parameters;
  std::string parameter;
  std::size_t pos = NextParameter(line, 0, parameter);  // the program's own token
  for (;;) {
    pos = NextParameter(line, pos, parameter);
    if (parameter.empty()) break;
    parameters.push_back(parameter);
  }
  return parameters;
}

std::size_t LastDelimiter(std::string_view s, std::string_view delimiters, const LeadByteTable& lead) {
  std::size_t found = std::string_view::npos;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (lead[static_cast<unsigned char>(s[i])] && i + 1 < s.size()) {
      ++i;  // the second byte of a double-byte character is never a delimiter
      continue;
    }
    if (delimiters.find(s[i]) != std::string_view::npos) found = i;
  }
  return found;
}

PathParts SplitPath(std::string_view path, const LeadByteTable& lead) {
  PathParts parts{0, std::string_view::npos};
  for (std::size_t i = 0; i < path.size(); ++i) {
    const auto c = static_cast<unsigned char>(path[i]);
    if (lead[c] && i + 1 < path.size()) {
      ++i;  // the second byte of a double-byte character is never a delimiter
    } else if (kPathBytes[c] == kNameEnd) {
      parts.nameStart = i + 1;
      parts.extensionStart = std::string_view::npos;
    } else if (kPathBytes[c] == kExtensionStart) {
      parts.extensionStart = i;
    }
  }
  return parts;
}

std::string FolderPart(std::string_view path, const LeadByteTable& lead) {
  return std::string(path.substr(0, SplitPath(path, lead).nameStart));
}

std::string FileNamePart(std::string_view path, const LeadByteTable& lead) {
  return std::string(path.substr(SplitPath(path, lead).nameStart));
}

std::string ExtensionPart(std::string_view path, const LeadByteTable& lead) {
  const std::size_t start = SplitPath(path, lead).extensionStart;
  return start == std::string_view::npos ? std::string() : std::string(path.substr(start));
}

namespace {

template <typename Name>
std::vector<Name> PathNames(std::string_view path, std::string_view separators, const LeadByteTable& lead) {
  std::vector<Name> names;
  names.reserve(8);  // most paths have fewer names: one allocation
  std::size_t start = 0;
  auto endName = [&](std::size_t end) {
    if (end > start) names.emplace_back(path.substr(start, end - start));
    start = end + 1;
  };
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (lead[static_cast<unsigned char>(path[i])] && i + 1 < path.size())
      ++i;  // the second byte of a double-byte character is never a separator
    else if (separators.find(path[i]) != std::string_view::npos)
      endName(i);
  }
  endName(path.size());
  return names;
}

}  // namespace

std::vector<std::string> SplitPathNames(std::string_view path, std::string_view separators, const LeadByteTable& lead) {
  return PathNames<std::string>(path, separators, lead);
}

std::vector<std::string_view> PathNameViews(std::string_view path, std::string_view separators,
                                            const LeadByteTable& lead) {
  return PathNames<std::string_view>(path, separators, lead);
}

bool HasWildcard(std::string_view path) { return path.find_first_of("*?") != std::string_view::npos; }

std::string_view WithoutTrailingBlanksAndDots(std::string_view name) {
  const std::size_t end = name.find_last_not_of(" .");
  return name.substr(0, end == std::string_view::npos ? 0 : end + 1);
}

bool MatchesWildcard(const char* pattern, const char* text) {
  const char* star = nullptr;    // the latest "*" seen
  const char* resume = nullptr;  // where the text it matches ends so far
  while (*text) {
    if (*pattern == '*') {
      star = pattern++;
      resume = text;
    } else if (*pattern == '?' || *pattern == *text) {
      ++pattern;
      ++text;
    } else if (star) {
      pattern = star + 1;
      text = ++resume;
    } else {
      return false;
    }
  }
  while (*pattern == '*') ++pattern;
  return *pattern == '\0';
}

std::size_t CharacterCount(std::string_view s, const LeadByteTable& lead) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < s.size(); ++i, ++count)
    if (lead[static_cast<unsigned char>(s[i])] && i + 1 < s.size()) ++i;
  return count;
}

std::string HexNumber(std::uint32_t value) {
  std::string digits;
  do {
    digits.insert(digits.begin(), "0123456789abcdef"[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  return "0x" + digits;
}

std::string Counted(std::size_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string JoinedList(const std::vector<std::string>& items) {
  std::string text;
  for (std::size_t i = 0; i < items.size(); ++i)
    text += (i == 0 ? "" : i + 1 == items.size() ? " and " : ", ") + items[i];
  return text;
}

std::string CutAtCharBoundary(std::string_view s, std::size_t maxBytes, const LeadByteTable& lead) {
  std::size_t end = 0;
  while (end < s.size()) {
    std::size_t width = (lead[static_cast<unsigned char>(s[end])] && end + 1 < s.size()) ? 2 : 1;
    if (end + width > maxBytes) break;
    end += width;
  }
  return std::string(s.substr(0, end));
}

std::optional<std::string> AfterPrefix(std::string_view text, std::string_view prefix) {
  if (text.substr(0, prefix.size()) != prefix) return std::nullopt;
  return std::string(text.substr(prefix.size()));
}

}  // namespace qv
