// The command line as the program really receives it: a child copy of this program is started
// with an exact line and splits what GetCommandLineA gives it.
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "support.h"

namespace qv::wintest {
namespace {

using Params = std::vector<std::string>;

class CommandLineTest : public testing::Test {
 protected:
  Params Split(const std::string& line) { return SplitInChild(line, folder_.path()).parameters; }
  ScratchFolder folder_{"command_line"};
};

TEST_F(CommandLineTest, ModuleFileNameIsTheProgramNotTheFirstToken) {
  SplitResult result = SplitInChild("\"C:\\No Such Dir\\other name.exe\" /u x", folder_.path());
  EXPECT_EQ(OwnPath(), result.moduleFileName);
  EXPECT_EQ(':', result.moduleFileName.at(1)) << "a full path";
  EXPECT_TRUE(IsFile(result.moduleFileName));
  EXPECT_EQ((Params{"/u", "x"}), result.parameters);
}

TEST_F(CommandLineTest, QuotedPathsKeepBlanksAndTheirFinalBackslash) {
  EXPECT_EQ((Params{"/u", "C:\\Program Files\\Example\\"}), Split("prog.exe /u \"C:\\Program Files\\Example\\\""));
  // No escape character: the "\" before the closing quote is an ordinary byte.
  EXPECT_EQ((Params{"C:\\P F\\", "next"}), Split("prog.exe \"C:\\P F\\\" next"));
  EXPECT_EQ((Params{"/u", "C:\\A  B\\Uninst.inf"}), Split("prog.exe   /u    \"C:\\A  B\\Uninst.inf\""));
}

TEST_F(CommandLineTest, QuotedAndUnquotedStretchesJoinInOneParameter) {
  EXPECT_EQ((Params{"ab cd"}), Split("prog.exe a\"b c\"d"));
  EXPECT_EQ((Params{"ab", "c"}), Split("prog.exe a\"\"b c"));
  // The program's own token follows the same rules.
  EXPECT_EQ((Params{"x"}), Split("\"C:\\x y\"z.exe x"));
}

TEST_F(CommandLineTest, EmptyQuotesAndALoneTrailingQuote) {
  EXPECT_EQ((Params{"x"}), Split("prog.exe \"\" x"));
  EXPECT_EQ((Params{"x", "y"}), Split("prog.exe x \"\" \"\" y \"\""));
  // A lone quote at the end gives an empty parameter, and the count stops there.
  EXPECT_EQ((Params{"x"}), Split("prog.exe x \""));
  EXPECT_EQ(Params{}, Split("prog.exe \""));
  // An open quote runs to the end of the line.
  EXPECT_EQ((Params{"x", " y z"}), Split("prog.exe x \" y z"));
  EXPECT_EQ(Params{}, Split("prog.exe"));
}

TEST_F(CommandLineTest, TabsAndControlBytesSeparateOutsideQuotesOnly) {
  EXPECT_EQ((Params{"a", "b"}), Split("prog.exe\ta\t\t b\t"));
  EXPECT_EQ((Params{"a\tb"}), Split("prog.exe \"a\tb\""));
  EXPECT_EQ((Params{"a", "b"}), Split("prog.exe a\x01"
                                      "b"));
  EXPECT_EQ((Params{"a\x1f"
                    "b"}),
            Split("prog.exe \"a\x1f"
                  "b\""));
}

TEST_F(CommandLineTest, ShiftJisBytesArriveUnchanged) {
  // 表 and ソ end in 0x5C; ｱ is a single byte.
  const std::string folder = "C:\\表\\ソフト ｱ\\";
  ASSERT_EQ("\x95\x5c", std::string("表"));
  EXPECT_EQ((Params{"/u", folder}), Split("prog.exe /u \"" + folder + "\""));
  EXPECT_EQ((Params{"C:\\ソ\\", "x"}), Split("prog.exe C:\\ソ\\ x"));
}

}  // namespace
}  // namespace qv::wintest
