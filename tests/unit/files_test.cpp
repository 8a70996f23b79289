#include "system/files.h"

#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <vector>

#include "fake_system.h"

namespace qv {
namespace {

TEST(Files, ExistenceMeansAnEntryThatIsNoFolderAndWildcardsMatchAnyRunOrOneByte) {
  test::FakePlatform p;
  p.AddFile("C:\\App\\a.txt");
  p.AddFolder("C:\\App\\sub.inf");
  p.AddFile("C:\\Setup\\setup.inf");
  const std::string name(200, 'a'), stars(100, '*');
  p.AddFile("C:\\Long\\" + name);
  for (const std::string& file : {name, name + "b"}) p.AddFile("C:\\LongB\\" + file);
  for (const auto& [row, path, exists] : std::vector<std::tuple<const char*, std::string, bool>>{
           {"a file", "C:\\App\\a.txt", true},
           {"a file in another case", "c:\\app\\A.TXT", true},
           {"a folder", "C:\\App\\sub.inf", false},
           {"a file with a final delimiter", "C:\\App\\a.txt\\", false},
           {"nothing", "C:\\App\\missing", false},
           // A wildcard uses the first match: "*" first finds the folder's own "." entry.
           {"a wildcard whose first match is a file", "C:\\App\\*.txt", true},
           {"a wildcard whose first match is the folder itself", "C:\\App\\*", false},
           {"a run and one byte", "C:\\Setup\\s*p.i?f", true},
           {"runs", "C:\\Setup\\*u*.*", true},
           {"an empty run at the end", "C:\\Setup\\setup.inf*", true},
           {"one byte, not two", "C:\\Setup\\s?p.inf", false},
           {"a name cut short", "C:\\Setup\\*.in", false},
           {"one byte past the end", "C:\\Setup\\setup.inf?", false},
           // Each answer is found without trying every way of sharing the name among the stars.
           {"many stars around a byte the name lacks", "C:\\Long\\" + stars + "b" + stars, false},
           {"many stars before the last byte", "C:\\LongB\\" + stars + "b", true},
       }) {
    SCOPED_TRACE(row);
    EXPECT_EQ(FileExists(p, path), exists) << path;
  }
}

TEST(Files, AgeIsTheLocalDosDateAndTimeWithinTheDosRangeOnlyForFilesThatExist) {
  test::FakePlatform p;
  // 3 April 1999, 14:30:08 UTC; local time is nine hours later: 23:30:08.
  p.AddFile("C:\\a").lastWriteTime = 125676234080000000ull;
  p.AddFile("C:\\old").lastWriteTime = 116444736000000000ull;   // 1970
  p.AddFile("C:\\late").lastWriteTime = 159992928000000000ull;  // 2108
  p.AddFolder("C:\\dir");
  const std::uint32_t date = (19u << 9) | (4u << 5) | 3u, time = (23u << 11) | (30u << 5) | 4u;
  for (const auto& [row, path, age, exists] : std::vector<std::tuple<const char*, const char*, std::int32_t, bool>>{
           {"a local time", "C:\\a", static_cast<std::int32_t>((date << 16) | time), true},
           {"before 1980", "C:\\old", -1, true},
           {"after 2107", "C:\\late", -1, true},
           {"a folder", "C:\\dir", -1, false},
           {"nothing", "C:\\none", -1, false},
       }) {
    SCOPED_TRACE(row);
    EXPECT_EQ(FileAge(p, path), age);
    EXPECT_EQ(FileExists(p, path), exists);
  }
}

}  // namespace
}  // namespace qv
