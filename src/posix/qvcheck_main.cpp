// qvcheck SCRIPT-OR-FOLDER: the script checker on Linux, for build pipelines without Windows.
// The report is written in UTF-8: the script's text is read as Shift-JIS, the path is shown as
// it was given.
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>

#include "check/check_command.h"
#include "check/report.h"
#include "common/mixed_text.h"
#include "common/texts.h"
#include "posix/posix_platform.h"
#include "posix/tree_plan.h"
#include "posix/utf8_text.h"

namespace {

bool IsFolder(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--plan") == 0) return qv::TreePlanMain(argc, argv);
  if (argc != 2) {
    std::fputs("usage: qvcheck SCRIPT | PRODUCT-FOLDER\n", stderr);
    return qv::kCheckUnreadable;
  }
  // A product folder means the script in it, as for the uninstaller.
  qv::ScriptPaths paths;
  paths.scriptPath = argv[1];
  if (IsFolder(paths.scriptPath)) {
    if (paths.scriptPath.back() != '/') paths.scriptPath += '/';
    paths.scriptPath += qv::texts::kDefaultScriptName;
  }
  const std::size_t slash = paths.scriptPath.rfind('/');
  paths.baseFolder = slash == std::string::npos ? std::string() : paths.scriptPath.substr(0, slash + 1);

  qv::PosixPlatform platform;
  qv::MixedText report;
  const int code = qv::CheckCommand(platform, paths, report);
  for (const qv::TextPart& part : report.parts())
    std::fputs((part.origin == qv::TextOrigin::kSystem ? part.bytes : qv::Utf8FromCp932(part.bytes)).c_str(), stdout);
  return code;
}
