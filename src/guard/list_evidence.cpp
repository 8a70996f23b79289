#include "guard/list_evidence.h"

#include <cstring>
#include <iterator>
#include <vector>

#include "guard/evidence.h"
#include "guard/protected_keys.h"
#include "system/unique_key.h"

namespace qv {

namespace {

// How an entry of a list registers its file: by string values of the entry (or of a key below
// it), each a path or command line; or by a class whose server is the file, named by such a
// value or by the entry's own name; or, for a type library, by the file of its first version
// and language (<version>\<language>\win32 or win64).
enum class Follow { kFile, kClass, kTypeLibrary };

struct ListRow {
  const char* pattern;  // the list's product tree, as the table writes it
  const char* subkey;   // below the entry; "" for the entry itself
  const char* values[2];
  Follow follow;
  bool nameIsClass;  // kClass: when no value names the class, the entry's name does
};

constexpr char kCurrentVersion[] = "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\";

constexpr ListRow kLists[] = {
    {"CLSID\\<any>", "", {}, Follow::kClass, true},
    {"INTERFACE\\<any>", "PROXYSTUBCLSID32", {""}, Follow::kClass, false},
    {"TYPELIB\\<any>", "", {}, Follow::kTypeLibrary, false},
    {"<shared>\\SHELL\\<any>", "COMMAND", {""}, Follow::kFile, false},
    {"<shared>\\SHELLEX\\<any>\\<any>", "", {""}, Follow::kClass, true},
    {"SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\UNINSTALL\\<any>",
     "",
     {"UninstallString", "DisplayIcon"},
     Follow::kFile,
     false},
    {"SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\APP PATHS\\<any>", "", {""}, Follow::kFile, false},
    {"SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\EXPLORER\\BROWSER HELPER OBJECTS\\<any>",
     "",
     {},
     Follow::kClass,
     true},
    {"SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\EXPLORER\\SHELLICONOVERLAYIDENTIFIERS\\<any>",
     "",
     {""},
     Follow::kClass,
     false},
    {"SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\EXPLORER\\<any>\\NAMESPACE\\<any>", "", {}, Follow::kClass, true},
    {"SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\EXPLORER\\VOLUMECACHES\\<any>", "", {""}, Follow::kClass, false},
    {"SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\EXPLORER\\SHELLSERVICEOBJECTS\\<any>",
     "",
     {},
     Follow::kClass,
     true},
    {"SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\PROPERTYSYSTEM\\PROPERTYHANDLERS\\<any>",
     "",
     {""},
     Follow::kClass,
     false},
    {"SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\AUTHENTICATION\\CREDENTIAL PROVIDERS\\<any>",
     "",
     {},
     Follow::kClass,
     true},
    {"SOFTWARE\\MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\IMAGE FILE EXECUTION OPTIONS\\<any>",
     "",
     {"Debugger"},
     Follow::kFile,
     false},
    {"SOFTWARE\\MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\WINLOGON\\NOTIFY\\<any>", "", {"DllName"}, Follow::kFile, false},
    {"SOFTWARE\\MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\PRINT\\MONITORS\\<any>", "", {"Driver"}, Follow::kFile, false},
    {"SOFTWARE\\MICROSOFT\\ACTIVE SETUP\\INSTALLED COMPONENTS\\<any>", "", {"StubPath"}, Follow::kFile, false},
    {"SOFTWARE\\MICROSOFT\\MMC\\SNAPINS\\<any>", "", {}, Follow::kClass, true},
    {"SYSTEM\\<controlset>\\SERVICES\\<any>", "", {"ImagePath"}, Follow::kFile, false},
    {"SYSTEM\\<controlset>\\SERVICES\\EVENTLOG\\<any>\\<any>", "", {"EventMessageFile"}, Follow::kFile, false},
    {"SYSTEM\\<controlset>\\CONTROL\\PRINT\\MONITORS\\<any>", "", {"Driver"}, Follow::kFile, false},
    {"SYSTEM\\<controlset>\\CONTROL\\PRINT\\ENVIRONMENTS\\<any>\\PRINT PROCESSORS\\<any>",
     "",
     {"Driver"},
     Follow::kFile,
     false},
};

const ListRow* RowOf(const char* pattern) {
  for (const ListRow& row : kLists)
    if (std::strcmp(row.pattern, pattern) == 0) return &row;
  return nullptr;
}

// The first of the row's values that the key holds.
std::optional<std::string> FirstValue(Platform& platform, RegistryRoot root, const std::string& key,
                                      const ListRow& row) {
  for (const char* value : row.values)
    if (value)
      if (std::optional<std::string> data = ReadRegistryString(platform, root, key, value)) return data;
  return std::nullopt;
}

// The name of the key's first subkey; nothing when it has none or cannot be read.
std::optional<std::string> FirstSubkey(Platform& platform, RegistryRoot root, const std::string& path) {
  KeyHandle handle = UniqueKey::kEmpty;
  if (platform.RegOpenKeyExA(root, path, win::kKeyRead, handle) != win::kErrorSuccess) return std::nullopt;
  const UniqueKey key(platform, handle);
  std::string name;
  // A key name holds at most 255 characters, two bytes each in a double-byte code page.
  if (platform.RegEnumKeyExA(key.get(), 0, 2 * 255 + 1, name) != win::kErrorSuccess) return std::nullopt;
  return name;
}

// The file of a type library's first version and language, the 32-bit one before the 64-bit one.
std::optional<std::string> TypeLibraryFile(Platform& platform, const LeadByteTable& lead, RegistryRoot root,
                                           const std::string& entryPath) {
  const std::optional<std::string> version = FirstSubkey(platform, root, entryPath);
  if (!version) return std::nullopt;
  const std::string versionPath = entryPath + "\\" + *version;
  const std::optional<std::string> language = FirstSubkey(platform, root, versionPath);
  if (!language) return std::nullopt;
  for (const char* width : {"win32", "win64"})
    if (std::optional<std::string> data =
            ReadRegistryString(platform, root, versionPath + "\\" + *language + "\\" + width, ""))
      return RegisteredFile(platform, lead, *data);
  return std::nullopt;
}

std::string LastName(const std::string& path) {
  const std::size_t slash = path.rfind('\\');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::optional<std::string> ListEntryFile(Platform& platform, const LeadByteTable& lead, RegistryRoot root,
                                         const std::string& entryPath, const char* listPattern) {
  const ListRow* row = RowOf(listPattern);
  if (!row) return std::nullopt;
  if (row->follow == Follow::kTypeLibrary) return TypeLibraryFile(platform, lead, root, entryPath);
  const std::string key = *row->subkey ? entryPath + "\\" + row->subkey : entryPath;
  std::optional<std::string> data = FirstValue(platform, root, key, *row);
  if (row->follow == Follow::kFile) return data ? RegisteredFile(platform, lead, *data) : std::nullopt;
  const std::string clsid = data ? *data : row->nameIsClass ? LastName(entryPath) : std::string();
  if (clsid.empty() || clsid[0] != '{') return std::nullopt;
  return ClassServer(platform, lead, clsid);
}

std::optional<std::string> ListValueFile(Platform& platform, const LeadByteTable& lead, RegistryRoot root,
                                         const std::string& path, const std::string& valueName) {
  const std::optional<std::vector<std::string>> names = SoftwareNames(platform, lead, root, path);
  if (!names) return std::nullopt;
  std::string key;
  for (const std::string& name : *names) key += (key.empty() ? "" : "\\") + name;
  if (key.compare(0, std::strlen(kCurrentVersion), kCurrentVersion) != 0) return std::nullopt;
  const std::string list = key.substr(std::strlen(kCurrentVersion));
  if (list == "SHAREDDLLS") return RegisteredFile(platform, lead, "\"" + valueName + "\"");
  if (list == "SHELL EXTENSIONS\\APPROVED" && !valueName.empty() && valueName[0] == '{')
    return ClassServer(platform, lead, valueName);
  if (list != "RUN" && list != "RUNONCE" && list != "RUNSERVICES" && list != "RUNSERVICESONCE" &&
      list != "POLICIES\\EXPLORER\\RUN")
    return std::nullopt;
  std::string written;
  for (const std::string& name : SplitPathNames(path, "\\", lead)) written += (written.empty() ? "" : "\\") + name;
  const std::optional<std::string> data = ReadRegistryString(platform, root, written, valueName);
  return data ? RegisteredFile(platform, lead, *data) : std::nullopt;
}

}  // namespace qv
