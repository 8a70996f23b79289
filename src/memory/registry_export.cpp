#include "memory/registry_export.h"

#include <string_view>

#include "text/program_text.h"
#include "text/text.h"

namespace qv {

namespace {

constexpr std::string_view kUtf16Header = "Windows Registry Editor Version 5.00";
constexpr std::string_view kAnsiHeader = "REGEDIT4";
constexpr std::uint32_t kRegBinary = 3;

struct RootName {
  std::string_view name;
  RegistryRoot root;
};
constexpr RootName kRootNames[] = {
    {"HKEY_LOCAL_MACHINE", kHkeyLocalMachine},
    {"HKEY_CURRENT_USER", kHkeyCurrentUser},
    {"HKEY_CLASSES_ROOT", kHkeyClassesRoot},
    {"HKEY_USERS", kHkeyUsers},
    {"HKEY_CURRENT_CONFIG", kHkeyCurrentConfig},
    {"HKEY_DYN_DATA", kHkeyDynData},
    {"HKLM", kHkeyLocalMachine},
    {"HKCU", kHkeyCurrentUser},
    {"HKCR", kHkeyClassesRoot},
    {"HKU", kHkeyUsers},
    {"HKCC", kHkeyCurrentConfig},
};

bool SameAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const char x = a[i] >= 'a' && a[i] <= 'z' ? static_cast<char>(a[i] - 32) : a[i];
    const char y = b[i] >= 'a' && b[i] <= 'z' ? static_cast<char>(b[i] - 32) : b[i];
    if (x != y) return false;
  }
  return true;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A number of one to eight hex digits, the whole text.
bool ReadHexNumber(std::string_view text, std::uint32_t& number) {
  if (text.empty() || text.size() > 8) return false;
  number = 0;
  for (char c : text) {
    if (HexDigit(c) < 0) return false;
    number = number << 4 | static_cast<std::uint32_t>(HexDigit(c));
  }
  return true;
}

// Bytes written as two hex digits each, parted by commas: "41,00,0d".
bool ReadHexBytes(std::string_view text, std::string& bytes) {
  for (std::size_t start = 0; start < text.size();) {
    std::size_t comma = text.find(',', start);
    if (comma == std::string_view::npos) comma = text.size();
    const std::string_view part = Trimmed(text.substr(start, comma - start));
    std::uint32_t byte = 0;
    if (part.size() != 2 || !ReadHexNumber(part, byte)) return false;
    bytes += static_cast<char>(byte);
    start = comma + 1;
  }
  return true;
}

// The text between the quote at "at" and its closing one, with \\ and \" read as \ and ";
// "at" ends after the closing quote. False when the text does not end.
bool ReadQuoted(std::string_view line, std::size_t& at, const LeadByteTable& lead, std::string& text) {
  for (++at; at < line.size(); ++at) {
    const unsigned char c = static_cast<unsigned char>(line[at]);
    if (lead[c] && at + 1 < line.size()) {
      text += line.substr(at++, 2);
    } else if (c == '"') {
      ++at;
      return true;
    } else if (c == '\\' && at + 1 < line.size()) {
      text += line[++at];
    } else {
      text += static_cast<char>(c);
    }
  }
  return false;
}

class ExportReader {
 public:
  ExportReader(MemoryPlatform& system, bool utf16) : system_(system), utf16_(utf16), lead_(ShiftJisLeadBytes()) {}

  // One line of the export (a value's continued lines joined); "" or what is wrong with it.
  std::string Read(std::string_view line) {
    if (line.empty() || line.front() == ';') return "";
    if (line.front() == '[') return ReadKey(line);
    return ReadValue(line);
  }

 private:
  std::string ReadKey(std::string_view line) {
    if (line.back() != ']') return "a key's line that does not end with \"]\"";
    std::string_view name = line.substr(1, line.size() - 2);
    const bool deletion = !name.empty() && name.front() == '-';
    if (deletion) name.remove_prefix(1);
    const std::size_t slash = name.find('\\');
    const std::string_view rootName = name.substr(0, slash);
    const std::string path(slash == std::string_view::npos ? std::string_view() : name.substr(slash + 1));
    hasKey_ = false;
    for (const RootName& root : kRootNames) {
      if (!SameAscii(root.name, rootName)) continue;
      if (deletion) {
        system_.RemoveKey(root.root, path);
        return "";
      }
      system_.AddKey(root.root, path);
      root_ = root.root;
      path_ = path;
      hasKey_ = true;
      return "";
    }
    return "a key below no registry root: \"" + std::string(rootName) + "\"";
  }

