// The Win32 platform tests. Started with QV_WIN32_CHILD set, the program is one of its own
// child processes instead (command-line splitting and mutexes seen from another process).
#include <gtest/gtest.h>

#include "support.h"

int main(int argc, char** argv) {
  int childExitCode = 0;
  if (qv::wintest::RunAsChild(childExitCode)) return childExitCode;
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
