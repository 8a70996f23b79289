#include "system/registry_accessor.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <tuple>

#include "common/errors.h"
#include "fake_system.h"

namespace qv {
namespace {

using test::FakePlatform;
using Lines = std::vector<std::string>;

template <typename Action>
std::string RegistryError(Action&& action) {
  try {
    action();
  } catch (const ERegistryException& e) {
    EXPECT_STREQ(e.className(), "ERegistryException");
    return e.message();
  }
  ADD_FAILURE() << "no ERegistryException";
  return "";
}

// The dump of a root without the key at path and everything below it.
Lines Without(Lines dump, const std::string& path) {
  dump.erase(std::remove_if(dump.begin(), dump.end(),
                            [&](const std::string& line) {
                              return line == path || line.rfind(path + "\\", 0) == 0 ||
                                     line.rfind(path + " : ", 0) == 0;
                            }),
             dump.end());
  return dump;
}

class RegistryAccessorTest : public ::testing::Test {
 protected:
  std::string ValueAt(RegistryRoot root, const std::string& path, const std::string& name) {
    test::FakeKey* key = fake.FindKey(root, path);
    if (!key) return "<no key>";
    auto it = key->values.find(fake.CharUpperBuffA(name));
    return it == key->values.end() ? "<no value>" : it->second.data;
  }

