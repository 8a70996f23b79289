// The end-to-end harness's hands inside the Wine prefix. One run of this program is one case:
//
//   qvdriver.exe JOBFILE
//
// It reads the job (one directive a line, byte strings in hex so no quoting can alter them),
// sets up the fixtures, takes a snapshot of the chosen folders and registry keys, starts the
// program with CreateProcessA(application, exact line), answers each of the message boxes of the
// program and of the programs it starts (its process tree) from the list of answers, waits for
// them all to end, takes the snapshot again and writes everything to the log named by the job. It also holds files open
// (share mode 0) and named mutexes for the whole run when asked, standing in for another running program.
//
// Job directives (H = hex bytes, "-" = empty):
//   log H                      the log file to write
//   dir H                      create a folder
//   file H DATA ATTRS MTIME    create a file with content DATA, then set its attributes (hex) and,
//                              unless MTIME is "-", its last-write time (FILETIME, hex, UTC)
//   regkey ROOT H              create a registry key (ROOT: the predefined handle value in hex)
//   regval ROOT H NAME TYPE DATA   set a value (TYPE decimal, DATA raw bytes)
//   regdel ROOT H              delete a key with all its subkeys
//   hold H                     keep the file open with share mode 0 until the end
//   service H LINE             install the service H (own process, started on demand, command line
//                              LINE) with the service control manager, start it and wait until it
//                              reports itself running (at most 10 s)
//   mutex H                    create the named mutex and keep it until the end
//   list H                     folder to list in the snapshots (recursively)
//   dump ROOT H                registry key to list in the snapshots (recursively)
//   exe H / line H / cwd H     application name, exact command line, current folder
//   utf8                       (first) every name, path and command line H of the job, and every
//                              name in the snapshots, is UTF-8: the driver makes the wide calls, so
//                              that names of any script reach Windows whatever its code page; a
//                              REG_SZ value's data is then UTF-16LE
//   answer NAME                next answer: yes, no, ok, cancel, abort, retry, ignore
//   timeout MS                 longest wait for the next box or for the end (default 10000)
//   pictures H                 folder where each box is saved as it is shown, box-N.bmp from 1
//   rest-as-user               once the answers are used up, answer further boxes as a user would:
//                              Yes where it is offered, else OK (instead of stopping the program)
//   first-exe H / first-line H / first-out H
//                              a console program to run to its end before the program, in the same
//                              session (the fixtures held for both), its output written to the file
//                              first-out; a snapshot "middle" is taken after it
//
// Log lines: "setup-error ...", "snapshot before|middle|after" ... "end-snapshot",
// "first-launched PID", "first-exit CODE" or "first-timeout", "launched PID",
// "process PID PARENT H" (a program the tree started, by its file name),
// "box N PID BOX ANSWER", "unexpected-box BOX", "no-button N BOX ANSWER", "stuck-box N", "timeout",
// "exit-of PID CODE" (each program of the tree), "exit CODE" (the launched one), "done".
// BOX is "CAPTION TEXT WIDE-CAPTION WIDE-TEXT BUTTONS": caption and text as GetWindowTextA gives
// them (bytes of the ANSI code page), then as GetWindowTextW does (UTF-16LE).
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <windows.h>
// After windows.h, which it needs.
#include <map>
#include <tlhelp32.h>

namespace {

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  if (bytes.empty()) return "-";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

std::string HexWide(const std::wstring& text) {
  std::string bytes;
  for (wchar_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>((c >> 8) & 0xFF);
  }
  return Hex(bytes);
}

std::string Unhex(const std::string& text) {
  std::string out;
  if (text == "-") return out;
  for (std::size_t i = 0; i + 1 < text.size(); i += 2)
    out += static_cast<char>(std::strtoul(text.substr(i, 2).c_str(), nullptr, 16));
  return out;
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  while (start <= line.size()) {
    std::size_t blank = line.find(' ', start);
    if (blank == std::string::npos) blank = line.size();
    if (blank > start) fields.push_back(line.substr(start, blank - start));
    start = blank + 1;
  }
  return fields;
}

FILE* g_log = nullptr;

void Log(const std::string& line) {
  if (!g_log) return;
  std::fputs(line.c_str(), g_log);
  std::fputc('\n', g_log);
  std::fflush(g_log);
}

HKEY Root(const std::string& hex) {
  return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(std::strtoul(hex.c_str(), nullptr, 16)));
}

