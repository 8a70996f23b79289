// The only door to the operating system for the program's logic. Every method is one Windows
// call (or the few calls that one operation needs), with the same arguments and results; every
// decision lives above. The calls' wide twins are a door of their own (seam/wide_calls.h), which
// only the platform of wide calls goes through.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qv {

// A registry key handle value: one of the predefined roots (0x80000000 ...) or a key opened
// through this interface. Invalid root: 0xFFFFFFFF.
using KeyHandle = std::uintptr_t;
using RegistryRoot = std::uint32_t;

constexpr RegistryRoot kHkeyClassesRoot = 0x80000000u;
constexpr RegistryRoot kHkeyCurrentUser = 0x80000001u;
constexpr RegistryRoot kHkeyLocalMachine = 0x80000002u;
constexpr RegistryRoot kHkeyUsers = 0x80000003u;
constexpr RegistryRoot kHkeyCurrentConfig = 0x80000005u;
constexpr RegistryRoot kHkeyDynData = 0x80000006u;
constexpr RegistryRoot kInvalidRoot = 0xFFFFFFFFu;

// A Windows error code, as the registry calls return it and GetLastError reports it (0 = success).
using ErrorCode = std::uint32_t;

// Windows constants the logic passes through the seam.
namespace win {
constexpr std::uint32_t kMbOk = 0x0;
constexpr std::uint32_t kMbYesNo = 0x4;
constexpr std::uint32_t kMbIconError = 0x10;
constexpr std::uint32_t kMbIconQuestion = 0x20;
constexpr std::uint32_t kMbIconWarning = 0x30;
constexpr std::uint32_t kMbIconInformation = 0x40;
constexpr std::uint32_t kMbTaskModal = 0x2000;
constexpr int kIdOk = 1;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;

constexpr std::uint32_t kFileAttributeReadOnly = 0x1;
constexpr std::uint32_t kFileAttributeDirectory = 0x10;
// File access rights.
constexpr std::uint32_t kDelete = 0x10000;
constexpr std::uint32_t kFileWriteAttributes = 0x100;

constexpr ErrorCode kErrorSuccess = 0;
constexpr ErrorCode kErrorFileNotFound = 2;
constexpr ErrorCode kErrorPathNotFound = 3;
constexpr ErrorCode kErrorAccessDenied = 5;
constexpr ErrorCode kErrorInvalidHandle = 6;
constexpr ErrorCode kErrorSharingViolation = 32;
constexpr ErrorCode kErrorBadPathname = 161;
constexpr ErrorCode kErrorMoreData = 234;
constexpr ErrorCode kErrorNoMoreItems = 259;
constexpr ErrorCode kErrorAlreadyExists = 183;
constexpr ErrorCode kErrorKeyDeleted = 1018;
constexpr ErrorCode kErrorServiceDoesNotExist = 1060;
constexpr ErrorCode kErrorServiceNotActive = 1062;
constexpr ErrorCode kErrorServiceMarkedForDelete = 1072;

// A service's current state, as QueryServiceStatus reports it.
constexpr std::uint32_t kServiceStopped = 1;
constexpr std::uint32_t kServiceStopPending = 3;
constexpr std::uint32_t kServiceRunning = 4;

// MoveFileExA: the file, or the folder once it is empty, is deleted when Windows next starts.
constexpr std::uint32_t kMoveFileDelayUntilReboot = 0x4;

constexpr std::uint32_t kKeyRead = 0x20019;
constexpr std::uint32_t kKeyAllAccess = 0xF003F;
constexpr std::uint32_t kKeySetValue = 0x2;
constexpr std::uint32_t kKeyCreateSubKey = 0x4;
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegExpandSz = 2;
constexpr std::uint32_t kRegMultiSz = 7;
constexpr std::uint32_t kRegDword = 4;

constexpr int kSmDbcsEnabled = 42;

constexpr std::uint32_t kLocaleSShortDate = 0x1F;
constexpr std::uint32_t kLocaleSDate = 0x1D;
constexpr std::uint32_t kLocaleSDayName1 = 0x2A;  // Monday; 7 is Sunday
constexpr std::uint32_t kLocaleSAbbrevDayName1 = 0x31;
constexpr std::uint32_t kLocaleSMonthName1 = 0x38;
constexpr std::uint32_t kLocaleSAbbrevMonthName1 = 0x44;
constexpr std::uint32_t kLocaleICalendarType = 0x1009;
}  // namespace win