  std::string ReadValue(std::string_view line) {
    std::string name;
    std::size_t at = 0;
    if (line.front() == '@') {
      at = 1;
    } else if (line.front() != '"' || !ReadQuoted(line, at, lead_, name)) {
      return "a line that is neither a key, a value nor a comment";
    }
    const std::string_view rest = Trimmed(line.substr(at));
    if (rest.empty() || rest.front() != '=') return "a value's name without \"=\" after it";
    if (!hasKey_) return "a value with no key before it";
    const std::string_view data = Trimmed(rest.substr(1));
    if (data == "-") {
      system_.RemoveValue(root_, path_, name);
      return "";
    }
    std::uint32_t type = win::kRegSz;
    std::string bytes;
    if (!ReadData(data, type, bytes)) return "a value's data that a registry export does not hold";
    system_.SetValue(root_, path_, name, bytes, type);
    return "";
  }

  // The data as the system holds it: texts in its names' form, with their final NUL.
  bool ReadData(std::string_view data, std::uint32_t& type, std::string& bytes) {
    if (data.front() == '"') {
      std::size_t at = 0;
      if (!ReadQuoted(data, at, lead_, bytes) || at != data.size()) return false;
      bytes += '\0';
      return true;
    }
    if (data.compare(0, 6, "dword:") == 0) {
      std::uint32_t number = 0;
      if (!ReadHexNumber(data.substr(6), number)) return false;
      type = win::kRegDword;
      for (int i = 0; i < 4; ++i) bytes += static_cast<char>(number >> (8 * i) & 0xFF);
      return true;
    }
    type = kRegBinary;
    if (data.compare(0, 4, "hex(") == 0) {
      const std::size_t close = data.find("):");
      if (close == std::string_view::npos || !ReadHexNumber(data.substr(4, close - 4), type)) return false;
      data.remove_prefix(close + 2);
    } else if (data.compare(0, 4, "hex:") == 0) {
      data.remove_prefix(4);
    } else {
      return false;
    }
    if (!ReadHexBytes(data, bytes)) return false;
    // The UTF-16 export writes texts in hex as UTF-16; the ANSI one in the code page.
    if (utf16_ && (type == win::kRegSz || type == win::kRegExpandSz || type == win::kRegMultiSz))
      bytes = MemoryPlatform::Stored(Utf16Units(bytes));
    return true;
  }

  MemoryPlatform& system_;
  const bool utf16_;
  const LeadByteTable lead_;
  bool hasKey_ = false;
  RegistryRoot root_ = kInvalidRoot;
  std::string path_;
};

}  // namespace

std::string ReadRegistryExport(MemoryPlatform& system, const std::string& bytes, const std::string& fileName) {
  // The UTF-16 form is read in the system's names' form: code page 932, escapes for the rest.
  const bool utf16 = bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE';
  const std::string text = utf16 ? MemoryPlatform::Stored(Utf16Units(std::string_view(bytes).substr(2))) : bytes;
  ExportReader reader(system, utf16);
  std::size_t number = 0;
  std::string pending;           // a value's line continued on the next
  std::size_t pendingStart = 0;  // the number of its first line
  for (std::size_t start = 0; start <= text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string_view line = Trimmed(std::string_view(text).substr(start, end - start));
    start = end + 1;
    ++number;
    if (number == 1) {
      if (line != (utf16 ? kUtf16Header : kAnsiHeader))
        return fileName + ":1: not a registry export: it begins with neither \"" + std::string(kUtf16Header) +
               "\" (UTF-16) nor \"" + std::string(kAnsiHeader) + "\"";
      continue;
    }
    if (pending.empty()) pendingStart = number;
    pending += line;
    // A list of hex bytes goes on in the next line after a final "\".
    if (!pending.empty() && pending.back() == '\\' && pending.find("=hex") != std::string::npos &&
        start <= text.size()) {
      pending.pop_back();
      continue;
    }
    const std::string fault = reader.Read(pending);
    pending.clear();
    if (!fault.empty()) return fileName + ":" + std::to_string(pendingStart) + ": " + fault;
  }
  return "";
}

}  // namespace qv
