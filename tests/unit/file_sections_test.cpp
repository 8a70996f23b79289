// "[deletefile]" and "[renamefile]" sections, run through the whole program against the fake.
#include <gtest/gtest.h>

#include "entry/entry.h"
#include "fake_system.h"
#include "product.h"
#include "script/locations.h"

namespace qv {
namespace {

using test::Product;
namespace shown = test::shown;
constexpr const char* kAllRemovedSettingsRemain = shown::kSettingsRemain;
constexpr const char* kBothRemain = shown::kBothRemain;
constexpr const char* kShellFolders = Product::kShellFolders;

class FileSections : public ::testing::Test, public Product {};

TEST_F(FileSections, DeletesEverythingAndRemovesTheFolder) {
  platform.AddFile("C:\\Program Files\\Example\\app.exe");
  EXPECT_EQ(Uninstall("[deletefile]\r\napp.exe\r\nUninst.inf\r\nend;\r\n"), 0);
  EXPECT_FALSE(Has("C:\\Program Files\\Example"));
  EXPECT_TRUE(Has("C:\\Program Files"));
  EXPECT_EQ(Report(), kAllRemovedSettingsRemain);
  ASSERT_EQ(platform.shellNotifications.size(), 1u);
  EXPECT_EQ(platform.shellNotifications[0], (std::pair<long, std::uint32_t>{0x80, 0x2000}));
}

TEST_F(FileSections, AUsersFileKeepsTheFolder) {
  platform.AddFile("C:\\Program Files\\Example\\app.exe");
  platform.AddFile("C:\\Program Files\\Example\\mine.txt");
  Uninstall("[deletefile]\r\napp.exe\r\nUninst.inf\r\nend;\r\n");
  EXPECT_FALSE(Has("C:\\Program Files\\Example\\app.exe"));
  EXPECT_TRUE(Has("C:\\Program Files\\Example\\mine.txt"));
  EXPECT_EQ(Report(), kBothRemain);
  EXPECT_TRUE(platform.shellNotifications.empty());
}

TEST_F(FileSections, ProtectedFilesAreDeletedAndSubfoldersReached) {
  platform.AddFile("C:\\Program Files\\Example\\ro.dll").attributes = 0x1 | 0x2 | 0x4;
  platform.AddFile("C:\\Program Files\\Example\\data\\a.dat");
  Uninstall("[deletefile]\r\nro.dll\r\ndata\\A.DAT\r\nUninst.inf\r\nend;\r\n");
  EXPECT_FALSE(Has("C:\\Program Files\\Example\\ro.dll"));
  EXPECT_FALSE(Has("C:\\Program Files\\Example\\data\\a.dat"));
  EXPECT_TRUE(Has("C:\\Program Files\\Example\\data"));  // no wildcard, no folder deletion
  EXPECT_EQ(Report(), kBothRemain);
}

TEST_F(FileSections, SaveFolderInAnyCaseKeepsTheFolderButATrailingBlankDoesNot) {
  Uninstall("[deletefile]\r\nUninst.inf\r\nsavefolder\r\nend;\r\n");
  EXPECT_TRUE(platform.IsFolder("C:\\Program Files\\Example"));
  EXPECT_FALSE(Has(kScript));
  EXPECT_EQ(Report(), kBothRemain);

  Product other;
  other.Uninstall("[deletefile]\r\nUninst.inf\r\nSAVEFOLDER \r\nend;\r\n");
  EXPECT_FALSE(other.Has("C:\\Program Files\\Example"));
}

TEST_F(FileSections, PrefixesReachTheirFolders) {
  platform.AddFile("C:\\WINDOWS\\app.ini");
  platform.AddFile("C:\\WINDOWS\\system32\\app.dll");
  platform.AddFile("C:\\Users\\u\\Startup\\App.lnk");
  platform.AddFile("C:\\Users\\u\\Desktop\\App.lnk");
  platform.AddFile("C:\\Users\\u\\Desktop\\Other.lnk");
  const std::string own = "DPSA";  // a file of its own in each machine folder, and the user's local data
  for (std::size_t i = 0; i < own.size(); ++i) {
    platform.SetValue(kHkeyLocalMachine, kShellFolders, kCommonFolderNames[i], std::string("C:\\All\\") + own[i]);
    platform.AddFile(std::string("C:\\All\\") + own[i] + "\\App\\" + own[i]);
  }
  platform.SetValue(kHkeyCurrentUser, kShellFolders, kLocalAppDataName, "C:\\Local");
  platform.AddFile("C:\\Local\\App\\a");
  Uninstall(
      "[deletefile]\r\nwindir\\app.ini\r\nSYSDIR\\app.dll\r\nSTARTUP\\App.lnk\r\nDesktop\\App.lnk\r\n"
      "common_desktop\\App\\d\r\nCOMMON_DESKTOP\\App\\\r\nCOMMON_PROGRAMS\\App\\P\r\nCOMMON_PROGRAMS\\App\\\r\n"
      "COMMON_STARTUP\\App\\S\r\nCOMMON_STARTUP\\App\\\r\nCOMMON_APPDATA\\App\\A\r\nCOMMON_APPDATA\\App\\\r\n"
      "LocalAppData\\App\\a\r\nLOCALAPPDATA\\App\\\r\nUninst.inf\r\nend;\r\n");
  for (const char letter : own) EXPECT_FALSE(Has(std::string("C:\\All\\") + letter + "\\App")) << letter;
  EXPECT_FALSE(Has("C:\\Local\\App"));
  EXPECT_FALSE(Has("C:\\WINDOWS\\app.ini"));
  EXPECT_FALSE(Has("C:\\WINDOWS\\system32\\app.dll"));
  EXPECT_FALSE(Has("C:\\Users\\u\\Startup\\App.lnk"));
  EXPECT_FALSE(Has("C:\\Users\\u\\Desktop\\App.lnk"));
  EXPECT_TRUE(Has("C:\\Users\\u\\Desktop\\Other.lnk"));
  EXPECT_EQ(Report(), kAllRemovedSettingsRemain);
}

TEST_F(FileSections, AShellFolderThatCannotBeFoundNamesNoFile) {
  // Files of the same names where an unknown folder would have led: the current folder and the
  // root of the current drive.
  platform.AddFile("C:\\Current\\A.LNK");
  platform.AddFile("C:\\B.LNK");
  platform.FindKey(kHkeyCurrentUser, kShellFolders)->values.erase("STARTUP");
  Uninstall("[deletefile]\r\nSTARTUP\\b.lnk\r\nend;\r\n");
  EXPECT_TRUE(Has("C:\\B.LNK"));

  Product noKey;
  noKey.platform.AddFile("C:\\Current\\A.LNK");
  noKey.platform.FindKey(kHkeyCurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer")
      ->subkeys.erase("SHELL FOLDERS");
  noKey.Uninstall("[deletefile]\r\nDESKTOP\\a.lnk\r\nend;\r\n");
  EXPECT_TRUE(noKey.Has("C:\\Current\\A.LNK"));
  EXPECT_EQ(noKey.platform.OpenKeyCount(), 0u);
}

TEST_F(FileSections, AnEntryWithoutANameTouchesNoFolder) {
  platform.AddFolder("C:\\Program Files\\Example\\sub");
  for (const char* folder : {"C:\\WINDOWS", "C:\\WINDOWS\\system32", "C:\\Users\\u\\Startup", "C:\\Users\\u\\Desktop",
                             "C:\\Program Files\\Example"}) {
    platform.SetFileAttributesA(folder, 0x1 | 0x4);
  }
  platform.SetFileAttributesA("C:\\Program Files", 0x1);
  platform.SetFileAttributesA("C:\\Program Files\\Example\\sub", 0x1);
  Uninstall(
      "[deletefile]\r\n\r\nWINDIR\\\r\nSYSDIR\\\r\nSTARTUP\\\r\nDESKTOP\\\r\n \r\n.\r\n..\r\nWINDIR\\. \r\n"
      "\\\r\n.\\\r\n..\\\r\nsub\\..\\\r\nWINDIR\\.\\\r\nDESKTOP\\\\\r\nsub/\r\n../\r\n..\\/\r\nSAVEFOLDER\r\nend;\r\n");
  EXPECT_EQ(platform.Find("C:\\Program Files")->attributes, 0x1u);
  EXPECT_EQ(platform.Find("C:\\Program Files\\Example\\sub")->attributes, 0x1u);
  for (const char* folder : {"C:\\WINDOWS", "C:\\WINDOWS\\system32", "C:\\Users\\u\\Startup", "C:\\Users\\u\\Desktop",
                             "C:\\Program Files\\Example"}) {
    EXPECT_EQ(platform.Find(folder)->attributes, 0x5u) << folder;
  }
}

TEST_F(FileSections, SeveralSectionsTheLastAttemptDecidesButARemovedFolderStaysRemoved) {
  // The first section deletes everything, the script included, and removes the folder; the
  // second still runs from the run's copy of the script and cannot undo that result.
  platform.AddFile("C:\\Program Files\\Example\\app.exe");
  platform.AddFile("C:\\WINDOWS\\app.ini");
  EXPECT_EQ(Uninstall("[deletefile]\r\napp.exe\r\nUninst.inf\r\nend;\r\n[deletefile]\r\nWINDIR\\app.ini\r\nend;\r\n"),
            0);
  EXPECT_FALSE(Has("C:\\WINDOWS\\app.ini"));
  EXPECT_EQ(Report(), kAllRemovedSettingsRemain);
}

TEST_F(FileSections, AnEarlierFailedRemovalIsDecidedByALaterSection) {
  platform.AddFile("C:\\Program Files\\Example\\late.dat");
  Uninstall("[deletefile]\r\nUninst.inf\r\nend;\r\n[deletefile]\r\nlate.dat\r\nend;\r\n");
  EXPECT_FALSE(Has("C:\\Program Files\\Example"));
  EXPECT_EQ(Report(), kAllRemovedSettingsRemain);
}

TEST_F(FileSections, BodyWithoutTerminatorEndsInTheFatalReportWithoutRemovingTheFolder) {
  platform.AddFile("C:\\Program Files\\Example\\app.exe");
  EXPECT_EQ(Uninstall("[deletefile]\r\napp.exe\r\nUninst.inf\r\n"), 1);
  EXPECT_FALSE(Has("C:\\Program Files\\Example\\app.exe"));  // done stays done
  EXPECT_TRUE(Has("C:\\Program Files\\Example"));
  ASSERT_EQ(platform.boxes.size(), 2u);
  EXPECT_NE(platform.boxes[1].text.find("ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (4)."), std::string::npos);
}

TEST_F(FileSections, RenamesInTheirOwnFolderWithUpperCasedNames) {
  platform.AddFile("C:\\WINDOWS\\system32\\shared.bak", "new");
  platform.AddFile("C:\\Program Files\\Example\\data\\old.txt");
  platform.AddFile("C:\\WINDOWS\\a.ini");
  Uninstall(
      "[renamefile]\r\nSYSDIR\\shared.bak,shared.dll\r\ndata\\old.txt,data\\new.txt\r\n"
      "windir\\a.ini,b,c.ini\r\nend;\r\n");
  EXPECT_EQ(platform.Find("C:\\WINDOWS\\system32\\shared.dll")->bytes, "new");
  EXPECT_FALSE(Has("C:\\WINDOWS\\system32\\shared.bak"));
  EXPECT_TRUE(Has("C:\\Program Files\\Example\\data\\new.txt"));
  EXPECT_TRUE(Has("C:\\WINDOWS\\B,C.INI"));
  const auto paths = platform.Paths();
  EXPECT_NE(std::find(paths.begin(), paths.end(), "C:\\PROGRAM FILES\\EXAMPLE\\DATA\\NEW.TXT"), paths.end());
}

TEST_F(FileSections, FailedOrNamelessRenamesArePassedOver) {
  platform.AddFile("C:\\Program Files\\Example\\a.txt", "a");
  platform.AddFile("C:\\Program Files\\Example\\b.txt", "b");
  EXPECT_EQ(Uninstall("[renamefile]\r\nmissing.txt,x.txt\r\na.txt,b.txt\r\n\r\nnocomma\r\n,x\r\na.txt,\r\n"
                      "STARTUP\\a.txt,c.txt\r\nend;\r\n"),
            0);
  EXPECT_EQ(platform.Find("C:\\Program Files\\Example\\a.txt")->bytes, "a");
  EXPECT_EQ(platform.Find("C:\\Program Files\\Example\\b.txt")->bytes, "b");
  EXPECT_TRUE(platform.IsFolder("C:\\Program Files\\Example"));
  EXPECT_FALSE(Has("C:\\Program Files\\Example\\X"));
  EXPECT_FALSE(Has("C:\\Program Files\\Example\\C.TXT"));  // "STARTUP\" is no rename prefix
}

TEST_F(FileSections, RenameAndDeleteRunInFileOrder) {
  // The deletion on line 2 runs before the renaming further down, so the renamed file stays.
  platform.AddFile("C:\\Program Files\\Example\\a.txt");
  Uninstall("[deletefile]\r\nb.txt\r\nSAVEFOLDER\r\nend;\r\n[renamefile]\r\na.txt,b.txt\r\nend;\r\n");
  EXPECT_TRUE(Has("C:\\Program Files\\Example\\b.txt"));
}

TEST_F(FileSections, OddEntriesTouchNothingTheyDoNotName) {
  // Files around the product and in it that none of the entries below names.
  const std::vector<std::string> around = {"C:\\Program Files\\Other\\keep.txt",
                                           "C:\\Program Files\\keep.txt",
                                           "C:\\WINDOWS\\win.ini",
                                           "C:\\Program Files\\Example\\app.exe.bak",
                                           "C:\\Program Files\\Example\\sub\\x.dat",
                                           "C:\\Current\\app.exe",
                                           "C:\\Users\\u\\Desktop\\keep.lnk"};
  for (const std::string& path : around) platform.AddFile(path);
  platform.AddFile("C:\\Program Files\\Example\\busy.dll").heldOpen = true;
  platform.AddFolder("C:\\Program Files\\Example\\folder.txt");
  platform.AddFile("C:\\Program Files\\Example\\app.exe");
  const std::string longName(300, 'L');
  EXPECT_EQ(Uninstall("[deletefile]\r\n*.*\r\n*\r\nsub\\*.dat\r\nC:\\Program Files\\keep.txt\r\n" + longName +
                      "\r\nbusy.dll\r\nfolder.txt\r\nsub\r\n\xfc\r\n \r\nend;\r\n"),
            0);
  for (const std::string& path : around) EXPECT_TRUE(Has(path)) << path;
  EXPECT_TRUE(Has("C:\\Program Files\\Example\\busy.dll"));
  EXPECT_TRUE(platform.IsFolder("C:\\Program Files\\Example\\folder.txt"));
  // The file in use is the only one left to the restart.
  EXPECT_EQ(platform.pendingAtRestart, std::vector<std::string>{"C:\\Program Files\\Example\\BUSY.DLL"});
  EXPECT_EQ(Report(), std::string(kBothRemain) + shown::kRestartLine);
}

// Windows' own files outside the product's folder stay, whatever the way there; another maker's
// shared file and the product's own copy of a runtime go.
TEST_F(FileSections, WindowsOwnFilesAreNeitherDeletedNorRenamed) {
  const std::string sys = "C:\\WINDOWS\\system32\\", app = "C:\\Program Files\\Example\\";
  for (const char* name : {"MSVCP140.DLL", "HAL.DLL", "B.DLL"})
    platform.AddFile(sys + name).company = "Microsoft Corporation";
  platform.AddFile(sys + "SAMPLESHARED.DLL").company = "Example Ltd.";
  platform.AddFile(app + "VCRUNTIME140.DLL").company = "Microsoft Corporation";
  Uninstall(
      "[renamefile]\r\nSYSDIR\\B.DLL,B.OLD\r\nend;\r\n[deletefile]\r\nSYSDIR\\MSVCP140.DLL\r\n"
      "SYSDIR\\SAMPLESHARED.DLL\r\n..\\..\\WINDOWS\\SYSTEM32\\HAL.DLL\r\nVCRUNTIME140.DLL\r\nUninst.inf\r\nend;\r\n");
  for (const char* name : {"MSVCP140.DLL", "HAL.DLL", "B.DLL"}) EXPECT_TRUE(Has(sys + name)) << name;
  EXPECT_FALSE(Has(sys + "SAMPLESHARED.DLL"));
  EXPECT_FALSE(Has(app + "VCRUNTIME140.DLL"));
}

TEST_F(FileSections, TrailingBlanksAndDoubleByteNamesReachTheirFiles) {
  // "ソフト.txt": its first character ends in the byte of "\" and upper-casing keeps it whole.
  platform.AddFile("C:\\Program Files\\Example\\\x83\x5C\x83t\x83g.txt");
  platform.AddFile("C:\\Program Files\\Example\\\x83\x5C\x83T\x83G.TXT");  // what byte-wise upper-casing would hit
  platform.AddFile("C:\\Program Files\\Example\\app.exe");
  Uninstall("[deletefile]\r\n\x83\x5C\x83t\x83g.txt\r\napp.exe \r\nSAVEFOLDER\r\nend;\r\n");
  EXPECT_FALSE(Has("C:\\Program Files\\Example\\\x83\x5C\x83t\x83g.txt"));
  EXPECT_TRUE(Has("C:\\Program Files\\Example\\\x83\x5C\x83T\x83G.TXT"));
  EXPECT_FALSE(Has("C:\\Program Files\\Example\\app.exe"));  // the system drops trailing blanks
}

TEST_F(FileSections, AShellFolderValueOfAnotherTypeEndsInTheFatalReport) {
  platform.SetValue(kHkeyCurrentUser, kShellFolders, "Desktop", std::string("\1\0\0\0", 4), 4);
  platform.AddFile("C:\\Program Files\\Example\\app.exe");
  EXPECT_EQ(Uninstall("[deletefile]\r\napp.exe\r\nDESKTOP\\App.lnk\r\nend;\r\n"), 1);
  EXPECT_FALSE(Has("C:\\Program Files\\Example\\app.exe"));
  EXPECT_NE(Report().find("ERegistryExceptionがﾓｼﾞｭｰﾙ"), std::string::npos);
  EXPECT_NE(Report().find("\n'Desktop' のﾃﾞｰﾀ型が不正です."), std::string::npos);
  EXPECT_EQ(platform.OpenKeyCount(), 0u);
}

TEST(Locations, RootAbbreviationsAreWholeTextInAnyCase) {
  test::FakePlatform p;
  EXPECT_EQ(RootFromAbbreviation(p, "hlm"), kHkeyLocalMachine);
  EXPECT_EQ(RootFromAbbreviation(p, "Hlm"), kHkeyLocalMachine);
  EXPECT_EQ(RootFromAbbreviation(p, "HCR"), kHkeyClassesRoot);
  EXPECT_EQ(RootFromAbbreviation(p, "hcu"), kHkeyCurrentUser);
  EXPECT_EQ(RootFromAbbreviation(p, "HU"), kHkeyUsers);
  EXPECT_EQ(RootFromAbbreviation(p, "HCC"), kHkeyCurrentConfig);
  EXPECT_EQ(RootFromAbbreviation(p, "HDD"), kHkeyDynData);
  for (const char* bad : {"HKLM", " HLM", "HLM ", "", "H"})
    EXPECT_EQ(RootFromAbbreviation(p, bad), kInvalidRoot) << bad;
}

TEST(Locations, FoldersEndWithABackslash) {
  test::FakePlatform p;
  EXPECT_EQ(WindowsFolder(p), "C:\\WINDOWS\\");
  EXPECT_EQ(SystemFolder(p), "C:\\WINDOWS\\system32\\");
  EXPECT_EQ(ShellFolder(p, kShellFolderDesktop), "");  // no Shell Folders key
  p.AddKey(kHkeyCurrentUser, kShellFolders);
  EXPECT_EQ(ShellFolder(p, kShellFolderStartup), "\\");
  p.SetValue(kHkeyCurrentUser, kShellFolders, "Startup", "C:\\S");
  EXPECT_EQ(ShellFolder(p, kShellFolderStartup), "C:\\S\\");
  EXPECT_EQ(std::string(kShellFolderNames[kShellFolderStartup]), "Startup");
  EXPECT_EQ(std::string(kShellFolderNames[kShellFolderPrograms]), "Programs");
  EXPECT_EQ(std::string(kShellFolderNames[kShellFolderAppData]), "AppData");
  EXPECT_EQ(std::size(kShellFolderNames), 12u);
  EXPECT_EQ(p.OpenKeyCount(), 0u);
}

}  // namespace
}  // namespace qv
