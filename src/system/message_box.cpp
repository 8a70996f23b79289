#include "system/message_box.h"

namespace qv {

int ShowMessage(Platform& platform, const std::string& text, MessageKind kind, const char* caption) {
  return platform.MessageBoxA(text, caption, static_cast<std::uint32_t>(kind));
}

}  // namespace qv
