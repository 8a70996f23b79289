// Where the script's sections stand: every header line from the second line on, its kind and
// the terminator that ends its body. The run and the checker read the script's structure here.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "script/script_file.h"
#include "seam/platform.h"

namespace qv {

enum class SectionKind { kExecution, kWarning, kDeleteReg, kCreateReg, kRenameFile, kDeleteFile };

// Each kind with its header, in the order a maker reads them listed.
struct SectionKindRow {
  SectionKind kind;
  const char* header;  // as the lower-cased line must read
};
inline constexpr SectionKindRow kSectionKinds[] = {
    {SectionKind::kExecution, headers::kExecution},   {SectionKind::kWarning, headers::kWarning},
    {SectionKind::kDeleteReg, headers::kDeleteReg},   {SectionKind::kCreateReg, headers::kCreateReg},
    {SectionKind::kRenameFile, headers::kRenameFile}, {SectionKind::kDeleteFile, headers::kDeleteFile}};

const char* HeaderOf(SectionKind kind);
// The kind whose header the whole line is, in any case.
std::optional<SectionKind> HeaderKind(Platform& platform, const std::string& line);

inline constexpr int kNoTerminator = -1;

struct Section {
  SectionKind kind;
  int header;      // the header line's index
  int terminator;  // the first terminator line after the header, or kNoTerminator
};

// The sections in the order their headers stand. Header lines are found everywhere, also inside
// another section's body.
std::vector<Section> IndexSections(Platform& platform, const ScriptFile& script);

// Calls visit(line, index) for each line of the section's body. A body without terminator runs
// to the end of the script, where reading the line after the last raises EStringListError.
template <typename Visit>
void ForEachBodyLine(const ScriptFile& script, const Section& section, Visit&& visit) {
  for (int i = section.header + 1; i != section.terminator; ++i) visit(script.Line(i), i);
}

}  // namespace qv
