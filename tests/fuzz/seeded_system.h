// The system that the whole-run fuzz targets start from: the product's files and keys, other
// products' keys, keys that refuse access or writes, a running program's mutex, and sentinel keys
// and files that no script naming neither them nor their root may touch.
#pragma once

#include <string>

#include "fake_system.h"

namespace qv::fuzz {

inline constexpr char kAppFolder[] = "C:\\App\\";
inline constexpr char kScriptPath[] = "C:\\App\\Uninst.inf";
inline constexpr char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
inline constexpr char kUninstallList[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// Keys that a script can only reach by naming them or their root: nothing deletes or creates
// keys elsewhere on its own account.
struct RegistrySentinel {
  RegistryRoot root;
  const char* rootAbbreviation;
  const char* path;  // below the root
  const char* name;  // the word a script must hold to name the key
};
inline constexpr RegistrySentinel kRegistrySentinels[] = {
    {kHkeyClassesRoot, "HCR", "KeepHcr\\Shell", "KEEPHCR"},
    {kHkeyCurrentUser, "HCU", "Software\\KeepHcu\\Deep", "KEEPHCU"},
    {kHkeyLocalMachine, "HLM", "Software\\KeepHlm\\Deep", "KEEPHLM"},
    {kHkeyUsers, "HU", ".DEFAULT\\KeepHu", "KEEPHU"},
    {kHkeyCurrentConfig, "HCC", "KeepHcc", "KEEPHCC"},
    {kHkeyDynData, "HDD", "KeepHdd", "KEEPHDD"},
};
// Files that only a script naming their folder can reach.
inline constexpr char kFileSentinelFolder[] = "C:\\Vault\\";
inline constexpr char kFileSentinelName[] = "VAULT";

inline void SeedSystem(test::FakePlatform& fake, bool startupOfWrongType, bool leftovers) {
  // The product's folder, its files and the Windows folders' shared files.
  fake.AddFile(std::string(kAppFolder) + "app.exe", "MZ");
  fake.AddFile(std::string(kAppFolder) + "readme.txt", "read me").attributes = 0x1;  // read-only
  if (leftovers) {
    fake.AddFile(std::string(kAppFolder) + "data\\old.txt", "old");
    fake.AddFile(std::string(kAppFolder) + "locked.dat", "in use").heldOpen = true;
  }
  fake.AddFile("C:\\WINDOWS\\app.ini", "[app]");
  fake.AddFile("C:\\WINDOWS\\a.ini", "[a]");
  fake.AddFile("C:\\WINDOWS\\system32\\shared.bak", "old dll");
  fake.AddFile("C:\\Users\\Demo\\Desktop\\App.lnk", "lnk");
  fake.AddFile("C:\\Users\\Demo\\Start Menu\\Programs\\Startup\\App.lnk", "lnk");
  fake.AddFile(std::string(kFileSentinelFolder) + "keep.txt", "keep");
  fake.AddFolder(std::string(kFileSentinelFolder) + "Empty\\");

  // The user's shell folders.
  fake.SetValue(kHkeyCurrentUser, kShellFolders, "Desktop", std::string("C:\\Users\\Demo\\Desktop\0", 22));
  const std::string startup("C:\\Users\\Demo\\Start Menu\\Programs\\Startup\0", 42);
  fake.SetValue(kHkeyCurrentUser, kShellFolders, "Startup", startup, startupOfWrongType ? 3u : win::kRegSz);
  fake.SetValue(kHkeyCurrentUser, kShellFolders, "Programs",
                std::string("C:\\Users\\Demo\\Start Menu\\Programs\0", 34));
  fake.SetValue(kHkeyCurrentUser, kShellFolders, "AppData", std::string("C:\\Users\\Demo\\AppData\0", 22));
  fake.AddFile("C:\\Users\\Demo\\AppData\\Demo\\settings.ini", "[demo]");
  // The product's value in a key that others share, and a neighbour's.
  const char* run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  fake.SetValue(kHkeyCurrentUser, run, "Demo", std::string("app.exe\0", 8));
  fake.SetValue(kHkeyCurrentUser, run, "Neighbour", std::string("n.exe\0", 6));

  // The product's keys and a neighbour's, where "UNINST=", "QUORVEL=" and "INST=" reach.
  const std::string list = kUninstallList;
  fake.SetValue(kHkeyLocalMachine, list + "\\Demo", "DisplayName", std::string("Demo\0", 5));
  fake.SetValue(kHkeyLocalMachine, list + "\\Neighbour", "DisplayName", std::string("Neighbour\0", 10));
  fake.SetValue(kHkeyCurrentUser, "Software\\Quorvel\\Demo\\Settings\\Window", "Left", std::string("10\0", 3));
  fake.AddKey(kHkeyCurrentUser, "Software\\Quorvel\\Other");
  fake.AddKey(kHkeyCurrentUser, "Software\\Vask\\Demo\\Level1\\Level2\\Level3");
  fake.AddKey(kHkeyCurrentUser, "Software\\Example\\Sub");
  fake.AddKey(kHkeyLocalMachine, "Software\\Example");
  // Keys that refuse: one cannot be opened for more than reading, one takes no writes.
  fake.AddKey(kHkeyLocalMachine, "Software\\Locked\\Inner").denyAllAccess = true;
  fake.AddKey(kHkeyLocalMachine, "Software\\Locked").denyAllAccess = true;
  fake.AddKey(kHkeyCurrentUser, "Software\\ReadOnly").denyWrite = true;

  for (const RegistrySentinel& s : kRegistrySentinels) fake.SetValue(s.root, s.path, "Keep", std::string("yes\0", 4));

  // A product program that is running: its mutex exists before the uninstaller starts.
  fake.mutexesHeldElsewhere.insert("RunningMutex");
}

}  // namespace qv::fuzz
