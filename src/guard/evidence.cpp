#include "guard/evidence.h"

#include <algorithm>

#include "script/locations.h"
#include "system/environment.h"
#include "system/files.h"
#include "system/unique_key.h"

namespace qv {

namespace {

std::string Trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The path without an icon's index after its last ",": ",0", ",-101".
std::string WithoutIconIndex(const std::string& path) {
  const std::size_t comma = path.rfind(',');
  if (comma == std::string::npos) return path;
  const std::string index = path.substr(comma + 1 + (path.size() > comma + 1 && path[comma + 1] == '-'));
  const bool number =
      !index.empty() && std::all_of(index.begin(), index.end(), [](char c) { return c >= '0' && c <= '9'; });
  return number ? path.substr(0, comma) : path;
}

bool StartsWithNoCase(Platform& platform, const std::string& text, const std::string& upperStart) {
  return platform.CharUpperBuffA(text.substr(0, upperStart.size())) == upperStart;
}

// The path in full, as the system reads a registered one. A bare name is the system folder's
// file when that folder holds it; one found elsewhere on the way the system searches is not
// followed, and reads as no file.
std::optional<std::string> FullPath(Platform& platform, const LeadByteTable& lead, std::string path) {
  if (path.compare(0, 4, "\\??\\") == 0) path.erase(0, 4);
  if (StartsWithNoCase(platform, path, "\\SYSTEMROOT\\")) return WindowsFolder(platform) + path.substr(12);
  const bool drive = path.size() >= 2 && path[1] == ':';
  if (drive || path.compare(0, 2, "\\\\") == 0) return path;
  if (!path.empty() && path[0] == '\\') return WindowsFolder(platform).substr(0, 2) + path;
  if (!FolderPart(path, lead).empty()) return WindowsFolder(platform) + path;
  const std::string inSystem = SystemFolder(platform) + path;
  if (HasWildcard(path) || !FileExists(platform, inSystem)) return std::nullopt;
  return inSystem;
}

// Where the arguments of a command line whose program names no existing file begin: at the first
// blank before "/", "-" or a quote, or after a name that ends in a program's or library's
// extension; nothing when the whole line is the path.
std::size_t ArgumentsStart(Platform& platform, const std::string& text) {
  const std::string upper = platform.CharUpperBuffA(text);
  for (std::size_t blank = text.find(' '); blank != std::string::npos; blank = text.find(' ', blank + 1)) {
    const char next = blank + 1 < text.size() ? text[blank + 1] : ' ';
    const std::string before = upper.substr(blank < 4 ? 0 : blank - 4, blank < 4 ? blank : 4);
    if (next == '/' || next == '-' || next == '"' || before == ".EXE" || before == ".COM" || before == ".BAT" ||
        before == ".CMD" || before == ".DLL" || before == ".SYS")
      return blank;
  }
  return std::string::npos;
}

// A command line's program, the rest of the line after it in rest.
std::string ProgramOf(Platform& platform, const LeadByteTable& lead, const std::string& text, std::string& rest) {
  if (text[0] == '"') {
    const std::size_t close = text.find('"', 1);
    rest = close == std::string::npos ? "" : text.substr(close + 1);
    return text.substr(1, close == std::string::npos ? std::string::npos : close - 1);
  }
  auto names = [&](const std::string& candidate) {
    const std::string path = WithoutIconIndex(candidate);
    const std::optional<std::string> full = HasWildcard(path) ? std::nullopt : FullPath(platform, lead, path);
    return full && FileExists(platform, *full);
  };
  // An unquoted path with blanks: the first that names an existing file, the whole line included;
  // when none does, the path ends before the first argument ("/x", "-k", "\"...\"") or after the
  // first program's or library's name, else it is the whole line.
  const std::size_t first = text.find(' ');
  std::size_t end = std::string::npos;
  bool found = false;
  for (std::size_t blank = first; blank != std::string::npos && !found; blank = text.find(' ', blank + 1))
    if ((found = names(text.substr(0, blank)))) end = blank;
  if (!found && first != std::string::npos && !names(text)) end = ArgumentsStart(platform, text);
  rest = end == std::string::npos ? "" : text.substr(end);
  return text.substr(0, end);
}

// The first argument of the rest of a command line, quoted or up to a blank.
std::string FirstArgument(const std::string& rest) {
  const std::string text = Trimmed(rest);
  if (text.empty() || text[0] != '"') return text.substr(0, text.find(' '));
  return text.substr(1, text.find('"', 1) == std::string::npos ? std::string::npos : text.find('"', 1) - 1);
}

// What a host program's arguments register: rundll32's library before its ",Entry", the script
// or folder that this uninstaller takes after its switch.
std::string HostedFile(Platform& platform, const LeadByteTable& lead, const std::string& program,
                       const std::string& rest) {
  const std::string name = platform.CharUpperBuffA(FileNamePart(program, lead));
  if (name == "RUNDLL32.EXE" || name == "RUNDLL32") {
    const std::string library = FirstArgument(rest);
    return library.substr(0, library.find(','));
  }
  const std::string args = Trimmed(rest);
  if (name == "QVUNINST.EXE" && args.size() > 2 && args[0] == '/' && args[2] == ' ')
    return FirstArgument(args.substr(3));
  return program;
}

}  // namespace

std::optional<std::string> ReadRegistryString(Platform& platform, RegistryRoot root, const std::string& path,
                                              const std::string& name) {
  KeyHandle handle = UniqueKey::kEmpty;
  if (platform.RegOpenKeyExA(root, path, win::kKeyRead, handle) != win::kErrorSuccess) return std::nullopt;
  const UniqueKey key(platform, handle);
  std::uint32_t type = 0, size = 0;
  if (platform.RegQueryValueExA(key.get(), name, type, nullptr, size) != win::kErrorSuccess || size == 0)
    return std::nullopt;
  std::string data;
  std::uint32_t delivered = size;
  if (platform.RegQueryValueExA(key.get(), name, type, &data, delivered) != win::kErrorSuccess) return std::nullopt;
  if (type != win::kRegSz && type != win::kRegExpandSz) return std::nullopt;
  if (delivered < data.size()) data.resize(delivered);
  data.resize(std::min(data.size(), data.find('\0')));
  if (data.empty()) return std::nullopt;
  return data;
}

std::optional<std::string> RegisteredFile(Platform& platform, const LeadByteTable& lead, const std::string& data) {
  std::string text = Trimmed(ExpandedVariables(platform, data));
  if (text.empty()) return std::nullopt;
  if (text[0] != '"') text = Trimmed(text.substr(0, text.find(';')));
  std::string rest;
  const std::string program = Trimmed(WithoutIconIndex(ProgramOf(platform, lead, text, rest)));
  if (program.empty()) return std::nullopt;
  const std::string file = Trimmed(HostedFile(platform, lead, program, rest));
  if (file.empty()) return std::nullopt;
  return FullPath(platform, lead, file);
}

std::optional<std::string> ClassServer(Platform& platform, const LeadByteTable& lead, const std::string& clsid) {
  for (const char* server : {"InprocServer32", "LocalServer32"})
    if (const std::optional<std::string> data =
            ReadRegistryString(platform, kHkeyClassesRoot, "CLSID\\" + clsid + "\\" + server, ""))
      return RegisteredFile(platform, lead, *data);
  return std::nullopt;
}

}  // namespace qv
