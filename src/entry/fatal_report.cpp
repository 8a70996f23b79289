#include "entry/fatal_report.h"

#include "boxes/message_box.h"
#include "common/texts.h"
#include "text/text.h"

namespace qv {

namespace {

constexpr std::size_t kFatalTextLimit = 1024;

}  // namespace

MixedText FatalReportText(const char* className, const std::string& modulePath, std::uint32_t relativeAddress,
                          const MixedText& message, const SystemInfo& system) {
  // Eight upper-case hexadecimal digits.
  char address[9] = {};
  for (int i = 0; i < 8; ++i) address[i] = "0123456789ABCDEF"[(relativeAddress >> (28 - 4 * i)) & 0xF];
  const std::size_t slash = LastDelimiter(modulePath, "\\", system.leadBytes);
  const std::string moduleName = slash == std::string::npos ? modulePath : modulePath.substr(slash + 1);
  const std::string messageBytes = message.Bytes();
  const std::string period = !messageBytes.empty() && messageBytes.back() != '.' ? "." : "";

  // The format's holes are filled in order, each with its value as data.
  const MixedText values[] = {ProgramText(className), SystemText(moduleName), ProgramText(address), message,
                              ProgramText(period)};
  MixedText text;
  std::size_t next = 0;
  for (const char* p = texts::kFatalFormat; *p; ++p) {
    if (p[0] == '%' && (p[1] == 's' || p[1] == 'p') && next < 5) {
      text += values[next++];
      ++p;
    } else {
      text.Append(TextOrigin::kProgram, std::string(1, *p));
    }
  }
  return ProgramText(CutAtCharBoundary(text.Bytes(), kFatalTextLimit, system.leadBytes));
}

void ShowFatalReport(Platform& platform, const SystemInfo& system, const char* className, const MixedText& message,
                     std::uintptr_t address) {
  const auto relative = static_cast<std::uint32_t>(address - platform.GetModuleBase());
  const MixedText text = FatalReportText(className, platform.GetModuleFileNameA(), relative, message, system);
  ShowMessage(platform, text, MessageKind::kFatal, texts::kFatalCaption);
}

}  // namespace qv
