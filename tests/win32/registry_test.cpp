// The raw registry calls of Win32Platform and the registry accessor, under
// HKEY_CURRENT_USER\Software\QvUninstTest (removed before and after each test).
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "common/errors.h"
#include "system/registry_accessor.h"
#include "win32/win32_platform.h"
#include "support.h"

namespace qv::wintest {
namespace {

constexpr ErrorCode kOk = 0;
constexpr ErrorCode kNotFound = 2;
constexpr ErrorCode kAccessDenied = 5;
constexpr ErrorCode kInvalidHandle = 6;
constexpr ErrorCode kBadPathname = 161;
constexpr ErrorCode kMoreData = 234;
constexpr ErrorCode kNoMoreItems = 259;
constexpr ErrorCode kKeyDeleted = 1018;
constexpr KeyHandle kHkcu = kHkeyCurrentUser;
const std::string kBase = kTestKey;
const std::string kTesuto = "テスト";  // three characters, six bytes

class RegistryTest : public testing::Test {
 protected:
  void SetUp() override { DeleteTestKey(); }
  void TearDown() override {
    for (KeyHandle key : open_) platform_.RegCloseKey(key);
    DeleteTestKey();
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kBase));
  }
  // Creates (or opens) a key below the test key; closed at the end of the test.
  KeyHandle Create(const std::string& path) {
    KeyHandle key = 0;
    EXPECT_EQ(kOk, platform_.RegCreateKeyExA(kHkcu, Below(path), 0, win::kKeyAllAccess, key)) << path;
    open_.push_back(key);
    return key;
  }
  KeyHandle Open(const std::string& path, std::uint32_t access) {
    KeyHandle key = 0;
    EXPECT_EQ(kOk, platform_.RegOpenKeyExA(kHkcu, Below(path), access, key)) << path;
    open_.push_back(key);
    return key;
  }
  static std::string Below(const std::string& path) { return path.empty() ? kBase : kBase + "\\" + path; }
  bool Exists(const std::string& path) { return KeyExists(HKEY_CURRENT_USER, Below(path)); }
  std::string ReadValue(KeyHandle key, const std::string& name, std::uint32_t& type) {
    std::uint32_t size = 0;
    EXPECT_EQ(kOk, platform_.RegQueryValueExA(key, name, type, nullptr, size));
    std::string data;
    EXPECT_EQ(kOk, platform_.RegQueryValueExA(key, name, type, &data, size));
    EXPECT_EQ(size, data.size());
    return data;
  }

  Win32Platform platform_;
  std::vector<KeyHandle> open_;
};

TEST_F(RegistryTest, CreateMakesMissingKeysAboveAndOpenFindsThem) {
  KeyHandle missing = 0;
  EXPECT_EQ(kNotFound, platform_.RegOpenKeyExA(kHkcu, Below("A"), win::kKeyRead, missing));
  Create("A\\B\\C");
  EXPECT_TRUE(Exists("A"));
  EXPECT_TRUE(Exists("A\\B"));
  for (std::uint32_t access : {win::kKeyAllAccess, win::kKeyRead}) {
    KeyHandle key = Open("a\\b\\c", access);  // names compare without regard to case
    EXPECT_NE(0u, key);
  }
  // Creating an existing key opens it.
  KeyHandle a = Create("A");
  KeyHandle b = 0;
  EXPECT_EQ(kOk, platform_.RegOpenKeyExA(a, "B", win::kKeyRead, b));
  EXPECT_EQ(kOk, platform_.RegCloseKey(b));
}

TEST_F(RegistryTest, ClosedHandleIsInvalid) {
  KeyHandle key = 0;
  ASSERT_EQ(kOk, platform_.RegCreateKeyExA(kHkcu, kBase, 0, win::kKeyAllAccess, key));
  EXPECT_EQ(kOk, platform_.RegCloseKey(key));
  std::uint32_t count = 0, longest = 0;
  EXPECT_EQ(kInvalidHandle, platform_.RegQueryInfoKeyA(key, count, longest));
}