// What FindFirstFileA reports of the first entry it finds.
struct FindData {
  std::uint32_t attributes = 0;
  std::uint64_t lastWriteTime = 0;  // FILETIME, 100 ns since 1601 (UTC)
};

// One entry of a folder listing: its name and what FindFirstFileA / FindNextFileA report of it.
struct FoundFile {
  std::string name;
  FindData data;
};

// The local date and time as GetLocalTime gives it.
struct LocalTime {
  int year = 0;
  int month = 0;  // 1 to 12
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

struct DosDateTime {
  std::uint16_t date = 0;
  std::uint16_t time = 0;
};

class Platform {
 public:
  virtual ~Platform() = default;

  // Process.
  virtual std::string GetCommandLineA() { return below_ ? below_->GetCommandLineA() : std::string(); }
  // Full path of the running program (buffer of 261 characters).
  virtual std::string GetModuleFileNameA() { return below_ ? below_->GetModuleFileNameA() : std::string(); }
  // Address at which the program is loaded; raise addresses are reported relative to it.
  virtual std::uintptr_t GetModuleBase() { return below_ ? below_->GetModuleBase() : 0; }

  // User interface.
  virtual int MessageBoxA(const std::string& text, const std::string& caption, std::uint32_t flags) {
    return below_ ? below_->MessageBoxA(text, caption, flags) : 0;
  }
  virtual std::string CharUpperBuffA(std::string text) {
    return below_ ? below_->CharUpperBuffA(std::move(text)) : std::string();
  }
  virtual std::string CharLowerBuffA(std::string text) {
    return below_ ? below_->CharLowerBuffA(std::move(text)) : std::string();
  }

  // Locale.
  // The system's ANSI code page: the one the ANSI calls read and write their texts in.
  virtual std::uint32_t GetACP() { return below_ ? below_->GetACP() : 0; }
  // MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, ...) into a buffer of two UTF-16 units
  // per byte. Nothing when the call fails: a byte sequence that is not valid in the code page, a
  // code page the system does not have, no bytes at all.
  virtual std::optional<std::u16string> MultiByteToWideChar(std::uint32_t codePage, const std::string& bytes) {
    return below_ ? below_->MultiByteToWideChar(codePage, bytes) : std::nullopt;
  }
  virtual int GetSystemMetrics(int index) { return below_ ? below_->GetSystemMetrics(index) : 0; }
  // Lead-byte ranges of the ANSI code page (GetCPInfo(CP_ACP)), as pairs of first and last byte.
  virtual std::vector<std::pair<std::uint8_t, std::uint8_t>> GetCPInfoLeadBytes() {
    return below_ ? below_->GetCPInfoLeadBytes() : std::vector<std::pair<std::uint8_t, std::uint8_t>>();
  }
  virtual std::uint32_t GetThreadLocale() { return below_ ? below_->GetThreadLocale() : 0; }
  // Empty optional when the locale gives no value.
  virtual std::optional<std::string> GetLocaleInfoA(std::uint32_t locale, std::uint32_t type) {
    return below_ ? below_->GetLocaleInfoA(locale, type) : std::nullopt;
  }

