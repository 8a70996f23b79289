// The uninstall script: its lines, how a section header, the terminator and a keyword are told.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "seam/platform.h"

namespace qv {

// Section header names, as a lower-cased line must read.
namespace headers {
inline constexpr char kExecution[] = "[execution]";
inline constexpr char kWarning[] = "[warning]";
inline constexpr char kDeleteReg[] = "[deletereg]";
inline constexpr char kCreateReg[] = "[createreg]";
inline constexpr char kRenameFile[] = "[renamefile]";
inline constexpr char kDeleteFile[] = "[deletefile]";
}  // namespace headers

class ScriptFile {
 public:
  // Cuts text into lines: a line ends at CR, LF or CR LF; a NUL ends the text; a break at the
  // very end adds no empty line.
  static ScriptFile FromBytes(std::string_view bytes);
  // Reads the whole file (EFOpenError when it cannot be opened) and cuts it into lines.
  static ScriptFile Load(Platform& platform, const std::string& path);

  int Count() const { return static_cast<int>(lines_.size()); }
  // Line at index; raises EStringListError when the index is out of range.
  const std::string& Line(int index) const;

 private:
  std::vector<std::string> lines_;
};

bool IsHeader(Platform& platform, const std::string& line, std::string_view name);
// The terminator line "end;" ends a body.
bool IsTerminator(Platform& platform, const std::string& line);
// When the upper-cased line begins with the keyword: the rest of the line, as written.
std::optional<std::string> AfterKeyword(Platform& platform, const std::string& line, std::string_view keyword);

// The signature "//QV-Uninstaller" stands anywhere in the line, in any case.
bool HasSignature(Platform& platform, const std::string& line);

}  // namespace qv