TEST_F(RegistryTest, StringValuesKeepTheirBytesAndType) {
  KeyHandle key = Create("Values");
  ASSERT_EQ(kOk, platform_.RegSetValueExA(key, "Plain", win::kRegSz, std::string("C:\\A B\\x.exe\0", 13)));
  ASSERT_EQ(kOk, platform_.RegSetValueExA(key, "Expand", win::kRegExpandSz, std::string("%WINDIR%\\x\0", 11)));
  ASSERT_EQ(kOk, platform_.RegSetValueExA(key, "Japanese", win::kRegSz, kTesuto + '\0'));
  std::uint32_t type = 0;
  EXPECT_EQ(std::string("C:\\A B\\x.exe\0", 13), ReadValue(key, "plain", type));
  EXPECT_EQ(win::kRegSz, type);
  EXPECT_EQ(std::string("%WINDIR%\\x\0", 11), ReadValue(key, "Expand", type));
  EXPECT_EQ(win::kRegExpandSz, type);
  // The size of a Shift-JIS text is its byte count, not its UTF-16 size.
  std::uint32_t size = 0;
  EXPECT_EQ(kOk, platform_.RegQueryValueExA(key, "Japanese", type, nullptr, size));
  EXPECT_EQ(7u, size);
  EXPECT_EQ(kTesuto + '\0', ReadValue(key, "Japanese", type));

  size = 0;
  EXPECT_EQ(kNotFound, platform_.RegQueryValueExA(key, "Missing", type, nullptr, size));
}

TEST_F(RegistryTest, ShortBufferGivesMoreDataAndTheNeededSize) {
  KeyHandle key = Create("Values");
  ASSERT_EQ(kOk, platform_.RegSetValueExA(key, "V", win::kRegSz, std::string("abcdef\0", 7)));
  std::string data;
  std::uint32_t type = 0, size = 3;
  EXPECT_EQ(kMoreData, platform_.RegQueryValueExA(key, "V", type, &data, size));
  EXPECT_EQ(7u, size);
  size = 7;
  EXPECT_EQ(kOk, platform_.RegQueryValueExA(key, "V", type, &data, size));
  EXPECT_EQ(std::string("abcdef\0", 7), data);
}

TEST_F(RegistryTest, KeyReadHandleCannotWrite) {
  Create("RO");
  KeyHandle key = Open("RO", win::kKeyRead);
  EXPECT_EQ(kAccessDenied, platform_.RegSetValueExA(key, "V", win::kRegSz, std::string("x\0", 2)));
}

TEST_F(RegistryTest, EnumerationNeedsTwoBytesPerCharacterOfTheLongestName) {
  KeyHandle parent = Create("Enum");
  Create("Enum\\ab");
  Create("Enum\\" + kTesuto);
  std::uint32_t count = 0, longest = 0;
  ASSERT_EQ(kOk, platform_.RegQueryInfoKeyA(parent, count, longest));
  EXPECT_EQ(2u, count);
  EXPECT_EQ(3u, longest) << "the longest name in characters";

  std::set<std::string> names;
  bool tooSmallSeen = false;
  for (std::uint32_t index = 0; index < count; ++index) {
    std::string name;
    ErrorCode status = platform_.RegEnumKeyExA(parent, index, longest + 1, name);
    if (status == kMoreData) tooSmallSeen = true;
    ASSERT_EQ(kOk, platform_.RegEnumKeyExA(parent, index, 2 * longest + 1, name));
    names.insert(name);
  }
  EXPECT_TRUE(tooSmallSeen) << "a buffer of longest + 1 bytes cannot hold the double-byte name";
  EXPECT_EQ((std::set<std::string>{"ab", kTesuto}), names);
  std::string name;
  EXPECT_EQ(kNoMoreItems, platform_.RegEnumKeyExA(parent, count, 2 * longest + 1, name));
}

TEST_F(RegistryTest, DeleteKeyRefusesAKeyWithSubkeys) {
  Create("Tree\\Leaf");
  EXPECT_EQ(kAccessDenied, platform_.RegDeleteKeyA(kHkcu, Below("Tree")));
  EXPECT_TRUE(Exists("Tree\\Leaf"));
  EXPECT_EQ(kOk, platform_.RegDeleteKeyA(kHkcu, Below("tree\\LEAF")));
  EXPECT_EQ(kOk, platform_.RegDeleteKeyA(kHkcu, Below("Tree")));
  EXPECT_FALSE(Exists("Tree"));
  EXPECT_EQ(kNotFound, platform_.RegDeleteKeyA(kHkcu, Below("Tree")));
}

TEST_F(RegistryTest, HandleOfADeletedKeyReportsKeyDeleted) {
  KeyHandle key = Create("Gone");
  ASSERT_EQ(kOk, platform_.RegDeleteKeyA(kHkcu, Below("Gone")));
  EXPECT_EQ(kKeyDeleted, platform_.RegSetValueExA(key, "V", win::kRegSz, std::string("x\0", 2)));
  KeyHandle sub = 0;
  EXPECT_EQ(kKeyDeleted, platform_.RegCreateKeyExA(key, "Sub", 0, win::kKeyAllAccess, sub));
}

