// An in-memory Windows as strict as the real one: case-insensitive file and key names, a file
// and a folder are different things, a read-only file resists deletion, a key with subkeys
// cannot be deleted, a file held open with share mode 0 cannot be opened again. Effects are
// recorded so tests can assert on what happened. A copy is a second system of its own: its keys
// are copies too, and its open handles refer to them. Assigning one system to another keeps the
// files and keys that are already equal, so that resetting a system to a saved one after a run
// that changed little costs little.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "seam/platform.h"
#include "seam/wide_calls.h"
#include "text/text.h"

namespace qv {

// A box as MessageBoxA showed it (text and caption as bytes), or as MessageBoxW did (wide).
struct ShownBox {
  std::string text;
  std::string caption;
  std::uint32_t flags;
  int answer;
  bool wide = false;
  std::u16string wideText;
  std::u16string wideCaption;
};

struct MemoryFile {
  std::string name;  // the last part of its path as written when it was made or renamed
  bool folder = false;
  std::uint32_t attributes = 0;
  std::string bytes;
  std::uint64_t lastWriteTime = 125911584000000000ull;  // 1 January 2000, 00:00 UTC
  bool heldOpen = false;                                // another process holds it open with share mode 0
  std::string company;  // the maker its version resource names, in the ANSI code page; "": none
};
bool operator==(const MemoryFile& a, const MemoryFile& b);
inline bool operator!=(const MemoryFile& a, const MemoryFile& b) { return !(a == b); }

struct MemoryValue {
  std::string name;  // as written
  std::uint32_t type = win::kRegSz;
  std::string data;
};
bool operator==(const MemoryValue& a, const MemoryValue& b);
inline bool operator!=(const MemoryValue& a, const MemoryValue& b) { return !(a == b); }

struct MemoryKey {
  std::string name;                                                        // as written
  std::map<std::string, std::shared_ptr<MemoryKey>, std::less<>> subkeys;  // by upper-cased name
  std::map<std::string, MemoryValue> values;                               // by upper-cased name
  bool denyAllAccess = false;                                              // opening with more than KEY_READ is refused
  bool denyWrite = false;  // values cannot be set, subkeys cannot be created
  bool deleted = false;
};
// Name, flags and values equal, and the same subkeys, each equal in turn.
bool SameTree(const MemoryKey& a, const MemoryKey& b);

// A service as the service control manager lists it.
struct MemoryService {
  std::string name;  // as written
  std::uint32_t state = win::kServiceRunning;
  // Asked to stop, it stops; otherwise the request is taken and it stays stopping for ever.
  bool stops = true;
  // Deleted while not stopped: it stays listed until it stops, or until Windows next starts.
  bool markedForDeletion = false;
};

class MemoryPlatform : public Platform, public WideCalls {
 public:
  MemoryPlatform();

  // --- Set-up and inspection ---
  std::string commandLine = "QvUninst.exe";
  std::string moduleFileName = "C:\\Tools\\QvUninst.exe";
  std::uintptr_t moduleBase = 0x400000;
  std::uint32_t ansiCodePage = 932;
  bool dbcsEnabled = true;
  std::vector<std::pair<std::uint8_t, std::uint8_t>> leadByteRanges = {{0x81, 0x9F}, {0xE0, 0xFC}};
  std::uint32_t threadLocale = 0x411;
  std::map<std::uint32_t, std::string> localeInfo;  // missing types give nothing
  std::string windowsFolder = "C:\\WINDOWS";
  std::string systemFolder = "C:\\WINDOWS\\system32";
  std::string currentFolder = "C:\\Current\\";  // relative paths resolve against it
  // The process's environment by upper-cased name (names compare without regard to case).
  std::map<std::string, std::string> environment;
  LocalTime localTime{2024, 4, 3, 9, 5, 7};
  std::optional<std::string> userName = "u";  // the account the process runs in; nothing: the call fails

