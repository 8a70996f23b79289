// The fatal error report: the one box an error of the program ends in.
#pragma once

#include <cstdint>
#include <string>

#include "common/mixed_text.h"
#include "seam/platform.h"
#include "system/system_info.h"
#include "text/text.h"

namespace qv {

// The text of the fatal error report: class, program file name, raise address relative to the
// load address, message and a final "." unless the message ends in one; at most 1024 bytes. The
// program file name is the system's; the message keeps the origins of its parts.
MixedText FatalReportText(const char* className, const std::string& modulePath, std::uint32_t relativeAddress,
                          const MixedText& message, const SystemInfo& system);

// Shows the report for an error raised at address (a code address of the running program).
void ShowFatalReport(Platform& platform, const SystemInfo& system, const char* className, const MixedText& message,
                     std::uintptr_t address);

}  // namespace qv
