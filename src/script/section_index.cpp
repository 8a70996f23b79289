#include "script/section_index.h"

#include <iterator>

namespace qv {

namespace {

int TerminatorAfter(Platform& platform, const ScriptFile& script, int header) {
  for (int i = header + 1; i < script.Count(); ++i)
    if (IsTerminator(platform, script.Line(i))) return i;
  return kNoTerminator;
}

// HeaderOf finds a kind's row at the kind's own place.
static_assert([] {
  for (int i = 0; i < static_cast<int>(std::size(kSectionKinds)); ++i)
    if (static_cast<int>(kSectionKinds[i].kind) != i) return false;
  return true;
}());

}  // namespace

const char* HeaderOf(SectionKind kind) { return kSectionKinds[static_cast<int>(kind)].header; }

std::optional<SectionKind> HeaderKind(Platform& platform, const std::string& line) {
  for (const SectionKindRow& row : kSectionKinds)
    if (IsHeader(platform, line, row.header)) return row.kind;
  return std::nullopt;
}

std::vector<Section> IndexSections(Platform& platform, const ScriptFile& script) {
  std::vector<Section> sections;
  for (int i = 1; i < script.Count(); ++i)
    if (const std::optional<SectionKind> kind = HeaderKind(platform, script.Line(i)))
      sections.push_back({*kind, i, TerminatorAfter(platform, script, i)});
  return sections;
}

}  // namespace qv