  // Makes the system one of another ANSI code page (1252, 936, 949 or 65001): the code page,
  // whether it has double-byte characters, its lead bytes and its case mapping. The in-memory system holds
  // every name as a system of code page 932 would (see Stored): the ANSI calls' names are read in
  // the system's code page and changed to that, and the wide calls' names from UTF-16.
  void UseAnsiCodePage(std::uint32_t codePage);
  // The command line in UTF-16, when it holds what the ANSI code page cannot write: the wide call
  // gives it, and the ANSI one gives it in the code page, each character it cannot write as "?".
  std::u16string wideCommandLine;
  // The ANSI calls made with a name where the code page is not 932: the program makes none there.
  mutable std::size_t ansiNameCalls = 0;

  // A name as the in-memory system holds it: code page 932 bytes, and "\xFF{XXXX}" (four upper-case hex
  // digits) for a UTF-16 unit that code page has no bytes for. Unstored reads one back; a byte
  // sequence that is not valid gives U+FFFD.
  static std::string Stored(const std::u16string& name);
  static std::u16string Unstored(const std::string& stored);

  // Answers given to the boxes in turn; when none is left, Yes to a question and OK otherwise.
  std::deque<int> answers;
  std::vector<ShownBox> boxes;
  std::vector<std::pair<long, std::uint32_t>> shellNotifications;
  std::vector<std::string> settingChanges;           // the areas WM_SETTINGCHANGE was broadcast for, in order
  std::vector<std::string> reads;                    // paths passed to ReadWholeFile
  std::set<std::string> mutexesHeldElsewhere;        // names existing before we run
  std::map<std::string, std::uint32_t> mutexErrors;  // names whose creation fails with this code
  std::vector<std::string> mutexesCreated;

  // Deletions left to the next start of Windows, paths as given, in call order; refused without
  // an administrator's rights. Restart() carries them out as Windows does when it starts: files,
  // and folders that are empty by then; no program holds a file open afterwards.
  std::vector<std::string> pendingAtRestart;
  bool restartAllowed = true;
  void Restart();

  // Services by upper-cased name. AddService lists one and writes its key below Services with its
  // program as ImagePath, as the manager does (both as the in-memory system holds names); a service that goes
  // takes its key along.
  std::map<std::string, MemoryService> services;
  MemoryService& AddService(const std::string& name, const std::string& program);
  // Sleep's time, summed up: the in-memory system's sleeps take none.
  std::uint64_t sleptMilliseconds = 0;

  // Files and folders: AddFolder creates missing parents; AddFile creates its folder.
  void AddFolder(const std::string& path);
  MemoryFile& AddFile(const std::string& path, const std::string& bytes = "");
  bool Exists(const std::string& path) const;
  bool IsFolder(const std::string& path) const;
  const MemoryFile* Find(const std::string& path) const;
  // Every path, as the in-memory system normalises it (upper-cased), folders with a final "\".
  std::vector<std::string> Paths() const;
  // Every file and folder by its path as the in-memory system normalises it, in order.
  const std::map<std::string, MemoryFile>& Entries() const { return files_.entries; }

  // Registry: keys by root and path ("Software\\Example"); created as needed.
  MemoryKey& AddKey(RegistryRoot root, const std::string& path);
  void SetValue(RegistryRoot root, const std::string& path, const std::string& name, const std::string& data,
                std::uint32_t type = win::kRegSz);
  MemoryKey* FindKey(RegistryRoot root, const std::string& path) const;
  // The key and everything below it go (a root stays); a value goes. Nothing there: nothing changes.
  void RemoveKey(RegistryRoot root, const std::string& path);
  void RemoveValue(RegistryRoot root, const std::string& path, const std::string& name);
  // Every key and value below the root, one line each, for comparing whole trees.
  std::vector<std::string> Dump(RegistryRoot root) const;
  std::size_t OpenKeyCount() const { return registry_.handles.size(); }

  // Comparing two systems, without building text: every file and folder, and every registry
  // tree, equal in all they hold. The recorded effects (boxes, reads, handles ...) are not part
  // of it.
  bool SameFilesAndRegistry(const MemoryPlatform& other) const;
  // The folder (path as the program would write it) and everything in it, equal in both; also
  // true when neither has it.
  bool SameFolder(const MemoryPlatform& other, const std::string& folder) const;
  // The key and everything below it, equal in both; also true when neither has it.
  bool SameKey(const MemoryPlatform& other, RegistryRoot root, const std::string& path) const;

