// Every box the program shows goes through here: a modal box without owner, with the icon and
// buttons of its kind, and the texts' code page 932 bytes as they are (where the system's code
// page is another, the platform of wide calls shows them in UTF-16).
#pragma once

#include <cstdint>
#include <string>

#include "common/mixed_text.h"
#include "common/texts.h"
#include "seam/platform.h"
#include "system/system_info.h"

namespace qv {

enum class MessageKind : std::uint32_t {
  kInformation = win::kMbIconInformation | win::kMbOk,
  kWarning = win::kMbIconWarning | win::kMbOk,
  kError = win::kMbIconError | win::kMbOk,
  kQuestion = win::kMbIconQuestion | win::kMbYesNo,
  // The fatal error report holds back every window of the program until it is answered.
  kFatal = win::kMbIconError | win::kMbOk | win::kMbTaskModal,
};

// Shows the box and returns the answer (win::kIdOk, kIdYes, kIdNo). The caption is a text of the
// program.
int ShowMessage(Platform& platform, const MixedText& text, MessageKind kind,
                const char* caption = texts::kProgramTitle);

// The text in UTF-16, each part read in its code page: 932, or the system's ANSI code page. A
// character that is not valid gives U+FFFD.
std::u16string WideText(Platform& platform, const SystemInfo& system, const MixedText& text);

// The longest beginning of the text of at most maxBytes bytes that ends on a character boundary,
// each byte read with the lead bytes of its own part's code page.
MixedText CutAtCharBoundary(const MixedText& text, std::size_t maxBytes, const SystemInfo& system);

}  // namespace qv
