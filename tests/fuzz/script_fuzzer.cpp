// Arbitrary bytes as the uninstall script: how it is cut into lines, and a whole uninstall run of
// it on a fake system seeded with the product's files and keys, other products' keys, keys that
// refuse access or writes, and sentinel keys and files that no script naming neither them nor
// their root may touch.
//
// The first input byte chooses the run's variant; the rest is the script:
//   bit 0     the signature line "//QV-Uninstaller" is put before the script, so the run goes deep
//   bits 1-2  both set: the question to begin is answered No (every other box is answered Yes)
//   bit 3     the "Startup" shell folder value has the wrong type
//   bit 4     the product's folder also holds a subfolder and a file in use, so it cannot be removed
//   bit 5     when the script's bytes are code page 932 characters that read back as themselves,
//             the run is made again on a system of another code page, through the wide calls: it
//             must end the same, with the same boxes, and pass no name to an ANSI call
//   bits 6-7  that code page: 1252, 936, 949 or 65001
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/errors.h"
#include "common/texts.h"
#include "entry/entry.h"
#include "fuzz_support.h"
#include "script/script_file.h"
#include "seeded_system.h"
#include "text/program_text.h"

namespace {

using qv::fuzz::AsciiUpper;
using qv::fuzz::kAppFolder;
using qv::fuzz::kFileSentinelFolder;
using qv::fuzz::kFileSentinelName;
using qv::fuzz::kRegistrySentinels;
using qv::fuzz::kScriptPath;
using qv::fuzz::Mentions;
using qv::fuzz::RegistrySentinel;
using qv::fuzz::SeedSystem;

// ---------------------------------------------------------------- cutting into lines

// The text up to its first NUL with every break (CR LF, CR, LF) written as one LF.
std::string BreaksAsLf(std::string_view bytes) {
  bytes = bytes.substr(0, bytes.find('\0'));
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r') {
      out += '\n';
      if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    } else {
      out += bytes[i];
    }
  }
  return out;
}

void CheckLineCutting(std::string_view bytes) {
  const qv::ScriptFile script = qv::ScriptFile::FromBytes(bytes);
  std::string joined;
  for (int i = 0; i < script.Count(); ++i) {
    const std::string& line = script.Line(i);
    QV_FUZZ_CHECK(line.find_first_of(std::string("\r\n\0", 3)) == std::string::npos, "no line holds CR, LF or NUL");
    if (i > 0) joined += '\n';
    joined += line;
    QV_FUZZ_CHECK(joined.size() <= bytes.size(), "the lines joined never exceed the input");
  }

  // Each break ends one line; a break at the very end adds no empty line after it.
  std::string expected = BreaksAsLf(bytes);
  std::size_t expectedCount = 0;
  for (char c : expected) expectedCount += c == '\n';
  if (!expected.empty() && expected.back() == '\n')
    expected.pop_back();
  else if (!expected.empty())
    ++expectedCount;
  QV_FUZZ_CHECK(static_cast<std::size_t>(script.Count()) == expectedCount, "one line per break");
  QV_FUZZ_CHECK(joined == expected, "the lines are the text between the breaks");

  for (int outside : {-1, script.Count()}) {
    bool raised = false;
    try {
      (void)script.Line(outside);
    } catch (const qv::EStringListError&) {
      raised = true;
    }
    QV_FUZZ_CHECK(raised, "a line index out of range raises the list-index error");
  }
}

// ---------------------------------------------------------------- a whole run

bool IsFinalReport(const std::string& text) {
  return text == qv::texts::kReportAllRemoved || text == qv::texts::kReportFilesRemain ||
         text == qv::texts::kReportSettingsRemain || text == qv::texts::kReportBothRemain;
}

// The report's text without the line that tells of files left to the restart, and whether it has it.
std::string WithoutRestartLine(const std::string& text, bool& restartLine) {
  const std::string line = qv::texts::kReportRestartLine;
  restartLine = text.size() > line.size() && text.compare(text.size() - line.size(), line.size(), line) == 0;
  return restartLine ? text.substr(0, text.size() - line.size()) : text;
}

