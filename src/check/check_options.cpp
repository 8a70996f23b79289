#include "check/check_options.h"

#include "check/rules.h"

namespace qv {

namespace {

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

// Reads "CODE,CODE" into the set; the error of usage, if any.
std::string ReadCodes(const std::string& list, std::set<std::string>& codes) {
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = list.find(',', start);
    const std::string code = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    const std::optional<RuleRow> rule = RuleByCode(code);
    if (!rule) return "unknown code '" + code + "' in --ignore (docs/script.md lists the codes)";
    codes.insert(rule->code);
    if (comma == std::string::npos) return {};
    start = comma + 1;
  }
}

}  // namespace

CheckOptions ReadCheckOptions(const std::vector<std::string>& parameters) {
  CheckOptions options;
  bool optionsEnded = false;
  for (const std::string& p : parameters) {
    if (optionsEnded || !StartsWith(p, "--")) {
      options.paths.push_back(p);
    } else if (p == "--") {
      optionsEnded = true;
    } else if (p == "--help") {
      options.help = true;
    } else if (p == "--version") {
      options.version = true;
    } else if (StartsWith(p, "--ignore=")) {
      options.usageError = ReadCodes(p.substr(9), options.ignored);
    } else if (p == "--format=sarif" || p == "--format=text") {
      options.sarif = p == "--format=sarif";
    } else {
      options.usageError = "unknown option " + p;
    }
    if (!options.usageError.empty()) return options;
  }
  if (options.paths.empty() && !options.help && !options.version) options.usageError = "no script or product folder";
  return options;
}

std::string CheckUsage(const std::string& program, const char* folderEnd, bool several) {
  return "usage: " + program + " [--ignore=CODE,...] [--format=text|sarif] SCRIPT | PRODUCT-FOLDER" + folderEnd +
         (several ? " ...\n" : "\n") + "       " + program +
         " --help | --version\n"
         "Checks each uninstall script (Uninst.inf in a product folder) the way the uninstall reads it, and\n"
         "reports each finding with its line and code. --ignore leaves out the findings of those codes.\n"
         "--format=sarif writes the findings as SARIF 2.1.0 for code scanning tools.\n"
         "Exit code, the worst of all scripts: 0 no error or warning, 1 warnings, 2 errors, 3 a script\n"
         "cannot be read or the command line is wrong.\n";
}

}  // namespace qv
