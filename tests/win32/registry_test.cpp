// The registry accessor against the real registry, below the contract's test key (removed before
// and after each test). The raw registry calls' rules are in tests/contract/.
#include <gtest/gtest.h>
#include <string>

#include "common/errors.h"
#include "registry_fixture.h"
#include "system/registry_accessor.h"
#include "win32/win32_values.h"

namespace qv::wintest {
namespace {

using contract::kBase;
using contract::kOk;
using contract::kTesuto;
using RegistryAccessorTest = contract::RegistryFixture;

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

// The roots reach Windows as its HKEYs (sign-extended on 64 bits) and back; an opened key as it is.
TEST_F(RegistryAccessorTest, RootsAreWindowsOwnHkeysBothWays) {
  EXPECT_EQ(win32::ToHkey(kHkeyCurrentUser), HKEY_CURRENT_USER);
  EXPECT_EQ(win32::FromHkey(HKEY_CLASSES_ROOT), kHkeyClassesRoot);
  const KeyHandle opened = Create("");
  EXPECT_EQ(win32::FromHkey(win32::ToHkey(opened)), opened);
}

}  // namespace
}  // namespace qv::wintest
