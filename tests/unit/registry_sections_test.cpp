// "[deletereg]" and "[createreg]" sections through the whole program, with the whole registry
// compared before and after so that nothing outside what the script names is touched.
#include <algorithm>
#include <gtest/gtest.h>
#include <tuple>

#include "guard/protected_keys.h"
#include "product.h"

namespace qv {
namespace {

using test::Product;
namespace shown = test::shown;

constexpr char kUninstallList[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

class RegistrySections : public ::testing::Test, public Product {
 protected:
  RegistrySections() {
    // Other products and the system's own keys, which no entry below may touch.
    platform.SetValue(kHkeyLocalMachine, std::string(kUninstallList) + "\\Other", "DisplayName", "Other");
    platform.SetValue(kHkeyCurrentUser, "Software\\Quorvel\\Other", "x", "1");
    platform.SetValue(kHkeyCurrentUser, "Software\\Vask\\Other", "x", "1");
    platform.SetValue(kHkeyCurrentUser, "Control Panel\\Desktop", "Wallpaper", "w");
    platform.SetValue(kHkeyLocalMachine, "SYSTEM\\CurrentControlSet", "x", "1");
    platform.SetValue(kHkeyLocalMachine, "Software\\Classes\\.txt", "", "txtfile");
    platform.SetValue(kHkeyUsers, "S-1-5-21\\Software", "x", "1");
    platform.SetValue(kHkeyClassesRoot, ".txt", "", "txtfile");
  }
  std::vector<std::string> Everything() const {
    std::vector<std::string> all;
    for (RegistryRoot root : {kHkeyClassesRoot, kHkeyCurrentUser, kHkeyLocalMachine, kHkeyUsers, kHkeyCurrentConfig})
      for (const std::string& line : platform.Dump(root)) all.push_back(std::to_string(root) + line);
    return all;
  }
  bool HasKey(RegistryRoot root, const std::string& path) const { return platform.FindKey(root, path) != nullptr; }
  std::string Value(RegistryRoot root, const std::string& path, const std::string& name) const {
    const test::FakeKey* key = platform.FindKey(root, path);
    if (!key) return "<no key>";
    auto it = key->values.find(const_cast<test::FakePlatform&>(platform).CharUpperBuffA(name));
    return it == key->values.end() ? "<no value>" : it->second.data;
  }
};

TEST_F(RegistrySections, CleanupDeletesTheNamedKeysWholeAfterAskingOnce) {
  platform.SetValue(kHkeyLocalMachine, std::string(kUninstallList) + "\\AppA", "DisplayName", "A");
  platform.AddKey(kHkeyLocalMachine, std::string(kUninstallList) + "\\AppB\\Sub");
  platform.SetValue(kHkeyCurrentUser, "Software\\Quorvel\\Demo\\One\\Two\\Three", "v", "1");
  platform.AddKey(kHkeyCurrentUser, "Software\\Quorvel\\Demo\\Other");
  platform.AddKey(kHkeyCurrentUser, "Software\\Vask\\Demo");
  platform.AddKey(kHkeyCurrentUser, "Software\\Example\\Settings");
  platform.AddKey(kHkeyClassesRoot, ".xyz");
  const auto before = Everything();

  EXPECT_EQ(Uninstall("[deletereg]\r\nUNINST=AppA\r\nuninst=appb\r\nQUORVEL=Demo\r\nInst=Demo\r\n"
                      "KEY=HCU\\Software\\Example\r\nkey=hcr\\.xyz\r\nnot an entry\r\nend;\r\n"),
            0);
  EXPECT_EQ(Texts(), (std::vector<std::string>{shown::kAsk, shown::kAskDeleteSettings, shown::kFilesRemain}));
  EXPECT_EQ(platform.boxes[1].flags, 0x24u);
  for (auto [root, path] :
       std::vector<std::pair<RegistryRoot, std::string>>{{kHkeyLocalMachine, std::string(kUninstallList) + "\\AppA"},
                                                         {kHkeyLocalMachine, std::string(kUninstallList) + "\\AppB"},
                                                         {kHkeyCurrentUser, "Software\\Quorvel\\Demo"},
                                                         {kHkeyCurrentUser, "Software\\Vask\\Demo"},
                                                         {kHkeyCurrentUser, "Software\\Example"},
                                                         {kHkeyClassesRoot, ".xyz"}}) {
    EXPECT_FALSE(HasKey(root, path)) << path;
  }
  // Everything else is as it was: the same lines, less those of the deleted keys.
  auto after = Everything();
  std::vector<std::string> kept;
  for (const std::string& line : before)
    if (line.find("AppA") == std::string::npos && line.find("AppB") == std::string::npos &&
        line.find("\\Demo") == std::string::npos && line.find("\\Example") == std::string::npos &&
        line.find(".xyz") == std::string::npos)
      kept.push_back(line);
  EXPECT_EQ(after, kept);
  EXPECT_EQ(platform.OpenKeyCount(), 0u);
}

TEST_F(RegistrySections, AnsweringNoLeavesTheRegistryAndTheReportSaysSo) {
  platform.AddKey(kHkeyCurrentUser, "Software\\Quorvel\\Demo");
  const auto before = Everything();
  platform.answers = {win::kIdYes, win::kIdNo};
  Uninstall("[deletereg]\r\nQUORVEL=Demo\r\nend;\r\n[deletefile]\r\nUninst.inf\r\nend;\r\n");
  EXPECT_EQ(Everything(), before);
  EXPECT_EQ(Report(), shown::kSettingsRemain);
}

TEST_F(RegistrySections, EachSectionAsksAndOneConfirmedSectionCounts) {
  platform.AddKey(kHkeyCurrentUser, "Software\\Quorvel\\A");
  platform.AddKey(kHkeyCurrentUser, "Software\\Quorvel\\B");
  platform.answers = {win::kIdYes, win::kIdNo, win::kIdYes};
  Uninstall("[deletereg]\r\nQUORVEL=A\r\nend;\r\n[deletereg]\r\nQUORVEL=B\r\nend;\r\n");
  EXPECT_TRUE(HasKey(kHkeyCurrentUser, "Software\\Quorvel\\A"));
  EXPECT_FALSE(HasKey(kHkeyCurrentUser, "Software\\Quorvel\\B"));
  EXPECT_EQ(Report(), shown::kFilesRemain);
}

TEST_F(RegistrySections, AnEmptyConfirmedSectionCountsAsSettingsDeleted) {
  Uninstall("[deletereg]\r\nend;\r\n[deletefile]\r\nUninst.inf\r\nend;\r\n");
  EXPECT_EQ(Report(), shown::kAllRemoved);
  EXPECT_EQ(platform.shellNotifications.size(), 1u);
}

// SERVICE= is carried out whatever the settings question's answer, as UNINST=; a service whose
// program is another product's stays, and the settings stay after No.
TEST_F(RegistrySections, AServiceGoesWhateverTheAnswerWhenItsProgramIsTheProducts) {
  platform.AddFile("C:\\Program Files\\Example\\svc.exe");
  platform.AddService("ExampleSvc", "C:\\Program Files\\Example\\svc.exe");
  platform.AddService("OtherSvc", "C:\\Other\\other.exe");
  platform.AddKey(kHkeyCurrentUser, "Software\\Quorvel\\Demo");
  platform.answers = {win::kIdYes, win::kIdNo};
  Uninstall(
      "[deletereg]\r\nservice=examplesvc\r\nSERVICE=OtherSvc\r\nQUORVEL=Demo\r\nend;\r\n"
      "[deletefile]\r\nsvc.exe\r\nUninst.inf\r\nend;\r\n");
  EXPECT_EQ(platform.services.count("EXAMPLESVC"), 0u);
  EXPECT_FALSE(HasKey(kHkeyLocalMachine, "SYSTEM\\CurrentControlSet\\Services\\ExampleSvc"));
  EXPECT_EQ(platform.services.at("OTHERSVC").state, win::kServiceRunning);
  EXPECT_TRUE(HasKey(kHkeyCurrentUser, "Software\\Quorvel\\Demo"));
  EXPECT_FALSE(Has("C:\\Program Files\\Example\\svc.exe"));
  EXPECT_EQ(Report(), shown::kSettingsRemain);
  EXPECT_EQ(platform.sleptMilliseconds, 0u);
}

TEST_F(RegistrySections, CleanupNeverDeletesARootAFamilyFolderOrASystemKey) {
  const auto before = Everything();
  Uninstall(
      "[deletereg]\r\nUNINST=\r\nQUORVEL=\r\nINST=\r\nUNINST=\\\\\r\nQUORVEL=\\\r\n"
      "KEY=HCU\\\r\nKEY=HLM\\\r\nKEY=HCR\\\\\r\nKEY=HLM\\Software\r\nKEY=HLM\\SOFTWARE\\\\Microsoft\\\r\n"
      "key=hlm\\system\r\nKEY=HCU\\Control Panel\r\nKEY=HCU\\\\Software\\\\Quorvel\\\\\r\n"
      "KEY=HLM\\Software\\Classes\r\nKEY=HU\\S-1-5-21\r\nKEY=HU\\S-1-5-21\\\r\nKEY=HCU\\Environment\r\n"
      "KEY=\r\nKEY=HCU\r\nKEY=HKCU\\Software\\Quorvel\\Other\r\nKEY= HCU\\Software\\Quorvel\\Other\r\nend;\r\n");
  EXPECT_EQ(Everything(), before);
  EXPECT_EQ(Report(), shown::kFilesRemain);
}

TEST_F(RegistrySections, KeysBelowProtectedOnesAndShiftJisNamesAreAProductsOwn) {
  platform.AddKey(kHkeyUsers, "S-1-5-21\\Software\\Example");
  platform.AddKey(kHkeyCurrentUser, "Software\\Classes\\.xyz");
  platform.AddKey(kHkeyCurrentUser, "Software\\Quorvel\\\x95\x5C\\\x83\x5C\x83\x74\x83\x67");
  platform.AddKey(kHkeyCurrentUser, "Software\\Quorvel\\\x95");
  Uninstall(
      "[deletereg]\r\nKEY=HU\\S-1-5-21\\Software\\Example\r\nKEY=HCU\\Software\\Classes\\.xyz\r\n"
      "QUORVEL=\x95\x5C\r\nend;\r\n");
  for (const auto& [row, root, path, kept] : std::vector<std::tuple<const char*, RegistryRoot, const char*, bool>>{
           {"below a user's Software", kHkeyUsers, "S-1-5-21\\Software\\Example", false},
           {"a user's Software", kHkeyUsers, "S-1-5-21\\Software", true},
           {"below the user's Classes", kHkeyCurrentUser, "Software\\Classes\\.xyz", false},
           // "表" ends in the byte of "\": the key is one name, not two.
           {"a Shift JIS name", kHkeyCurrentUser, "Software\\Quorvel\\\x95\x5C", false},
           {"the name of its first byte", kHkeyCurrentUser, "Software\\Quorvel\\\x95", true},
       }) {
    SCOPED_TRACE(row);
    EXPECT_EQ(HasKey(root, path), kept);
  }
}

// Below HCU and HLM, each protected key below Software is protected in its 32-bit mirror below
// Software\Wow6432Node too, by the same matching rules; the keys beside and below the mirrors are not.
// (Below HU a user's Software reads as HCU's, mirrors included: protected_keys_test.cpp.)
TEST(ProtectedKeys, TheThirtyTwoBitMirrorsOfTheProtectedKeysAreProtectedToo) {
  test::FakePlatform platform;
  const LeadByteTable lead = ShiftJisLeadBytes();
  const char* mirrors[] = {
      "Software\\Wow6432Node\\Microsoft",
      "Software\\Wow6432Node\\Microsoft\\Windows",
      "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion",
      "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
      "Software\\Wow6432Node\\Classes",
      "Software\\Wow6432Node\\Policies",
      "Software\\Wow6432Node\\Quorvel",
      "Software\\Wow6432Node\\Vask",
      "\\software\\\\WOW6432NODE\\\\microsoft\\windows\\currentversion\\uninstall\\\\",
  };
  for (RegistryRoot root : {kHkeyCurrentUser, kHkeyLocalMachine})
    for (const char* path : mirrors) EXPECT_TRUE(IsProtectedKey(platform, lead, root, path)) << root << " " << path;
  const struct {
    RegistryRoot root;
    const char* path;
  } allowed[] = {
      {kHkeyLocalMachine, "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Product"},
      {kHkeyCurrentUser, "Software\\Wow6432Node\\Quorvel\\Product"},
      {kHkeyLocalMachine, "Software\\Wow6432Node\\Example"},
      {kHkeyLocalMachine, "Software\\Wow6432Node\\System"},  // no mirror of a key outside Software
      {kHkeyLocalMachine, "Software\\Wow6432Node\\Wow6432Node"},
      {kHkeyLocalMachine, "Software\\Wow6432NodeX\\Microsoft"},
      {kHkeyLocalMachine, "Wow6432Node\\Microsoft"},
  };
  for (const auto& key : allowed)
    EXPECT_FALSE(IsProtectedKey(platform, lead, key.root, key.path)) << key.root << " " << key.path;
}

TEST_F(RegistrySections, CreationWritesKeysAndValuesAsWritten) {
  platform.SetValue(kHkeyLocalMachine, "Software\\Example", "Old", "stays");
  const std::string name(300, 'n'), data(70000, 'd');
  Uninstall(
      "[createreg]\r\nKEY=HLM\\Software\\Example\\Settings\r\nSTRING=Path,C:\\Program Files\\Example\r\n"
      "STRING=List,a,b,c\r\nSTRING=,text\r\nSTRING=Name,\r\nkey=hlm\\Software\\Example\r\n"
      "string=Lower, case kept \r\nKEY=HCU\\Software\\Example\r\nSTRING=text\r\nSTRING=" +
      name + "," + data + "\r\nKEY=HCC\\\r\nSTRING=Name,data\r\nend;\r\n");
  const std::string settings = "Software\\Example\\Settings";
  for (const auto& [row, root, path, value, written] :
       std::vector<std::tuple<const char*, RegistryRoot, std::string, std::string, std::string>>{
           {"a path", kHkeyLocalMachine, settings, "Path", std::string("C:\\Program Files\\Example\0", 25)},
           {"commas after the first", kHkeyLocalMachine, settings, "List", std::string("a,b,c\0", 6)},
           {"no name: the default value", kHkeyLocalMachine, settings, "", std::string("text\0", 5)},
           {"no data", kHkeyLocalMachine, settings, "Name", std::string("\0", 1)},
           {"a value that was there", kHkeyLocalMachine, "Software\\Example", "Old", "stays"},
           {"blanks and case kept", kHkeyLocalMachine, "Software\\Example", "Lower", std::string(" case kept \0", 12)},
           {"no comma: the default value", kHkeyCurrentUser, "Software\\Example", "", std::string("text\0", 5)},
           {"a long name and data", kHkeyCurrentUser, "Software\\Example", name, data + '\0'},
           {"a key path of the root alone", kHkeyCurrentConfig, "", "Name", std::string("data\0", 5)},
       }) {
    SCOPED_TRACE(row);
    EXPECT_EQ(Value(root, path, value), written);
  }
  EXPECT_EQ(platform.FindKey(kHkeyLocalMachine, settings)->name, "Settings");
  EXPECT_EQ(platform.FindKey(kHkeyLocalMachine, "Software\\Example")->values.at("LOWER").name, "Lower");
  EXPECT_EQ(platform.OpenKeyCount(), 0u);
}

// Ends the run with the registry write error for the value name; returns what was written.
void ExpectWriteError(Product& product, const std::string& body, const std::string& name) {
  EXPECT_EQ(product.Uninstall(body), 1) << body;
  ASSERT_FALSE(product.platform.boxes.empty());
  const auto& box = product.platform.boxes.back();
  EXPECT_EQ(box.caption, "ｱﾌﾟﾘｹｰｼｮﾝ ｴﾗｰ");
  EXPECT_NE(box.text.find("ERegistryExceptionがﾓｼﾞｭｰﾙ"), std::string::npos) << body;
  EXPECT_NE(box.text.find("\n'" + name + "' の設定に失敗しました."), std::string::npos) << body;
  EXPECT_EQ(product.platform.OpenKeyCount(), 0u);
}

TEST_F(RegistrySections, AValueWithoutAKeyEndsTheRunAndLaterSectionsDoNotRun) {
  platform.AddFile("C:\\Program Files\\Example\\app.exe");
  ExpectWriteError(*this, "[createreg]\r\nSTRING=Path,x\r\nend;\r\n[deletefile]\r\napp.exe\r\nend;\r\n", "Path");
  EXPECT_TRUE(Has("C:\\Program Files\\Example\\app.exe"));
}

TEST_F(RegistrySections, AKeyThatCannotBeOpenedLeavesNoKeyForTheValuesAfterIt) {
  // Another root: the invalid root of a line without "\", or an unknown abbreviation.
  for (const char* key : {"KEY=Example", "KEY=HKLM\\Software\\Example", "KEY=\\Software\\Example"}) {
    Product product;
    ExpectWriteError(
        product,
        std::string("[createreg]\r\nKEY=HCU\\Software\\First\r\nSTRING=A,1\r\n") + key + "\r\nSTRING=B,2\r\nend;\r\n",
        "B");
    EXPECT_EQ(product.platform.FindKey(kHkeyCurrentUser, "Software\\First")->values.size(), 1u) << key;
  }
  // The same root: a key that may not be created stays out, and so do the values after it.
  platform.AddKey(kHkeyCurrentUser, "Software\\Locked").denyWrite = true;
  ExpectWriteError(
      *this, "[createreg]\r\nKEY=HCU\\Software\\First\r\nKEY=HCU\\Software\\Locked\\Sub\r\nSTRING=B,2\r\nend;\r\n",
      "B");
  EXPECT_TRUE(platform.FindKey(kHkeyCurrentUser, "Software\\First")->values.empty());
}

TEST_F(RegistrySections, AKeyThatRefusesWritingEndsTheRunAtItsFirstValue) {
  platform.AddKey(kHkeyLocalMachine, "Software\\ReadOnly").denyAllAccess = true;
  ExpectWriteError(*this, "[createreg]\r\nKEY=HLM\\Software\\ReadOnly\r\nSTRING=Shift\x95\x5C,x\r\nend;\r\n",
                   "Shift\x95\x5C");
}

TEST_F(RegistrySections, RemovalsComeBeforeCreationsWhateverTheOrderInTheFile) {
  platform.SetValue(kHkeyCurrentUser, "Software\\Example", "Old", "1");
  platform.AddFile("C:\\Program Files\\Example\\app.exe");
  Uninstall(
      "[deletefile]\r\napp.exe\r\nend;\r\n[createreg]\r\nKEY=HCU\\Software\\Example\r\nSTRING=New,2\r\nend;\r\n"
      "[deletereg]\r\nKEY=HCU\\Software\\Example\r\nend;\r\n");
  EXPECT_EQ(Value(kHkeyCurrentUser, "Software\\Example", "Old"), "<no value>");
  EXPECT_EQ(Value(kHkeyCurrentUser, "Software\\Example", "New"), std::string("2\0", 2));
  EXPECT_FALSE(Has("C:\\Program Files\\Example\\app.exe"));
}

// Both environments' Path, after Yes or No: the product's folders and those below it go, however
// written; every other element stays byte for byte, empty ones too, and so does the type.
TEST_F(RegistrySections, PathLosesTheProductsFoldersOnlyAndRunningProgramsHearOfIt) {
  constexpr char kMachine[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
  platform.environment["APPS"] = "c:\\program files";
  const std::string kLong = "D:\\" + std::string(2100, 'x'), kNone = "<no value>";
  const struct {
    std::string before, after;
    std::uint32_t type;
    int answer;
  } rows[] = {
      {"C:\\Win;c:\\PROGRAM FILES\\example\\;C:\\Program Files\\Example2;;%APPS%\\Example\\bin;",
       "C:\\Win;"
       "C:\\Program Files\\Example2;;",
       win::kRegExpandSz, win::kIdYes},
      {"\"C:\\Program Files\\Example\";C:/Program Files/Example/lib", "", win::kRegSz, win::kIdNo},
      {kLong + ";C:\\Program Files\\Example;" + kLong, kLong + ";" + kLong, win::kRegExpandSz, win::kIdYes},
      {"C:\\Program Files\\Examples;C:\\Program Files\\Example\\..\\Tools;",
       "C:\\Program Files\\Examples;C:\\Program Files\\Example\\..\\Tools;", win::kRegSz, win::kIdYes},
      {kNone, kNone, win::kRegSz, win::kIdYes},
  };
  for (const auto& row : rows) {
    for (const char* key : {"Environment", kMachine}) {
      const RegistryRoot root = key == kMachine ? kHkeyLocalMachine : kHkeyCurrentUser;
      platform.AddKey(root, key).values.clear();
      if (row.before != kNone) platform.SetValue(root, key, "Path", row.before + '\0', row.type);
    }
    platform.settingChanges.clear();
    platform.answers = {win::kIdYes, row.answer};
    Uninstall("[deletereg]\r\nPATH=HCU\r\nPATH=HLM\r\nPATH=HKCU\r\nend;\r\n");
    const bool changed = row.after != row.before;
    const std::string after = row.after == kNone ? kNone : row.after + '\0';
    EXPECT_EQ(Value(kHkeyCurrentUser, "Environment", "Path"), after) << row.before;
    EXPECT_EQ(Value(kHkeyLocalMachine, kMachine, "Path"), after) << row.before;
    EXPECT_EQ(platform.AddKey(kHkeyCurrentUser, "Environment").values["PATH"].type, row.type);
    EXPECT_EQ(platform.settingChanges, changed ? std::vector<std::string>{"Environment"} : std::vector<std::string>{});
  }
}

}  // namespace
}  // namespace qv
