// The checker's command line: its options and the scripts or product folders it is to check.
#pragma once

#include <set>
#include <string>
#include <vector>

namespace qv {

struct CheckOptions {
  bool help = false;
  bool version = false;
  bool sarif = false;             // --format=sarif; the text report otherwise
  std::set<std::string> ignored;  // --ignore: codes whose findings are left out, as the rules spell them
  std::vector<std::string> paths;
  std::string usageError;  // what is wrong with the command line; empty when nothing is
};

// Options come first or among the paths; "--" ends them. A parameter that begins with "--" and is
// no option, an unknown code in --ignore or an unknown format is an error of usage.
CheckOptions ReadCheckOptions(const std::vector<std::string>& parameters);

// The text of --help for the program of that name; folderEnd ends a folder's name in its examples;
// several: the program takes several scripts.
std::string CheckUsage(const std::string& program, const char* folderEnd, bool several);

}  // namespace qv
