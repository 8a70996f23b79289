#include "posix/tree_plan.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "memory/registry_export.h"
#include "plan/plan.h"
#include "posix/installed_system.h"
#include "posix/utf8_text.h"
#include "script/script_paths.h"

namespace qv {

namespace {

constexpr char kUsage[] =
    "usage: qvcheck --plan --tree DIR [--reg FILE.reg]... [--base \"C:\\FOLDER\\\"] SCRIPT\n"
    "Shows what the uninstall would do on a machine where the product is installed as DIR (its folder)\n"
    "and the registry holds what the exports (regedit's format) hold, as QvCheck.exe /plan does there.\n"
    "SCRIPT is the script or product folder: a path inside DIR, or its Windows path. The product's\n"
    "folder is --base, else the folder of a Windows SCRIPT, else \"C:\\Program Files\\<DIR's name>\\\".\n"
    "Exit code: 0 the run would end with its final report, 1 it would stop early, 2 it would end in\n"
    "the fatal error report, 3 the script cannot be read (or the command line, the tree or an export).\n";

struct Request {
  std::string tree;
  std::vector<std::string> exports;
  std::string base;  // UTF-8, as given
  std::string script;
};

int Fail(const std::string& message) {
  std::fputs(("qvcheck: " + message + "\n").c_str(), stderr);
  return kPlanUnreadable;
}

bool IsWindowsPath(const std::string& path) {
  const bool drive =
      path.size() >= 2 && path[1] == ':' && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
  return drive || path.compare(0, 2, "\\\\") == 0;
}

std::string RealPath(const std::string& path) {
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

bool IsFolder(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::optional<Request> Parse(int argc, char** argv) {
  Request request;
  for (int i = 2; i < argc; ++i) {
    const std::string argument = argv[i];
    const bool hasValue = i + 1 < argc;
    if (argument == "--tree" && hasValue) {
      request.tree = argv[++i];
    } else if (argument == "--reg" && hasValue) {
      request.exports.push_back(argv[++i]);
    } else if (argument == "--base" && hasValue) {
      request.base = argv[++i];
    } else if (argument.compare(0, 2, "--") == 0 || !request.script.empty()) {
      return std::nullopt;
    } else {
      request.script = argument;
    }
  }
  if (request.tree.empty() || request.script.empty()) return std::nullopt;
  return request;
}

}  // namespace

int TreePlanMain(int argc, char** argv) {
  const std::optional<Request> request = Parse(argc, argv);
  if (!request) {
    std::fputs(kUsage, stderr);
    return kPlanUnreadable;
  }
  const std::string tree = RealPath(request->tree);
  if (tree.empty() || !IsFolder(tree)) return Fail(request->tree + ": not a folder");
  const LeadByteTable lead = ShiftJisLeadBytes();

  // The product's folder, and the script argument as the uninstaller would get it there.
  std::optional<std::string> base;
  if (!request->base.empty()) {
    base = Cp932FromUtf8(request->base);
    if (!base || !IsWindowsPath(*base)) return Fail("--base " + request->base + ": not a Windows path (C:\\...\\)");
    if (base->back() != '\\') *base += '\\';
  }
  std::optional<std::string> argument;
  if (IsWindowsPath(request->script)) {
    argument = Cp932FromUtf8(request->script);
    if (!argument) return Fail(request->script + ": a path with no code page 932 form");
    if (!base) base = BuildScriptPaths(*argument, lead).baseFolder;
  } else {
    const std::string script = RealPath(request->script);
    if (script != tree && script.compare(0, tree.size() + 1, tree + "/") != 0)
      return Fail(request->script + ": neither inside " + request->tree + " nor a Windows path");
    if (!base) base = Cp932FromUtf8("C:\\Program Files\\" + tree.substr(tree.rfind('/') + 1) + "\\");
    std::string relative = script.substr(std::min(script.size(), tree.size() + 1));
    for (char& c : relative)
      if (c == '/') c = '\\';
    if (IsFolder(script) && !relative.empty()) relative += '\\';
    argument = Cp932FromUtf8(relative);
    if (!base || !argument) return Fail(request->script + ": a path with no code page 932 form");
    *argument = *base + *argument;
  }
  if (base->empty()) return Fail(request->script + ": names no product folder; give --base");

  MemoryPlatform system;
  for (const std::string& note : CopyTree(system, tree, *base, BuildScriptPaths(*argument, lead).scriptPath))
    std::fputs(("qvcheck: " + note + "\n").c_str(), stderr);
  for (const std::string& file : request->exports) {
    std::ifstream in(file, std::ios::binary);
    if (!in.is_open()) return Fail(file + ": cannot be read");
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string fault = ReadRegistryExport(system, bytes, file);
    if (!fault.empty()) return Fail(fault);
  }
  SeedWindows(system);
  AddShellFolders(system);

  std::string plan;
  const int code = PlanCommand(system, *argument, plan);
  std::fputs(Utf8FromCp932(plan).c_str(), stdout);
  return code;
}

}  // namespace qv