  FakePlatform fake;
};

TEST_F(RegistryAccessorTest, DeleteKeyTreeRemovesTheWholeTreeAndNothingElse) {
  for (const char* path : {"Software\\Example\\A\\A1\\A11", "Software\\Example\\B\\B1", "Software\\Example\\B\\B2\\B21",
                           "Software\\Example\\C\\C1\\C11", "Software\\Examples\\Kept", "Software\\Other"})
    fake.AddKey(kHkeyCurrentUser, path);
  fake.SetValue(kHkeyCurrentUser, "Software\\Example", "Top", "1");
  fake.SetValue(kHkeyCurrentUser, "Software\\Example\\B\\B2", "Mid", "2");
  fake.SetValue(kHkeyLocalMachine, "Software\\Example\\A", "Other root", "3");
  const Lines userBefore = fake.Dump(kHkeyCurrentUser), machineBefore = fake.Dump(kHkeyLocalMachine);
  {
    RegistryAccessor registry(fake);
    ASSERT_TRUE(registry.OpenPath("\\Software\\Other", false));
    EXPECT_TRUE(registry.DeleteKeyTree("\\Software\\Example"));
    EXPECT_EQ(fake.Dump(kHkeyCurrentUser), Without(userBefore, "\\Software\\Example"));
    EXPECT_EQ(fake.Dump(kHkeyLocalMachine), machineBefore);
    // The current key is the one it was, and no handle of the deletion is left open.
    EXPECT_EQ(registry.CurrentPath(), "\\Software\\Other");
    EXPECT_EQ(fake.OpenKeyCount(), 1u);
    registry.WriteStringValue("Still", "here");
    EXPECT_EQ(ValueAt(kHkeyCurrentUser, "Software\\Other", "Still"), std::string("here", 5));

    // A relative path is taken from the current key; a missing key gives false.
    fake.AddKey(kHkeyCurrentUser, "Software\\Other\\Sub\\Deep");
    EXPECT_TRUE(registry.DeleteKeyTree("sub"));
    EXPECT_EQ(fake.FindKey(kHkeyCurrentUser, "Software\\Other\\Sub"), nullptr);
    const Lines now = fake.Dump(kHkeyCurrentUser);
    EXPECT_FALSE(registry.DeleteKeyTree("\\Software\\Missing"));
    EXPECT_EQ(fake.Dump(kHkeyCurrentUser), now);
  }
  EXPECT_EQ(fake.OpenKeyCount(), 0u);
}

TEST_F(RegistryAccessorTest, DeleteKeyTreeDeletesDoubleByteNamesWithBackslashSecondBytes) {
  // Every name at a level is double-byte, so a buffer sized one byte per character is too small.
  fake.AddKey(kHkeyCurrentUser, "Software\\\x95\x5C\x8E\xA6\\\x83\x5C\x83\x74\x83\x67\\\x95\x5C");
  fake.AddKey(kHkeyCurrentUser, "Software\\\x95\x5C\x8E\xA6\\\x83\x5C\\\x83\x5C\x83\x5C");
  fake.AddKey(kHkeyCurrentUser, "Software\\Kept");
  RegistryAccessor registry(fake);
  EXPECT_TRUE(registry.DeleteKeyTree("\\Software\\\x95\x5C\x8E\xA6"));
  EXPECT_EQ(fake.Dump(kHkeyCurrentUser), (Lines{"\\", "\\Software", "\\Software\\Kept"}));
}

TEST_F(RegistryAccessorTest, DeleteKeyTreePassesOverASubkeyThatCannotBeDeleted) {
  fake.AddKey(kHkeyCurrentUser, "Software\\Example\\A\\A1");
  fake.AddKey(kHkeyCurrentUser, "Software\\Example\\B\\B1");
  fake.AddKey(kHkeyCurrentUser, "Software\\Example\\C");
  fake.FindKey(kHkeyCurrentUser, "Software\\Example\\B")->denyAllAccess = true;
  RegistryAccessor registry(fake);
  EXPECT_FALSE(registry.DeleteKeyTree("\\Software\\Example"));
  EXPECT_EQ(fake.Dump(kHkeyCurrentUser), (Lines{"\\", "\\Software", "\\Software\\Example", "\\Software\\Example\\B"}));
  EXPECT_EQ(fake.OpenKeyCount(), 0u);
}

// Each step opens a path and writes a value named as the step; a failed open leaves the key before it.
TEST_F(RegistryAccessorTest, PathsFromTheRootAndFromTheCurrentKeyAndAFailedOpenLeavesThePreviousKey) {
  fake.AddKey(kHkeyCurrentUser, "Software\\Other");
  fake.AddKey(kHkeyCurrentUser, "Locked").denyWrite = true;
  fake.AddKey(kHkeyCurrentUser, "ReadOnly").denyAllAccess = true;
  RegistryAccessor registry(fake);
  EXPECT_EQ(registry.Root(), kHkeyCurrentUser);
  EXPECT_FALSE(registry.HasCurrentKey());
  const std::string deeper = "\\Software\\Example\\Sub\\Deeper";
  for (const auto& [step, path, create, opens, current, key] :
       std::vector<std::tuple<const char*, const char*, bool, bool, std::string, std::string>>{
           {"no current key: from the root", "Software\\Other", false, true, "Software\\Other", "Software\\Other"},
           {"from the root", "\\Software\\Example", true, true, "\\Software\\Example", "Software\\Example"},
           {"from the current key", "Sub\\Deeper", true, true, deeper, deeper.substr(1)},
           {"missing from the current key", "Missing", false, false, deeper, deeper.substr(1)},
           {"missing from the root", "\\Missing", false, false, deeper, deeper.substr(1)},
           {"below a key that refuses writing", "\\Locked\\New", true, false, deeper, deeper.substr(1)},
           {"creating asks for full access only", "\\ReadOnly", true, false, deeper, deeper.substr(1)},
           // An empty remainder opens the base key itself, also with create.
           {"the current key itself", "", false, true, deeper + "\\", deeper.substr(1)},
           {"the root itself", "\\", true, true, "\\", ""},
       }) {
    SCOPED_TRACE(step);
    EXPECT_EQ(registry.OpenPath(path, create), opens);
    EXPECT_EQ(registry.CurrentPath(), current);
    registry.WriteStringValue(step, "v");
    EXPECT_EQ(ValueAt(kHkeyCurrentUser, key, step), std::string("v", 2));
  }
  EXPECT_EQ(fake.FindKey(kHkeyCurrentUser, "Software\\Other\\Software"), nullptr);
  EXPECT_EQ(fake.OpenKeyCount(), 1u);
}

TEST_F(RegistryAccessorTest, SelectingAnotherRootClosesTheCurrentKey) {
  fake.AddKey(kHkeyCurrentUser, "Software\\Example");
  fake.AddKey(kHkeyLocalMachine, "Software\\Example");
  RegistryAccessor registry(fake);
  ASSERT_TRUE(registry.OpenPath("\\Software\\Example", false));
  registry.SelectRoot(kHkeyCurrentUser);
  EXPECT_TRUE(registry.HasCurrentKey());
  EXPECT_EQ(registry.CurrentPath(), "\\Software\\Example");

  registry.SelectRoot(kHkeyLocalMachine);
  EXPECT_EQ(registry.Root(), kHkeyLocalMachine);
  EXPECT_FALSE(registry.HasCurrentKey());
  EXPECT_EQ(registry.CurrentPath(), "");
  EXPECT_EQ(fake.OpenKeyCount(), 0u);
  ASSERT_TRUE(registry.OpenPath("Software\\Example", false));
  registry.WriteStringValue("Machine", "m");
  EXPECT_EQ(ValueAt(kHkeyLocalMachine, "Software\\Example", "Machine"), std::string("m", 2));
  registry.CloseOpenKey();
  EXPECT_EQ(fake.OpenKeyCount(), 0u);
  EXPECT_EQ(registry.CurrentPath(), "");
}

TEST_F(RegistryAccessorTest, EveryOperationOnTheInvalidRootFails) {
  fake.AddKey(kHkeyCurrentUser, "Software\\Example");
  const Lines before = fake.Dump(kHkeyCurrentUser);
  RegistryAccessor registry(fake);
  ASSERT_TRUE(registry.OpenPath("\\Software\\Example", false));
  registry.SelectRoot(kInvalidRoot);
  for (const char* path : {"Software\\Example", "\\Software\\Example", "\\", ""}) {
    EXPECT_FALSE(registry.OpenPath(path, false)) << path;
    EXPECT_FALSE(registry.OpenPath(path, true)) << path;
    EXPECT_FALSE(registry.DeleteKeyTree(path)) << path;
  }
  EXPECT_FALSE(registry.HasCurrentKey());
  EXPECT_EQ(fake.Dump(kHkeyCurrentUser), before);
  EXPECT_EQ(RegistryError([&] { registry.WriteStringValue("Name", "x"); }), "'Name' の設定に失敗しました");
  EXPECT_EQ(fake.OpenKeyCount(), 0u);
}

TEST_F(RegistryAccessorTest, WritesStoreTheTextWithItsNulAndFailuresRaise) {
  fake.SetValue(kHkeyCurrentUser, "Software\\Example", "Name", "old");
  fake.FindKey(kHkeyCurrentUser, "Software\\Example")->denyAllAccess = true;
  {
    RegistryAccessor registry(fake);
    EXPECT_EQ(RegistryError([&] { registry.WriteStringValue("Name", "x"); }), "'Name' の設定に失敗しました");
    ASSERT_TRUE(registry.OpenPath("\\Software\\Example", false));  // full access refused: read only
    EXPECT_EQ(registry.ReadStringValue("Name"), "old");
    EXPECT_EQ(RegistryError([&] { registry.WriteStringValue("Name", "new"); }), "'Name' の設定に失敗しました");
    EXPECT_EQ(ValueAt(kHkeyCurrentUser, "Software\\Example", "Name"), "old");

    ASSERT_TRUE(registry.OpenPath("\\Software\\Writable", true));
    registry.WriteStringValue("", "C:\\Program Files\\Example");
    registry.WriteStringValue("Empty", "");
    const test::FakeKey* key = fake.FindKey(kHkeyCurrentUser, "Software\\Writable");
    EXPECT_EQ(key->values.at("").data, std::string("C:\\Program Files\\Example") + '\0');
    EXPECT_EQ(key->values.at("").type, win::kRegSz);
    EXPECT_EQ(key->values.at("EMPTY").data, std::string(1, '\0'));
  }
  EXPECT_EQ(fake.OpenKeyCount(), 0u);  // also after the errors
}

TEST_F(RegistryAccessorTest, ReadsStringValuesAsStoredAndRaisesOnOthers) {
  const char* path = "Software\\Example";
  fake.SetValue(kHkeyCurrentUser, path, "Empty", "");
  fake.SetValue(kHkeyCurrentUser, path, "Plain", std::string("C:\\Tools\0", 9));
  fake.SetValue(kHkeyCurrentUser, path, "NoNul", "abc");
  fake.SetValue(kHkeyCurrentUser, path, "Cut", std::string("abc\0def\0", 8));
  fake.SetValue(kHkeyCurrentUser, path, "Expand", std::string("%SystemRoot%\\x\0", 15), win::kRegExpandSz);
  fake.SetValue(kHkeyCurrentUser, path, "Number", std::string("\x01\0\0\0", 4), 4);
  fake.SetValue(kHkeyCurrentUser, path, "\x83\x66\x83\x5C\x83\x4E", "dbcs", 3);
  {
    RegistryAccessor registry(fake);
    EXPECT_EQ(RegistryError([&] { registry.ReadStringValue("Plain"); }), "'Plain' の取得に失敗しました");
    ASSERT_TRUE(registry.OpenPath("\\Software\\Example", false));
    EXPECT_EQ(registry.ReadStringValue("Missing"), "");
    EXPECT_EQ(registry.ReadStringValue("Empty"), "");
    EXPECT_EQ(registry.ReadStringValue("plain"), "C:\\Tools");
    EXPECT_EQ(registry.ReadStringValue("NoNul"), "abc");
    EXPECT_EQ(registry.ReadStringValue("Cut"), "abc");
    EXPECT_EQ(registry.ReadStringValue("Expand"), "%SystemRoot%\\x");
    EXPECT_EQ(RegistryError([&] { registry.ReadStringValue("Number"); }), "'Number' のﾃﾞｰﾀ型が不正です");
    EXPECT_EQ(RegistryError([&] { registry.ReadStringValue("\x83\x66\x83\x5C\x83\x4E"); }),
              "'\x83\x66\x83\x5C\x83\x4E' のﾃﾞｰﾀ型が不正です");
  }
  EXPECT_EQ(fake.OpenKeyCount(), 0u);
}

// A registry whose value changes under the reader.
class ShiftingPlatform : public FakePlatform {
 public:
  ErrorCode RegQueryValueExA(KeyHandle key, const std::string& name, std::uint32_t& type, std::string* data,
                             std::uint32_t& size) override {
    if (failSizeQuery && !data) return win::kErrorAccessDenied;
    const ErrorCode status = FakePlatform::RegQueryValueExA(key, name, type, data, size);
    if (growths > 0) {
      --growths;
      SetValue(kHkeyCurrentUser, "Software\\Example", name,
               FindKey(kHkeyCurrentUser, "Software\\Example")->values.at("V").data + "longer");
    }
    return status;
  }
  int growths = 0;
  bool failSizeQuery = false;
};

TEST(RegistryAccessorShifting, AValueThatGrowsIsReadAgainButNotForever) {
  ShiftingPlatform fake;
  fake.SetValue(kHkeyCurrentUser, "Software\\Example", "V", "short");
  RegistryAccessor registry(fake);
  ASSERT_TRUE(registry.OpenPath("\\Software\\Example", false));
  fake.growths = 1;  // grows right after its size was asked
  EXPECT_EQ(registry.ReadStringValue("V"), "shortlonger");
  fake.growths = 1000;
  EXPECT_EQ(RegistryError([&] { registry.ReadStringValue("V"); }), "'V' の取得に失敗しました");
  fake.growths = 0;
  fake.failSizeQuery = true;
  EXPECT_EQ(RegistryError([&] { registry.ReadStringValue("V"); }), "'V' の取得に失敗しました");
}

class CloseCountingPlatform : public FakePlatform {
 public:
  ErrorCode RegCloseKey(KeyHandle key) override {
    closed.push_back(key);
    return FakePlatform::RegCloseKey(key);
  }
  std::vector<KeyHandle> closed;
};

TEST(RegistryKeyOwner, ClosesItsHandleOnceAndNeverARoot) {
  CloseCountingPlatform fake;
  KeyHandle handle = 0;
  ASSERT_EQ(fake.RegOpenKeyExA(kHkeyCurrentUser, "", win::kKeyRead, handle), 0);
  {
    UniqueKey first(fake, handle);
    UniqueKey second(std::move(first));
    UniqueKey third;
    third = std::move(second);
    EXPECT_FALSE(first);
    EXPECT_EQ(third.get(), handle);
    UniqueKey root(fake, kHkeyLocalMachine);
  }
  EXPECT_EQ(fake.closed, std::vector<KeyHandle>{handle});
  EXPECT_EQ(fake.OpenKeyCount(), 0u);
}

}  // namespace
}  // namespace qv