  // Files and folders.
  // The first entry that matches the path, or nothing (FindFirstFileA, then FindClose).
  virtual std::optional<FindData> FindFirstFileA(const std::string& path) {
    return below_ ? below_->FindFirstFileA(path) : std::nullopt;
  }
  virtual std::optional<std::uint64_t> FileTimeToLocalFileTime(std::uint64_t fileTime) {
    return below_ ? below_->FileTimeToLocalFileTime(fileTime) : std::nullopt;
  }
  virtual std::optional<DosDateTime> FileTimeToDosDateTime(std::uint64_t fileTime) {
    return below_ ? below_->FileTimeToDosDateTime(fileTime) : std::nullopt;
  }
  virtual bool SetFileAttributesA(const std::string& path, std::uint32_t attributes) {
    return below_ ? below_->SetFileAttributesA(path, attributes) : false;
  }
  virtual bool DeleteFileA(const std::string& path) { return below_ ? below_->DeleteFileA(path) : false; }
  virtual bool MoveFileA(const std::string& oldPath, const std::string& newPath) {
    return below_ ? below_->MoveFileA(oldPath, newPath) : false;
  }
  virtual bool RemoveDirectoryA(const std::string& path) { return below_ ? below_->RemoveDirectoryA(path) : false; }
  // MoveFileExA(path, NULL, flags): with kMoveFileDelayUntilReboot, the deletion is written down
  // for the next start of Windows (which needs an administrator); nothing changes now.
  virtual bool MoveFileExA(const std::string& path, std::uint32_t flags) {
    return below_ ? below_->MoveFileExA(path, flags) : false;
  }
  // Buffer of 260 characters; the text up to its NUL, empty when the call fails.
  virtual std::string GetWindowsDirectoryA() { return below_ ? below_->GetWindowsDirectoryA() : std::string(); }
  virtual std::string GetSystemDirectoryA() { return below_ ? below_->GetSystemDirectoryA() : std::string(); }
  // CreateFileA (read access, share mode 0, open existing, normal attributes), SetFilePointer
  // for the size, ReadFile, CloseHandle. Nothing when the file cannot be opened; otherwise the
  // bytes that ReadFile delivered.
  virtual std::optional<std::string> ReadWholeFile(const std::string& path) {
    return below_ ? below_->ReadWholeFile(path) : std::nullopt;
  }
  // The maker (CompanyName) that the file's version resource names: GetFileVersionInfoSizeA,
  // GetFileVersionInfoA, VerQueryValueA of "\\VarFileInfo\\Translation", then of
  // "\\StringFileInfo\\<language><code page>\\CompanyName" for the file's first translation, then
  // for 040904B0 and 040904E4. Nothing when the file has no version resource or it names no maker.
  virtual std::optional<std::string> GetFileCompanyNameA(const std::string& path) {
    return below_ ? below_->GetFileCompanyNameA(path) : std::nullopt;
  }
  // Every entry that matches the path (FindFirstFileA, FindNextFileA until there is no more,
  // FindClose), in the order the system gives them; a folder's "." and ".." are among them when
  // the pattern matches them. Empty when nothing matches.
  virtual std::vector<FoundFile> FindFilesA(const std::string& pattern) {
    return below_ ? below_->FindFilesA(pattern) : std::vector<FoundFile>();
  }
  // CreateFileA(path, access, share read, write and delete, OPEN_EXISTING,
  // FILE_FLAG_BACKUP_SEMANTICS) and CloseHandle at once: 0 when the system would grant that
  // access to the file or folder now, else the error (a missing file, another program's handle
  // that does not share it, no right to it). Nothing is changed.
  virtual ErrorCode TryOpenFileA(const std::string& path, std::uint32_t access) {
    return below_ ? below_->TryOpenFileA(path, access) : win::kErrorFileNotFound;
  }

  // CreateFileA(path, FILE_APPEND_DATA, share read, OPEN_ALWAYS, normal attributes); when the
  // file is empty then (GetFileSize), WriteFile of firstBytes; WriteFile of bytes at its end;
  // CloseHandle. False when the file cannot be opened or a write fails.
  virtual bool AppendToFileA(const std::string& path, const std::string& firstBytes, const std::string& bytes) {
    return below_ ? below_->AppendToFileA(path, firstBytes, bytes) : false;
  }

  // Process environment: GetEnvironmentVariableA, nothing when the variable is not set.
  virtual std::optional<std::string> GetEnvironmentVariableA(const std::string& name) {
    return below_ ? below_->GetEnvironmentVariableA(name) : std::nullopt;
  }
  virtual LocalTime GetLocalTime() { return below_ ? below_->GetLocalTime() : LocalTime(); }
  // The account the process runs in (GetUserNameA, advapi32, a buffer of 257 characters); nothing
  // when the call fails.
  virtual std::optional<std::string> GetUserNameA() { return below_ ? below_->GetUserNameA() : std::nullopt; }

  // Named mutex: CreateMutexA(NULL, FALSE, name), then GetLastError. The handle stays open until
  // the process ends. Returns the error code (0, 183 when the mutex existed, others on failure).
  virtual ErrorCode CreateMutexA(const std::string& name) {
    return below_ ? below_->CreateMutexA(name) : win::kErrorAccessDenied;
  }

  // Shell: SHChangeNotify(event, flags, NULL, NULL).
  virtual void SHChangeNotify(long event, std::uint32_t flags) {
    if (below_) below_->SHChangeNotify(event, flags);
  }

