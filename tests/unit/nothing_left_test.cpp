// What a run leaves behind: subfolders named by folder entries, files in use left to the restart,
// the uninstall entry whatever the settings answer, and single values of shared keys.
#include <gtest/gtest.h>

#include "product.h"

namespace qv {
namespace {

using test::Product;
namespace shown = test::shown;

constexpr char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kUninstallList[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

class NothingLeft : public ::testing::Test, public Product {
 protected:
  static std::string In(const std::string& name) { return std::string(kFolder) + "\\" + name; }
};

TEST_F(NothingLeft, FolderEntriesGoDeepestFirstAfterTheirFilesAndBeforeTheProductFolder) {
  platform.AddFile(In("data\\a.dat"));
  platform.AddFile(In("data\\sub\\deeper\\b.dat"));
  platform.AddFile(In("help\\c.hlp"));
  platform.AddFolder(In("empty"));
  // Parents stand before their subfolders, and the product folder's own entries are refused.
  Uninstall(
      "[deletefile]\r\nDATA\\\r\nhelp\\\r\nDATA\\SUB\\\r\nDATA\\sub\\DEEPER\\\r\nempty\\\r\n\\\r\n.\\\r\ndata\\..\\\r\n"
      "DATA\\A.DAT\r\nDATA\\SUB\\DEEPER\\B.DAT\r\nHELP\\C.HLP\r\nUninst.inf\r\nend;\r\n");
  EXPECT_FALSE(Has(kFolder));
  EXPECT_EQ(Report(), shown::kSettingsRemain);
}

TEST_F(NothingLeft, ASubfolderWithAUsersFileStaysWithItAndSoDoesTheProductFolder) {
  platform.AddFile(In("data\\mine.txt"));
  platform.AddFile(In("data\\a.dat"));
  platform.AddFile(In("readonly\\r.dat"));
  platform.SetFileAttributesA(In("readonly"), win::kFileAttributeReadOnly);
  Uninstall("[deletefile]\r\nDATA\\A.DAT\r\nDATA\\\r\nREADONLY\\R.DAT\r\nREADONLY\\\r\nUninst.inf\r\nend;\r\n");
  EXPECT_TRUE(Has(In("data\\mine.txt")));
  EXPECT_FALSE(Has(In("data\\a.dat")));
  EXPECT_FALSE(Has(In("readonly")));  // its attributes were cleared like any entry's
  EXPECT_EQ(Report(), shown::kBothRemain);
}

TEST_F(NothingLeft, FolderEntriesAreCarriedOutInASectionThatKeepsTheProductFolder) {
  platform.AddFolder(In("cache"));
  platform.AddFolder("C:\\Users\\u\\Desktop\\Example Tools");
  Uninstall("[deletefile]\r\nSAVEFOLDER\r\nCACHE\\\r\nDESKTOP\\Example Tools\\\r\nend;\r\n");
  EXPECT_FALSE(Has(In("cache")));
  EXPECT_FALSE(Has("C:\\Users\\u\\Desktop\\Example Tools"));
  EXPECT_TRUE(Has(kFolder));
}

TEST_F(NothingLeft, FilesInUseAndTheFoldersThatHoldOnlyThemAreLeftToTheRestartInOrder) {
  platform.AddFile(In("app.exe"));
  platform.AddFile(In("shell.dll")).heldOpen = true;
  platform.AddFile(In("bin\\helper.exe")).heldOpen = true;
  Uninstall("[deletefile]\r\nBIN\\HELPER.EXE\r\nBIN\\\r\nSHELL.DLL\r\nAPP.EXE\r\nUninst.inf\r\nend;\r\n");
  // Each file first, then its folder once nothing else is in it, the product folder last.
  EXPECT_EQ(platform.pendingAtRestart,
            (std::vector<std::string>{In("BIN\\HELPER.EXE"), In("SHELL.DLL"), In("BIN"), kFolder}));
  EXPECT_EQ(Report(), std::string(shown::kSettingsRemain) + shown::kRestartLine);
  EXPECT_EQ(platform.shellNotifications.size(), 1u);
  platform.Restart();
  EXPECT_FALSE(Has(kFolder));
}

TEST_F(NothingLeft, WhatCannotBeLeftToTheRestartStaysAsBefore) {
  // Without an administrator's rights nothing can be left to the restart.
  platform.restartAllowed = false;
  platform.AddFile(In("shell.dll")).heldOpen = true;
  Uninstall("[deletefile]\r\nSHELL.DLL\r\nUninst.inf\r\nend;\r\n");
  EXPECT_EQ(Report(), shown::kBothRemain);
  EXPECT_TRUE(Has(kFolder));

  // A folder that holds a user's file beside the file in use is not left to the restart.
  Product other;
  other.platform.AddFile(In("shell.dll")).heldOpen = true;
  other.platform.AddFile(In("mine.txt"));
  other.Uninstall("[deletefile]\r\nSHELL.DLL\r\nUninst.inf\r\nend;\r\n");
  EXPECT_EQ(other.platform.pendingAtRestart, std::vector<std::string>{In("SHELL.DLL")});
  EXPECT_EQ(other.Report(), std::string(shown::kBothRemain) + shown::kRestartLine);
}

TEST_F(NothingLeft, TheUninstallEntryGoesWhateverTheSettingsAnswer) {
  platform.SetValue(kHkeyLocalMachine, std::string(kUninstallList) + "\\Example", "DisplayName", "Example");
  platform.SetValue(kHkeyLocalMachine, std::string(kUninstallList) + "\\Other", "DisplayName", "Other");
  platform.SetValue(kHkeyCurrentUser, "Software\\Quorvel\\Example", "x", "1");
  platform.SetValue(kHkeyCurrentUser, kRun, "Example", "C:\\Program Files\\Example\\app.exe");
  platform.answers = {win::kIdYes, win::kIdNo, win::kIdNo};
  Uninstall("[deletereg]\r\nQUORVEL=Example\r\nUNINST=Example\r\nUNINST=\r\nVALUE=HCU\\" + std::string(kRun) +
            ",Example\r\nend;\r\n[deletereg]\r\nUNINST=Other\r\n");  // the second one lacks its end;
  EXPECT_EQ(platform.FindKey(kHkeyLocalMachine, std::string(kUninstallList) + "\\Example"), nullptr);
  EXPECT_NE(platform.FindKey(kHkeyLocalMachine, std::string(kUninstallList) + "\\Other"), nullptr);
  EXPECT_NE(platform.FindKey(kHkeyCurrentUser, "Software\\Quorvel\\Example"), nullptr);
  EXPECT_EQ(platform.FindKey(kHkeyCurrentUser, kRun)->values.count("EXAMPLE"), 1u);
  EXPECT_EQ(Report(), shown::kBothRemain);
}

TEST_F(NothingLeft, AValueEntryDeletesOneValueAndNeverTheKey) {
  platform.SetValue(kHkeyCurrentUser, kRun, "Example", "app.exe");
  platform.SetValue(kHkeyCurrentUser, kRun, "Other", "other.exe");
  platform.SetValue(kHkeyCurrentUser, "Software\\Example", "", "default");
  platform.SetValue(kHkeyCurrentUser, "Software\\Example", "Count", "1");
  platform.SetValue(kHkeyCurrentUser, "Software\\Example", "Keep,Me", "2");
  Uninstall(std::string("[deletereg]\r\n") + "VALUE=HCU\\" + kRun + ",Example\r\n" +
            "value=hcu\\Software\\Example,\r\n"         // the default value
            "VALUE=HCU\\Software\\Example\r\n"          // no comma: passed over
            "VALUE=HCU\\Software\\Example,Keep,Me\r\n"  // the name is all after the first comma
            "VALUE=HKCU\\Software\\Example,Count\r\n"
            "VALUE=HCU\\,Count\r\nVALUE=Count\r\nVALUE=HCU\\Software\\Missing,Count\r\nend;\r\n");
  const test::FakeKey* run = platform.FindKey(kHkeyCurrentUser, kRun);
  ASSERT_NE(run, nullptr);
  EXPECT_EQ(run->values.count("EXAMPLE"), 0u);
  EXPECT_EQ(run->values.count("OTHER"), 1u);
  const test::FakeKey* example = platform.FindKey(kHkeyCurrentUser, "Software\\Example");
  ASSERT_NE(example, nullptr);
  EXPECT_EQ(example->values.count(""), 0u);
  EXPECT_EQ(example->values.count("COUNT"), 1u);
  EXPECT_EQ(example->values.count("KEEP,ME"), 0u);
  EXPECT_EQ(platform.FindKey(kHkeyCurrentUser, "Software\\Missing"), nullptr);
}

}  // namespace
}  // namespace qv
