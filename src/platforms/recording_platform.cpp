#include "platforms/recording_platform.h"

namespace qv {

namespace {

using Kind = RunStep::Kind;

}  // namespace

void RecordingPlatform::Record(RunStep step) { log_.Step(step); }

void RecordingPlatform::RecordFile(Kind kind, const std::string& path, bool succeeds, std::uint32_t number) {
  RunStep step{kind, path};
  step.succeeds = succeeds;
  step.number = number;
  Record(std::move(step));
}

void RecordingPlatform::RecordKey(Kind kind, std::string key, ErrorCode status, std::string detail) {
  RunStep step{kind, std::move(key), std::move(detail)};
  step.succeeds = status == win::kErrorSuccess;
  step.error = status;
  Record(std::move(step));
}

std::string RecordingPlatform::KeyName(KeyHandle key, const std::string& subKey) const {
  auto known = keyNames_.find(key);
  const std::string base =
      known != keyNames_.end() ? known->second : RootShortName(static_cast<RegistryRoot>(key & 0xFFFFFFFFu));
  return subKey.empty() ? base : base + "\\" + subKey;
}

// ---------------------------------------------------------------- boxes, mutexes, the shell

int RecordingPlatform::MessageBoxA(const std::string& text, const std::string& caption, std::uint32_t flags) {
  const int answer = (flags & 0xF) == win::kMbYesNo ? win::kIdYes : win::kIdOk;
  log_.Box(caption, text, flags, answer);
  return answer;
}

ErrorCode RecordingPlatform::CreateMutexA(const std::string& name) {
  const ErrorCode status = inner_.CreateMutexA(name);
  RunStep step{Kind::kMutex, name};
  step.state = MutexState(status);
  step.succeeds = status == win::kErrorSuccess;
  Record(std::move(step));
  return status;
}

void RecordingPlatform::SHChangeNotify(long event, std::uint32_t flags) {
  inner_.SHChangeNotify(event, flags);
  RunStep step{Kind::kNotifyShell};
  step.number = static_cast<std::uint32_t>(event);
  step.answer = static_cast<int>(flags);
  Record(std::move(step));
}

void RecordingPlatform::BroadcastSettingChange(const std::string& area) {
  inner_.BroadcastSettingChange(area);
  Record(RunStep{Kind::kSettingChange, area});
}

// ---------------------------------------------------------------- files and folders

bool RecordingPlatform::SetFileAttributesA(const std::string& path, std::uint32_t attributes) {
  const bool done = inner_.SetFileAttributesA(path, attributes);
  RecordFile(Kind::kSetAttributes, path, done, attributes);
  return done;
}

bool RecordingPlatform::DeleteFileA(const std::string& path) {
  const bool done = inner_.DeleteFileA(path);
  RecordFile(Kind::kDeleteFile, path, done);
  return done;
}

bool RecordingPlatform::MoveFileA(const std::string& oldPath, const std::string& newPath) {
  const bool done = inner_.MoveFileA(oldPath, newPath);
  RunStep step{Kind::kMoveFile, oldPath, newPath};
  step.succeeds = done;
  Record(std::move(step));
  return done;
}

bool RecordingPlatform::RemoveDirectoryA(const std::string& path) {
  const bool done = inner_.RemoveDirectoryA(path);
  RecordFile(Kind::kRemoveFolder, path, done);
  return done;
}

bool RecordingPlatform::MoveFileExA(const std::string& path, std::uint32_t flags) {
  const bool done = inner_.MoveFileExA(path, flags);
  if (flags == win::kMoveFileDelayUntilReboot) RecordFile(Kind::kLeaveToRestart, path, done);
  return done;
}

// ---------------------------------------------------------------- services

ErrorCode RecordingPlatform::StopServiceA(const std::string& name) {
  const ErrorCode status = inner_.StopServiceA(name);
  RecordKey(Kind::kStopService, name, status);
  return status;
}

ErrorCode RecordingPlatform::DeleteServiceA(const std::string& name) {
  const ErrorCode status = inner_.DeleteServiceA(name);
  RecordKey(Kind::kDeleteService, name, status);
  return status;
}

// ---------------------------------------------------------------- registry

ErrorCode RecordingPlatform::RegOpenKeyExA(KeyHandle key, const std::string& subKey, std::uint32_t access,
                                           KeyHandle& result) {
  const ErrorCode status = inner_.RegOpenKeyExA(key, subKey, access, result);
  if (status == win::kErrorSuccess) keyNames_[result] = KeyName(key, subKey);
  return status;
}

ErrorCode RecordingPlatform::RegCreateKeyExA(KeyHandle key, const std::string& subKey, std::uint32_t options,
                                             std::uint32_t access, KeyHandle& result) {
  const ErrorCode status = inner_.RegCreateKeyExA(key, subKey, options, access, result);
  RecordKey(Kind::kCreateKey, KeyName(key, subKey), status);
  if (status == win::kErrorSuccess) keyNames_[result] = KeyName(key, subKey);
  return status;
}

ErrorCode RecordingPlatform::RegCloseKey(KeyHandle key) {
  keyNames_.erase(key);
  return inner_.RegCloseKey(key);
}

ErrorCode RecordingPlatform::RegDeleteKeyA(KeyHandle key, const std::string& subKey) {
  const ErrorCode status = inner_.RegDeleteKeyA(key, subKey);
  RecordKey(Kind::kDeleteKey, KeyName(key, subKey), status);
  return status;
}

ErrorCode RecordingPlatform::RegSetValueExA(KeyHandle key, const std::string& name, std::uint32_t type,
                                            const std::string& data) {
  const ErrorCode status = inner_.RegSetValueExA(key, name, type, data);
  RunStep step{Kind::kSetValue, KeyName(key, {}), name};
  step.data = data.substr(0, data.size() - (!data.empty() && data.back() == '\0' ? 1 : 0));
  step.number = type;
  step.succeeds = status == win::kErrorSuccess;
  step.error = status;
  if (pathRemoval_) DescribeAsPathRemoval(step, *pathRemoval_);
  pathRemoval_.reset();
  Record(std::move(step));
  return status;
}

ErrorCode RecordingPlatform::RegDeleteValueA(KeyHandle key, const std::string& name) {
  const ErrorCode status = inner_.RegDeleteValueA(key, name);
  RecordKey(Kind::kDeleteValue, KeyName(key, {}), status, name);
  return status;
}

}  // namespace qv