  // --- Platform ---
  std::string GetCommandLineA() override;
  std::string GetModuleFileNameA() override { return moduleFileName; }
  std::uintptr_t GetModuleBase() override { return moduleBase; }

  int MessageBoxA(const std::string& text, const std::string& caption, std::uint32_t flags) override;
  int MessageBoxW(const std::u16string& text, const std::u16string& caption, std::uint32_t flags) override;
  std::string CharUpperBuffA(std::string text) override;
  std::string CharLowerBuffA(std::string text) override;

  std::uint32_t GetACP() override { return ansiCodePage; }
  std::optional<std::u16string> MultiByteToWideChar(std::uint32_t codePage, const std::string& bytes) override;
  int GetSystemMetrics(int index) override { return index == win::kSmDbcsEnabled && dbcsEnabled ? 1 : 0; }
  std::vector<std::pair<std::uint8_t, std::uint8_t>> GetCPInfoLeadBytes() override { return leadByteRanges; }
  std::uint32_t GetThreadLocale() override { return threadLocale; }
  std::optional<std::string> GetLocaleInfoA(std::uint32_t locale, std::uint32_t type) override;

  std::optional<FindData> FindFirstFileA(const std::string& path) override;
  std::optional<std::uint64_t> FileTimeToLocalFileTime(std::uint64_t fileTime) override;
  std::optional<DosDateTime> FileTimeToDosDateTime(std::uint64_t fileTime) override;
  bool SetFileAttributesA(const std::string& path, std::uint32_t attributes) override;
  bool DeleteFileA(const std::string& path) override;
  bool MoveFileA(const std::string& oldPath, const std::string& newPath) override;
  bool RemoveDirectoryA(const std::string& path) override;
  bool MoveFileExA(const std::string& path, std::uint32_t flags) override;
  std::string GetWindowsDirectoryA() override { return windowsFolder; }
  std::string GetSystemDirectoryA() override { return systemFolder; }
  std::optional<std::string> ReadWholeFile(const std::string& path) override;
  std::optional<std::string> GetFileCompanyNameA(const std::string& path) override;
  std::vector<FoundFile> FindFilesA(const std::string& pattern) override;
  ErrorCode TryOpenFileA(const std::string& path, std::uint32_t access) override;

  bool AppendToFileA(const std::string& path, const std::string& firstBytes, const std::string& bytes) override;
  std::optional<std::string> GetEnvironmentVariableA(const std::string& name) override;
  LocalTime GetLocalTime() override { return localTime; }
  std::optional<std::string> GetUserNameA() override { return userName; }

  ErrorCode CreateMutexA(const std::string& name) override;
  void SHChangeNotify(long event, std::uint32_t flags) override { shellNotifications.emplace_back(event, flags); }
  void BroadcastSettingChange(const std::string& area) override { settingChanges.push_back(area); }

  ErrorCode StopServiceA(const std::string& name) override { return StopServiceStored(FromAnsi(name)); }
  std::optional<std::uint32_t> QueryServiceStateA(const std::string& name) override {
    return QueryServiceStateStored(FromAnsi(name));
  }
  ErrorCode DeleteServiceA(const std::string& name) override { return DeleteServiceStored(FromAnsi(name)); }
  void Sleep(std::uint32_t milliseconds) override { sleptMilliseconds += milliseconds; }

  ErrorCode RegOpenKeyExA(KeyHandle key, const std::string& subKey, std::uint32_t access, KeyHandle& result) override;
  ErrorCode RegCreateKeyExA(KeyHandle key, const std::string& subKey, std::uint32_t options, std::uint32_t access,
                            KeyHandle& result) override;
  ErrorCode RegCloseKey(KeyHandle key) override;
  ErrorCode RegDeleteKeyA(KeyHandle key, const std::string& subKey) override;
  ErrorCode RegQueryInfoKeyA(KeyHandle key, std::uint32_t& subKeys, std::uint32_t& maxSubKeyLength) override;
  ErrorCode RegQueryValueCountA(KeyHandle key, std::uint32_t& values) override;
  ErrorCode RegEnumKeyExA(KeyHandle key, std::uint32_t index, std::uint32_t nameBufferSize, std::string& name) override;
  ErrorCode RegQueryValueExA(KeyHandle key, const std::string& name, std::uint32_t& type, std::string* data,
                             std::uint32_t& size) override;
  ErrorCode RegSetValueExA(KeyHandle key, const std::string& name, std::uint32_t type,
                           const std::string& data) override;
  ErrorCode RegDeleteValueA(KeyHandle key, const std::string& name) override;