  // Tells every top-level window that a part of the system's settings changed (area: "Environment"):
  // SendMessageTimeoutA(HWND_BROADCAST, WM_SETTINGCHANGE, 0, area, SMTO_ABORTIFHUNG, 5000, &result).
  // A window that hangs is passed over, and none is waited for longer than five seconds.
  virtual void BroadcastSettingChange(const std::string& area) {
    if (below_) below_->BroadcastSettingChange(area);
  }
  // Services. Each opens the service control manager (OpenSCManagerA, SC_MANAGER_CONNECT) and the
  // service (OpenServiceA), makes its call and closes both (CloseServiceHandle). Results are
  // Windows error codes: ERROR_SERVICE_DOES_NOT_EXIST where the manager lists no such service.
  // ControlService(SERVICE_CONTROL_STOP): the service is asked to stop.
  virtual ErrorCode StopServiceA(const std::string& name) {
    return below_ ? below_->StopServiceA(name) : win::kErrorServiceDoesNotExist;
  }
  // QueryServiceStatus: the service's current state (kServiceRunning ...; 0 when it is listed but
  // its state cannot be read); nothing when the manager lists no such service (or it cannot be
  // opened at all).
  virtual std::optional<std::uint32_t> QueryServiceStateA(const std::string& name) {
    return below_ ? below_->QueryServiceStateA(name) : std::nullopt;
  }
  // DeleteService: the service is marked for deletion; the manager removes it once it is stopped
  // and nobody holds it open, else at the next start of Windows.
  virtual ErrorCode DeleteServiceA(const std::string& name) {
    return below_ ? below_->DeleteServiceA(name) : win::kErrorServiceDoesNotExist;
  }
  virtual void Sleep(std::uint32_t milliseconds) {
    if (below_) below_->Sleep(milliseconds);
  }

  // Registry. Results are Windows error codes.
  virtual ErrorCode RegOpenKeyExA(KeyHandle key, const std::string& subKey, std::uint32_t access, KeyHandle& result) {
    return below_ ? below_->RegOpenKeyExA(key, subKey, access, result) : win::kErrorAccessDenied;
  }
  virtual ErrorCode RegCreateKeyExA(KeyHandle key, const std::string& subKey, std::uint32_t options,
                                    std::uint32_t access, KeyHandle& result) {
    return below_ ? below_->RegCreateKeyExA(key, subKey, options, access, result) : win::kErrorAccessDenied;
  }
  virtual ErrorCode RegCloseKey(KeyHandle key) { return below_ ? below_->RegCloseKey(key) : win::kErrorInvalidHandle; }
  virtual ErrorCode RegDeleteKeyA(KeyHandle key, const std::string& subKey) {
    return below_ ? below_->RegDeleteKeyA(key, subKey) : win::kErrorAccessDenied;
  }
  // Number of subkeys and the length of the longest subkey name in characters.
  virtual ErrorCode RegQueryInfoKeyA(KeyHandle key, std::uint32_t& subKeys, std::uint32_t& maxSubKeyLength) {
    return below_ ? below_->RegQueryInfoKeyA(key, subKeys, maxSubKeyLength) : win::kErrorAccessDenied;
  }
  // Number of values of the key (RegQueryInfoKeyA).
  virtual ErrorCode RegQueryValueCountA(KeyHandle key, std::uint32_t& values) {
    return below_ ? below_->RegQueryValueCountA(key, values) : win::kErrorAccessDenied;
  }
  // Name of the subkey at index, read into a buffer of nameBufferSize characters (NUL included).
  virtual ErrorCode RegEnumKeyExA(KeyHandle key, std::uint32_t index, std::uint32_t nameBufferSize, std::string& name) {
    return below_ ? below_->RegEnumKeyExA(key, index, nameBufferSize, name) : win::kErrorAccessDenied;
  }
  // With data null: asks for type and size. Otherwise reads at most size bytes into data and
  // sets size to the bytes delivered.
  virtual ErrorCode RegQueryValueExA(KeyHandle key, const std::string& name, std::uint32_t& type, std::string* data,
                                     std::uint32_t& size) {
    return below_ ? below_->RegQueryValueExA(key, name, type, data, size) : win::kErrorAccessDenied;
  }
  // data holds exactly the bytes to store (for REG_SZ: the text and its NUL).
  virtual ErrorCode RegSetValueExA(KeyHandle key, const std::string& name, std::uint32_t type,
                                   const std::string& data) {
    return below_ ? below_->RegSetValueExA(key, name, type, data) : win::kErrorAccessDenied;
  }
  virtual ErrorCode RegDeleteValueA(KeyHandle key, const std::string& name) {
    return below_ ? below_->RegDeleteValueA(key, name) : win::kErrorAccessDenied;
  }

 protected:
  // A system of its own (below is null) overrides the calls it has; each one it lacks fails, as
  // on a system without it (no registry, no boxes: the Linux side of the checker). A platform
  // that wraps another (below is that one) overrides only what it changes: every other call is
  // handed on as it is.
  explicit Platform(Platform* below = nullptr) : below_(below) {}

 private:
  Platform* below_;
};

}  // namespace qv
