#include "steps/run_steps.h"

#include "guard/file_guard.h"
#include "system/registry_roots.h"
#include "text/text.h"

namespace qv {

namespace {

using Kind = RunStep::Kind;

const char* IconName(std::uint32_t flags) {
  switch (flags & 0xF0) {
    case win::kMbIconError:
      return "error";
    case win::kMbIconQuestion:
      return "question";
    case win::kMbIconWarning:
      return "warning";
    case win::kMbIconInformation:
      return "information";
  }
  return "no icon";
}

std::string BoxKind(std::uint32_t flags) {
  std::string kind = IconName(flags);
  kind += (flags & 0xF) == win::kMbYesNo ? ", Yes/No" : ", OK";
  if (flags & win::kMbTaskModal) kind += ", task-modal";
  return kind;
}

std::string Answer(int answer) { return answer == win::kIdYes ? "Yes" : answer == win::kIdNo ? "No" : "OK"; }

// " [state]: done", or ": fails (error 5)" when the state is not known and the system said why.
std::string Result(const RunStep& step) {
  std::string result = step.state.empty() ? std::string() : " [" + step.state + "]";
  result += step.succeeds ? ": done" : ": fails";
  if (!step.succeeds && step.error != 0) result += " (error " + std::to_string(step.error) + ")";
  return result;
}

std::string BoxLine(const RunStep& step) {
  return "box " + Quoted(step.target) + ", flags " + HexNumber(step.number) + " (" + BoxKind(step.number) +
         "): " + (step.state.empty() ? "" : step.state + ", ") + "answered " + Answer(step.answer);
}

// " (with .. it reaches "C:\OTHER\")" after a path that holds a ".." name; the run's paths are
// code page 932's.
std::string Reached(const std::string& path) {
  const std::optional<std::string> folder = FolderReached(path, ShiftJisLeadBytes());
  return folder ? " (with .. it reaches " + Quoted(*folder) + ")" : std::string();
}

std::string FileLine(const RunStep& step) {
  switch (step.kind) {
    case Kind::kSetAttributes:
      return (step.number == 0 ? std::string("clear attributes ") : "set attributes " + HexNumber(step.number) + " ") +
             Quoted(step.target);
    case Kind::kDeleteFile:
      return "delete file " + Quoted(step.target) + Reached(step.target);
    case Kind::kMoveFile:
      return "rename " + Quoted(step.target) + Reached(step.target) + " to " + Quoted(step.detail) +
             Reached(step.detail);
    case Kind::kRemoveFolder:
      return "remove folder " + Quoted(step.target);
    default:
      return "leave " + Quoted(step.target) + " to the next start of Windows";
  }
}

std::string KeyLine(const RunStep& step) {
  switch (step.kind) {
    case Kind::kDeleteKey:
      return "delete key " + Quoted(step.target);
    case Kind::kCreateKey:
      return "create key " + Quoted(step.target);
    case Kind::kSetValue:
      if (step.number == win::kRegDword)
        return "set value " + Quoted(step.detail) + " = " + DwordText(step.data) + " (REG_DWORD) in " +
               Quoted(step.target);
      return "set value " + Quoted(step.detail) + " = " + Quoted(step.data) +
             (step.number == win::kRegSz ? "" : " (type " + std::to_string(step.number) + ")") + " in " +
             Quoted(step.target);
    default:
      return "delete value " + Quoted(step.detail) + " in " + Quoted(step.target);
  }
}

// "remove from "Path" of "HKCU\Environment": "C:\A\bin", "C:\A"; 5 other elements kept"
std::string PathLine(const RunStep& step) {
  std::string removed;
  for (std::size_t start = 0, end = 0; end != std::string::npos; start = end + 1) {
    end = step.data.find(';', start);
    removed += (start == 0 ? "" : ", ") + Quoted(step.data.substr(start, end - start));
  }
  return "remove from " + Quoted(step.detail) + " of " + Quoted(step.target) + ": " + removed + "; " +
         Counted(step.number, "other element", "other elements") + " kept";
}

}  // namespace

void DescribeAsPathRemoval(RunStep& step, const PathRemoval& removal) {
  step.kind = Kind::kRemoveFromPath;
  step.data.clear();
  for (const std::string& element : removal.removed) step.data += (step.data.empty() ? "" : ";") + element;
  step.number = removal.kept;
  step.state.clear();  // the whole value before and after would only hide the elements in it
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string DwordText(const std::string& data) {
  std::uint32_t number = 0;
  for (std::size_t i = data.size() < 4 ? data.size() : 4; i > 0; --i)
    number = number << 8 | static_cast<unsigned char>(data[i - 1]);
  return std::to_string(number);
}

std::string StepLine(const RunStep& step) {
  switch (step.kind) {
    case Kind::kBox:
      return BoxLine(step);
    case Kind::kMutex:
      return "mutex " + Quoted(step.target) + ": " + step.state;
    case Kind::kNotifyShell:
      return "notify the shell (event " + HexNumber(step.number) + ", flags " +
             HexNumber(static_cast<std::uint32_t>(step.answer)) + ")";
    case Kind::kSettingChange:
      return "tell running programs that the settings of " + Quoted(step.target) + " changed";
    case Kind::kRemoveFromPath:
      return PathLine(step) + Result(step);
    case Kind::kDeleteKey:
    case Kind::kCreateKey:
    case Kind::kSetValue:
    case Kind::kDeleteValue:
      return KeyLine(step) + Result(step);
    case Kind::kStopService:
      return "stop service " + Quoted(step.target) + Result(step);
    case Kind::kDeleteService:
      return "delete service " + Quoted(step.target) + Result(step);
    default:
      return FileLine(step) + Result(step);
  }
}

std::string RootShortName(RegistryRoot root) {
  const RegistryRootRow* row = FindRoot(root);
  return row ? row->shortName : "(root " + HexNumber(root) + ")";
}

std::string ServiceState(const std::optional<std::uint32_t>& state) {
  if (!state) return "not there";
  switch (*state) {
    case win::kServiceStopped:
      return "stopped";
    case win::kServiceStopPending:
      return "stopping";
    case win::kServiceRunning:
      return "running";
  }
  return "state " + std::to_string(*state);
}

std::string MutexState(ErrorCode status) {
  if (status == win::kErrorSuccess) return "free: no program holding it runs";
  if (status == win::kErrorAlreadyExists) return "exists: a program of the product is running";
  if (status == win::kErrorAccessDenied)
    return "exists, held where this user may not open it: a program of the product is running";
  return "cannot be made (error " + std::to_string(status) + ")";
}

}  // namespace qv
