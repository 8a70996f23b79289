// The file calls that tell what a folder holds and whether a file may be taken away now,
// without changing anything: the listing of a folder, and an open that is closed at once.
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <string>

#include "world.h"

namespace qv::contract {
namespace {

class FileRules : public testing::Test {
 protected:
  // The entries found, by upper-cased name, with whether each is a folder.
  std::map<std::string, bool> Listing(const std::string& pattern) {
    std::map<std::string, bool> names;
    for (const FoundFile& found : platform_.FindFilesA(pattern))
      names[platform_.CharUpperBuffA(found.name)] = (found.data.attributes & win::kFileAttributeDirectory) != 0;
    return names;
  }

  std::unique_ptr<World> world_ = NewWorld();
  Platform& platform_ = world_->platform();
  const std::string folder_ = world_->NewFolder(testing::UnitTest::GetInstance()->current_test_info()->name());
};

TEST_F(FileRules, FindFilesListsEveryMatchWithItsKind) {
  world_->WriteFile(folder_ + "\\a.txt", "a");
  world_->WriteFile(folder_ + "\\b.dat", "b");
  world_->MakeFolder(folder_ + "\\sub");
  EXPECT_EQ((std::map<std::string, bool>{{".", true}, {"..", true}, {"A.TXT", false}, {"B.DAT", false}, {"SUB", true}}),
            Listing(folder_ + "\\*"));
  EXPECT_EQ((std::map<std::string, bool>{{"A.TXT", false}}), Listing(folder_ + "\\*.txt"));
  EXPECT_EQ((std::map<std::string, bool>{{"B.DAT", false}}), Listing(folder_ + "\\B.DAT"));
  EXPECT_TRUE(platform_.FindFilesA(folder_ + "\\*.none").empty());
  EXPECT_TRUE(platform_.FindFilesA(folder_ + "\\missing\\*").empty());
}

TEST_F(FileRules, TryOpenTellsWhetherTheAccessWouldBeGranted) {
  const std::string file = folder_ + "\\held.txt";
  world_->WriteFile(file, "x");
  EXPECT_EQ(win::kErrorSuccess, platform_.TryOpenFileA(file, win::kDelete));
  EXPECT_EQ(win::kErrorSuccess, platform_.TryOpenFileA(folder_, win::kDelete));
  EXPECT_EQ(win::kErrorFileNotFound, platform_.TryOpenFileA(folder_ + "\\missing.txt", win::kDelete));
  EXPECT_EQ(win::kErrorPathNotFound, platform_.TryOpenFileA(folder_ + "\\missing\\x.txt", win::kDelete));

  // Another program's handle that shares nothing bars deletion, and so the delete fails too;
  // the attributes stay writable.
  world_->HoldFile(file);
  EXPECT_EQ(win::kErrorSharingViolation, platform_.TryOpenFileA(file, win::kDelete));
  EXPECT_EQ(win::kErrorSuccess, platform_.TryOpenFileA(file, win::kFileWriteAttributes));
  EXPECT_FALSE(platform_.DeleteFileA(file));
  EXPECT_EQ(1u, platform_.FindFilesA(file).size());
}

// Leaving a file or a folder to the next start of Windows changes nothing now, also for a file
// that another program holds.
TEST_F(FileRules, LeavingToTheRestartChangesNothingNow) {
  const std::string file = folder_ + "\\held.dll";
  world_->WriteFile(file, "x");
  world_->HoldFile(file);
  EXPECT_TRUE(platform_.MoveFileExA(file, win::kMoveFileDelayUntilReboot));
  EXPECT_TRUE(platform_.MoveFileExA(folder_, win::kMoveFileDelayUntilReboot));
  EXPECT_EQ(1u, platform_.FindFilesA(file).size());
  EXPECT_EQ(win::kErrorSharingViolation, platform_.TryOpenFileA(file, win::kDelete));
  EXPECT_FALSE(platform_.RemoveDirectoryA(folder_));
}

// The maker comes from a file's version resource: Windows' own libraries name Microsoft; a file
// without a version resource names none.
TEST_F(FileRules, TheMakerIsTheVersionResourcesCompanyName) {
  EXPECT_EQ("Microsoft Corporation", platform_.GetFileCompanyNameA(platform_.GetSystemDirectoryA() + "\\kernel32.dll"));
  world_->WriteFile(folder_ + "\\plain.dll", "no resource");
  EXPECT_EQ(std::nullopt, platform_.GetFileCompanyNameA(folder_ + "\\plain.dll"));
  EXPECT_EQ(std::nullopt, platform_.GetFileCompanyNameA(folder_ + "\\missing.dll"));
}

}  // namespace
}  // namespace qv::contract
