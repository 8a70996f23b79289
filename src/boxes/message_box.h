// Every box the program shows goes through here: a modal box without owner, with the icon and
// buttons of its kind, and the texts' code page 932 bytes as they are (where the system's code
// page is another, the platform of wide calls shows them in UTF-16).
#pragma once

#include <cstdint>
#include <string>

#include "common/mixed_text.h"
#include "common/texts.h"
#include "seam/platform.h"

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

}  // namespace qv
