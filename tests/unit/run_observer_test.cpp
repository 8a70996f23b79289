// What the run tells its observer: each section as its pass starts, each box with its answer, and
// each entry it passes over with why, in the order the run does them.
#include "sections/run_observer.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "product.h"

namespace qv {
namespace {

using test::Product;
using Why = PassedOver::Why;

class Recorder final : public RunObserver {
 public:
  std::vector<std::string> heard;
  std::vector<PassedOver> kept;  // read again once the run and its copy of the script are gone

  void SectionStarts(const char* header, int headerIndex) override {
    heard.push_back(std::string(header) + " at " + std::to_string(headerIndex));
  }
  void BoxAnswered(RunBox box, int answer) override {
    static const char* const kNames[] = {"program running", "warning", "begin", "delete settings", "final report"};
    heard.push_back(std::string("box ") + kNames[static_cast<int>(box)] + ": " + std::to_string(answer));
  }
  void EntryPassedOver(const PassedOver& entry) override {
    static const char* const kWhy[] = {"own mutex", "protected key",  "no file",
                                       "no folder", "refused folder", "incomplete value"};
    std::string text = std::string("passed over ") + kWhy[static_cast<int>(entry.why)] + ": " + entry.line + " at " +
                       std::to_string(entry.lineIndex);
    if (entry.why == Why::kProtectedKey) text += " (" + std::to_string(entry.root) + entry.path + ")";
    heard.push_back(text);
    kept.push_back(entry);
  }
};

TEST(RunObserver, HearsSectionsBoxesAndPassedOverEntriesInTheRunsOrder) {
  Product product;
  product.platform.AddKey(kHkeyCurrentUser, "Software\\Quorvel\\Demo");
  product.platform.AddFile("C:\\Program Files\\Example\\app.exe");
  // Without the Shell Folders key the desktop cannot be found.
  ASSERT_EQ(product.platform.RegDeleteKeyA(kHkeyCurrentUser, Product::kShellFolders), 0u);
  const char* body =
      "[execution]\r\nMUTEX=Own\r\nMUTEX=Local\\Own\r\nend;\r\n"                 // lines 1-4
      "[warning]\r\nRemoved soon.\r\nend;\r\n"                                   // 5-7
      "[deletereg]\r\nquorvel=\r\nQUORVEL=Demo\r\nKEY=HU\\.DEFAULT\r\nend;\r\n"  // 8-12
      "[renamefile]\r\nno comma\r\nend;\r\n"                                     // 13-15
      "[deletefile]\r\nsub\\..\r\nDESKTOP\\Example.lnk\r\napp.exe\r\nend;\r\n";  // 16-21
  Recorder recorder;
  product.platform.AddFile(Product::kScript, std::string("//QV-Uninstaller\r\n") + body);
  product.platform.commandLine = "QvUninst.exe /u \"C:\\Program Files\\Example\\\"";
  EXPECT_EQ(ProgramEntry(product.platform, product.platform, recorder), 0);

  const std::string hkcu = std::to_string(kHkeyCurrentUser), hku = std::to_string(kHkeyUsers);
  EXPECT_EQ(recorder.heard, (std::vector<std::string>{
                                "[execution] at 1",
                                "passed over own mutex: MUTEX=Local\\Own at 3",
                                "[warning] at 5",
                                "box warning: 1",
                                "box begin: 6",
                                "[deletereg] at 8",
                                "box delete settings: 6",
                                "passed over protected key: quorvel= at 9 (" + hkcu + "\\Software\\Quorvel\\)",
                                "passed over protected key: KEY=HU\\.DEFAULT at 11 (" + hku + "\\.DEFAULT)",
                                "[renamefile] at 13",
                                "passed over no file: no comma at 14",
                                "[deletefile] at 16",
                                "passed over no file: sub\\.. at 17",
                                "passed over no folder: DESKTOP\\Example.lnk at 18",
                                "box final report: 1",
                            }));
  EXPECT_FALSE(product.Has("C:\\Program Files\\Example\\app.exe"));
  EXPECT_EQ(product.platform.FindKey(kHkeyCurrentUser, "Software\\Quorvel\\Demo"), nullptr);
  EXPECT_EQ(recorder.kept.at(0).line + recorder.kept.at(5).line, "MUTEX=Local\\OwnDESKTOP\\Example.lnk");
}

// A running program is the last thing the observer hears of.
TEST(RunObserver, HearsOfTheRunningProgramThatStopsTheRun) {
  Product product;
  product.platform.mutexesHeldElsewhere = {"AppMutex"};
  product.platform.AddFile(Product::kScript,
                           "//QV-Uninstaller\r\n[execution]\r\nMUTEX=AppMutex\r\nAPPNAME=Demo\r\nend;\r\n");
  product.platform.commandLine = "QvUninst.exe /u \"C:\\Program Files\\Example\\\"";
  Recorder recorder;
  EXPECT_EQ(ProgramEntry(product.platform, product.platform, recorder), 0);
  EXPECT_EQ(recorder.heard, (std::vector<std::string>{"[execution] at 1", "box program running: 1"}));
}

}  // namespace
}  // namespace qv