void CheckSentinels(const qv::test::FakePlatform& before, const qv::test::FakePlatform& after,
                    const std::string& upperScript) {
  for (const RegistrySentinel& s : kRegistrySentinels) {
    if (Mentions(upperScript, s.name) || Mentions(upperScript, s.rootAbbreviation)) continue;
    QV_FUZZ_CHECK(after.SameKey(before, s.root, s.path),
                  "a key that the script names neither by name nor by root is unchanged");
  }
  if (!Mentions(upperScript, kFileSentinelName))
    QV_FUZZ_CHECK(after.SameFolder(before, kFileSentinelFolder),
                  "files in a folder that the script does not name are unchanged");
}

// ---------------------------------------------------------------- the same run on another code page

// Every byte of the script belongs to a code page 932 character that reads back as itself: on a
// system of another code page, the wide calls reach the very names the ANSI calls reach on 932.
bool NamesItself(const std::string& script) {
  // Code page 932 reads each byte below 0x80 as a character of its own, so a script of such bytes
  // reads back as itself when each of them does, which is looked at once.
  static const bool asciiNamesItself = [] {
    std::string ascii(0x80, '\0');
    for (int c = 0; c < 0x80; ++c) ascii[c] = static_cast<char>(c);
    return qv::test::FakePlatform::Stored(qv::test::FakePlatform::Unstored(ascii)) == ascii;
  }();
  const bool ascii = std::all_of(script.begin(), script.end(), [](char c) { return (c & 0x80) == 0; });
  if (ascii && asciiNamesItself) return true;
  return qv::test::FakePlatform::Stored(qv::test::FakePlatform::Unstored(script)) == script;
}

// The run made on 932 (done, with its boxes and their answers), made again from the same system
// as one of another code page.
void CheckWideRun(const qv::test::FakePlatform& before, const qv::test::FakePlatform& done, int exitCode,
                  std::uint32_t codePage) {
  static qv::test::FakePlatform wide;
  wide = before;
  const qv::fuzz::ResetAtEnd reset(wide, before);
  wide.UseAnsiCodePage(codePage);
  wide.commandLine = "QvUninst.exe /u C:\\App\\";
  wide.boxes.clear();
  wide.answers.clear();
  for (const qv::test::ShownBox& box : done.boxes) wide.answers.push_back(box.answer);
  QV_FUZZ_CHECK(qv::ProgramEntry(wide, wide) == exitCode, "the same exit code on a system of another code page");
  QV_FUZZ_CHECK(wide.ansiNameCalls == 0, "no name passes through an ANSI call on a system of another code page");
  QV_FUZZ_CHECK(wide.SameFilesAndRegistry(done), "the same files and registry on a system of another code page");
  QV_FUZZ_CHECK(wide.mutexesCreated == done.mutexesCreated && wide.pendingAtRestart == done.pendingAtRestart &&
                    wide.shellNotifications == done.shellNotifications,
                "the same mutexes, restart list and shell notifications on a system of another code page");
  QV_FUZZ_CHECK(wide.boxes.size() == done.boxes.size(), "the same number of boxes on a system of another code page");
  static qv::test::FakePlatform reader;  // only reads the program's texts
  for (std::size_t i = 0; i < wide.boxes.size() && i < done.boxes.size(); ++i)
    QV_FUZZ_CHECK(wide.boxes[i].wide && wide.boxes[i].flags == done.boxes[i].flags &&
                      wide.boxes[i].wideText ==
                          qv::WidenText(reader, qv::kProgramCodePage, done.boxes[i].text, qv::ShiftJisLeadBytes()),
                  "the same boxes, in UTF-16, on a system of another code page");
}

// The system of a variant before the run, seeded once: each run starts from a copy of it. It
// holds the script of the current input.
qv::test::FakePlatform& SystemBefore(bool startupOfWrongType, bool leftovers, const std::string& script) {
  static std::optional<qv::test::FakePlatform> systems[2][2];
  std::optional<qv::test::FakePlatform>& system = systems[startupOfWrongType][leftovers];
  if (!system) SeedSystem(system.emplace(), startupOfWrongType, leftovers);
  system->AddFile(kScriptPath, script);
  return *system;
}