TEST_F(RegistryTest, InvalidRootFails) {
  const KeyHandle invalid = kInvalidRoot;
  KeyHandle key = 0;
  EXPECT_EQ(kInvalidHandle, platform_.RegOpenKeyExA(invalid, "Software", win::kKeyRead, key));
  EXPECT_EQ(kInvalidHandle, platform_.RegCreateKeyExA(invalid, kBase, 0, win::kKeyAllAccess, key));
  EXPECT_EQ(kInvalidHandle, platform_.RegDeleteKeyA(invalid, kBase));
  std::uint32_t count = 0, longest = 0, type = 0, size = 0;
  EXPECT_EQ(kInvalidHandle, platform_.RegQueryInfoKeyA(invalid, count, longest));
  std::string name;
  EXPECT_EQ(kInvalidHandle, platform_.RegEnumKeyExA(invalid, 0, 10, name));
  EXPECT_EQ(kInvalidHandle, platform_.RegQueryValueExA(invalid, "V", type, nullptr, size));
  EXPECT_EQ(kInvalidHandle, platform_.RegSetValueExA(invalid, "V", win::kRegSz, std::string("x\0", 2)));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kBase));
}

// How the system reads backslashes in a subkey path.
TEST_F(RegistryTest, BackslashesInSubkeyPaths) {
  KeyHandle key = 0;
  // A leading "\" is refused.
  EXPECT_EQ(kBadPathname, platform_.RegCreateKeyExA(kHkcu, "\\" + kBase, 0, win::kKeyAllAccess, key));
  EXPECT_EQ(kBadPathname, platform_.RegOpenKeyExA(kHkcu, "\\Software", win::kKeyRead, key));
  // A trailing "\" is accepted.
  Create("Trail\\");
  EXPECT_TRUE(Exists("Trail"));
  Open("Trail\\", win::kKeyRead);
  // Repeated "\" act as one.
  Create("Double\\\\Inner");
  EXPECT_TRUE(Exists("Double\\Inner"));
  Open("Double\\\\\\Inner", win::kKeyRead);
  EXPECT_EQ(kOk, platform_.RegDeleteKeyA(kHkcu, Below("Double\\\\Inner\\")));
  EXPECT_FALSE(Exists("Double\\Inner"));
}

// An empty subkey names the key itself: open and create give a new handle to it, and delete
// deletes it.
TEST_F(RegistryTest, EmptySubkeyNamesTheKeyItself) {
  KeyHandle key = Create("Self");
  KeyHandle again = 0, created = 0;
  ASSERT_EQ(kOk, platform_.RegOpenKeyExA(key, "", win::kKeyAllAccess, again));
  open_.push_back(again);
  ASSERT_EQ(kOk, platform_.RegCreateKeyExA(key, "", 0, win::kKeyAllAccess, created));
  open_.push_back(created);
  EXPECT_NE(key, again);
  EXPECT_NE(key, created);
  ASSERT_EQ(kOk, platform_.RegSetValueExA(again, "V", win::kRegSz, std::string("1\0", 2)));
  std::uint32_t type = 0;
  EXPECT_EQ(std::string("1\0", 2), ReadValue(created, "V", type));

  EXPECT_EQ(kOk, platform_.RegDeleteKeyA(key, ""));
  EXPECT_FALSE(Exists("Self"));
}

// ---------------------------------------------------------------- the accessor, for real

class RegistryAccessorTest : public RegistryTest {};

TEST_F(RegistryAccessorTest, WritesAndReadsStringValues) {
  {
    RegistryAccessor registry(platform_);
    ASSERT_TRUE(registry.OpenPath("\\" + kBase + "\\App\\" + kTesuto, true));
    registry.WriteStringValue("Name", "値 " + kTesuto);
    registry.WriteStringValue("Empty", "");
    EXPECT_EQ("値 " + kTesuto, registry.ReadStringValue("name"));
    EXPECT_EQ("", registry.ReadStringValue("Empty"));
    EXPECT_EQ("", registry.ReadStringValue("Missing"));
  }
  KeyHandle key = Open("App\\" + kTesuto, win::kKeyRead);
  std::uint32_t type = 0;
  EXPECT_EQ("値 " + kTesuto + '\0', ReadValue(key, "Name", type));
  EXPECT_EQ(win::kRegSz, type);
}

TEST_F(RegistryAccessorTest, ExpandStringsStayUnexpandedAndOtherTypesAreErrors) {
  KeyHandle key = Create("Types");
  ASSERT_EQ(kOk, platform_.RegSetValueExA(key, "Expand", win::kRegExpandSz, std::string("%TEMP%\\a\0", 9)));
  ASSERT_EQ(kOk, platform_.RegSetValueExA(key, "Number", 4 /* REG_DWORD */, std::string("\x01\0\0\0", 4)));
  RegistryAccessor registry(platform_);
  ASSERT_TRUE(registry.OpenPath(Below("Types"), false));
  EXPECT_EQ("%TEMP%\\a", registry.ReadStringValue("Expand"));
  try {
    registry.ReadStringValue("Number");
    FAIL() << "no error raised";
  } catch (const ERegistryException& e) {
    EXPECT_EQ("'Number' のﾃﾞｰﾀ型が不正です", e.message());
  }
}