  std::u16string GetCommandLineW() override;
  std::u16string GetModuleFileNameW() override;
  std::u16string GetWindowsDirectoryW() override;
  std::u16string GetSystemDirectoryW() override;
  std::optional<std::u16string> GetLocaleInfoW(std::uint32_t locale, std::uint32_t type) override;
  std::optional<std::string> WideCharToMultiByte(std::uint32_t codePage, const std::u16string& text) override;
  std::optional<FindData> FindFirstFileW(const std::u16string& path) override;
  bool SetFileAttributesW(const std::u16string& path, std::uint32_t attributes) override;
  bool DeleteFileW(const std::u16string& path) override;
  bool MoveFileW(const std::u16string& oldPath, const std::u16string& newPath) override;
  bool RemoveDirectoryW(const std::u16string& path) override;
  bool MoveFileExW(const std::u16string& path, std::uint32_t flags) override;
  std::optional<std::string> ReadWholeFileW(const std::u16string& path) override;
  std::optional<std::u16string> GetFileCompanyNameW(const std::u16string& path) override;
  std::vector<FoundFileW> FindFilesW(const std::u16string& pattern) override;
  ErrorCode TryOpenFileW(const std::u16string& path, std::uint32_t access) override;
  bool AppendToFileW(const std::u16string& path, const std::string& firstBytes, const std::string& bytes) override;
  std::optional<std::u16string> GetEnvironmentVariableW(const std::u16string& name) override;
  std::optional<std::u16string> GetUserNameW() override;
  ErrorCode CreateMutexW(const std::u16string& name) override;
  ErrorCode StopServiceW(const std::u16string& name) override { return StopServiceStored(Stored(name)); }
  std::optional<std::uint32_t> QueryServiceStateW(const std::u16string& name) override {
    return QueryServiceStateStored(Stored(name));
  }
  ErrorCode DeleteServiceW(const std::u16string& name) override { return DeleteServiceStored(Stored(name)); }
  ErrorCode RegOpenKeyExW(KeyHandle key, const std::u16string& subKey, std::uint32_t access,
                          KeyHandle& result) override;
  ErrorCode RegCreateKeyExW(KeyHandle key, const std::u16string& subKey, std::uint32_t options, std::uint32_t access,
                            KeyHandle& result) override;
  ErrorCode RegDeleteKeyW(KeyHandle key, const std::u16string& subKey) override;
  ErrorCode RegEnumKeyExW(KeyHandle key, std::uint32_t index, std::uint32_t nameBufferSize,
                          std::u16string& name) override;
  ErrorCode RegQueryValueExW(KeyHandle key, const std::u16string& name, std::uint32_t& type,
                             std::string& data) override;
  ErrorCode RegSetValueExW(KeyHandle key, const std::u16string& name, std::uint32_t type,
                           const std::string& data) override;
  ErrorCode RegDeleteValueW(KeyHandle key, const std::u16string& name) override;
  void BroadcastSettingChangeW(const std::u16string& area) override { settingChanges.push_back(Stored(area)); }

  // Local time is UTC plus this many hours.
  int utcOffsetHours = 9;

 private:
  struct Handle {
    std::shared_ptr<MemoryKey> key;
    bool writable;
  };
  // The files by normalised path, no final "\"; assignment replaces only the entries that
  // differ when both hold the same paths.
  struct FileTable {
    std::map<std::string, MemoryFile> entries;

    FileTable() = default;
    FileTable(const FileTable&) = default;
    FileTable& operator=(const FileTable& other);
  };
  // The roots' trees and the open handles; copying it copies every key, and the copy's handles
  // refer to the copied keys (a handle to a deleted key gets a deleted copy of its own).
  // Assignment without open handles on either side keeps every key whose place in the tree
  // both share, and sets its name, flags and values.
  struct Registry {
    std::map<RegistryRoot, std::shared_ptr<MemoryKey>> roots;
    std::map<KeyHandle, Handle> handles;

