// qvcheck SCRIPT-OR-FOLDER: the script checker on Linux, for build pipelines without Windows.
// The report is written in UTF-8: the script's text is read as Shift-JIS, the path is shown as
// it was given.
#include <cerrno>
#include <cstdio>
#include <iconv.h>
#include <string>
#include <sys/stat.h>

#include "check/check_command.h"
#include "check/report.h"
#include "common/mixed_text.h"
#include "common/texts.h"
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

bool IsFolder(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

int main(int argc, char** argv) {
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
    std::fputs((part.origin == qv::TextOrigin::kSystem ? part.bytes : Utf8FromCp932(part.bytes)).c_str(), stdout);
  return code;
}