TEST_F(RegistryAccessorTest, WriteNeedsACurrentKeyOpenedForWriting) {
  Create("RO");
  KeyHandle readOnly = Open("RO", win::kKeyRead);
  RegistryAccessor registry(platform_);
  try {
    registry.WriteStringValue("V", "x");
    FAIL() << "no error raised without a current key";
  } catch (const ERegistryException& e) {
    EXPECT_EQ("'V' の設定に失敗しました", e.message());
  }
  ASSERT_TRUE(registry.OpenPath(Below("RO"), false));
  registry.WriteStringValue("V", "x");  // opened with KEY_ALL_ACCESS: writable
  std::uint32_t type = 0;
  EXPECT_EQ(std::string("x\0", 2), ReadValue(readOnly, "V", type));
}

TEST_F(RegistryAccessorTest, DeleteKeyTreeRemovesEverythingBelow) {
  for (const std::string& path : std::vector<std::string>{"Tree\\A\\A1\\A11", "Tree\\A\\A2", "Tree\\B\\" + kTesuto + "\\x",
                                  "Tree\\B\\ソフトウェアの長い名前", "Tree\\C\\c", "Keep\\K"})
    Create(path);
  {
    KeyHandle a = Open("Tree\\A", win::kKeyAllAccess);
    ASSERT_EQ(kOk, platform_.RegSetValueExA(a, "V", win::kRegSz, std::string("v\0", 2)));
  }
  RegistryAccessor registry(platform_);
  ASSERT_TRUE(registry.OpenPath("\\" + kBase, false));
  EXPECT_TRUE(registry.DeleteKeyTree("tree"));
  EXPECT_FALSE(Exists("Tree"));
  EXPECT_TRUE(Exists("Keep\\K"));
  // The current key is still open and usable.
  EXPECT_EQ("\\" + kBase, registry.CurrentPath());
  registry.WriteStringValue("After", "1");
  EXPECT_EQ("1", registry.ReadStringValue("After"));
  EXPECT_FALSE(registry.DeleteKeyTree("Tree"));
  EXPECT_FALSE(registry.DeleteKeyTree("\\" + kBase + "\\Missing"));
}

// An empty path names the current key: the system deletes that key itself as well.
TEST_F(RegistryAccessorTest, DeleteKeyTreeWithAnEmptyPathDeletesTheCurrentKey) {
  Create("Current\\Sub\\Deeper");
  RegistryAccessor registry(platform_);
  ASSERT_TRUE(registry.OpenPath("\\" + kBase + "\\Current", false));
  EXPECT_TRUE(registry.DeleteKeyTree(""));
  EXPECT_FALSE(Exists("Current"));
  EXPECT_TRUE(Exists(""));
  EXPECT_THROW(registry.WriteStringValue("V", "x"), ERegistryException);
}

TEST_F(RegistryAccessorTest, OpenPathRules) {
  Create("P\\Q\\R");
  RegistryAccessor registry(platform_);
  EXPECT_FALSE(registry.OpenPath("\\" + kBase + "\\Missing", false));
  EXPECT_FALSE(registry.HasCurrentKey());
  ASSERT_TRUE(registry.OpenPath("\\" + kBase + "\\P", false));
  ASSERT_TRUE(registry.OpenPath("Q", false));  // from the current key
  EXPECT_EQ("\\" + kBase + "\\P\\Q", registry.CurrentPath());
  EXPECT_FALSE(registry.OpenPath("Nope", false));
  EXPECT_EQ("\\" + kBase + "\\P\\Q", registry.CurrentPath());
  ASSERT_TRUE(registry.OpenPath("R", false));
  registry.WriteStringValue("Here", "r");
  EXPECT_TRUE(registry.OpenPath("\\", false));  // the root itself
  EXPECT_EQ("", registry.ReadStringValue("NoSuchValueInTheRoot"));
  registry.SelectRoot(kHkeyLocalMachine);
  EXPECT_FALSE(registry.HasCurrentKey());
  EXPECT_FALSE(registry.OpenPath("\\" + kBase + "\\P", false));
  registry.SelectRoot(kInvalidRoot);
  EXPECT_FALSE(registry.OpenPath("\\Software", false));
  EXPECT_FALSE(registry.OpenPath("\\Software", true));

  KeyHandle r = Open("P\\Q\\R", win::kKeyRead);
  std::uint32_t type = 0;
  EXPECT_EQ(std::string("r\0", 2), ReadValue(r, "Here", type));
}

}  // namespace
}  // namespace qv::wintest
