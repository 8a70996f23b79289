#include "system/text.h"

namespace qv {

LeadByteTable NoLeadBytes() { return LeadByteTable{}; }

LeadByteTable ShiftJisLeadBytes() {
  LeadByteTable table{};
  for (int b = 0x81; b <= 0x9F; ++b) table[b] = true;
  for (int b = 0xE0; b <= 0xFC; ++b) table[b] = true;
  return table;
}

namespace {

bool IsSeparator(char c) {
  auto b = static_cast<unsigned char>(c);
  return b >= 0x01 && b <= 0x20;
}

// Reads one parameter starting at pos; returns the position after it.
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
  while (pos < n && line[pos] != '\0' && !IsSeparator(line[pos])) {
    if (line[pos] == '"') {
      ++pos;
      while (pos < n && line[pos] != '\0' && line[pos] != '"') parameter += line[pos++];
      if (pos < n && line[pos] == '"') ++pos;
    } else {
      parameter += line[pos++];
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
  // One look-up per byte, whatever the number of delimiters.
  std::array<bool, 256> isDelimiter{};
  for (char delimiter : delimiters) isDelimiter[static_cast<unsigned char>(delimiter)] = true;
  std::size_t found = std::string_view::npos;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const auto byte = static_cast<unsigned char>(s[i]);
    if (lead[byte] && i + 1 < s.size()) {
      ++i;  // the second byte of a double-byte character is never a delimiter
      continue;
    }
    if (isDelimiter[byte]) found = i;
  }
  return found;
}

std::string FolderPart(std::string_view path, const LeadByteTable& lead) {
  std::size_t i = LastDelimiter(path, "\\:", lead);
  return i == std::string_view::npos ? std::string() : std::string(path.substr(0, i + 1));
}

std::string FileNamePart(std::string_view path, const LeadByteTable& lead) {
  std::size_t i = LastDelimiter(path, "\\:", lead);
  return std::string(i == std::string_view::npos ? path : path.substr(i + 1));
}

std::string ExtensionPart(std::string_view path, const LeadByteTable& lead) {
  std::size_t i = LastDelimiter(path, ".\\:", lead);
  if (i == std::string_view::npos || path[i] != '.') return {};
  return std::string(path.substr(i));
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
