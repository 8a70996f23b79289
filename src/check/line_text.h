// How a script's lines are written, apart from what their entries mean: the file's encoding,
// blanks and tabs at the ends of names and around a keyword, and file names that no file can have.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "script/script_file.h"
#include "seam/platform.h"
#include "text/text.h"

namespace qv {

// The line without the blanks and tabs at its ends.
std::string TrimBlanks(std::string_view line);
// The line holds nothing but blanks and tabs.
bool IsBlank(std::string_view line);

// Where a script shows that it was saved as UTF-8: the first line with a byte above 0x7F, when
// every such byte of the file belongs to a valid multi-byte UTF-8 sequence, or line 0 when the
// file begins with a UTF-8 byte-order mark. Nothing for a file that does not read so.
struct Utf8Reading {
  int line;
  bool byteOrderMark;
  bool throughout;  // every byte above 0x7F is UTF-8 text
};
std::optional<Utf8Reading> ReadsAsUtf8(const ScriptFile& script);

// The column, counted in characters from 1, of the first byte of the line that is not Shift-JIS
// text; 0 when there is none.
std::size_t FirstNonShiftJisColumn(std::string_view line);

// The column, counted in characters from 1, of the first full-width backslash (Shift-JIS 0x81
// 0x5F), which the run takes for a character of a name and not for a separator; 0 when there is none.
std::size_t FullWidthBackslashColumn(std::string_view line, const LeadByteTable& lead);

// Where blanks or tabs stand at the ends of a text: "start", "end", "start and end"; nothing
// when at neither.
std::optional<std::string> BlankEnds(std::string_view text);

// What the system makes of blanks and tabs at the ends of a file's name: it drops blanks at the
// end of the last name, and keeps a blank at its start (a tab it takes in no name).
enum class NameBlanks { kNone, kDropped, kKept };
NameBlanks FileNameBlanks(std::string_view name);

// The keyword of a section that the line would be without blanks or tabs before it or before
// its "=" ("\tKEY=...", "APPNAME = x"), and where those blanks stand; nothing otherwise.
struct BlankKeyword {
  std::string keyword;
  bool before;  // blanks or tabs before the keyword
  bool inside;  // blanks or tabs between its word and its "="
};
std::optional<BlankKeyword> KeywordWithBlanks(Platform& platform, const std::string& line,
                                              const std::vector<std::string>& keywords);

// Why an entry's file name (after its prefix) can name no file, whatever the disk holds: a full
// path (a drive letter, or "\\" at its start) or a wildcard; nothing otherwise.
enum class UnreachableName { kFullPath, kWildcard };
std::optional<UnreachableName> NameNoFileCanHave(std::string_view name);

}  // namespace qv
