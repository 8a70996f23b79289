// The wide calls: a name in UTF-16 reaches its file, key, value or mutex whatever the system's
// ANSI code page, with characters of several scripts side by side; and the conversion to a code
// page writes only the characters that have bytes of their own there.
#include <gtest/gtest.h>
#include <optional>
#include <string>

#include "text/program_text.h"
#include "world.h"

namespace qv::contract {
namespace {

// Japanese, Western and simplified Chinese: no ANSI code page but UTF-8 has them all.
const std::u16string kMixed = u"サンプル表 Caf\u00E9 \u8BF4\u660E";

std::u16string Ascii(const std::string& text) { return std::u16string(text.begin(), text.end()); }

// The name as the fake lists it: ASCII letters upper-cased (Windows keeps the case as written).
std::u16string AsciiUpper(std::u16string text) {
  for (char16_t& unit : text)
    if (unit >= u'a' && unit <= u'z') unit -= 32;
  return text;
}

class WideRules : public testing::Test {
 protected:
  void SetUp() override {
    if (!world_->wide()) GTEST_SKIP() << "this platform has no wide calls";
  }

  std::unique_ptr<World> world_ = NewWorld();
  Platform& platform_ = world_->platform();
  WideCalls& wide() { return *world_->wide(); }
};

TEST_F(WideRules, FilesWithNamesOfEveryScript) {
  const std::u16string folder = Ascii(world_->NewFolder("wide"));
  const std::u16string file = folder + u"\\" + kMixed + u".txt";
  ASSERT_TRUE(wide().AppendToFileW(file, "", "data"));
  ASSERT_TRUE(wide().FindFirstFileW(file));
  EXPECT_EQ(wide().ReadWholeFileW(file), "data");
  const std::vector<FoundFileW> listing = wide().FindFilesW(folder + u"\\*.txt");
  ASSERT_EQ(listing.size(), 1u);
  EXPECT_EQ(AsciiUpper(listing[0].name), AsciiUpper(kMixed + u".txt"));
  EXPECT_EQ(wide().TryOpenFileW(file, win::kDelete), win::kErrorSuccess);

  const std::u16string moved = folder + u"\\\u30BD\u30FC\u30B9 \u00E9.txt";  // ソース é.txt
  ASSERT_TRUE(wide().MoveFileW(file, moved));
  EXPECT_FALSE(wide().FindFirstFileW(file));
  ASSERT_TRUE(wide().SetFileAttributesW(moved, win::kFileAttributeReadOnly));
  EXPECT_FALSE(wide().DeleteFileW(moved));
  ASSERT_TRUE(wide().SetFileAttributesW(moved, 0));
  EXPECT_TRUE(wide().MoveFileExW(moved, win::kMoveFileDelayUntilReboot));
  EXPECT_TRUE(wide().DeleteFileW(moved));
  EXPECT_FALSE(wide().FindFirstFileW(moved));
  EXPECT_EQ(wide().TryOpenFileW(moved, win::kDelete), win::kErrorFileNotFound);

  world_->MakeFolder(world_->NewFolder("wide") + "\\sub");
  EXPECT_TRUE(wide().RemoveDirectoryW(folder + u"\\sub"));
  EXPECT_FALSE(wide().FindFirstFileW(folder + u"\\sub"));
}

TEST_F(WideRules, KeysAndValuesWithNamesOfEveryScript) {
  const std::u16string parent = Ascii(kTestKey);
  KeyHandle key = 0;
  ASSERT_EQ(wide().RegCreateKeyExW(kHkeyCurrentUser, parent + u"\\" + kMixed, 0, win::kKeyAllAccess, key),
            win::kErrorSuccess);
  const std::string data = Utf16Bytes(kMixed + u'\0');
  EXPECT_EQ(wide().RegSetValueExW(key, u"Name " + kMixed, win::kRegSz, data), win::kErrorSuccess);
  std::uint32_t type = 0;
  std::string read;
  EXPECT_EQ(wide().RegQueryValueExW(key, u"NAME " + kMixed, type, read), win::kErrorSuccess);
  EXPECT_EQ(type, win::kRegSz);
  EXPECT_EQ(read, data);
  EXPECT_EQ(wide().RegDeleteValueW(key, u"name " + kMixed), win::kErrorSuccess);
  EXPECT_EQ(wide().RegQueryValueExW(key, u"Name " + kMixed, type, read), win::kErrorFileNotFound);
  EXPECT_EQ(platform_.RegCloseKey(key), win::kErrorSuccess);

  ASSERT_EQ(wide().RegOpenKeyExW(kHkeyCurrentUser, parent, win::kKeyRead, key), win::kErrorSuccess);
  std::u16string name;
  EXPECT_EQ(wide().RegEnumKeyExW(key, 0, 64, name), win::kErrorSuccess);
  EXPECT_EQ(name, kMixed);
  EXPECT_EQ(wide().RegEnumKeyExW(key, 0, static_cast<std::uint32_t>(kMixed.size()), name), win::kErrorMoreData);
  EXPECT_EQ(platform_.RegCloseKey(key), win::kErrorSuccess);
  EXPECT_EQ(wide().RegDeleteKeyW(kHkeyCurrentUser, parent + u"\\" + kMixed), win::kErrorSuccess);
  EXPECT_EQ(wide().RegOpenKeyExW(kHkeyCurrentUser, parent + u"\\" + kMixed, win::kKeyRead, key),
            win::kErrorFileNotFound);
}

TEST_F(WideRules, ConversionWritesOnlyCharactersWithBytesOfTheirOwn) {
  auto convert = [&](std::uint32_t codePage, const std::u16string& text) {
    return wide().WideCharToMultiByte(codePage, text);
  };
  EXPECT_EQ(convert(932, u"テストｱ\\a"), "\x83\x65\x83\x58\x83\x67\xB1\\a");
  // No look-alike stands in: not "e" for é, not "\" for the yen sign.
  for (const char16_t* none : {u"\u00E9", u"\u00A5", u"\u8BF4", u"a\U0001F600"})
    EXPECT_EQ(convert(932, none), std::nullopt);
  EXPECT_EQ(convert(1252, u"Caf\u00E9"), "Caf\xE9");
  EXPECT_EQ(convert(1252, u"表"), std::nullopt);
  EXPECT_EQ(convert(936, u"\u8BF4\u660E"), "\xCB\xB5\xC3\xF7");
  EXPECT_EQ(convert(65001, u"\u00E9表"), "\xC3\xA9\xE8\xA1\xA8");
  EXPECT_EQ(convert(65001, u"a\xD800"), std::nullopt);  // a lone surrogate is no character
  EXPECT_EQ(convert(12345, u"a"), std::nullopt);
  EXPECT_EQ(convert(932, u""), std::nullopt);
}

TEST_F(WideRules, TheSystemsTextsAgreeWithTheAnsiCallsAndMutexesAreNamedInUtf16) {
  EXPECT_EQ(wide().GetWindowsDirectoryW(), Ascii(platform_.GetWindowsDirectoryA()));
  EXPECT_EQ(wide().GetSystemDirectoryW(), Ascii(platform_.GetSystemDirectoryA()));
  const std::u16string module = wide().GetModuleFileNameW();
  ASSERT_GT(module.size(), 4u);
  EXPECT_EQ(platform_.CharUpperBuffA(std::string(module.end() - 4, module.end())), ".EXE");
  EXPECT_FALSE(wide().GetCommandLineW().empty());
  EXPECT_EQ(wide().GetEnvironmentVariableW(u"QV_CONTRACT_UNSET"), std::nullopt);
  const std::optional<std::string> account = platform_.GetUserNameA();
  ASSERT_TRUE(account && !account->empty());
  EXPECT_EQ(wide().GetUserNameW(), Ascii(*account));

  const std::u16string mutex = u"QvContract " + kMixed;
  EXPECT_EQ(wide().CreateMutexW(mutex), win::kErrorSuccess);
  EXPECT_EQ(wide().CreateMutexW(mutex), win::kErrorAlreadyExists);
}

}  // namespace
}  // namespace qv::contract
