// The script checker: rules the every-finding report (tests/check) does not show one by one, the
// exit codes, and its agreement with what the run does.
#include <algorithm>
#include <gtest/gtest.h>

#include "check/check_command.h"
#include "check/check_script.h"
#include "checker_agreement.h"
#include "fake_system.h"

namespace qv {
namespace {

std::string Script(std::initializer_list<const char*> lines) {
  std::string bytes = "//QV-Uninstaller\r\n";
  for (const char* line : lines) bytes += std::string(line) + "\r\n";
  return bytes;
}

// "line:severity" of each finding, lines counted from 1 as the report shows them.
std::vector<std::string> Findings(const std::string& bytes) {
  test::FakePlatform platform;
  const ScriptPaths paths{"C:\\App\\Uninst.inf", "C:\\App\\"};
  std::vector<std::string> found;
  for (const Finding& f : CheckScript(platform, ShiftJisLeadBytes(), ScriptFile::FromBytes(bytes), paths))
    found.push_back(std::to_string(f.line + 1) + ":" + "NWE"[static_cast<int>(f.severity)]);
  std::sort(found.begin(), found.end());
  return found;
}

using Found = std::vector<std::string>;

TEST(Checker, SelfDeletionMustComeBeforeTheLastRemovalOfTheFolder) {
  // Deleted in the section that removes the folder: nothing to say.
  EXPECT_EQ(Findings(Script({"[deletefile]", "app.exe", "uninst.inf", "end;"})), Found{});
  // Never deleted, or only after the last removal: the folder stays.
  EXPECT_EQ(Findings(Script({"[deletefile]", "app.exe", "end;"})), Found{"0:W"});
  EXPECT_EQ(Findings(Script({"[deletefile]", "app.exe", "end;", "[deletefile]", "SAVEFOLDER", "Uninst.inf", "end;"})),
            Found{"7:W"});
  // Every section keeps the folder on purpose.
  EXPECT_EQ(Findings(Script({"[deletefile]", "SAVEFOLDER", "app.exe", "end;"})), Found{});
  // A script named otherwise is found by its own name.
  test::FakePlatform platform;
  const ScriptPaths setup{"C:\\App\\setup.inf", "C:\\App\\"};
  EXPECT_TRUE(CheckScript(platform, ShiftJisLeadBytes(),
                          ScriptFile::FromBytes(Script({"[deletefile]", "SETUP.INF", "end;"})), setup)
                  .empty());
}

TEST(Checker, HeadersInsideBodiesAndMissingTerminators) {
  // The rename body runs on to the deletion's terminator and reads its header as an entry.
  EXPECT_EQ(Findings(Script({"[renamefile]", "a,b", "[deletefile]", "uninst.inf", "end;"})),
            (Found{"4:W", "4:W", "5:W"}));  // the header inside, read as a rename without a comma, as is 5
  EXPECT_EQ(Findings(Script({"[warning]", "text", "[note]", "end;", "[deletefile]", "uninst.inf"})),
            Found{"6:E"});  // a bracketed line of a warning is its text
  EXPECT_EQ(Findings(""), Found{"0:E"});
  EXPECT_EQ(Findings("no signature\r\n"), (Found{"0:W", "1:E"}));
}

TEST(Checker, KeysThatCannotBeOpenedEndTheRunAtTheirValues) {
  EXPECT_EQ(Findings(Script({"[createreg]", "KEY=HCU\\\\Software\\Demo", "STRING=a,b", "end;", "[deletefile]",
                             "uninst.inf", "end;"})),
            (Found{"3:W", "4:E"}));
  // A valid key after an invalid one serves the values that follow it.
  EXPECT_EQ(Findings(Script({"[createreg]", "KEY=HKCU\\Software\\Demo", "KEY=hcu\\Software\\Demo", "STRING=a,b", "end;",
                             "[deletefile]", "uninst.inf", "end;"})),
            Found{"3:W"});
}

// Where the registry can be read, a service whose program the script does not delete is warned of.
TEST(Checker, AServiceWhoseProgramTheScriptKeepsIsWarnedOf) {
  test::FakePlatform platform;
  platform.AddFile("C:\\App\\svc.exe");
  platform.AddService("AppSvc", "\"C:\\App\\svc.exe\" -run");
  platform.AddService("Kept", "C:\\App\\kept.exe");
  const ScriptFile script =
      ScriptFile::FromBytes(Script({"[deletereg]", "SERVICE=AppSvc", "SERVICE=Kept", "SERVICE=Missing", "end;",
                                    "[deletefile]", "svc.exe", "uninst.inf", "end;"}));
  std::vector<std::string> messages;
  for (const Finding& f : CheckScript(platform, ShiftJisLeadBytes(), script, {"C:\\App\\Uninst.inf", "C:\\App\\"}))
    messages.push_back(std::to_string(f.line + 1) + ": " + f.message.Bytes());
  EXPECT_EQ(messages, (std::vector<std::string>{
                          "4: the script does not delete the service's program C:\\App\\kept.exe: the run removes the "
                          "service and leaves its program; name it in a [deletefile] section"}));
}

// The lists of what the run knows that the every-finding report does not show, as makers read them.
TEST(Checker, ListsOfWhatTheRunKnows) {
  test::FakePlatform platform;
  const ScriptPaths paths{"C:\\App\\Uninst.inf", "C:\\App\\"};
  const ScriptFile script =
      ScriptFile::FromBytes(Script({"[createreg]", "VALUE=a", "end;", "[renamefile]", "DESKTOP\\a,b", "end;"}));
  std::vector<std::string> messages;
  for (const Finding& f : CheckScript(platform, ShiftJisLeadBytes(), script, paths))
    messages.push_back(f.message.Bytes());
  EXPECT_EQ(messages, (std::vector<std::string>{
                          "the run ignores this line: a [createreg] section knows KEY= and STRING= lines only",
                          "DESKTOP\\ is no prefix in a [renamefile] section (it knows WINDIR\\ and SYSDIR\\): the name "
                          "is read in the product's folder",
                          "no [deletefile] entry deletes the script 'Uninst.inf' itself, so the product's folder "
                          "cannot be removed"}));
}

// The checker notes a mutex named twice in a section exactly when the run asks the system for it
// only once: "Local\\" (so written) names the session's own namespace, where a bare name lives too.
TEST(Checker, AMutexNamedTwiceIsOneTheRunAsksForOnce) {
  struct Pair {
    const char* first;
    const char* second;
    bool same;
  };
  for (const Pair& pair : {Pair{"A", "A", true}, Pair{"Local\\A", "A", true}, Pair{"A", "Local\\A", true},
                           Pair{"Local\\A", "Local\\A", true}, Pair{"local\\A", "A", false},
                           Pair{"Global\\A", "A", false}, Pair{"A", "a", false}}) {
    const std::string script = Script({"[execution]", ("MUTEX=" + std::string(pair.first)).c_str(), "APPNAME=One",
                                       ("MUTEX=" + std::string(pair.second)).c_str(), "APPNAME=Two", "end;",
                                       "[deletefile]", "uninst.inf", "end;"});
    const bool noted = Findings(script) == Found{"5:N"};
    test::FakePlatform system;
    system.AddFile("C:\\App\\Uninst.inf", script);
    system.commandLine = "QvUninst.exe /u C:\\App\\";
    ProgramEntry(system, system);
    const bool askedOnce = system.mutexesCreated.size() == 1;
    EXPECT_EQ(noted, pair.same) << pair.first << " and " << pair.second;
    EXPECT_EQ(noted, askedOnce) << pair.first << " and " << pair.second;
  }
}

// What the reports of tests/check do not show: a byte-order mark before Shift-JIS text, tabs at the
// end of a file's name, and words that only begin like a keyword.
TEST(Checker, HurriedLinesTheReportsDoNotShow) {
  // A byte-order mark is one finding; the Shift-JIS text after it is no UTF-8 and reads well.
  EXPECT_EQ(Findings("\xEF\xBB\xBF//QV-Uninstaller\r\n[warning]\r\n\x83\x65\x83\x58\r\nend;\r\n[deletefile]\r\n"
                     "uninst.inf\r\nend;\r\n"),
            Found{"1:W"});
  // Half-width katakana alone may read as UTF-8 ("\xC3\xBD"), but not beside a double-byte character.
  EXPECT_EQ(Findings(Script({"[warning]", "\xC3\xBD \x83\x65", "end;", "[deletefile]", "uninst.inf", "end;"})),
            Found{});
  EXPECT_EQ(Findings(Script({"[warning]", "\xC3\xBD", "end;", "[deletefile]", "uninst.inf", "end;"})), Found{"3:W"});
  // The system drops blanks at the end of a file's name, not a tab; it keeps a blank before it.
  EXPECT_EQ(Findings(Script({"[deletefile]", "a.txt \t", "b.txt ", "uninst.inf. ", "end;", "[renamefile]",
                             "c.txt,\td.txt", "e.txt,f.txt ", "end;"})),
            (Found{"3:W", "4:N", "5:N", "8:W", "9:N"}));
  // Only a keyword's own word before blanks and "=" looks like it.
  EXPECT_EQ(
      Findings(Script({"[deletereg]", "KEYS=HCU\\a", " UNINST =a", "end;", "[deletefile]", "uninst.inf", "end;"})),
      (Found{"3:W", "4:W"}));
  test::FakePlatform platform;
  const ScriptFile script = ScriptFile::FromBytes(Script({"[deletereg]", "KEYS=HCU\\a", " UNINST =a", "end;"}));
  const std::vector<Finding> found =
      CheckScript(platform, ShiftJisLeadBytes(), script, {"C:\\App\\Uninst.inf", "C:\\App\\"});
  ASSERT_EQ(found.size(), 3u);
  EXPECT_EQ(found[0].message.Bytes().rfind("the run ignores this line", 0), 0u);
  EXPECT_EQ(
      found[1].message.Bytes().rfind("this looks like UNINST= but blanks or tabs stand before it and before its =", 0),
      0u);
}

TEST(Checker, ExitCodes) {
  EXPECT_EQ(CheckExitCode({}), kCheckClean);
  EXPECT_EQ(CheckExitCode({{3, Severity::kNote, {}}}), kCheckClean);
  EXPECT_EQ(CheckExitCode({{3, Severity::kNote, {}}, {2, Severity::kWarning, {}}}), kCheckWarnings);
  EXPECT_EQ(CheckExitCode({{3, Severity::kWarning, {}}, {1, Severity::kError, {}}}), kCheckErrors);

  test::FakePlatform platform;
  platform.AddFile("C:\\App\\Uninst.inf", Script({"[deletefile]", "uninst.inf", "end;"}));
  platform.AddFile("C:\\App\\open.inf", "//QV-Uninstaller\r\n").heldOpen = true;
  platform.AddFolder("C:\\App\\folder.inf\\");
  MixedText out;
  EXPECT_EQ(CheckCommand(platform, {"C:\\App\\Uninst.inf", "C:\\App\\"}, out), kCheckClean);
  EXPECT_EQ(out.Bytes(), "C:\\App\\Uninst.inf: 0 errors, 0 warnings, 0 notes\n");
  for (const char* unreadable : {"C:\\App\\missing.inf", "C:\\App\\open.inf", "C:\\App\\folder.inf"})
    EXPECT_EQ(CheckCommand(platform, {unreadable, "C:\\App\\"}, out), kCheckUnreadable) << unreadable;
}

// An entry that climbs out of the product's folder is shown with the folder it reaches; one of
// Windows' own files there is refused as the run refuses it.
TEST(Checker, ClimbingEntriesAndWindowsOwnFiles) {
  test::FakePlatform platform;
  platform.AddFile("C:\\WINDOWS\\system32\\HAL.DLL").company = "Microsoft Corporation";
  const ScriptPaths paths{"C:\\App\\Uninst.inf", "C:\\App\\"};
  std::vector<std::string> found;
  for (const Finding& f : CheckScript(
           platform, ShiftJisLeadBytes(),
           ScriptFile::FromBytes(Script({"[deletefile]", "..\\other\\b.dll", "SYSDIR\\hal.dll", "uninst.inf", "end;"})),
           paths))
    found.push_back(std::to_string(f.line + 1) + ": " + f.message.Bytes());
  EXPECT_EQ(found, (Found{"3: the entry climbs out of the product's folder with ..: it reaches C:\\OTHER\\",
                          "4: 'C:\\WINDOWS\\system32\\HAL.DLL' is one of Windows' own files (its maker is Microsoft "
                          "Corporation): the run never deletes it nor renames over it, and passes over this line"}));
}

TEST(Checker, AgreesWithTheRun) {
  for (const std::string& script : {
           Script({"[deletefile]", "uninst.inf", "end;"}),
           Script({"[createreg]", "STRING=a,b", "end;"}),
           Script({"[createreg]", "KEY=HXX\\a", "STRING=a,b", "end;"}),
           Script({"[createreg]", "KEY=HCU\\\\a", "STRING=a,b", "end;"}),
           Script({"[createreg]", "KEY=HCU\\a", "KEY=Nowhere", "STRING=a,b", "end;"}),
           Script({"[createreg]", "KEY=HCU\\a", "STRING=a,b", "end;"}),
           Script({"[warning]", "text"}),
           Script({"[execution]", "MUTEX=M", "end", "[deletefile]", "end;"}),
           // Entries the run passes over, also in bodies without their end; and among blank lines.
           Script({"[deletereg]",
                   "KEY=HLM\\Software",
                   "VALUE=HCU\\Software\\Demo",
                   "UNINST=",
                   "PATH=HKCU",
                   "PATH=HCU",
                   "end;",
                   "[renamefile]",
                   "",
                   "a.txt",
                   "a.txt,sub\\",
                   "end;",
                   "[deletefile]",
                   "",
                   " ",
                   "sub\\ ",
                   "WINDIR\\",
                   "data\\..\\",
                   "uninst.inf",
                   "end;"}),
           Script({"[deletereg]", "KEY=HCR\\CLSID", "QUORVEL="}),
           Script({"[renamefile]", "SYSDIR\\a.dll"}),
           Script({"[deletefile]", "uninst.inf", "\\", "DESKTOP\\", "..\\"}),
           Script({"[deletefile]", "COMMON_STARTUP\\", "LOCALAPPDATA\\..\\", "COMMON_DESKTOP\\a.lnk", "end;"}),
           Script({"[renamefile]", "a.dll,..\\other\\a.dll", "end;", "[deletefile]", "SYSDIR\\..\\x.dll", "end;"}),
           Script({"[deletefile]", "SHARED=", "SHARED=sub\\", "SHARED=SYSDIR\\x.dll", "uninst.inf", "end;"}),
           // Sections without their end; that run on over the next ones.
           Script({"[deletereg]", "UNINST=Bad", "[createreg]", "KEY=HCU\\Software\\Bad\\Shared", "STRING=V,1", "end;",
                   "[deletefile]", "uninst.inf", "end;"}),
           Script({"[warning]", "text", "[execution]", "MUTEX=M", "APPNAME=A", "end;"}),
           Script({"[deletefile]", "uninst.inf", "[deletefile]", "a.txt", "end;"}),  // a header read as a file
           Script({"[deletereg]", "UNINST=Demo", "[deletefile]"}),  // two fatal reports, at other lines
           Script({"[createreg]", "KEY=HCU\\a", "[createreg]", "STRING=v,1", "KEY=HCU\\b", "end;", "[renamefile]",
                   "a.txt,b.txt", "[deletefile]", "x,y", "uninst.inf", "end;"}),
           Script({"[execution]", "MUTEX=A", "[deletefile]", "MUTEX=B", "SHARED=c.dll", "d\\", "SAVEFOLDER", "end;",
                   "[deletereg]", "VALUE=HCU\\a,b", "PATH=HLM", "SERVICE=Svc", "[renamefile]", "KEY=HXX\\a"}),
           std::string("not the signature\r\n[createreg]\r\nSTRING=a\r\n"),
           std::string(),
       }) {
    const test::Agreement agreement = test::CheckAgainstRun(script);
    EXPECT_TRUE(agreement.agrees) << agreement.why << "\n" << script;
  }
}

}  // namespace
}  // namespace qv
