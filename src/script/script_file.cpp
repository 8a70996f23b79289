#include "script/script_file.h"

#include "common/errors.h"
#include "common/texts.h"
#include "system/files.h"
#include "text/text.h"

namespace qv {

ScriptFile ScriptFile::FromBytes(std::string_view bytes) {
  bytes = bytes.substr(0, bytes.find('\0'));
  ScriptFile script;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    std::size_t end = bytes.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) {
      script.lines_.emplace_back(bytes.substr(pos));
      break;
    }
    script.lines_.emplace_back(bytes.substr(pos, end - pos));
    pos = end + 1;
    if (bytes[end] == '\r' && pos < bytes.size() && bytes[pos] == '\n') ++pos;
  }
  return script;
}

ScriptFile ScriptFile::Load(Platform& platform, const std::string& path) {
  return FromBytes(ReadWholeFile(platform, path));
}

const std::string& ScriptFile::Line(int index) const {
  if (index < 0 || index >= Count()) Raise<EStringListError>(texts::kListIndexError, index);
  return lines_[static_cast<std::size_t>(index)];
}

bool IsHeader(Platform& platform, const std::string& line, std::string_view name) {
  return line.size() == name.size() && platform.CharLowerBuffA(line) == name;
}

bool IsTerminator(Platform& platform, const std::string& line) { return IsHeader(platform, line, "end;"); }

std::optional<std::string> AfterKeyword(Platform& platform, const std::string& line, std::string_view keyword) {
  if (line.size() < keyword.size() || !AfterPrefix(platform.CharUpperBuffA(line.substr(0, keyword.size())), keyword))
    return std::nullopt;
  return line.substr(keyword.size());
}

bool HasSignature(Platform& platform, const std::string& line) {
  return platform.CharLowerBuffA(line).find(texts::kSignature) != std::string::npos;
}

}  // namespace qv
