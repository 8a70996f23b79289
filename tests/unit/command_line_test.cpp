#include <gtest/gtest.h>

#include "text/text.h"

namespace qv {
namespace {

using Params = std::vector<std::string>;

TEST(CommandLine, SplitsAtControlCharactersAndBlanks) {
  EXPECT_EQ(SplitCommandLine("prog /u C:\\Example\\"), (Params{"/u", "C:\\Example\\"}));
  EXPECT_EQ(SplitCommandLine("prog\t/u\x01\x1f  x"), (Params{"/u", "x"}));
  EXPECT_EQ(SplitCommandLine("prog"), Params{});
  EXPECT_EQ(SplitCommandLine(""), Params{});
}

TEST(CommandLine, QuotedStretchesKeepBlanksAndLoseTheirQuotes) {
  EXPECT_EQ(SplitCommandLine("prog /u \"C:\\Program Files\\Example\\\""),
            (Params{"/u", "C:\\Program Files\\Example\\"}));
  EXPECT_EQ(SplitCommandLine("prog a\"b c\"d"), Params{"ab cd"});
  EXPECT_EQ(SplitCommandLine("\"C:\\P F\\prog.exe\" x"), Params{"x"});
  // A quoted stretch runs to the end of the line when its closing quote is missing.
  EXPECT_EQ(SplitCommandLine("prog \"a b"), Params{"a b"});
}

TEST(CommandLine, BackslashIsNoEscape) {
  EXPECT_EQ(SplitCommandLine("prog \"C:\\P F\\\" next"), (Params{"C:\\P F\\", "next"}));
}

TEST(CommandLine, EmptyPairOfQuotesWhereAParameterStartsYieldsNoParameter) {
  EXPECT_EQ(SplitCommandLine("prog /u \"\" x"), (Params{"/u", "x"}));
  EXPECT_EQ(SplitCommandLine("prog \"\"\"\" x"), Params{"x"});
  EXPECT_EQ(SplitCommandLine("prog \"\""), Params{});
}

TEST(CommandLine, LoneQuoteAtTheEndStopsTheCount) {
  EXPECT_EQ(SplitCommandLine("prog /u \""), Params{"/u"});
  EXPECT_EQ(SplitCommandLine("prog /u \"\" \""), Params{"/u"});
  // Three quotes: the empty pair is skipped, the third opens a stretch to the end.
  EXPECT_EQ(SplitCommandLine("prog /u \"\"\" b"), (Params{"/u", " b"}));
}

TEST(CommandLine, LongParametersAreKeptWhole) {
  std::string longPath(5000, 'x');
  EXPECT_EQ(SplitCommandLine("prog /u " + longPath), (Params{"/u", longPath}));
}

TEST(CommandLine, NulEndsTheLine) { EXPECT_EQ(SplitCommandLine(std::string("prog a\0b", 8)), Params{"a"}); }

}  // namespace
}  // namespace qv
