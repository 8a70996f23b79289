#include "steps/run_log.h"

#include "text/program_text.h"

namespace qv {

namespace {

constexpr char kStepIndent[] = "  ";
constexpr char kTextIndent[] = "       ";
constexpr char kLineEnd[] = "\r\n";
constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
constexpr char kLogName[] = "QvUninst.log";

void AppendUtf8(std::string& out, std::uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

bool IsHigh(char16_t unit) { return unit >= 0xD800 && unit < 0xDC00; }
bool IsLow(char16_t unit) { return unit >= 0xDC00 && unit < 0xE000; }

}  // namespace

std::string Utf8FromUtf16(const std::u16string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::uint32_t c = text[i];
    if (IsHigh(text[i]) && i + 1 < text.size() && IsLow(text[i + 1])) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (IsHigh(text[i]) || IsLow(text[i])) {
      c = 0xFFFD;
    }
    AppendUtf8(out, c);
  }
  return out;
}

// Every text of the run is code page 932's, whatever the system's (see ProgramEntry).
std::string RunLog::InUtf8(const std::string& text) {
  return Utf8FromUtf16(WidenText(platform_, kProgramCodePage, text, ShiftJisLeadBytes()));
}

void RunLog::Line(const MixedText& line) { (utf8_ += InUtf8(line.Bytes())) += kLineEnd; }

void RunLog::Step(const RunStep& step) { Line(ProgramText(kStepIndent) + SystemText(StepLine(step))); }

void RunLog::Box(const std::string& caption, const std::string& text, std::uint32_t flags, int answer) {
  RunStep step{RunStep::Kind::kBox, caption};
  step.number = flags;
  step.answer = answer;
  step.state = "not shown";
  // The caption is the program's, and so is every word of the line.
  Line(ProgramText(kStepIndent + StepLine(step)));
  // The text's lines, broken where a box breaks them: at CR LF, CR or LF.
  const std::string utf8 = InUtf8(text);
  std::size_t start = 0;  // where the line being read begins
  for (std::size_t i = 0; i <= utf8.size(); ++i) {
    if (i < utf8.size() && utf8[i] != '\r' && utf8[i] != '\n') continue;
    if (i > start) (utf8_ += kTextIndent).append(utf8, start, i - start);
    utf8_ += kLineEnd;
    if (i + 1 < utf8.size() && utf8[i] == '\r' && utf8[i + 1] == '\n') ++i;
    start = i + 1;
  }
}

bool AppendRunLog(Platform& platform, const SystemInfo& system, const RunLog& log) {
  const std::optional<std::string> folder = platform.GetEnvironmentVariableA("TEMP");
  if (!folder || folder->empty()) return false;
  // A final "\" is the last byte only when no lead byte stands before it.
  const bool ends = LastDelimiter(*folder, "\\", system.leadBytes) == folder->size() - 1;
  return platform.AppendToFileA(*folder + (ends ? "" : "\\") + kLogName, kByteOrderMark, log.Utf8());
}

}  // namespace qv
