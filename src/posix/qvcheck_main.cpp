// qvcheck [OPTIONS] SCRIPT-OR-FOLDER...: the script checker on Linux, for build pipelines without
// Windows. The report is written in UTF-8: the script's text is read as Shift-JIS, the path is
// shown as it was given.
#include <cerrno>
#include <cstdio>
#include <iconv.h>
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

namespace {

// Shift-JIS (code page 932) to UTF-8; a byte that starts no valid character becomes U+FFFD.
std::string Utf8FromCp932(const std::string& text) {
  iconv_t convert = iconv_open("UTF-8", "CP932");
  if (convert == reinterpret_cast<iconv_t>(-1)) return text;
  std::string out;
  char buffer[4096];
  char* in = const_cast<char*>(text.data());
  std::size_t left = text.size();
  while (left > 0) {
    char* next = buffer;
    std::size_t room = sizeof buffer;
    const std::size_t result = iconv(convert, &in, &left, &next, &room);
    out.append(buffer, static_cast<std::size_t>(next - buffer));
    if (result == static_cast<std::size_t>(-1) && errno != E2BIG) {
      out += "\xEF\xBF\xBD";
      ++in;
      --left;
    }
  }
  iconv_close(convert);
  return out;
}

// The program's and the script's parts in UTF-8, the path's as given.
std::string Utf8(const qv::MixedText& text) {
  std::string out;
  for (const qv::TextPart& part : text.parts())
    out += part.origin == qv::TextOrigin::kSystem ? part.bytes : Utf8FromCp932(part.bytes);
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
  const qv::CheckOptions options = qv::ReadCheckOptions({argv + 1, argv + argc});
  if (!options.usageError.empty()) {
    std::fputs(("qvcheck: " + options.usageError + "\n" + qv::CheckUsage("qvcheck", "/", true)).c_str(), stderr);
    return qv::kCheckUnreadable;
  }
  if (options.help) return std::fputs(qv::CheckUsage("qvcheck", "/", true).c_str(), stdout), 0;
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
