#include "check/line_text.h"

#include "text/text.h"

namespace qv {

namespace {

constexpr char kBlanks[] = " \t";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

unsigned Byte(std::string_view s, std::size_t i) { return static_cast<unsigned char>(s[i]); }

bool IsBlankChar(char c) { return c == ' ' || c == '\t'; }

// The length of the valid multi-byte UTF-8 sequence that starts at s[i]; 0 when none does
// (overlong forms, surrogates and code points above U+10FFFF are none).
std::size_t Utf8SequenceLength(std::string_view s, std::size_t i) {
  const unsigned b = Byte(s, i);
  const std::size_t length = b >= 0xC2 && b <= 0xDF ? 2 : b >= 0xE0 && b <= 0xEF ? 3 : b >= 0xF0 && b <= 0xF4 ? 4 : 0;
  if (length == 0 || i + length > s.size()) return 0;
  for (std::size_t k = 1; k < length; ++k)
    if (Byte(s, i + k) < 0x80 || Byte(s, i + k) > 0xBF) return 0;
  const unsigned second = Byte(s, i + 1);
  if ((b == 0xE0 && second < 0xA0) || (b == 0xED && second > 0x9F) || (b == 0xF0 && second < 0x90) ||
      (b == 0xF4 && second > 0x8F))
    return 0;
  return length;
}

// Whether every byte of the line above 0x7F belongs to a valid UTF-8 sequence; counts them.
bool IsUtf8Text(std::string_view line, std::size_t& sequences) {
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (Byte(line, i) < 0x80) continue;
    const std::size_t length = Utf8SequenceLength(line, i);
    if (length == 0) return false;
    ++sequences;
    i += length - 1;
  }
  return true;
}

}  // namespace

std::string TrimBlanks(std::string_view line) {
  const std::size_t first = line.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return std::string(line.substr(first, line.find_last_not_of(kBlanks) - first + 1));
}

bool IsBlank(std::string_view line) { return line.find_first_not_of(kBlanks) == std::string_view::npos; }

std::optional<Utf8Reading> ReadsAsUtf8(const ScriptFile& script) {
  const bool mark = script.Count() > 0 && script.Line(0).compare(0, kByteOrderMark.size(), kByteOrderMark) == 0;
  int first = -1;
  bool throughout = true;
  for (int i = 0; i < script.Count() && throughout; ++i) {
    std::size_t sequences = 0;
    throughout = IsUtf8Text(script.Line(i), sequences);
    if (sequences > 0 && first < 0) first = i;
  }
  throughout = throughout && first >= 0;
  if (!throughout && !mark) return std::nullopt;
  return Utf8Reading{mark ? 0 : first, mark, throughout};
}

std::size_t FirstNonShiftJisColumn(std::string_view line) {
  for (std::size_t i = 0; i < line.size(); ++i) {
    const unsigned b = Byte(line, i);
    if (b < 0x80 || (b >= 0xA1 && b <= 0xDF)) continue;  // ASCII and half-width katakana
    const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    const unsigned trail = i + 1 < line.size() ? Byte(line, i + 1) : 0;
    if (!lead || trail < 0x40 || trail == 0x7F || trail > 0xFC)
      return CharacterCount(line.substr(0, i), ShiftJisLeadBytes()) + 1;
    ++i;
  }
  return 0;
}

std::size_t FullWidthBackslashColumn(std::string_view line, const LeadByteTable& lead) {
  std::size_t column = 1;
  for (std::size_t i = 0; i < line.size(); ++i, ++column) {
    if (!lead[Byte(line, i)] || i + 1 == line.size()) continue;
    if (Byte(line, i) == 0x81 && Byte(line, i + 1) == 0x5F) return column;
    ++i;
  }
  return 0;
}

std::optional<std::string> BlankEnds(std::string_view text) {
  const bool start = !text.empty() && IsBlankChar(text.front());
  const bool end = !text.empty() && IsBlankChar(text.back());
  if (start && end) return "start and end";
  if (start || end) return start ? "start" : "end";
  return std::nullopt;
}

NameBlanks FileNameBlanks(std::string_view name) {
  if (name.empty()) return NameBlanks::kNone;
  const std::size_t last = name.find_last_not_of(kBlanks);
  const std::string_view trailing = name.substr(last == std::string_view::npos ? 0 : last + 1);
  if (IsBlankChar(name.front()) || trailing.find('\t') != std::string_view::npos) return NameBlanks::kKept;
  return trailing.empty() ? NameBlanks::kNone : NameBlanks::kDropped;
}

std::optional<BlankKeyword> KeywordWithBlanks(Platform& platform, const std::string& line,
                                              const std::vector<std::string>& keywords) {
  const std::string upper = platform.CharUpperBuffA(line);
  const std::size_t start = upper.find_first_not_of(kBlanks);
  if (start == std::string::npos) return std::nullopt;
  for (const std::string& keyword : keywords) {
    const std::size_t word = keyword.size() - 1;  // the keyword without its "="
    if (upper.compare(start, word, keyword, 0, word) != 0) continue;
    const std::size_t equals = upper.find_first_not_of(kBlanks, start + word);
    const bool inside = equals > start + word;
    if (equals != std::string::npos && upper[equals] == '=' && (start > 0 || inside))
      return BlankKeyword{keyword, start > 0, inside};
  }
  return std::nullopt;
}

std::optional<UnreachableName> NameNoFileCanHave(std::string_view name) {
  if (HasWildcard(name)) return UnreachableName::kWildcard;
  const bool drive =
      name.size() >= 2 && name[1] == ':' && ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'));
  if (drive || name.compare(0, 2, "\\\\") == 0) return UnreachableName::kFullPath;
  return std::nullopt;
}

}  // namespace qv
