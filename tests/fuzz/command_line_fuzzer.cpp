// Arbitrary bytes as the program's command line: the splitting rules, the script path and base
// folder built from the parameters, and a whole program run on a fake system that holds valid,
// foreign, empty, locked and double-byte-named scripts for the paths to reach.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/texts.h"
#include "entry/entry.h"
#include "fuzz_support.h"
#include "script/script_paths.h"
#include "text/text.h"

namespace {

using qv::fuzz::AsciiUpper;

bool IsSeparator(unsigned char c) { return c >= 0x01 && c <= 0x20; }

// Without quotes the line is plain tokens between separator bytes; the first is the program's.
std::vector<std::string> TokensWithoutQuotes(std::string_view line) {
  std::vector<std::string> tokens;
  std::string current;
  for (char c : line) {
    if (IsSeparator(static_cast<unsigned char>(c))) {
      if (!current.empty()) tokens.push_back(std::move(current));
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) tokens.push_back(std::move(current));
  if (!tokens.empty()) tokens.erase(tokens.begin());
  return tokens;
}

// Whether byte i of s begins a character, reading double-byte characters from the start.
std::vector<char> CharacterStarts(std::string_view s, const qv::LeadByteTable& lead) {
  std::vector<char> starts(s.size(), false);
  for (std::size_t i = 0; i < s.size(); ++i) {
    starts[i] = true;
    if (lead[static_cast<unsigned char>(s[i])] && i + 1 < s.size()) ++i;
  }
  return starts;
}

void CheckSplitting(std::string_view input, const std::vector<std::string>& parameters) {
  const std::string_view line = input.substr(0, input.find('\0'));
  const bool quoted = line.find('"') != std::string_view::npos;
  std::size_t total = 0;
  for (const std::string& p : parameters) {
    QV_FUZZ_CHECK(!p.empty(), "no parameter is empty");
    QV_FUZZ_CHECK(p.find('"') == std::string::npos, "quotes never belong to a parameter");
    QV_FUZZ_CHECK(p.find('\0') == std::string::npos, "a NUL ends the line");
    if (!quoted)
      for (char c : p) QV_FUZZ_CHECK(!IsSeparator(static_cast<unsigned char>(c)), "separators only inside quotes");
    total += p.size();
  }
  QV_FUZZ_CHECK(total <= line.size(), "parameters hold no more bytes than the line");
  if (!quoted) {
    // A parameter past 256 bytes may be cut; below that it is the token whole.
    const std::vector<std::string> tokens = TokensWithoutQuotes(line);
    QV_FUZZ_CHECK(parameters.size() == tokens.size(), "an unquoted line has one parameter per token");
    for (std::size_t i = 0; i < tokens.size(); ++i)
      QV_FUZZ_CHECK(parameters[i] == tokens[i] ||
                        (parameters[i].size() >= 256 && tokens[i].compare(0, parameters[i].size(), parameters[i]) == 0),
                    "an unquoted line splits at separators");
  }

  // Each parameter quoted and joined with blanks splits back into the same parameters.
  std::string rebuilt = "prog";
  for (const std::string& p : parameters) ((rebuilt += " \"") += p) += '"';
  QV_FUZZ_CHECK(qv::SplitCommandLine(rebuilt) == parameters, "quoted parameters split back unchanged");
}

// The argument after the first parameter, when there is one.
std::optional<std::string> Argument(const std::vector<std::string>& parameters) {
  if (parameters.size() < 2) return std::nullopt;
  return qv::ScriptArgument({parameters.begin() + 1, parameters.end()});
}

// Returns the paths, which exist when there is an argument after the first parameter (the same
// argument for either lead byte table).
std::optional<qv::ScriptPaths> CheckScriptPaths(const std::optional<std::string>& scriptArgument,
                                                const qv::LeadByteTable& lead) {
  if (!scriptArgument) return std::nullopt;
  const std::string& argument = *scriptArgument;
  const qv::ScriptPaths paths = qv::BuildScriptPaths(argument, lead);
  QV_FUZZ_CHECK(paths.scriptPath == argument || paths.scriptPath == argument + qv::texts::kDefaultScriptName,
                "the script path is the argument, or the argument with the default name appended");
  const std::string& folder = paths.baseFolder;
  QV_FUZZ_CHECK(paths.scriptPath.compare(0, folder.size(), folder) == 0, "the base folder starts the script path");
  const std::vector<char> starts = CharacterStarts(paths.scriptPath, lead);
  if (!folder.empty()) {
    QV_FUZZ_CHECK(folder.back() == '\\' || folder.back() == ':', "the base folder ends with a delimiter");
    QV_FUZZ_CHECK(starts[folder.size() - 1], "the base folder's last byte is no second byte of a character");
  }
  // No delimiter that begins a character follows the base folder.
  for (std::size_t i = folder.size(); i < paths.scriptPath.size(); ++i)
    QV_FUZZ_CHECK(!(starts[i] && (paths.scriptPath[i] == '\\' || paths.scriptPath[i] == ':')),
                  "the base folder reaches to the last delimiter");
  return paths;
}

constexpr char kScript[] =
    "//QV-Uninstaller\r\n"
    "[execution]\r\nMUTEX=FuzzAppMutex\r\nAPPNAME=Demo\r\nend;\r\n"
    "[warning]\r\nThis removes Demo.\r\nend;\r\n"
    "[deletereg]\r\nUNINST=Demo\r\nQUORVEL=Demo\r\nKEY=HCU\\Software\\Example\r\nend;\r\n"
    "[createreg]\r\nKEY=HLM\\Software\\Example\\Settings\r\nSTRING=Path,C:\\App\r\nend;\r\n"
    "[renamefile]\r\nold.txt,new.txt\r\nend;\r\n"
    "[deletefile]\r\napp.exe\r\nnew.txt\r\nend;\r\n";

// The boxes a run of kScript shows at most: warning, question to begin, registry confirmation,
// final report; or fewer and the fatal error report.
constexpr std::size_t kMostBoxes = 5;

void SeedSystem(qv::test::FakePlatform& fake) {
  for (const char* folder : {"C:\\App\\", "C:\\Program Files\\Example\\", "C:\\Current\\",
                             "C:\\\x95\x5C\x8E\xA6\\"}) {  // the last one's name ends in a 0x5C byte
    const std::string f = folder;
    fake.AddFile(f + "Uninst.inf", kScript);
    fake.AddFile(f + "app.exe", "MZ");
    fake.AddFile(f + "old.txt", "old");
  }
  fake.AddFile(fake.moduleFileName, "MZ");  // the version box dates the program by its file
  fake.AddFile("C:\\App\\setup.inf", kScript);
  fake.AddFile("C:\\App\\foreign.inf", "[deletefile]\r\napp.exe\r\nend;\r\n");
  fake.AddFile("C:\\App\\empty.inf", "");
  fake.AddFile("C:\\App\\open.inf", kScript).heldOpen = true;
  fake.AddFile("C:\\App\\cut.inf", "//qv-uninstaller\r\n[warning]\r\nno end\r\n");
  fake.AddFolder("C:\\App\\folder.inf");
  fake.AddFile("C:\\Example 1.0", kScript);  // a file whose name looks like a folder with a dot
  fake.AddFolder("C:\\Example 2.0\\");
  fake.SetValue(qv::kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo", "DisplayName",
                std::string("Demo\0", 5));
  fake.AddKey(qv::kHkeyCurrentUser, "Software\\Quorvel\\Demo\\Settings");
  fake.AddKey(qv::kHkeyCurrentUser, "Software\\Example\\Sub");
}

// The seeded system, built once: each run starts from a copy of it, and it is only looked at.
qv::test::FakePlatform& SeededSystem() {
  static qv::test::FakePlatform system = [] {
    qv::test::FakePlatform seeded;
    SeedSystem(seeded);
    return seeded;
  }();
  return system;
}

bool IsUninstallMode(qv::Platform& platform, const std::vector<std::string>& parameters) {
  return parameters.size() >= 2 && platform.CharLowerBuffA(parameters[0]) == qv::texts::kUninstallSwitch;
}

bool IsSilentMode(qv::Platform& platform, const std::vector<std::string>& parameters) {
  return parameters.size() >= 2 && platform.CharLowerBuffA(parameters[0]) == qv::texts::kSilentSwitch;
}

// The silent mode shows no box, ends with one of its own exit codes, reads no file but the
// script, and tells a missing script by its code.
void CheckSilentRun(const qv::test::FakePlatform& fake, int exitCode, const std::string& scriptPath) {
  QV_FUZZ_CHECK(fake.boxes.empty(), "the silent mode shows no box");
  QV_FUZZ_CHECK(exitCode == 0 || exitCode == 1 || exitCode == 2 || exitCode == 3 || exitCode == 4 || exitCode == 3010,
                "the silent mode ends with one of its exit codes");
  for (const std::string& read : fake.reads)
    QV_FUZZ_CHECK(read == scriptPath, "the only file read is the script path built from the command line");
  const std::optional<qv::FindData> found = SeededSystem().FindFirstFileA(scriptPath);
  if (!found || (found->attributes & qv::win::kFileAttributeDirectory))
    QV_FUZZ_CHECK(exitCode == 3 && fake.reads.empty(), "a missing script ends the silent mode with 3");
}

// shiftJisPaths: the script paths built from the parameters with the code page 932 table.
void CheckProgramRun(std::string_view input, const std::vector<std::string>& parameters,
                     const std::optional<qv::ScriptPaths>& shiftJisPaths) {
  // One system for every run, made equal to the seeded one again when the run ends: that keeps
  // what the run left unchanged instead of building it anew.
  static qv::test::FakePlatform fake = SeededSystem();
  const qv::fuzz::ResetAtEnd reset(fake, SeededSystem());
  fake.commandLine = std::string(input);
  const int exitCode = qv::ProgramEntry(fake, fake);
  QV_FUZZ_CHECK(fake.OpenKeyCount() == 0, "no registry key handle is left open");
  if (IsSilentMode(fake, parameters)) return CheckSilentRun(fake, exitCode, shiftJisPaths->scriptPath);

  QV_FUZZ_CHECK(exitCode == 0 || exitCode == 1, "exit code is 0 or 1");
  QV_FUZZ_CHECK(fake.boxes.size() <= kMostBoxes, "no more boxes than the script can cause");
  if (exitCode == 1) {
    QV_FUZZ_CHECK(!fake.boxes.empty(), "exit code 1 follows a box");
    const qv::test::ShownBox& last = fake.boxes.back();
    QV_FUZZ_CHECK(last.caption == qv::texts::kFatalCaption, "the last box is the fatal error report");
    QV_FUZZ_CHECK(last.text.size() <= 1024, "the fatal error report holds at most 1024 bytes");
  }

  if (!IsUninstallMode(fake, parameters)) {
    QV_FUZZ_CHECK(exitCode == 0, "a start without the switch ends normally");
    QV_FUZZ_CHECK(fake.reads.empty(), "a start without the switch reads no script");
    QV_FUZZ_CHECK(fake.boxes.size() <= 1, "a start without the switch shows the version box at most");
    for (const qv::test::ShownBox& box : fake.boxes)
      QV_FUZZ_CHECK(box.caption != qv::texts::kProgramTitle, "no uninstall box without the switch");
    return;
  }

  qv::fuzz::CheckUninstallBoxes(fake, exitCode);
  const std::string& scriptPath = shiftJisPaths->scriptPath;
  for (const std::string& read : fake.reads)
    QV_FUZZ_CHECK(read == scriptPath, "the only file read is the script path built from the command line");

  // A path that names nothing, or a folder, is reported as not found, by its file-name part: what
  // follows the base folder, whose end was checked above byte by byte.
  const std::optional<qv::FindData> found = SeededSystem().FindFirstFileA(scriptPath);
  if (!found || (found->attributes & qv::win::kFileAttributeDirectory)) {
    QV_FUZZ_CHECK(exitCode == 0 && fake.boxes.size() == 1, "a missing script gives one box and a normal end");
    QV_FUZZ_CHECK(fake.boxes[0].flags == 0x10, "a missing script is an error box");
    QV_FUZZ_CHECK(fake.boxes[0].text ==
                      "\" " + scriptPath.substr(shiftJisPaths->baseFolder.size()) + " \" " + qv::texts::kScriptNotFound,
                  "a missing script is named by its file-name part");
    QV_FUZZ_CHECK(fake.reads.empty(), "a missing script is not read");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> parameters = qv::SplitCommandLine(input);
  CheckSplitting(input, parameters);
  static const qv::LeadByteTable kShiftJis = qv::ShiftJisLeadBytes(), kNone = qv::NoLeadBytes();
  const std::optional<std::string> argument = Argument(parameters);
  const std::optional<qv::ScriptPaths> shiftJisPaths = CheckScriptPaths(argument, kShiftJis);
  CheckScriptPaths(argument, kNone);
  CheckProgramRun(input, parameters, shiftJisPaths);
  return 0;
}
