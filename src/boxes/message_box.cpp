#include "boxes/message_box.h"

namespace qv {

int ShowMessage(Platform& platform, const MixedText& text, MessageKind kind, const char* caption) {
  return platform.MessageBoxA(text.Bytes(), caption, static_cast<std::uint32_t>(kind));
}

}  // namespace qv
