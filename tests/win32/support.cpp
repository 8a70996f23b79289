#include "support.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "system/system_info.h"
#include "text/text.h"
#include "win32/win32_platform.h"

namespace qv::wintest {

namespace {

constexpr const char* kChildMode = "QV_WIN32_CHILD";
constexpr const char* kChildArgument = "QV_WIN32_CHILD_ARG";
constexpr DWORD kChildTimeoutMs = 20000;

std::string Environment(const char* name) {
  char buffer[1024];
  DWORD n = ::GetEnvironmentVariableA(name, buffer, sizeof buffer);
  return n > 0 && n < sizeof buffer ? std::string(buffer, n) : std::string();
}

// Length-prefixed records: the parameters may hold any byte but NUL.
void PutRecord(std::string& out, const std::string& s) { out += std::to_string(s.size()) + ":" + s; }

bool GetRecord(const std::string& in, std::size_t& pos, std::string& s) {
  std::size_t colon = in.find(':', pos);
  if (colon == std::string::npos) return false;
  std::size_t length = std::stoul(in.substr(pos, colon - pos));
  s = in.substr(colon + 1, length);
  pos = colon + 1 + length;
  return s.size() == length;
}

std::string ReadBytes(const std::string& path) {
  HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open " + path);
  std::string bytes;
  char buffer[4096];
  DWORD read = 0;
  while (::ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
  ::CloseHandle(file);
  return bytes;
}

DWORD RunChild(const std::string& mode, const std::string& argument, const std::string& commandLine) {
  ::SetEnvironmentVariableA(kChildMode, mode.c_str());
  ::SetEnvironmentVariableA(kChildArgument, argument.c_str());
  const std::string exe = OwnPath();
  std::string line = commandLine;  // CreateProcessA may write into it
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  BOOL started =
      ::CreateProcessA(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process);
  ::SetEnvironmentVariableA(kChildMode, nullptr);
  ::SetEnvironmentVariableA(kChildArgument, nullptr);
  if (!started) throw std::runtime_error("CreateProcessA failed: " + std::to_string(::GetLastError()));
  DWORD waited = ::WaitForSingleObject(process.hProcess, kChildTimeoutMs);
  DWORD code = 0;
  ::GetExitCodeProcess(process.hProcess, &code);
  if (waited != WAIT_OBJECT_0) ::TerminateProcess(process.hProcess, 99);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  if (waited != WAIT_OBJECT_0) throw std::runtime_error("child did not end");
  return code;
}

}  // namespace

bool RunAsChild(int& exitCode) {
  const std::string mode = Environment(kChildMode);
  if (mode.empty()) return false;
  const std::string argument = Environment(kChildArgument);
  Win32Platform platform;
  if (mode == "split") {
    std::string out;
    PutRecord(out, platform.GetModuleFileNameA());
    for (const std::string& p : SplitCommandLine(platform.GetCommandLineA())) PutRecord(out, p);
    WriteBytes(argument, out);
    exitCode = 0;
  } else if (mode == "shortdate") {
    WriteBytes(argument, ReadLocaleFormats(platform).shortDate);
    exitCode = 0;
  } else if (mode == "mutex") {
    exitCode = static_cast<int>(platform.CreateMutexA(argument));
  } else {
    exitCode = 98;
  }
  return true;
}

std::string OwnPath() {
  char buffer[MAX_PATH + 1];
  DWORD n = ::GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  return std::string(buffer, n);
}

SplitResult SplitInChild(const std::string& commandLine, const std::string& scratchFolder) {
  const std::string out = scratchFolder + "\\split.out";
  ::DeleteFileA(out.c_str());
  DWORD code = RunChild("split", out, commandLine);
  if (code != 0) throw std::runtime_error("child failed with " + std::to_string(code));
  const std::string bytes = ReadBytes(out);
  SplitResult result;
  std::size_t pos = 0;
  if (!GetRecord(bytes, pos, result.moduleFileName)) throw std::runtime_error("bad child output");
  std::string parameter;
  while (pos < bytes.size()) {
    if (!GetRecord(bytes, pos, parameter)) throw std::runtime_error("bad child output");
    result.parameters.push_back(parameter);
  }
  return result;
}

std::string ShortDateInChild(const std::string& scratchFolder) {
  const std::string out = scratchFolder + "\\shortdate.out";
  ::DeleteFileA(out.c_str());
  DWORD code = RunChild("shortdate", out, "win32_tests.exe");
  if (code != 0) throw std::runtime_error("child failed with " + std::to_string(code));
  return ReadBytes(out);
}

std::uint32_t CreateMutexInChild(const std::string& name) { return RunChild("mutex", name, "win32_tests.exe"); }

ScratchFolder::ScratchFolder(const std::string& name) {
  char temp[MAX_PATH + 1];
  DWORD n = ::GetTempPathA(sizeof temp, temp);
  std::string base = std::string(temp, n) + "qvwin32";
  ::CreateDirectoryA(base.c_str(), nullptr);
  path_ = base + "\\" + name;
  DeleteTree(path_);
  MakeFolder(path_);
}

ScratchFolder::~ScratchFolder() { DeleteTree(path_); }

void WriteBytes(const std::string& path, const std::string& bytes) {
  HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot create " + path);
  DWORD written = 0;
  BOOL ok = bytes.empty() || ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  ::CloseHandle(file);
  if (!ok || written != bytes.size()) throw std::runtime_error("cannot write " + path);
}

void MakeFolder(const std::string& path) {
  if (!::CreateDirectoryA(path.c_str(), nullptr)) throw std::runtime_error("cannot create folder " + path);
}

bool IsFile(const std::string& path) {
  DWORD a = ::GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFolder(const std::string& path) {
  DWORD a = ::GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

void DeleteTree(const std::string& path) {
  DWORD a = ::GetFileAttributesA(path.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return;
  ::SetFileAttributesA(path.c_str(), a & FILE_ATTRIBUTE_DIRECTORY);
  if (!(a & FILE_ATTRIBUTE_DIRECTORY)) {
    ::DeleteFileA(path.c_str());
    return;
  }
  WIN32_FIND_DATAA data;
  HANDLE find = ::FindFirstFileA((path + "\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::string name = data.cFileName;
      if (name != "." && name != "..") DeleteTree(path + "\\" + name);
    } while (::FindNextFileA(find, &data));
    ::FindClose(find);
  }
  ::RemoveDirectoryA(path.c_str());
}

void SetWriteTimeUtc(const std::string& path, int year, int month, int day, int hour, int minute, int second) {
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(year);
  st.wMonth = static_cast<WORD>(month);
  st.wDay = static_cast<WORD>(day);
  st.wHour = static_cast<WORD>(hour);
  st.wMinute = static_cast<WORD>(minute);
  st.wSecond = static_cast<WORD>(second);
  FILETIME ft;
  if (!::SystemTimeToFileTime(&st, &ft)) throw std::runtime_error("bad time");
  HANDLE file = ::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open " + path);
  BOOL ok = ::SetFileTime(file, nullptr, nullptr, &ft);
  ::CloseHandle(file);
  if (!ok) throw std::runtime_error("SetFileTime failed for " + path);
}

}  // namespace qv::wintest
