// The run's passes in their fixed order: running programs, warnings, the question to begin,
// registry work, file work; and the final reports.
#include <gtest/gtest.h>

#include "product.h"

namespace qv {
namespace {

using test::Product;
namespace shown = test::shown;

constexpr char kRunningDemo[] = "Demo が起動しています。\r\n閉じてからアンインストールして下さい。";

class Run : public ::testing::Test, public Product {};

TEST_F(Run, ScriptWithoutSectionsStillAsksAndReportsBothRemain) {
  EXPECT_EQ(Uninstall("free text outside any section\r\n"), 0);
  EXPECT_EQ(Texts(), (std::vector<std::string>{shown::kAsk, shown::kBothRemain}));
  EXPECT_EQ(platform.boxes[1].flags, 0x40u);
  EXPECT_TRUE(platform.shellNotifications.empty());
}

TEST_F(Run, FourFinalReportsAndWhenTheShellIsNotified) {
  struct Row {
    const char* body;
    const char* report;
    bool notified;
  } rows[] = {
      {"[deletereg]\r\nend;\r\n[deletefile]\r\nUninst.inf\r\nend;\r\n", shown::kAllRemoved, true},
      {"[deletereg]\r\nend;\r\n", shown::kFilesRemain, false},
      {"[deletefile]\r\nUninst.inf\r\nend;\r\n", shown::kSettingsRemain, true},
      {"", shown::kBothRemain, false},
  };
  for (const Row& row : rows) {
    Product product;
    EXPECT_EQ(product.Uninstall(row.body), 0);
    EXPECT_EQ(product.Report(), row.report) << row.body;
    EXPECT_EQ(product.platform.boxes.back().flags, 0x40u);
    EXPECT_EQ(product.platform.shellNotifications.size(), row.notified ? 1u : 0u) << row.body;
  }
}

TEST_F(Run, AnsweringNoChangesNothing) {
  platform.AddFile("C:\\Program Files\\Example\\app.exe");
  platform.AddKey(kHkeyCurrentUser, "Software\\Quorvel\\Demo");
  platform.answers = {win::kIdNo};
  EXPECT_EQ(Uninstall("[deletereg]\r\nQUORVEL=Demo\r\nend;\r\n[createreg]\r\nKEY=HCU\\Software\\New\r\nend;\r\n"
                      "[deletefile]\r\napp.exe\r\nend;\r\n"),
            0);
  EXPECT_EQ(Texts(), std::vector<std::string>{shown::kAsk});
  EXPECT_TRUE(Has("C:\\Program Files\\Example\\app.exe"));
  EXPECT_NE(platform.FindKey(kHkeyCurrentUser, "Software\\Quorvel\\Demo"), nullptr);
  EXPECT_EQ(platform.FindKey(kHkeyCurrentUser, "Software\\New"), nullptr);
}

TEST_F(Run, ARunningProgramStopsTheRunBeforeAnythingIsAsked) {
  platform.mutexesHeldElsewhere = {"AppMutex"};
  platform.AddFile("C:\\Program Files\\Example\\app.exe");
  EXPECT_EQ(Uninstall("[warning]\r\nnot shown\r\nend;\r\n[execution]\r\nmutex=AppMutex\r\nAPPNAME=Demo\r\nend;\r\n"
                      "[execution]\r\nMUTEX=Second\r\nAPPNAME=Second\r\nend;\r\n[deletefile]\r\napp.exe\r\nend;\r\n"),
            0);
  EXPECT_EQ(Texts(), std::vector<std::string>{kRunningDemo});
  EXPECT_EQ(platform.boxes[0].flags, 0x30u);
  EXPECT_EQ(platform.boxes[0].caption, "Quorvel Uninstaller 2.09");
  // The later section was not examined: its mutex was never created.
  EXPECT_EQ(platform.mutexesCreated, std::vector<std::string>{"AppMutex"});
  EXPECT_TRUE(Has("C:\\Program Files\\Example\\app.exe"));
}

TEST_F(Run, OneSectionMayReportSeveralRunningPrograms) {
  platform.mutexesHeldElsewhere = {"A", "B"};
  Uninstall("[execution]\r\nMUTEX=A\r\nAPPNAME=Demo\r\nMUTEX=B\r\nAPPNAME=Tool\r\nend;\r\n");
  EXPECT_EQ(Texts(), (std::vector<std::string>{kRunningDemo,
                                               "Tool が起動しています。\r\n閉じてからアンインストールして下さい。"}));
}

TEST_F(Run, ARunningProgramWithoutItsNameRightAfterDoesNotStopTheRun) {
  platform.mutexesHeldElsewhere = {"AppMutex", "Other"};
  Uninstall("[execution]\r\nMUTEX=AppMutex\r\nother line\r\nAPPNAME=Demo\r\nMUTEX=Other\r\nend;\r\n");
  EXPECT_EQ(Texts(), (std::vector<std::string>{shown::kAsk, shown::kBothRemain}));
}

TEST_F(Run, MutexNamesAreTakenAsWrittenAndStayOurs) {
  // The first creation makes the mutex ours. Named again, in the same section or another, it is
  // not asked for again: it would exist because of us, and no program of the product runs.
  Uninstall(
      "[execution]\r\nMUTEX= My Mutex \r\nAPPNAME=Demo\r\nMUTEX= My Mutex \r\nAPPNAME=Again\r\nend;\r\n"
      "[execution]\r\nMUTEX= My Mutex \r\nAPPNAME=Third\r\nMUTEX=Local\\ My Mutex \r\nAPPNAME=Fourth\r\nend;\r\n");
  EXPECT_EQ(platform.mutexesCreated, (std::vector<std::string>{" My Mutex "}));
  EXPECT_EQ(Texts(), (std::vector<std::string>{shown::kAsk, shown::kBothRemain}));
}

TEST_F(Run, AMutexThatMayNotBeOpenedMeansRunningButAnInvalidNameDoesNot) {
  platform.mutexErrors = {{"Global\\Service", win::kErrorAccessDenied}, {"bad\\name", 3}};
  Uninstall("[execution]\r\nMUTEX=bad\\name\r\nAPPNAME=Bad\r\nMUTEX=Global\\Service\r\nAPPNAME=Demo\r\nend;\r\n");
  EXPECT_EQ(Texts(), std::vector<std::string>{kRunningDemo});
}

TEST_F(Run, AMutexLineAsTheLastLineEndsInTheFatalReport) {
  platform.mutexesHeldElsewhere = {"AppMutex"};
  EXPECT_EQ(Uninstall("[execution]\r\nMUTEX=AppMutex"), 1);
  EXPECT_NE(Report().find("ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (3)."), std::string::npos);
}

TEST_F(Run, WarningsAreShownInFileOrderBeforeTheQuestion) {
  EXPECT_EQ(
      Uninstall("[warning]\r\nFirst line\r\n  second line \r\nthird\r\nend;\r\n[deletefile]\r\nSAVEFOLDER\r\nend;\r\n"
                "[WARNING]\r\nAnother\r\nEND;\r\n"),
      0);
  EXPECT_EQ(Texts(), (std::vector<std::string>{"First line\r\n  second line \r\nthird", "Another", shown::kAsk,
                                               shown::kBothRemain}));
  EXPECT_EQ(platform.boxes[0].flags, 0x30u);
  EXPECT_EQ(platform.boxes[1].flags, 0x30u);
}

TEST_F(Run, AnEmptyWarningShowsNothing) {
  EXPECT_EQ(Uninstall("[warning]\r\nend;\r\n[deletefile]\r\nSAVEFOLDER\r\nend;\r\n"), 0);
  EXPECT_EQ(Texts(), (std::vector<std::string>{shown::kAsk, shown::kBothRemain}));
  Product last;
  EXPECT_EQ(last.Uninstall("[warning]\r\nend;"), 0);
  EXPECT_EQ(last.Texts(), (std::vector<std::string>{shown::kAsk, shown::kBothRemain}));
}

TEST_F(Run, AWarningWithoutTerminatorEndsInTheFatalReportBeforeTheQuestion) {
  EXPECT_EQ(Uninstall("[warning]\r\nline"), 1);
  ASSERT_EQ(platform.boxes.size(), 1u);
  EXPECT_EQ(platform.boxes[0].caption, "ｱﾌﾟﾘｹｰｼｮﾝ ｴﾗｰ");
}

TEST_F(Run, AHeaderInsideAnotherBodyIsStillASection) {
  platform.AddFile("C:\\Program Files\\Example\\a.txt");
  Uninstall("[warning]\r\nsee below\r\n[deletefile]\r\na.txt\r\nend;\r\n");
  EXPECT_FALSE(Has("C:\\Program Files\\Example\\a.txt"));
  EXPECT_EQ(platform.boxes[0].text, "see below\r\n[deletefile]\r\na.txt");
}

TEST_F(Run, TheScriptIsReadOnceForTheSignatureAndTheRun) {
  Uninstall("[deletefile]\r\nUninst.inf\r\nend;\r\n[renamefile]\r\na,b\r\nend;\r\n[deletefile]\r\nx\r\nend;\r\n");
  EXPECT_EQ(platform.reads.size(), 1u);
  EXPECT_EQ(Report(), shown::kSettingsRemain);
}

}  // namespace
}  // namespace qv
