// The registry accessor against the real registry, under HKEY_CURRENT_USER\Software\QvUninstTest
// (removed before and after each test). The raw registry calls' rules are in tests/contract/.
#include <gtest/gtest.h>
#include <string>

#include "common/errors.h"
#include "support.h"
#include "system/registry_accessor.h"
#include "win32/win32_platform.h"

namespace qv::wintest {
namespace {

constexpr ErrorCode kOk = 0;
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
  for (const std::string& path :
       std::vector<std::string>{"Tree\\A\\A1\\A11", "Tree\\A\\A2", "Tree\\B\\" + kTesuto + "\\x",
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
