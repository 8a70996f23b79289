// Named mutexes as the running-application check sees them.
#include <gtest/gtest.h>

#include "support.h"
#include "win32/win32_platform.h"

namespace qv::wintest {
namespace {

TEST(MutexTest, SecondCreationReportsAlreadyExists) {
  Win32Platform platform;
  EXPECT_EQ(0u, platform.CreateMutexA("QvUninstTest.First"));
  EXPECT_EQ(183u, platform.CreateMutexA("QvUninstTest.First"));
  EXPECT_EQ(183u, platform.CreateMutexA("QvUninstTest.First"));
  // Names are case-sensitive.
  EXPECT_EQ(0u, platform.CreateMutexA("QVUNINSTTEST.FIRST"));
  // An unprefixed name lives in the session's own namespace, which "Local\" names too.
  EXPECT_EQ(183u, platform.CreateMutexA("Local\\QvUninstTest.First"));
  EXPECT_EQ(0u, platform.CreateMutexA("Global\\QvUninstTest.First"));
}

TEST(MutexTest, SeenFromAnotherProcess) {
  Win32Platform platform;
  ASSERT_EQ(0u, platform.CreateMutexA("QvUninstTest.Shared"));
  EXPECT_EQ(183u, CreateMutexInChild("QvUninstTest.Shared"));
  EXPECT_EQ(0u, CreateMutexInChild("QvUninstTest.OnlyInChild"));
  // The child's mutex went with the child.
  EXPECT_EQ(0u, platform.CreateMutexA("QvUninstTest.OnlyInChild"));
}

TEST(MutexTest, InvalidNameFailsWithItsOwnCode) {
  Win32Platform platform;
  const std::uint32_t code = platform.CreateMutexA("QvUninstTest\\Bad");
  EXPECT_NE(0u, code);
  EXPECT_NE(183u, code);
  EXPECT_EQ(static_cast<std::uint32_t>(ERROR_PATH_NOT_FOUND), code);
}

TEST(MutexTest, EmptyNameMakesAnUnnamedMutexEachTime) {
  Win32Platform platform;
  EXPECT_EQ(0u, platform.CreateMutexA(""));
  EXPECT_EQ(0u, platform.CreateMutexA(""));
}

}  // namespace
}  // namespace qv::wintest
