// Every box the program shows goes through here: a modal box without owner, with the icon and
// buttons of its kind.
#pragma once

#include <cstdint>
#include <string>

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

// Shows the box and returns the answer (win::kIdOk, kIdYes, kIdNo).
int ShowMessage(Platform& platform, const std::string& text, MessageKind kind,
                const char* caption = texts::kProgramTitle);

}  // namespace qv
