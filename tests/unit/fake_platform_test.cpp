// The fake's copies and comparisons, on which the fuzz targets rely: a copy is a system of its
// own, assigning makes a system equal to another whatever happened to it, and the comparisons see
// every difference in the files and keys and none elsewhere.
#include <gtest/gtest.h>

#include "../fuzz/seeded_system.h"
#include "entry/entry.h"
#include "fake_system.h"

namespace qv {
namespace {

using test::FakePlatform;

constexpr char kExample[] = "Software\\Example";

FakePlatform Seeded() {
  FakePlatform p;
  p.AddFile("C:\\App\\app.exe", "MZ");
  p.AddFile("C:\\App\\readme.txt", "read me").attributes = 0x1;
  p.AddFile("C:\\Vault\\keep.txt", "keep");
  p.SetValue(kHkeyCurrentUser, "Software\\Example\\Sub", "Path", std::string("C:\\App\0", 7));
  p.AddKey(kHkeyLocalMachine, "Software\\Other");
  return p;
}

KeyHandle Open(FakePlatform& p, RegistryRoot root, const std::string& path) {
  KeyHandle key = 0;
  EXPECT_EQ(p.RegOpenKeyExA(root, path, win::kKeyAllAccess, key), 0);
  return key;
}

TEST(FakeCopies, ACopyChangesNothingOfTheOriginal) {
  const FakePlatform original = Seeded();
  FakePlatform copy = original;
  EXPECT_TRUE(copy.SameFilesAndRegistry(original));

  EXPECT_TRUE(copy.DeleteFileA("C:\\App\\app.exe"));
  KeyHandle sub = Open(copy, kHkeyCurrentUser, "Software\\Example\\Sub");
  EXPECT_EQ(copy.RegSetValueExA(sub, "Path", win::kRegSz, std::string("D:\\\0", 4)), 0);
  EXPECT_EQ(copy.RegCloseKey(sub), 0);
  KeyHandle example = Open(copy, kHkeyCurrentUser, kExample);
  EXPECT_EQ(copy.RegDeleteKeyA(example, "Sub"), 0);
  EXPECT_EQ(copy.RegCloseKey(example), 0);

  EXPECT_TRUE(original.Exists("C:\\App\\app.exe"));
  ASSERT_NE(original.FindKey(kHkeyCurrentUser, "Software\\Example\\Sub"), nullptr);
  EXPECT_EQ(original.FindKey(kHkeyCurrentUser, "Software\\Example\\Sub")->values.at("PATH").data,
            std::string("C:\\App\0", 7));
  EXPECT_FALSE(copy.SameFilesAndRegistry(original));
}

TEST(FakeCopies, OpenHandlesOfACopyReferToTheCopysKeys) {
  FakePlatform original = Seeded();
  KeyHandle sub = Open(original, kHkeyCurrentUser, "Software\\Example\\Sub");
  KeyHandle other = Open(original, kHkeyLocalMachine, "Software\\Other");
  KeyHandle parent = Open(original, kHkeyLocalMachine, "Software");
  EXPECT_EQ(original.RegDeleteKeyA(parent, "Other"), 0);  // "other" now refers to a deleted key

  FakePlatform copy = original;
  EXPECT_EQ(copy.OpenKeyCount(), 3u);
  EXPECT_EQ(copy.RegSetValueExA(sub, "New", win::kRegSz, std::string("1\0", 2)), 0);
  EXPECT_EQ(copy.FindKey(kHkeyCurrentUser, "Software\\Example\\Sub")->values.count("NEW"), 1u);
  EXPECT_EQ(original.FindKey(kHkeyCurrentUser, "Software\\Example\\Sub")->values.count("NEW"), 0u);
  // The deleted key stays deleted for the copy's handle as well.
  EXPECT_EQ(copy.RegSetValueExA(other, "x", win::kRegSz, std::string("1\0", 2)), 1018);
  for (KeyHandle key : {sub, other, parent}) {
    EXPECT_EQ(copy.RegCloseKey(key), 0);
    EXPECT_EQ(original.RegCloseKey(key), 0);
  }
}

TEST(FakeCopies, AssigningMakesASystemEqualToTheOtherAfterAnyRun) {
  const FakePlatform seeded = Seeded();
  FakePlatform p = seeded;
  // A run that changes values only, then one that changes the shape of both trees.
  KeyHandle sub = Open(p, kHkeyCurrentUser, "Software\\Example\\Sub");
  EXPECT_EQ(p.RegSetValueExA(sub, "Path", 2, std::string("D:\\\0", 4)), 0);
  EXPECT_EQ(p.RegCloseKey(sub), 0);
  EXPECT_TRUE(p.SetFileAttributesA("C:\\App\\readme.txt", 0));
  p.MessageBoxA("text", "caption", 0);
  p.reads.push_back("C:\\App\\Uninst.inf");
  p = seeded;
  EXPECT_TRUE(p.SameFilesAndRegistry(seeded));
  EXPECT_TRUE(p.boxes.empty());
  EXPECT_TRUE(p.reads.empty());
  EXPECT_FALSE(p.DeleteFileA("C:\\App\\readme.txt"));  // read-only again

  EXPECT_TRUE(p.MoveFileA("C:\\App\\app.exe", "C:\\App\\renamed.exe"));
  KeyHandle example = Open(p, kHkeyCurrentUser, kExample);
  EXPECT_EQ(p.RegDeleteKeyA(example, "Sub"), 0);
  KeyHandle created = 0;
  EXPECT_EQ(p.RegCreateKeyExA(example, "Created", 0, win::kKeyAllAccess, created), 0);
  p = seeded;  // with handles still open
  EXPECT_TRUE(p.SameFilesAndRegistry(seeded));
  EXPECT_EQ(p.OpenKeyCount(), 0u);
  EXPECT_TRUE(p.Exists("C:\\App\\app.exe"));
  EXPECT_FALSE(p.Exists("C:\\App\\renamed.exe"));
  EXPECT_EQ(p.Dump(kHkeyCurrentUser), seeded.Dump(kHkeyCurrentUser));

  // The assigned system is still one of its own.
  EXPECT_TRUE(p.DeleteFileA("C:\\App\\app.exe"));
  EXPECT_TRUE(seeded.Exists("C:\\App\\app.exe"));
  p.SetValue(kHkeyCurrentUser, "Software\\Example\\Sub", "Path", "changed");
  EXPECT_EQ(seeded.FindKey(kHkeyCurrentUser, "Software\\Example\\Sub")->values.at("PATH").data,
            std::string("C:\\App\0", 7));
}

TEST(FakeComparisons, EveryDifferenceInFilesAndKeysCounts) {
  const FakePlatform seeded = Seeded();
  auto differs = [&](auto change) {
    FakePlatform p = seeded;
    change(p);
    return !p.SameFilesAndRegistry(seeded) && !seeded.SameFilesAndRegistry(p);
  };
  EXPECT_TRUE(differs([](FakePlatform& p) { p.AddFile("C:\\App\\app.exe", "MZ!"); }));
  EXPECT_TRUE(differs([](FakePlatform& p) { p.AddFile("C:\\App\\readme.txt", "read me"); }));  // attributes
  EXPECT_TRUE(differs([](FakePlatform& p) { p.AddFolder("C:\\App\\Empty"); }));
  EXPECT_TRUE(differs([](FakePlatform& p) { p.AddKey(kHkeyClassesRoot, ".txt"); }));
  EXPECT_TRUE(differs([](FakePlatform& p) {
    p.SetValue(kHkeyCurrentUser, "Software\\Example\\Sub", "Path", std::string("C:\\App\0", 7), 2);
  }));
  EXPECT_TRUE(differs([](FakePlatform& p) {
    p.SetValue(kHkeyCurrentUser, "Software\\Example\\Sub", "PATH", std::string("C:\\App\0", 7));  // as written
  }));
  EXPECT_TRUE(differs([](FakePlatform& p) { p.FindKey(kHkeyLocalMachine, "Software\\Other")->name = "OTHER"; }));
  // What the run recorded is no part of the comparison.
  EXPECT_FALSE(differs([](FakePlatform& p) {
    p.MessageBoxA("text", "caption", 0);
    p.commandLine = "other";
  }));
}

TEST(FakeComparisons, AFolderOrAKeyIsComparedWithAllBelowItAndNothingElse) {
  const FakePlatform seeded = Seeded();
  FakePlatform p = seeded;
  p.AddFile("C:\\App\\new.txt", "new");
  p.SetValue(kHkeyLocalMachine, "Software\\Other", "x", "1");
  EXPECT_TRUE(p.SameFolder(seeded, "c:\\vault\\"));
  EXPECT_TRUE(p.SameKey(seeded, kHkeyCurrentUser, kExample));
  EXPECT_FALSE(p.SameFolder(seeded, "C:\\App"));
  EXPECT_FALSE(p.SameKey(seeded, kHkeyLocalMachine, "software\\other"));
  EXPECT_TRUE(p.SameFolder(seeded, "C:\\Missing\\"));
  EXPECT_TRUE(p.SameKey(seeded, kHkeyUsers, "Missing"));

  p.AddFile("C:\\Vault\\Deep\\more.txt", "more");
  EXPECT_FALSE(p.SameFolder(seeded, "C:\\Vault\\"));
  EXPECT_FALSE(seeded.SameFolder(p, "C:\\Vault\\"));
  p = seeded;
  EXPECT_TRUE(p.DeleteFileA("C:\\Vault\\keep.txt"));
  EXPECT_TRUE(p.RemoveDirectoryA("C:\\Vault"));
  EXPECT_FALSE(p.SameFolder(seeded, "C:\\Vault\\"));
  // A neighbour whose name starts the same is not below the folder.
  p = seeded;
  p.AddFile("C:\\Vault2\\x.txt", "x");
  p.AddFile("C:\\Vault.txt", "x");
  EXPECT_TRUE(p.SameFolder(seeded, "C:\\Vault\\"));

  p = seeded;
  p.AddKey(kHkeyCurrentUser, "Software\\Example\\Sub\\Deeper");
  EXPECT_FALSE(p.SameKey(seeded, kHkeyCurrentUser, kExample));
  EXPECT_TRUE(p.SameKey(seeded, kHkeyCurrentUser, "Software\\Examples"));
}

// What the fuzz targets do between inputs: a seeded system that a whole uninstall changed, made
// equal to the snapshot taken after seeding, is the system a fresh seed makes.
TEST(FakeCopies, ARestoredSnapshotEqualsAFreshSeed) {
  FakePlatform snapshot, fresh;
  fuzz::SeedSystem(snapshot, false, true);
  fuzz::SeedSystem(fresh, false, true);
  FakePlatform system = snapshot;
  system.AddFile(fuzz::kScriptPath,
                 "//QV-Uninstaller\r\n[deletereg]\r\nQUORVEL=Demo\r\nend;\r\n"
                 "[deletefile]\r\napp.exe\r\nreadme.txt\r\nlocked.dat\r\nend;\r\n");
  system.commandLine = "QvUninst.exe /u C:\\App\\";
  system.mutexesHeldElsewhere.clear();
  EXPECT_EQ(ProgramEntry(system, system), 0);
  EXPECT_FALSE(system.SameFilesAndRegistry(fresh));
  system = snapshot;
  EXPECT_TRUE(system.SameFilesAndRegistry(fresh));
  EXPECT_EQ(system.Paths(), fresh.Paths());
  EXPECT_EQ(system.Dump(kHkeyCurrentUser), fresh.Dump(kHkeyCurrentUser));
  EXPECT_TRUE(system.boxes.empty() && system.reads.empty() && system.pendingAtRestart.empty());
  EXPECT_EQ(system.mutexesHeldElsewhere, fresh.mutexesHeldElsewhere);
}

}  // namespace
}  // namespace qv
