#include "sections/sections.h"

namespace qv {

void ShowWarning(RunContext& run, const ScriptFile& script, const Section& section) {
  std::string text;
  bool first = true;
  ForEachBodyLine(script, section, [&](const std::string& line, int) {
    text += first ? line : "\r\n" + line;
    first = false;
  });
  // An empty body shows nothing.
  if (!first) ShowRunBox(run, RunBox::kWarning, ProgramText(text), MessageKind::kWarning);
}

}  // namespace qv
