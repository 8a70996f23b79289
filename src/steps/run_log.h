// The log of a silent run: what the run did, in the words of the plan, with the real result of
// each call, and every box it did not show with the answer it took. Kept in UTF-8 with CR LF line
// ends, and appended to "QvUninst.log" in the folder named by %TEMP% when the run ends.
#pragma once

#include <cstdint>
#include <string>

#include "common/mixed_text.h"
#include "common/texts.h"
#include "seam/platform.h"
#include "steps/run_steps.h"
#include "system/system_info.h"

namespace qv {

class RunLog {
 public:
  explicit RunLog(Platform& platform) : platform_(platform) {}

  // One line as it is.
  void Line(const MixedText& line);
  // A step of the run, indented; its target names are the system's.
  void Step(const RunStep& step);
  // A box that was not shown, with the answer taken, and its text's lines below it.
  void Box(const std::string& caption, const std::string& text, std::uint32_t flags, int answer);

  // Every line so far, each ended by CR LF.
  const std::string& Utf8() const { return utf8_; }

 private:
  std::string InUtf8(const std::string& text);

  Platform& platform_;
  std::string utf8_;
};

// The UTF-16 text in UTF-8; a surrogate without its partner gives U+FFFD.
std::string Utf8FromUtf16(const std::u16string& text);

// Appends the log to "QvUninst.log" in the folder %TEMP% names; a new file starts with the UTF-8
// byte-order mark. False when there is no %TEMP% or the file cannot be written.
bool AppendRunLog(Platform& platform, const SystemInfo& system, const RunLog& log);

}  // namespace qv