void CheckRun(std::uint8_t variant, std::string_view body) {
  const bool withSignature = variant & 0x1;
  const bool declineBegin = ((variant >> 1) & 0x3) == 0x3;
  const bool startupOfWrongType = variant & 0x8;
  const bool leftovers = variant & 0x10;

  const std::string script = (withSignature ? std::string("//QV-Uninstaller\r\n") : std::string()) + std::string(body);
  const qv::test::FakePlatform& before = SystemBefore(startupOfWrongType, leftovers, script);
  // One system for each variant, made equal to the one before the run each time: that keeps what
  // the last run of the variant left unchanged (all but the script, mostly) instead of building
  // it anew.
  static qv::fuzz::RecordingPlatform fakes[2][2];
  qv::fuzz::RecordingPlatform& fake = fakes[startupOfWrongType][leftovers];
  fake.Start(before, declineBegin ? qv::win::kIdNo : qv::win::kIdYes);
  const qv::fuzz::ResetAtEnd reset(fake, before);
  fake.commandLine = "QvUninst.exe /u C:\\App\\";

  const int exitCode = qv::ProgramEntry(fake, fake);

  qv::fuzz::CheckUninstallBoxes(fake, exitCode);
  for (const std::string& read : fake.reads) QV_FUZZ_CHECK(read == kScriptPath, "only the script is read");

  // Nothing is changed before the user agrees to begin, and nothing at all when they decline.
  const bool asked = fake.unchangedAtBeginQuestion.has_value();
  if (asked)
    QV_FUZZ_CHECK(*fake.unchangedAtBeginQuestion, "registry and files unchanged until the question to begin");
  else
    QV_FUZZ_CHECK(fake.SameFilesAndRegistry(before), "registry and files unchanged by a run that never asks to begin");
  if (asked && declineBegin) {
    QV_FUZZ_CHECK(fake.SameFilesAndRegistry(before), "registry and files unchanged when the user declines to begin");
    QV_FUZZ_CHECK(exitCode == 0 && fake.boxes.back().text == qv::texts::kAskToBegin,
                  "declining to begin ends the run without a report");
  }

  // A normal end after agreeing to begin closes with the final report, whose claim about the
  // folder is true of the file system.
  if (asked && !declineBegin && exitCode == 0) {
    const qv::test::ShownBox& last = fake.boxes.back();
    bool restartLine = false;
    const std::string report = WithoutRestartLine(last.text, restartLine);
    QV_FUZZ_CHECK(IsFinalReport(report) && last.flags == 0x40, "the run ends with the final report");
    QV_FUZZ_CHECK(restartLine == !fake.pendingAtRestart.empty(),
                  "the report tells of the restart exactly when something was left to it");
    const bool claimsRemoved = report == qv::texts::kReportAllRemoved || report == qv::texts::kReportSettingsRemain;
    if (claimsRemoved && fake.Exists(kAppFolder)) {
      qv::test::FakePlatform restarted = fake;
      restarted.Restart();
      QV_FUZZ_CHECK(!restarted.Exists(kAppFolder),
                    "a report of a removed folder means it is gone, once Windows "
                    "restarted when it was left to the restart");
    }
    QV_FUZZ_CHECK(fake.shellNotifications.size() == (claimsRemoved ? 1u : 0u),
                  "the shell is notified exactly when the folder was removed");
    // The only questions besides the one to begin are the registry cleanups' confirmations.
    bool cleanupConfirmed = false;
    for (const qv::test::ShownBox& box : fake.boxes)
      cleanupConfirmed |= box.flags == 0x24 && box.text != qv::texts::kAskToBegin && box.answer == qv::win::kIdYes;
    const bool claimsSettingsDeleted =
        report == qv::texts::kReportAllRemoved || report == qv::texts::kReportFilesRemain;
    QV_FUZZ_CHECK(claimsSettingsDeleted == cleanupConfirmed,
                  "the report says the settings are deleted exactly when a registry cleanup was confirmed");
  } else {
    for (const qv::test::ShownBox& box : fake.boxes)
      QV_FUZZ_CHECK(!IsFinalReport(box.text) && box.text.find(qv::texts::kReportRestartLine) == std::string::npos,
                    "no final report without a completed run");
    QV_FUZZ_CHECK(fake.shellNotifications.empty(), "no shell notification without a completed run");
  }

  CheckSentinels(before, fake, AsciiUpper(script));
  constexpr std::uint32_t kOtherCodePages[] = {1252, 936, 949, 65001};
  if ((variant & 0x20) && NamesItself(script)) CheckWideRun(before, fake, exitCode, kOtherCodePages[variant >> 6]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  CheckLineCutting(input);
  if (size > 0) CheckRun(data[0], input.substr(1));
  return 0;
}
