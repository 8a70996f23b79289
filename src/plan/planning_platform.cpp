#include "plan/planning_platform.h"

#include "sections/entries.h"
#include "system/system_info.h"

namespace qv {

namespace {

using Kind = RunStep::Kind;

constexpr ErrorCode kOk = win::kErrorSuccess;

}  // namespace

PlanningPlatform::PlanningPlatform(Platform& system, std::string commandLine, std::string moduleFileName)
    : ForwardingPlatform(system),
      commandLine_(std::move(commandLine)),
      moduleFileName_(std::move(moduleFileName)),
      lead_(ReadLeadBytes(system)),
      files_(system, lead_),
      registry_(system, lead_) {}

RunStep& PlanningPlatform::Record(Kind kind, std::string target, std::string state, bool succeeds, std::string detail) {
  RunStep step;
  step.kind = kind;
  step.target = std::move(target);
  step.state = std::move(state);
  step.succeeds = succeeds;
  step.detail = std::move(detail);
  steps_.push_back(std::move(step));
  return steps_.back();
}

// ---------------------------------------------------------------- boxes, mutexes, the shell

int PlanningPlatform::MessageBoxA(const std::string& text, const std::string& caption, std::uint32_t flags) {
  const std::uint32_t buttons = flags & 0xF;
  constexpr std::uint32_t kYesNoCancel = 0x3;
  const int answer = buttons == win::kMbYesNo || buttons == kYesNoCancel ? win::kIdYes : win::kIdOk;
  RunStep& step = Record(Kind::kBox, caption, {}, true, text);
  step.number = flags;
  step.answer = answer;
  return answer;
}

ErrorCode PlanningPlatform::CreateMutexA(const std::string& name) {
  const ErrorCode status = inner_.CreateMutexA(name);
  Record(Kind::kMutex, name, MutexState(status), status == kOk);
  return status;
}

void PlanningPlatform::SHChangeNotify(long event, std::uint32_t flags) {
  RunStep& step = Record(Kind::kNotifyShell, {}, {}, true);
  step.number = static_cast<std::uint32_t>(event);
  step.answer = static_cast<int>(flags);
}

void PlanningPlatform::BroadcastSettingChange(const std::string& area) { Record(Kind::kSettingChange, area, {}, true); }

// ---------------------------------------------------------------- files and folders

std::optional<FindData> PlanningPlatform::FindFirstFileA(const std::string& path) { return files_.FindFirst(path); }

std::vector<FoundFile> PlanningPlatform::FindFilesA(const std::string& pattern) { return files_.Find(pattern); }

std::optional<std::string> PlanningPlatform::ReadWholeFile(const std::string& path) { return files_.Read(path); }

std::optional<std::string> PlanningPlatform::GetFileCompanyNameA(const std::string& path) {
  return files_.Company(path);
}

ErrorCode PlanningPlatform::TryOpenFileA(const std::string& path, std::uint32_t access) {
  return files_.TryOpen(path, access);
}

bool PlanningPlatform::SetFileAttributesA(const std::string& path, std::uint32_t attributes) {
  PlannedFiles::Outcome outcome = files_.SetAttributes(path, attributes);
  Record(Kind::kSetAttributes, path, std::move(outcome.state), outcome.succeeds).number = attributes;
  return outcome.succeeds;
}

bool PlanningPlatform::DeleteFileA(const std::string& path) {
  PlannedFiles::Outcome outcome = files_.Delete(path);
  Record(Kind::kDeleteFile, path, std::move(outcome.state), outcome.succeeds);
  return outcome.succeeds;
}

bool PlanningPlatform::MoveFileA(const std::string& oldPath, const std::string& newPath) {
  PlannedFiles::Outcome outcome = files_.Move(oldPath, newPath);
  Record(Kind::kMoveFile, oldPath, std::move(outcome.state), outcome.succeeds, newPath);
  return outcome.succeeds;
}

bool PlanningPlatform::RemoveDirectoryA(const std::string& path) {
  PlannedFiles::Outcome outcome = files_.RemoveFolder(path);
  Record(Kind::kRemoveFolder, path, std::move(outcome.state), outcome.succeeds);
  return outcome.succeeds;
}

bool PlanningPlatform::MoveFileExA(const std::string& path, std::uint32_t flags) {
  if (flags != win::kMoveFileDelayUntilReboot) return false;
  PlannedFiles::Outcome outcome = files_.LeaveToRestart(path);
  Record(Kind::kLeaveToRestart, path, std::move(outcome.state), outcome.succeeds);
  return outcome.succeeds;
}

// ---------------------------------------------------------------- services

std::optional<std::uint32_t> PlanningPlatform::QueryServiceStateA(const std::string& name) {
  const std::optional<std::uint32_t> state = inner_.QueryServiceStateA(name);
  const auto planned = services_.find(inner_.CharUpperBuffA(name));
  if (!state || planned == services_.end()) return state;
  if (planned->second == PlannedService::kGone) return std::nullopt;
  return planned->second == PlannedService::kStopped ? win::kServiceStopped : *state;
}

void PlanningPlatform::Forget(const std::string& name) {
  services_[inner_.CharUpperBuffA(name)] = PlannedService::kGone;
  // The manager removes the service's key with it.
  registry_.Forget(kHkeyLocalMachine, inner_.CharUpperBuffA(std::string(kServicesFolder).substr(1) + name));
}

ErrorCode PlanningPlatform::StopServiceA(const std::string& name) {
  const std::optional<std::uint32_t> state = QueryServiceStateA(name);
  ErrorCode status = kOk;
  if (!state)
    status = win::kErrorServiceDoesNotExist;
  else if (*state == win::kServiceStopped)
    status = win::kErrorServiceNotActive;
  else if (services_.count(inner_.CharUpperBuffA(name)))  // marked for deletion: it goes once it stops
    Forget(name);
  else
    services_[inner_.CharUpperBuffA(name)] = PlannedService::kStopped;
  Record(Kind::kStopService, name, ServiceState(state), status == kOk).error = status;
  return status;
}

ErrorCode PlanningPlatform::DeleteServiceA(const std::string& name) {
  const std::optional<std::uint32_t> state = QueryServiceStateA(name);
  const std::string key = inner_.CharUpperBuffA(name);
  const auto planned = services_.find(key);
  ErrorCode status = kOk;
  if (!state)
    status = win::kErrorServiceDoesNotExist;
  else if (planned != services_.end() && planned->second == PlannedService::kMarked)
    status = win::kErrorServiceMarkedForDelete;
  else if (*state != win::kServiceStopped)
    services_[key] = PlannedService::kMarked;
  else
    Forget(name);
  Record(Kind::kDeleteService, name, ServiceState(state), status == kOk).error = status;
  return status;
}

// ---------------------------------------------------------------- registry

ErrorCode PlanningPlatform::RegOpenKeyExA(KeyHandle key, const std::string& subKey, std::uint32_t access,
                                          KeyHandle& result) {
  return registry_.Open(key, subKey, access, result);
}

ErrorCode PlanningPlatform::RegCreateKeyExA(KeyHandle key, const std::string& subKey, std::uint32_t,
                                            std::uint32_t access, KeyHandle& result) {
  PlannedRegistry::Outcome outcome = registry_.Create(key, subKey, access, result);
  Record(Kind::kCreateKey, std::move(outcome.key), std::move(outcome.state), outcome.status == kOk);
  return outcome.status;
}

ErrorCode PlanningPlatform::RegCloseKey(KeyHandle key) { return registry_.Close(key); }

ErrorCode PlanningPlatform::RegDeleteKeyA(KeyHandle key, const std::string& subKey) {
  PlannedRegistry::Outcome outcome = registry_.Delete(key, subKey);
  Record(Kind::kDeleteKey, std::move(outcome.key), std::move(outcome.state), outcome.status == kOk);
  return outcome.status;
}

ErrorCode PlanningPlatform::RegQueryInfoKeyA(KeyHandle key, std::uint32_t& subKeys, std::uint32_t& maxSubKeyLength) {
  return registry_.QueryInfo(key, subKeys, maxSubKeyLength);
}

ErrorCode PlanningPlatform::RegQueryValueCountA(KeyHandle key, std::uint32_t& values) {
  return registry_.QueryValueCount(key, values);
}

ErrorCode PlanningPlatform::RegEnumKeyExA(KeyHandle key, std::uint32_t index, std::uint32_t nameBufferSize,
                                          std::string& name) {
  return registry_.EnumKey(key, index, nameBufferSize, name);
}

ErrorCode PlanningPlatform::RegQueryValueExA(KeyHandle key, const std::string& name, std::uint32_t& type,
                                             std::string* data, std::uint32_t& size) {
  return registry_.QueryValue(key, name, type, data, size);
}

ErrorCode PlanningPlatform::RegSetValueExA(KeyHandle key, const std::string& name, std::uint32_t type,
                                           const std::string& data) {
  PlannedRegistry::Outcome outcome = registry_.SetValue(key, name, type, data);
  RunStep& step =
      Record(Kind::kSetValue, std::move(outcome.key), std::move(outcome.state), outcome.status == kOk, name);
  step.data = data.substr(0, data.size() - (!data.empty() && data.back() == '\0' ? 1 : 0));
  step.number = type;
  if (pathRemoval_) DescribeAsPathRemoval(step, *pathRemoval_);
  pathRemoval_.reset();
  return outcome.status;
}

ErrorCode PlanningPlatform::RegDeleteValueA(KeyHandle key, const std::string& name) {
  PlannedRegistry::Outcome outcome = registry_.DeleteValue(key, name);
  Record(Kind::kDeleteValue, std::move(outcome.key), std::move(outcome.state), outcome.status == kOk, name);
  return outcome.status;
}

}  // namespace qv
