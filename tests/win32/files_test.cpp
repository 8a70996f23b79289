// Files and folders of the real file system: existence and age, the share-mode-0 read,
// attributes, deleting, moving, removing folders, and the Windows and system folders.
#include "system/files.h"

#include <gtest/gtest.h>
#include <string>

#include "common/errors.h"
#include "support.h"
#include "win32/win32_platform.h"
#include "win32/win32_values.h"

namespace qv::wintest {
namespace {

constexpr std::int32_t Pack(int year, int month, int day, int hour, int minute, int second) {
  return static_cast<std::int32_t>((static_cast<std::uint32_t>(((year - 1980) << 9) | (month << 5) | day) << 16) |
                                   static_cast<std::uint32_t>((hour << 11) | (minute << 5) | (second / 2)));
}

class FilesTest : public testing::Test {
 protected:
  void SetUp() override {
    // The wrapper runs the tests with Tokyo time (UTC+9, no daylight saving), so that a missing
    // local-time conversion shows.
    TIME_ZONE_INFORMATION zone;
    ::GetTimeZoneInformation(&zone);
    ASSERT_EQ(-540, zone.Bias) << "run with TZ=Asia/Tokyo";
  }
  std::string File(const std::string& name, const std::string& bytes = "x") {
    WriteBytes(folder_ / name, bytes);
    return folder_ / name;
  }
  Win32Platform platform_;
  ScratchFolder folder_{testing::UnitTest::GetInstance()->current_test_info()->name()};
};

TEST_F(FilesTest, ExistsForFilesOnly) {
  const std::string file = File("a.txt");
  MakeFolder(folder_ / "sub");
  EXPECT_TRUE(FileExists(platform_, file));
  EXPECT_TRUE(FileExists(platform_, folder_ / "A.TXT"));
  EXPECT_FALSE(FileExists(platform_, folder_ / "sub"));
  EXPECT_EQ(-1, FileAge(platform_, folder_ / "sub"));
  EXPECT_FALSE(FileExists(platform_, folder_ / "missing.txt"));
  EXPECT_EQ(-1, FileAge(platform_, folder_ / "missing.txt"));
  EXPECT_FALSE(FileExists(platform_, file + "\\"));
  EXPECT_FALSE(FileExists(platform_, ""));
}

TEST_F(FilesTest, ReadOnlyFileExists) {
  const std::string file = File("ro.txt");
  ASSERT_TRUE(::SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(FileExists(platform_, file));
  EXPECT_NE(-1, FileAge(platform_, file));
}

TEST_F(FilesTest, WildcardUsesTheFirstMatch) {
  const std::string file = File("data.bin");
  SetWriteTimeUtc(file, 2001, 2, 3, 4, 5, 6);
  MakeFolder(folder_ / "subdir");
  EXPECT_TRUE(FileExists(platform_, folder_ / "dat?.bin"));
  EXPECT_EQ(Pack(2001, 2, 3, 13, 5, 6), FileAge(platform_, folder_ / "*.bin"));
  EXPECT_FALSE(FileExists(platform_, folder_ / "sub*"));
  EXPECT_FALSE(FileExists(platform_, folder_ / "*.txt"));
  // "*" first matches the folder's own "." entry, a folder.
  EXPECT_FALSE(FileExists(platform_, folder_ / "*"));
}

TEST_F(FilesTest, AgeIsLocalTimeAsDosDateAndTime) {
  const std::string file = File("aged.txt");
  SetWriteTimeUtc(file, 1999, 4, 3, 13, 45, 31);  // 22:45:31 in Tokyo
  EXPECT_EQ(Pack(1999, 4, 3, 22, 45, 30), FileAge(platform_, file));
  EXPECT_EQ(0x2683B5AF, FileAge(platform_, file));
  SetWriteTimeUtc(file, 2004, 2, 28, 20, 0, 0);  // over midnight into a leap day
  EXPECT_EQ(Pack(2004, 2, 29, 5, 0, 0), FileAge(platform_, file));
}

TEST_F(FilesTest, AgeOutsideTheDosRange) {
  const std::string file = File("old.txt");
  SetWriteTimeUtc(file, 1979, 12, 31, 15, 0, 0);  // 1 January 1980, 00:00 local: the first DOS time
  EXPECT_EQ(Pack(1980, 1, 1, 0, 0, 0), FileAge(platform_, file));
  SetWriteTimeUtc(file, 1979, 12, 31, 14, 59, 58);  // 1979 in local time
  EXPECT_EQ(-1, FileAge(platform_, file));
  EXPECT_TRUE(FileExists(platform_, file));
  SetWriteTimeUtc(file, 1970, 1, 2, 0, 0, 0);
  EXPECT_EQ(-1, FileAge(platform_, file));

  SetWriteTimeUtc(file, 2107, 12, 31, 14, 59, 58);  // the last DOS time, a negative packed value
  EXPECT_EQ(Pack(2107, 12, 31, 23, 59, 58), FileAge(platform_, file));
  EXPECT_LT(FileAge(platform_, file), -1);
  SetWriteTimeUtc(file, 2107, 12, 31, 15, 0, 0);  // 2108 in local time
  EXPECT_EQ(-1, FileAge(platform_, file));
  EXPECT_TRUE(FileExists(platform_, file));
  SetWriteTimeUtc(file, 2200, 6, 1, 0, 0, 0);
  EXPECT_EQ(-1, FileAge(platform_, file));
  EXPECT_TRUE(FileExists(platform_, file));
}

TEST_F(FilesTest, ReadWholeFileGivesExactBytes) {
  std::string bytes("MZ\0\x01\r\n\xff\x81\x5c\0", 10);
  for (int i = 0; i < 70000; ++i) bytes += static_cast<char>(i * 7 % 256);
  const std::string file = File("bytes.bin", bytes);
  EXPECT_EQ(bytes, platform_.ReadWholeFile(file));
  EXPECT_EQ(bytes, ReadWholeFile(platform_, file));
  const std::string empty = File("empty.txt", "");
  std::optional<std::string> read = platform_.ReadWholeFile(empty);
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ("", *read);
}

// Missing files and folders, a handle that cannot read, a file of 4 GiB and 3 bytes (sparse).
TEST_F(FilesTest, ReadWholeFileFailsForWhatCannotBeReadWhole) {
  EXPECT_FALSE(platform_.ReadWholeFile(folder_ / "missing.inf").has_value());
  EXPECT_FALSE(platform_.ReadWholeFile(folder_.path()).has_value());
  const std::string large = File("large.inf");
  FileHandle file(::CreateFileA(large.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_FALSE(win32::ReadOpenedFile(file));
  LONG high = 1;
  ASSERT_TRUE(::SetFilePointer(file.get(), 3, &high, FILE_BEGIN) == 3 && ::SetEndOfFile(file.get()));
  file = FileHandle();
  EXPECT_THROW(ReadWholeFile(platform_, large), EFOpenError);
  const std::string path = folder_ / "ない.inf";
  try {
    ReadWholeFile(platform_, path);
    FAIL() << "no error raised";
  } catch (const EFOpenError& e) {
    EXPECT_STREQ("EFOpenError", e.className());
    EXPECT_EQ("ﾌｧｲﾙ " + path + " は開けません", e.message());
  }
}

TEST_F(FilesTest, ReadWholeFileFailsWhileAnotherHandleHoldsTheFile) {
  const std::string file = File("held.inf", "[x]");
  for (DWORD share :
       {DWORD{0}, DWORD{FILE_SHARE_READ}, DWORD{FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE}}) {
    HANDLE held = ::CreateFileA(file.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    EXPECT_FALSE(platform_.ReadWholeFile(file).has_value()) << "share " << share;
    EXPECT_THROW(ReadWholeFile(platform_, file), EFOpenError);
    ::CloseHandle(held);
  }
  EXPECT_EQ("[x]", platform_.ReadWholeFile(file));
}

TEST_F(FilesTest, ReadWholeFileClosesTheFile) {
  const std::string file = File("closed.inf", "abc");
  ASSERT_EQ("abc", platform_.ReadWholeFile(file));
  // Nothing of ours holds it: it can be opened without sharing, and deleted.
  HANDLE exclusive = ::CreateFileA(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(INVALID_HANDLE_VALUE, exclusive);
  ::CloseHandle(exclusive);
  EXPECT_TRUE(::DeleteFileA(file.c_str()));
}

TEST_F(FilesTest, ReadOnlyFileIsDeletedOnlyAfterClearingAttributes) {
  const std::string file = File("ro.txt");
  ASSERT_TRUE(::SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  EXPECT_FALSE(platform_.DeleteFileA(file));
  EXPECT_TRUE(IsFile(file));
  EXPECT_TRUE(platform_.SetFileAttributesA(file, 0));
  EXPECT_EQ(0u, ::GetFileAttributesA(file.c_str()) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  EXPECT_TRUE(platform_.DeleteFileA(file));
  EXPECT_FALSE(IsFile(file));
  EXPECT_FALSE(platform_.SetFileAttributesA(file, 0));
}

TEST_F(FilesTest, DeleteFileRefusesFoldersMissingAndHeldFiles) {
  MakeFolder(folder_ / "sub");
  EXPECT_FALSE(platform_.DeleteFileA(folder_ / "sub"));
  EXPECT_TRUE(IsFolder(folder_ / "sub"));
  EXPECT_FALSE(platform_.DeleteFileA(folder_ / "missing"));
  const std::string file = File("held.txt");
  EXPECT_FALSE(platform_.DeleteFileA(file + "\\"));
  HANDLE held = ::CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  EXPECT_FALSE(platform_.DeleteFileA(file));
  ::CloseHandle(held);
  EXPECT_TRUE(platform_.DeleteFileA(file));
}

TEST_F(FilesTest, MoveFileRenamesButNeverReplaces) {
  const std::string old = File("old.txt", "old");
  const std::string taken = File("taken.txt", "taken");
  EXPECT_FALSE(platform_.MoveFileA(old, taken));
  EXPECT_EQ("old", platform_.ReadWholeFile(old));
  EXPECT_EQ("taken", platform_.ReadWholeFile(taken));

  EXPECT_TRUE(platform_.MoveFileA(old, folder_ / "new.txt"));
  EXPECT_FALSE(IsFile(old));
  EXPECT_EQ("old", platform_.ReadWholeFile(folder_ / "new.txt"));
  EXPECT_FALSE(platform_.MoveFileA(old, folder_ / "again.txt"));

  // A read-only file can be renamed; a folder too.
  ASSERT_TRUE(::SetFileAttributesA(taken.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(platform_.MoveFileA(taken, folder_ / "ro.txt"));
  MakeFolder(folder_ / "dir");
  File("dir\\inside.txt");
  EXPECT_TRUE(platform_.MoveFileA(folder_ / "dir", folder_ / "dir2"));
  EXPECT_TRUE(IsFile(folder_ / "dir2\\inside.txt"));
  // A new name that differs only in case names the same file: not refused.
  EXPECT_TRUE(platform_.MoveFileA(folder_ / "new.txt", folder_ / "NEW.TXT"));
  EXPECT_TRUE(IsFile(folder_ / "new.txt"));
}

TEST_F(FilesTest, RemoveDirectoryOnlyWhenEmpty) {
  MakeFolder(folder_ / "full");
  File("full\\f.txt");
  EXPECT_FALSE(platform_.RemoveDirectoryA(folder_ / "full"));
  EXPECT_TRUE(IsFolder(folder_ / "full"));
  ASSERT_TRUE(::DeleteFileA((folder_ / "full\\f.txt").c_str()));
  EXPECT_TRUE(platform_.RemoveDirectoryA(folder_ / "full"));
  EXPECT_FALSE(IsFolder(folder_ / "full"));
  EXPECT_FALSE(platform_.RemoveDirectoryA(folder_ / "full"));

  MakeFolder(folder_ / "slash");
  EXPECT_TRUE(platform_.RemoveDirectoryA(folder_ / "slash\\"));
  EXPECT_FALSE(IsFolder(folder_ / "slash"));

  MakeFolder(folder_ / "sub");
  MakeFolder(folder_ / "sub\\inner");
  EXPECT_FALSE(platform_.RemoveDirectoryA(folder_ / "sub\\"));
  EXPECT_FALSE(platform_.RemoveDirectoryA(File("file.txt")));
  EXPECT_TRUE(IsFile(folder_ / "file.txt"));
}

TEST(SystemFoldersTest, WindowsAndSystemFoldersExistWithoutFinalBackslash) {
  Win32Platform platform;
  const std::string windows = platform.GetWindowsDirectoryA();
  const std::string system = platform.GetSystemDirectoryA();
  for (const std::string& folder : {windows, system}) {
    ASSERT_GE(folder.size(), 3u);
    EXPECT_EQ(':', folder[1]) << folder;
    EXPECT_NE('\\', folder.back()) << folder;
    EXPECT_TRUE(IsFolder(folder)) << folder;
  }
  EXPECT_EQ(windows + "\\", system.substr(0, windows.size() + 1));
}

}  // namespace
}  // namespace qv::wintest