    Registry() = default;
    Registry(const Registry& other);
    Registry& operator=(const Registry& other);
    Registry(Registry&&) = default;
    Registry& operator=(Registry&&) = default;
  };

  // Each call with names, on the names as the in-memory system holds them; the ANSI and the wide calls above
  // change their names to these and back.
  std::optional<FindData> FindFirstFileStored(const std::string& path);
  bool SetFileAttributesStored(const std::string& path, std::uint32_t attributes);
  bool DeleteFileStored(const std::string& path);
  bool MoveFileStored(const std::string& oldPath, const std::string& newPath);
  bool RemoveDirectoryStored(const std::string& path);
  bool MoveFileExStored(const std::string& path, std::uint32_t flags);
  std::optional<std::string> ReadWholeFileStored(const std::string& path);
  // The maker of a file there, as set up; nothing for a folder, a missing file or one without.
  std::optional<std::string> CompanyStored(const std::string& path) const;
  std::vector<FoundFile> FindFilesStored(const std::string& pattern);
  ErrorCode TryOpenFileStored(const std::string& path, std::uint32_t access);
  bool AppendToFileStored(const std::string& path, const std::string& firstBytes, const std::string& bytes);
  ErrorCode CreateMutexStored(const std::string& name);
  ErrorCode StopServiceStored(const std::string& name);
  std::optional<std::uint32_t> QueryServiceStateStored(const std::string& name);
  ErrorCode DeleteServiceStored(const std::string& name);
  // The manager forgets the service, and its key goes.
  void RemoveService(std::map<std::string, MemoryService>::iterator service);
  ErrorCode RegOpenKeyExStored(KeyHandle key, const std::string& subKey, std::uint32_t access, KeyHandle& result);
  ErrorCode RegCreateKeyExStored(KeyHandle key, const std::string& subKey, std::uint32_t options, std::uint32_t access,
                                 KeyHandle& result);
  ErrorCode RegDeleteKeyStored(KeyHandle key, const std::string& subKey);
  ErrorCode RegEnumKeyExStored(KeyHandle key, std::uint32_t index, std::uint32_t nameBufferSize, std::string& name);
  ErrorCode RegQueryValueExStored(KeyHandle key, const std::string& name, std::uint32_t& type, std::string* data,
                                  std::uint32_t& size);
  ErrorCode RegSetValueExStored(KeyHandle key, const std::string& name, std::uint32_t type, const std::string& data);
  ErrorCode RegDeleteValueStored(KeyHandle key, const std::string& name);

  // A name from an ANSI call as the in-memory system holds it, and one it holds as an ANSI call gives it.
  std::string FromAnsi(const std::string& bytes) const;
  std::string ToAnsi(const std::string& stored) const;
  // A system's text (set up in the ANSI code page) as the wide calls give it.
  std::u16string SystemText(const std::string& bytes) const;
  // The in-memory system's own upper-casing of the names it holds.
  std::string Upper(std::string stored) const;

  int Answer(std::uint32_t flags);
  std::string Normalize(const std::string& path, bool& trailingSlash) const;
  // The path made whole as Normalize makes it, its names as written; and its last name.
  std::string Spelled(const std::string& path, bool& trailingSlash) const;
  std::string LastName(const std::string& path) const;
  std::string Parent(const std::string& normalized) const;
  bool HasChildren(const std::string& normalized) const;
  std::shared_ptr<MemoryKey> KeyOf(KeyHandle key, ErrorCode& status) const;
  // The key of a handle that may change its values; nothing, with the error, otherwise.
  std::shared_ptr<MemoryKey> ValuesOf(KeyHandle key, ErrorCode& status) const;
  std::vector<std::string_view> SplitKeyPath(const std::string& path) const;
  // The key at the upper-cased path below node; nothing when there is none.
  std::shared_ptr<MemoryKey> Descend(std::shared_ptr<MemoryKey> node, const std::string& upper) const;
  KeyHandle NewHandle(std::shared_ptr<MemoryKey> key, bool writable);
  ErrorCode DeleteOpenKey(const std::shared_ptr<MemoryKey>& node);

  LeadByteTable lead_;
  FileTable files_;
  Registry registry_;
  KeyHandle nextHandle_ = 0x1000;
};

}  // namespace qv
