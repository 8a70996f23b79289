// What one uninstall run holds: the platform, the start-up facts, the script's paths and the
// run's results. Handlers get it explicitly; there are no globals.
#pragma once

#include <cstdint>
#include <string>

#include "seam/platform.h"
#include "system/system_info.h"
#include "common/texts.h"

namespace qv {

struct RunState {
  bool completed = false;        // the run went through all passes
  bool settingsDeleted = false;  // a confirmed registry cleanup was carried out
  bool folderRemoved = false;    // the last attempt to remove the base folder succeeded
};

struct RunContext {
  Platform& platform;
  const SystemInfo& system;
  std::string scriptPath;
  std::string baseFolder;  // ends with "\" or ":", or is empty
  RunState state;
};

enum class MessageKind : std::uint32_t {
  kInformation = win::kMbIconInformation | win::kMbOk,
  kWarning = win::kMbIconWarning | win::kMbOk,
  kError = win::kMbIconError | win::kMbOk,
  kQuestion = win::kMbIconQuestion | win::kMbYesNo,
};

// A modal box without owner, captioned with the program title; returns the answer.
inline int ShowMessage(Platform& platform, const std::string& text, MessageKind kind) {
  return platform.MessageBoxA(text, texts::kProgramTitle, static_cast<std::uint32_t>(kind));
}

}  // namespace qv
