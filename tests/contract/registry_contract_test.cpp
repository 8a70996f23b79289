// The raw registry calls, under HKEY_CURRENT_USER\Software\QvUninstContract: how keys are
// created, opened, enumerated and deleted, how values keep their bytes, and which errors come back.
#include <gtest/gtest.h>
#include <set>
#include <string>

#include "registry_fixture.h"

namespace qv::contract {
namespace {

using RegistryRules = RegistryFixture;

TEST_F(RegistryRules, CreateMakesMissingKeysAboveAndOpenFindsThem) {
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

TEST_F(RegistryRules, ClosedHandleIsInvalid) {
  KeyHandle key = 0;
  ASSERT_EQ(kOk, platform_.RegCreateKeyExA(kHkcu, kBase, 0, win::kKeyAllAccess, key));
  EXPECT_EQ(kOk, platform_.RegCloseKey(key));
  std::uint32_t count = 0, longest = 0;
  EXPECT_EQ(kInvalidHandle, platform_.RegQueryInfoKeyA(key, count, longest));
}

TEST_F(RegistryRules, StringValuesKeepTheirBytesAndType) {
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

TEST_F(RegistryRules, ShortBufferGivesMoreDataAndTheNeededSize) {
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

TEST_F(RegistryRules, ValueCountCountsTheKeysOwnValuesOnly) {
  KeyHandle key = Create("Counted");
  Create("Counted\\Sub");
  std::uint32_t values = 99;
  ASSERT_EQ(kOk, platform_.RegQueryValueCountA(key, values));
  EXPECT_EQ(0u, values);
  ASSERT_EQ(kOk, platform_.RegSetValueExA(key, "A", win::kRegSz, std::string("1\0", 2)));
  ASSERT_EQ(kOk, platform_.RegSetValueExA(key, "", win::kRegSz, std::string("2\0", 2)));
  ASSERT_EQ(kOk, platform_.RegSetValueExA(key, "a", win::kRegSz, std::string("3\0", 2)));  // the same as "A"
  ASSERT_EQ(kOk, platform_.RegQueryValueCountA(key, values));
  EXPECT_EQ(2u, values);
  EXPECT_EQ(kInvalidHandle, platform_.RegQueryValueCountA(kInvalidRoot, values));
}

TEST_F(RegistryRules, KeyReadHandleCannotWrite) {
  Create("RO");
  KeyHandle key = Open("RO", win::kKeyRead);
  EXPECT_EQ(kAccessDenied, platform_.RegSetValueExA(key, "V", win::kRegSz, std::string("x\0", 2)));
}

TEST_F(RegistryRules, EnumerationNeedsTwoBytesPerCharacterOfTheLongestName) {
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

TEST_F(RegistryRules, DeleteKeyRefusesAKeyWithSubkeys) {
  Create("Tree\\Leaf");
  EXPECT_EQ(kAccessDenied, platform_.RegDeleteKeyA(kHkcu, Below("Tree")));
  EXPECT_TRUE(Exists("Tree\\Leaf"));
  EXPECT_EQ(kOk, platform_.RegDeleteKeyA(kHkcu, Below("tree\\LEAF")));
  EXPECT_EQ(kOk, platform_.RegDeleteKeyA(kHkcu, Below("Tree")));
  EXPECT_FALSE(Exists("Tree"));
  EXPECT_EQ(kNotFound, platform_.RegDeleteKeyA(kHkcu, Below("Tree")));
}

TEST_F(RegistryRules, HandleOfADeletedKeyReportsKeyDeleted) {
  KeyHandle key = Create("Gone");
  ASSERT_EQ(kOk, platform_.RegDeleteKeyA(kHkcu, Below("Gone")));
  EXPECT_EQ(kKeyDeleted, platform_.RegSetValueExA(key, "V", win::kRegSz, std::string("x\0", 2)));
  KeyHandle sub = 0;
  EXPECT_EQ(kKeyDeleted, platform_.RegCreateKeyExA(key, "Sub", 0, win::kKeyAllAccess, sub));
}

TEST_F(RegistryRules, InvalidRootFails) {
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
  EXPECT_FALSE(world_->KeyExists(kBase));
}

// The handle is looked at before the subkey path: an invalid one fails as such even with a path
// that begins with "\".
TEST_F(RegistryRules, AnInvalidHandleFailsBeforeALeadingBackslash) {
  KeyHandle key = 0;
  EXPECT_EQ(kInvalidHandle, platform_.RegOpenKeyExA(kInvalidRoot, "\\Software", win::kKeyRead, key));
  EXPECT_EQ(kInvalidHandle, platform_.RegCreateKeyExA(kInvalidRoot, "\\" + kBase, 0, win::kKeyAllAccess, key));
  EXPECT_EQ(kInvalidHandle, platform_.RegDeleteKeyA(kInvalidRoot, "\\" + kBase));
}

// How the system reads backslashes in a subkey path.
TEST_F(RegistryRules, BackslashesInSubkeyPaths) {
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
TEST_F(RegistryRules, EmptySubkeyNamesTheKeyItself) {
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

// A value goes alone: the key and its other values stay; a missing value and a handle without
// the right to set values are refused.
TEST_F(RegistryRules, DeletingAValueLeavesTheKeyAndItsOtherValues) {
  KeyHandle key = Create("Shared");
  ASSERT_EQ(kOk, platform_.RegSetValueExA(key, "Product", win::kRegSz, std::string("a\0", 2)));
  ASSERT_EQ(kOk, platform_.RegSetValueExA(key, "Other", win::kRegSz, std::string("b\0", 2)));
  ASSERT_EQ(kOk, platform_.RegSetValueExA(key, "", win::kRegSz, std::string("c\0", 2)));
  KeyHandle readOnly = Open("Shared", win::kKeyRead);
  EXPECT_EQ(kAccessDenied, platform_.RegDeleteValueA(readOnly, "Product"));
  EXPECT_EQ(kOk, platform_.RegDeleteValueA(key, "PRODUCT"));  // names compare without regard to case
  EXPECT_EQ(kNotFound, platform_.RegDeleteValueA(key, "Product"));
  EXPECT_EQ(kOk, platform_.RegDeleteValueA(key, ""));
  std::uint32_t values = 0, type = 0;
  EXPECT_EQ(kOk, platform_.RegQueryValueCountA(key, values));
  EXPECT_EQ(1u, values);
  EXPECT_EQ(std::string("b\0", 2), ReadValue(key, "Other", type));
  EXPECT_TRUE(Exists("Shared"));
}

}  // namespace
}  // namespace qv::contract
