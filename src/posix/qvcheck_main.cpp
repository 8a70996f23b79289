// qvcheck [OPTIONS] SCRIPT-OR-FOLDER...: the script checker on Linux, for build pipelines without
// Windows. The report is written in UTF-8: the script's text is read as Shift-JIS, the path is
// shown as it was given.
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "check/check_command.h"
#include "check/check_options.h"
#include "check/report.h"
#include "check/sarif.h"
#include "common/mixed_text.h"
#include "common/texts.h"
#include "common/version.h"
#include "posix/posix_platform.h"
#include "posix/tree_plan.h"
#include "posix/utf8_text.h"

namespace {

// The program's and the script's parts in UTF-8, the path's as given.
std::string Utf8(const qv::MixedText& text) {
  std::string out;
  for (const qv::TextPart& part : text.parts())
    out += part.origin == qv::TextOrigin::kSystem ? part.bytes : qv::Utf8FromCp932(part.bytes);
  return out;
}

bool IsFolder(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// A product folder means the script in it, as for the uninstaller: its name in any case, as
// Windows finds it; the name as written when there is such a file.
qv::ScriptPaths PathsOf(qv::Platform& platform, std::string argument) {
  qv::ScriptPaths paths;
  paths.scriptPath = argument;
  if (IsFolder(argument)) {
    if (argument.back() != '/') argument += '/';
    std::string name = qv::texts::kDefaultScriptName;
    for (const qv::FoundFile& found : platform.FindFilesA(argument + qv::texts::kDefaultScriptName))
      if (!(found.data.attributes & qv::win::kFileAttributeDirectory) && name != found.name &&
          !IsFolder(argument + name) && access((argument + name).c_str(), F_OK) != 0)
        name = found.name;
    paths.scriptPath = argument + name;
  }
  const std::size_t slash = paths.scriptPath.rfind('/');
  paths.baseFolder = slash == std::string::npos ? std::string() : paths.scriptPath.substr(0, slash + 1);
  return paths;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--plan") == 0) return qv::TreePlanMain(argc, argv);
  const qv::CheckOptions options = qv::ReadCheckOptions({argv + 1, argv + argc});
  const std::string usage =
      qv::CheckUsage("qvcheck", "/", true) + "qvcheck --plan alone shows how to plan an uninstall on Linux.\n";
  if (!options.usageError.empty()) {
    std::fputs(("qvcheck: " + options.usageError + "\n" + usage).c_str(), stderr);
    return qv::kCheckUnreadable;
  }
  if (options.help) return std::fputs(usage.c_str(), stdout), 0;
  if (options.version) return std::puts("qvcheck " QV_PRODUCT_VERSION_TEXT), 0;

  qv::PosixPlatform platform;
  std::vector<qv::ScriptCheck> checks;
  for (const std::string& path : options.paths)
    checks.push_back(qv::CheckScriptAt(platform, PathsOf(platform, path), options.ignored, '/'));
  if (options.sarif) {
    std::fputs(qv::SarifReport("qvcheck", checks, Utf8, /*windowsPaths=*/false).c_str(), stdout);
  } else {
    // Several reports are parted by an empty line.
    for (std::size_t i = 0; i < checks.size(); ++i)
      std::fputs(((i ? "\n" : "") + Utf8(qv::TextReport(checks[i]))).c_str(), stdout);
  }
  return qv::WorstExitCode(checks);
}