bool g_utf8 = false;

std::wstring Utf16(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), size);
  return out;
}

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
  return out;
}

// ---------------------------------------------------------------------------------------------
// Snapshots

// Lists everything below root\relative; each line names the root and the path below it.
void ListFolder(const std::string& root, const std::string& relative) {
  const std::string folder = relative.empty() ? root : root + "\\" + relative;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  std::vector<std::string> subfolders;
  do {
    std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    std::string path = relative.empty() ? name : relative + "\\" + name;
    char info[128];
    unsigned long long time = (static_cast<unsigned long long>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                              data.ftLastWriteTime.dwLowDateTime;
    std::snprintf(info, sizeof info, " %lx %lu %llx", data.dwFileAttributes, data.nFileSizeLow, time);
    bool isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    Log(std::string(isFolder ? "dir " : "file ") + Hex(root) + " " + Hex(path) + info);
    if (isFolder) subfolders.push_back(name);
  } while (FindNextFileA(find, &data));
  FindClose(find);
  for (const std::string& name : subfolders) ListFolder(root, relative.empty() ? name : relative + "\\" + name);
}

// The same with the wide calls; root and the names logged are UTF-8.
void ListFolderWide(const std::string& root, const std::string& relative) {
  const std::string folder = relative.empty() ? root : root + "\\" + relative;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(Utf16(folder + "\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  std::vector<std::string> subfolders;
  do {
    const std::string name = Utf8(data.cFileName);
    if (name == "." || name == "..") continue;
    const std::string path = relative.empty() ? name : relative + "\\" + name;
    char info[128];
    unsigned long long time = (static_cast<unsigned long long>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                              data.ftLastWriteTime.dwLowDateTime;
    std::snprintf(info, sizeof info, " %lx %lu %llx", data.dwFileAttributes, data.nFileSizeLow, time);
    const bool isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    Log(std::string(isFolder ? "dir " : "file ") + Hex(root) + " " + Hex(path) + info);
    if (isFolder) subfolders.push_back(name);
  } while (FindNextFileW(find, &data));
  FindClose(find);
  for (const std::string& name : subfolders) ListFolderWide(root, relative.empty() ? name : relative + "\\" + name);
}

// The same with the wide calls; names are UTF-8, data as stored (a text's in UTF-16LE).
void DumpKeyWide(const std::string& root, const std::string& path) {
  HKEY key;
  if (RegOpenKeyExW(Root(root), path.empty() ? nullptr : Utf16(path).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return;
  Log("regkey " + root + " " + Hex(path));
  std::vector<wchar_t> name(16384);
  std::vector<char> data(1 << 20);
  for (DWORD i = 0;; ++i) {
    DWORD nameSize = static_cast<DWORD>(name.size()), dataSize = static_cast<DWORD>(data.size()), type = 0;
    if (RegEnumValueW(key, i, name.data(), &nameSize, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                      &dataSize) != ERROR_SUCCESS)
      break;
    Log("regval " + root + " " + Hex(path) + " " + Hex(Utf8(std::wstring(name.data(), nameSize))) + " " +
        std::to_string(type) + " " + Hex(std::string(data.data(), dataSize)));
  }
  std::vector<std::string> subkeys;
  for (DWORD i = 0;; ++i) {
    DWORD nameSize = static_cast<DWORD>(name.size());
    if (RegEnumKeyExW(key, i, name.data(), &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    subkeys.push_back(Utf8(std::wstring(name.data(), nameSize)));
  }
  RegCloseKey(key);
  for (const std::string& sub : subkeys) DumpKeyWide(root, path.empty() ? sub : path + "\\" + sub);
}

void DumpKey(const std::string& root, const std::string& path) {
  HKEY key;
  if (RegOpenKeyExA(Root(root), path.empty() ? nullptr : path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  Log("regkey " + root + " " + Hex(path));
  std::vector<char> name(16384), data(1 << 20);
  for (DWORD i = 0;; ++i) {
    DWORD nameSize = static_cast<DWORD>(name.size()), dataSize = static_cast<DWORD>(data.size()), type = 0;
    LONG rc =
        RegEnumValueA(key, i, name.data(), &nameSize, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &dataSize);
    if (rc != ERROR_SUCCESS) break;
    Log("regval " + root + " " + Hex(path) + " " + Hex(std::string(name.data(), nameSize)) + " " +
        std::to_string(type) + " " + Hex(std::string(data.data(), dataSize)));
  }
  std::vector<std::string> subkeys;
  for (DWORD i = 0;; ++i) {
    DWORD nameSize = static_cast<DWORD>(name.size());
    if (RegEnumKeyExA(key, i, name.data(), &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    subkeys.emplace_back(name.data(), nameSize);
  }
  RegCloseKey(key);
  for (const std::string& sub : subkeys) DumpKey(root, path.empty() ? sub : path + "\\" + sub);
}

struct Job {
  std::vector<std::string> folders;
  std::vector<std::pair<std::string, std::string>> keys;
  std::string exe, line, cwd;
  std::string firstExe, firstLine, firstOut;
  std::vector<std::string> answers;
  std::string pictures;
  DWORD timeout = 10000;
  bool restAsUser = false;
};

void Snapshot(const Job& job, const char* when) {
  Log(std::string("snapshot ") + when);
  for (const std::string& folder : job.folders) (g_utf8 ? ListFolderWide : ListFolder)(folder, "");
  for (const auto& key : job.keys) (g_utf8 ? DumpKeyWide : DumpKey)(key.first, key.second);
  Log("end-snapshot");
}

// ---------------------------------------------------------------------------------------------
// Fixtures

bool DeleteTree(HKEY root, const std::string& path) {
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return false;
  std::vector<std::string> subkeys;
  char name[1024];
  for (DWORD i = 0;; ++i) {
    DWORD size = sizeof name;
    if (RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    subkeys.emplace_back(name, size);
  }
  RegCloseKey(key);
  for (const std::string& sub : subkeys) DeleteTree(root, path + "\\" + sub);
  return RegDeleteKeyA(root, path.c_str()) == ERROR_SUCCESS;
}

std::vector<HANDLE> g_held;

// The fixtures that name files and keys, with the wide calls (names in UTF-8).
bool SetupWide(const std::vector<std::string>& f) {
  const std::string& op = f[0];
  if (op == "dir" && f.size() == 2)
    return CreateDirectoryW(Utf16(Unhex(f[1])).c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
  if (op == "file" && f.size() == 5) {
    const std::wstring path = Utf16(Unhex(f[1]));
    const std::string data = Unhex(f[2]);
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = data.empty() || WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
    CloseHandle(file);
    const DWORD attributes = std::strtoul(f[3].c_str(), nullptr, 16);
    return ok && f[4] == "-" && (attributes == 0 || SetFileAttributesW(path.c_str(), attributes));
  }
  if ((op == "regkey" && f.size() == 3) || (op == "regval" && f.size() == 6)) {
    HKEY key;
    if (RegCreateKeyExW(Root(f[1]), Utf16(Unhex(f[2])).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
      return false;
    LONG rc = ERROR_SUCCESS;
    if (op == "regval") {
      const std::wstring name = Utf16(Unhex(f[3]));
      const std::string data = Unhex(f[5]);
      rc = RegSetValueExW(key, name.empty() ? nullptr : name.c_str(), 0, std::strtoul(f[4].c_str(), nullptr, 10),
                          reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()));
    }
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
  }
  return false;
}

bool InstallService(const std::string& name, const std::string& line) {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  if (!manager) return false;
  SC_HANDLE service = CreateServiceA(manager, name.c_str(), name.c_str(), SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                                     SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, line.c_str(), nullptr, nullptr,
                                     nullptr, nullptr, nullptr);
  const bool started = service && StartServiceA(service, 0, nullptr);
  bool running = false;
  for (int waited = 0; started && !running && waited < 10000; waited += 100) {
    SERVICE_STATUS status;
    if (!QueryServiceStatus(service, &status)) break;
    running = status.dwCurrentState == SERVICE_RUNNING;
    if (!running) Sleep(100);
  }
  const DWORD error = GetLastError();
  if (service) CloseServiceHandle(service);
  CloseServiceHandle(manager);
  SetLastError(error);
  return running;
}

bool Setup(const std::vector<std::string>& f, Job& job) {
  const std::string& op = f[0];
  if (op == "utf8" && f.size() == 1) return g_utf8 = true, true;
  if (g_utf8 && (op == "dir" || op == "file" || op == "regkey" || op == "regval")) return SetupWide(f);
  if (op == "dir" && f.size() == 2)
    return CreateDirectoryA(Unhex(f[1]).c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
  if (op == "file" && f.size() == 5) {
    std::string path = Unhex(f[1]), data = Unhex(f[2]);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = data.empty() || (WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &written, nullptr) &&
                               written == data.size());
    if (ok && f[4] != "-") {
      unsigned long long t = std::strtoull(f[4].c_str(), nullptr, 16);
      FILETIME time{static_cast<DWORD>(t), static_cast<DWORD>(t >> 32)};
      ok = SetFileTime(file, nullptr, nullptr, &time);
    }
    CloseHandle(file);
    DWORD attributes = std::strtoul(f[3].c_str(), nullptr, 16);
    return ok && (attributes == 0 || SetFileAttributesA(path.c_str(), attributes));
  }
  if (op == "regkey" && f.size() == 3) {
    HKEY key;
    if (RegCreateKeyExA(Root(f[1]), Unhex(f[2]).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
      return false;
    RegCloseKey(key);
    return true;
  }
  if (op == "regval" && f.size() == 6) {
    HKEY key;
    if (RegCreateKeyExA(Root(f[1]), Unhex(f[2]).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
      return false;
    std::string name = Unhex(f[3]), data = Unhex(f[5]);
    LONG rc = RegSetValueExA(key, name.empty() ? nullptr : name.c_str(), 0, std::strtoul(f[4].c_str(), nullptr, 10),
                             reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
  }
  if (op == "regdel" && f.size() == 3) return DeleteTree(Root(f[1]), Unhex(f[2]));
  if (op == "hold" && f.size() == 2) {
    HANDLE file =
        CreateFileA(Unhex(f[1]).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    g_held.push_back(file);
    return true;
  }
  if (op == "mutex" && f.size() == 2) {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, Unhex(f[1]).c_str());
    if (!mutex) return false;
    g_held.push_back(mutex);
    return true;
  }
  if (op == "service" && f.size() == 3) return InstallService(Unhex(f[1]), Unhex(f[2]));
  if (op == "list" && f.size() == 2) return job.folders.push_back(Unhex(f[1])), true;
  if (op == "dump" && f.size() == 3) return job.keys.emplace_back(f[1], Unhex(f[2])), true;
  if (op == "exe" && f.size() == 2) return job.exe = Unhex(f[1]), true;
  if (op == "line" && f.size() == 2) return job.line = Unhex(f[1]), true;
  if (op == "cwd" && f.size() == 2) return job.cwd = Unhex(f[1]), true;
  if (op == "first-exe" && f.size() == 2) return job.firstExe = Unhex(f[1]), true;
  if (op == "first-line" && f.size() == 2) return job.firstLine = Unhex(f[1]), true;
  if (op == "first-out" && f.size() == 2) return job.firstOut = Unhex(f[1]), true;
  if (op == "answer" && f.size() == 2) return job.answers.push_back(f[1]), true;
  if (op == "pictures" && f.size() == 2) return job.pictures = Unhex(f[1]), true;
  if (op == "rest-as-user" && f.size() == 1) return job.restAsUser = true, true;
  if (op == "timeout" && f.size() == 2) return job.timeout = std::strtoul(f[1].c_str(), nullptr, 10), true;
  return false;
}

// ---------------------------------------------------------------------------------------------
// Message boxes

struct Button {
  const char* name;
  int id;
};
const Button kButtons[] = {{"ok", IDOK},         {"cancel", IDCANCEL}, {"abort", IDABORT}, {"retry", IDRETRY},
                           {"ignore", IDIGNORE}, {"yes", IDYES},       {"no", IDNO}};

struct Box {
  HWND window = nullptr;
  std::string caption, text, buttons;
  std::wstring wideCaption, wideText;
  std::vector<std::pair<int, HWND>> controls;  // button id and window
};

// The file name of a process's program (the snapshot may leave it empty just after the start).
std::string FileName(HANDLE process, const char* listed) {
  char path[MAX_PATH];
  DWORD size = MAX_PATH;
  std::string name = QueryFullProcessImageNameA(process, 0, path, &size) ? std::string(path, size) : listed;
  return name.substr(name.find_last_of('\\') + 1);
}

// The launched program and every program it started, directly or not: process id to handle.
class ProcessTree {
 public:
  explicit ProcessTree(const PROCESS_INFORMATION& root) : root_(root.dwProcessId) { members_[root_] = root.hProcess; }
  ~ProcessTree() {
    for (auto& member : members_) CloseHandle(member.second);
  }
  ProcessTree(const ProcessTree&) = delete;
  ProcessTree& operator=(const ProcessTree&) = delete;

  // Takes in the programs started since the last look.
  void Grow() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return;
    for (bool grew = true; grew;) {
      grew = false;
      PROCESSENTRY32 entry{};
      entry.dwSize = sizeof entry;
      for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        if (members_.count(entry.th32ProcessID) || !members_.count(entry.th32ParentProcessID)) continue;
        HANDLE process =
            OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, entry.th32ProcessID);
        if (!process) continue;
        // A program caught while it is being created has no file name yet: wait for it (up to a
        // minute: emulated, a start takes seconds), so that the harness can tell which program it is.
        std::string name = FileName(process, entry.szExeFile);
        for (int tries = 0; name.empty() && tries < 12000; ++tries) {
          Sleep(5);
          name = FileName(process, "");
        }
        members_[entry.th32ProcessID] = process;
        Log("process " + std::to_string(entry.th32ProcessID) + " " + std::to_string(entry.th32ParentProcessID) + " " +
            Hex(name));
        grew = true;
      }
    }
    CloseHandle(snapshot);
  }
  bool Has(DWORD pid) const { return members_.count(pid) != 0; }
  // Waits up to ms for every member to end; true when they all have.
  bool Ended(DWORD ms) {
    for (auto& member : members_)
      if (WaitForSingleObject(member.second, ms) != WAIT_OBJECT_0) return false;
    return true;
  }
  void Terminate() {
    for (auto& member : members_) TerminateProcess(member.second, 0xDEAD);
  }
  // Logs each member's exit code; returns the launched program's.
  DWORD LogExits() {
    DWORD rootCode = 0;
    for (auto& member : members_) {
      WaitForSingleObject(member.second, INFINITE);
      DWORD code = 0;
      GetExitCodeProcess(member.second, &code);
      Log("exit-of " + std::to_string(member.first) + " " + std::to_string(code));
      if (member.first == root_) rootCode = code;
    }
    return rootCode;
  }

 private:
  DWORD root_;
  std::map<DWORD, HANDLE> members_;
};

struct FindBox {
  const ProcessTree* tree;
  HWND found;
  DWORD pid;
};

BOOL CALLBACK FindBoxWindow(HWND window, LPARAM param) {
  FindBox* find = reinterpret_cast<FindBox*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (!find->tree->Has(pid) || !IsWindowVisible(window)) return TRUE;
  char cls[32];
  if (!GetClassNameA(window, cls, sizeof cls) || std::string(cls) != "#32770") return TRUE;
  find->found = window;
  find->pid = pid;
  return FALSE;
}

std::string WindowText(HWND window) {
  std::vector<char> buffer(8192);
  int length = GetWindowTextA(window, buffer.data(), static_cast<int>(buffer.size()));
  return std::string(buffer.data(), length > 0 ? length : 0);
}

std::wstring WindowTextW(HWND window) {
  std::vector<wchar_t> buffer(8192);
  int length = GetWindowTextW(window, buffer.data(), static_cast<int>(buffer.size()));
  return std::wstring(buffer.data(), length > 0 ? length : 0);
}

BOOL CALLBACK CollectControl(HWND child, LPARAM param) {
  Box* box = reinterpret_cast<Box*>(param);
  char cls[32];
  if (!GetClassNameA(child, cls, sizeof cls)) return TRUE;
  if (_stricmp(cls, "Button") == 0) {
    box->controls.emplace_back(GetDlgCtrlID(child), child);
  } else if (_stricmp(cls, "Static") == 0) {
    // The message is the static with the text id (Windows 0xFFFF, Wine 100); the icon is another.
    int id = GetDlgCtrlID(child);
    if (id == 0xFFFF || id == 100) {
      box->text = WindowText(child);
      box->wideText = WindowTextW(child);
    }
  }
  return TRUE;
}

Box ReadBox(HWND window) {
  Box box;
  box.window = window;
  box.caption = WindowText(window);
  box.wideCaption = WindowTextW(window);
  EnumChildWindows(window, CollectControl, reinterpret_cast<LPARAM>(&box));
  for (const Button& b : kButtons)
    for (const auto& control : box.controls)
      if (control.first == b.id) box.buttons += std::string(box.buttons.empty() ? "" : ",") + b.name;
  if (box.buttons.empty()) box.buttons = "-";
  return box;
}

// Saves the window as the screen shows it, frame included, as a 24-bit BMP file.
bool SavePicture(HWND window, const std::string& path) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
  Sleep(300);  // until the display server shows what was drawn
  RECT rect;
  if (!GetWindowRect(window, &rect)) return false;
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool saved = false;
  if (bitmap) {
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    GdiFlush();
    const DWORD size = static_cast<DWORD>(((width * 3 + 3) & ~3) * height);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + size;
    if (FILE* out = std::fopen(path.c_str(), "wb")) {
      saved = std::fwrite(&file, sizeof file, 1, out) == 1 &&
              std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out) == 1 && std::fwrite(bits, size, 1, out) == 1;
      saved = std::fclose(out) == 0 && saved;
    }
    SelectObject(memory, previous);
    DeleteObject(bitmap);
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return saved;
}

std::string Describe(const Box& box) {
  return Hex(box.caption) + " " + Hex(box.text) + " " + HexWide(box.wideCaption) + " " + HexWide(box.wideText) + " " +
         box.buttons;
}

// Waits until the window is gone or every program of the tree has ended.
bool WaitGone(HWND window, ProcessTree& tree, DWORD timeout) {
  DWORD start = GetTickCount();
  while (IsWindow(window) && IsWindowVisible(window)) {
    if (tree.Ended(10)) return true;
    if (GetTickCount() - start > timeout) return false;
  }
  return true;
}

// Runs the first program to its end, its standard output and error going to the file.
bool RunFirst(const Job& job) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE out = CreateFileA(job.firstOut.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) {
    Log("launch-error " + std::to_string(GetLastError()));
    return false;
  }
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = startup.hStdError = out;
  PROCESS_INFORMATION info{};
  std::vector<char> line(job.firstLine.begin(), job.firstLine.end());
  line.push_back('\0');
  const bool started =
      CreateProcessA(job.firstExe.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info);
  CloseHandle(out);
  if (!started) {
    Log("launch-error " + std::to_string(GetLastError()));
    return false;
  }
  CloseHandle(info.hThread);
  Log("first-launched " + std::to_string(info.dwProcessId));
  if (WaitForSingleObject(info.hProcess, job.timeout) != WAIT_OBJECT_0) {
    Log("first-timeout");
    TerminateProcess(info.hProcess, 0xDEAD);
    WaitForSingleObject(info.hProcess, INFINITE);
  }
  DWORD code = 0;
  GetExitCodeProcess(info.hProcess, &code);
  CloseHandle(info.hProcess);
  Log("first-exit " + std::to_string(code));
  return true;
}

// Starts the program with the exact line: the ANSI call, or with utf8 the wide one.
bool Launch(const Job& job, PROCESS_INFORMATION& info) {
  if (g_utf8) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring line = Utf16(job.line);
    const std::wstring cwd = Utf16(job.cwd);
    return CreateProcessW(Utf16(job.exe).c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          cwd.empty() ? nullptr : cwd.c_str(), &startup, &info);
  }
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  std::vector<char> line(job.line.begin(), job.line.end());
  line.push_back('\0');
  return CreateProcessA(job.exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        job.cwd.empty() ? nullptr : job.cwd.c_str(), &startup, &info);
}

int Drive(const Job& job) {
  PROCESS_INFORMATION info{};
  if (!Launch(job, info)) {
    Log("launch-error " + std::to_string(GetLastError()));
    return 2;
  }
  CloseHandle(info.hThread);
  Log("launched " + std::to_string(info.dwProcessId));
  ProcessTree tree(info);

  std::size_t next = 0;
  DWORD waitStart = GetTickCount();
  bool killed = false;
  auto stop = [&](const std::string& why) {
    Log(why);
    tree.Terminate();
    killed = true;
  };
  for (;;) {
    tree.Grow();
    // A program may start another just before it ends: look once more before leaving.
    if (tree.Ended(10) && (tree.Grow(), tree.Ended(0))) break;
    FindBox find{&tree, nullptr, 0};
    EnumWindows(FindBoxWindow, reinterpret_cast<LPARAM>(&find));
    if (!find.found) {
      if (GetTickCount() - waitStart > job.timeout) {
        stop("timeout");
        break;
      }
      continue;
    }
    Box box = ReadBox(find.found);
    std::string answer;
    if (next < job.answers.size()) {
      answer = job.answers[next];
    } else if (job.restAsUser && next < 100) {
      answer = box.buttons.find("yes") != std::string::npos ? "yes" : "ok";
    } else {
      stop("unexpected-box " + Describe(box));
      break;
    }
    HWND button = nullptr;
    int id = 0;
    for (const Button& b : kButtons)
      if (answer == b.name)
        for (const auto& control : box.controls)
          if (control.first == b.id) id = b.id, button = control.second;
    if (!button) {
      stop("no-button " + std::to_string(next) + " " + Describe(box) + " " + answer);
      break;
    }
    if (!job.pictures.empty()) {
      const std::string picture = job.pictures + "\\box-" + std::to_string(next + 1) + ".bmp";
      Log(std::string(SavePicture(box.window, picture) ? "picture " : "picture-error ") + Hex(picture));
    }
    Log("box " + std::to_string(next) + " " + std::to_string(find.pid) + " " + Describe(box) + " " + answer);
    PostMessageA(box.window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    if (!WaitGone(box.window, tree, job.timeout)) {
      stop("stuck-box " + std::to_string(next));
      break;
    }
    ++next;
    waitStart = GetTickCount();
  }
  const DWORD code = tree.LogExits();
  Log(std::string(killed ? "killed " : "exit ") + std::to_string(code));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: qvdriver JOBFILE\n");
    return 2;
  }
  FILE* jobFile = std::fopen(argv[1], "rb");
  if (!jobFile) {
    std::fprintf(stderr, "qvdriver: cannot read %s\n", argv[1]);
    return 2;
  }
  std::vector<std::string> lines;
  std::string current;
  for (int c; (c = std::fgetc(jobFile)) != EOF;) {
    if (c == '\n')
      lines.push_back(current), current.clear();
    else if (c != '\r')
      current += static_cast<char>(c);
  }
  if (!current.empty()) lines.push_back(current);
  std::fclose(jobFile);

  // The session's desktop process rewrites some of the user's Shell Folders values when it starts.
  // Start it now and let it settle, so that the fixtures below are the last word.
  HWND desktop = GetDesktopWindow();
  DWORD desktopPid = 0;
  GetWindowThreadProcessId(desktop, &desktopPid);
  if (HANDLE shell = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, desktopPid)) {
    WaitForInputIdle(shell, 10000);
    CloseHandle(shell);
  }

  Job job;
  int status = 0;
  for (const std::string& text : lines) {
    std::vector<std::string> f = Fields(text);
    if (f.empty()) continue;
    if (f[0] == "log" && f.size() == 2) {
      g_log = std::fopen(Unhex(f[1]).c_str(), "wb");
      if (!g_log) return 3;
      continue;
    }
    if (!Setup(f, job)) {
      Log("setup-error " + std::to_string(GetLastError()) + " " + text);
      status = 4;
    }
  }
  if (status == 0) {
    Snapshot(job, "before");
    if (!job.firstExe.empty()) {
      if (!RunFirst(job)) status = 2;
      Snapshot(job, "middle");
    }
    if (status == 0) status = Drive(job);
    Snapshot(job, "after");
  }
  for (HANDLE handle : g_held) CloseHandle(handle);
  Log("done");
  if (g_log) std::fclose(g_log);
  return status;
}
