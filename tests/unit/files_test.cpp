#include "system/files.h"

#include <gtest/gtest.h>
#include <string>

#include "fake_platform.h"

namespace qv {
namespace {

TEST(Files, ExistenceMeansAnEntryThatIsNoFolder) {
  test::FakePlatform p;
  p.AddFile("C:\\App\\a.txt");
  p.AddFolder("C:\\App\\sub.inf");
  EXPECT_TRUE(FileExists(p, "C:\\App\\a.txt"));
  EXPECT_TRUE(FileExists(p, "c:\\app\\A.TXT"));
  EXPECT_FALSE(FileExists(p, "C:\\App\\sub.inf"));
  EXPECT_FALSE(FileExists(p, "C:\\App\\a.txt\\"));
  EXPECT_FALSE(FileExists(p, "C:\\App\\missing"));
  // A wildcard uses the first match: "*" first finds the folder's own "." entry.
  EXPECT_TRUE(FileExists(p, "C:\\App\\*.txt"));
  EXPECT_FALSE(FileExists(p, "C:\\App\\*"));
}

TEST(Files, WildcardsMatchAnyRunOrOneByteOfTheName) {
  test::FakePlatform p;
  p.AddFile("C:\\App\\setup.inf");
  EXPECT_TRUE(FileExists(p, "C:\\App\\s*p.i?f"));
  EXPECT_TRUE(FileExists(p, "C:\\App\\*u*.*"));
  EXPECT_TRUE(FileExists(p, "C:\\App\\setup.inf*"));
  EXPECT_FALSE(FileExists(p, "C:\\App\\s?p.inf"));
  EXPECT_FALSE(FileExists(p, "C:\\App\\*.in"));
  EXPECT_FALSE(FileExists(p, "C:\\App\\setup.inf?"));

  // Many stars before a byte the name lacks, or has only at its end: each answer is found
  // without trying every way of sharing the name among the stars.
  const std::string name(200, 'a');
  p.AddFile("C:\\Long\\" + name);
  const std::string stars(100, '*');
  EXPECT_FALSE(FileExists(p, "C:\\Long\\" + stars + "b" + stars));
  p.AddFile("C:\\Long\\" + name + "b");
  EXPECT_TRUE(FileExists(p, "C:\\Long\\" + stars + "b"));
}

TEST(Files, AgeIsTheLocalDosDateAndTimeWithinTheDosRangeOnly) {
  test::FakePlatform p;
  // 3 April 1999, 14:30:08 UTC; local time is nine hours later: 23:30:08.
  p.AddFile("C:\\a").lastWriteTime = 125676234080000000ull;
  const auto age = static_cast<std::uint32_t>(FileAge(p, "C:\\a"));
  EXPECT_EQ(age >> 16, (19u << 9) | (4u << 5) | 3u);
  EXPECT_EQ(age & 0xFFFF, (23u << 11) | (30u << 5) | 4u);

  p.AddFile("C:\\old").lastWriteTime = 116444736000000000ull;   // 1970
  p.AddFile("C:\\late").lastWriteTime = 159992928000000000ull;  // 2108
  EXPECT_EQ(FileAge(p, "C:\\old"), -1);
  EXPECT_EQ(FileAge(p, "C:\\late"), -1);
  EXPECT_TRUE(FileExists(p, "C:\\old"));
  EXPECT_TRUE(FileExists(p, "C:\\late"));
  p.AddFolder("C:\\dir");
  EXPECT_EQ(FileAge(p, "C:\\dir"), -1);
  EXPECT_EQ(FileAge(p, "C:\\none"), -1);
}

}  // namespace
}  // namespace qv
