#include "boxes/message_box.h"

#include <string_view>
#include <vector>

#include "text/program_text.h"

namespace qv {

namespace {

bool Leads(const LeadByteTable& lead, char c) { return lead[static_cast<unsigned char>(c)]; }

}  // namespace

std::u16string WideText(Platform& platform, const SystemInfo& system, const MixedText& text) {
  const LeadByteTable shiftJis = ShiftJisLeadBytes();
  std::u16string wide;
  for (const TextPart& part : text.parts()) {
    if (part.origin == TextOrigin::kProgram)
      wide += WidenText(platform, kProgramCodePage, part.bytes, shiftJis);
    else
      wide += WidenText(platform, system.ansiCodePage, part.bytes, system.leadBytes);
  }
  return wide;
}

int ShowMessage(Platform& platform, const MixedText& text, MessageKind kind, const char* caption) {
  return platform.MessageBoxA(text.Bytes(), caption, static_cast<std::uint32_t>(kind));
}

// One walk over the bytes, as over one string, so that on a system of code page 932 (where both
// tables are the same) the cut falls where it falls in the joined bytes. A text within the limit
// is kept whole, and a longer one is read no further than the byte after the limit.
MixedText CutAtCharBoundary(const MixedText& text, std::size_t maxBytes, const SystemInfo& system) {
  std::size_t total = 0;
  for (const TextPart& part : text.parts()) total += part.bytes.size();
  if (total <= maxBytes) return text;
  const LeadByteTable shiftJis = ShiftJisLeadBytes();
  std::vector<bool> leads;  // for each byte: whether it leads a character in its part's code page
  for (const TextPart& part : text.parts()) {
    const LeadByteTable& lead = part.origin == TextOrigin::kProgram ? shiftJis : system.leadBytes;
    for (std::size_t i = 0; i < part.bytes.size() && leads.size() <= maxBytes; ++i)
      leads.push_back(Leads(lead, part.bytes[i]));
  }
  std::size_t end = 0;
  while (end < leads.size()) {
    const std::size_t width = leads[end] && end + 1 < leads.size() ? 2 : 1;
    if (end + width > maxBytes) break;
    end += width;
  }
  MixedText cut;
  std::size_t start = 0;
  for (const TextPart& part : text.parts()) {
    if (start >= end) break;
    cut.Append(part.origin, part.bytes.substr(0, end - start));
    start += part.bytes.size();
  }
  return cut;
}

}  // namespace qv
