// Arbitrary bytes as the uninstall script, run for real and planned, as QvCheck.exe /plan plans
// it, on a copy of the same fake system (tests/fuzz/seeded_system.h): the plan changes nothing
// and shows no box, every call of its run that shows or changes something gets the answer the
// real run gets, in the same order, and what the plan reads at its end is what the real run left.
// The printed plan lists the same steps, with the same results, and ends with the exit code that
// fits the run.
//
// The first input byte chooses the variant; the rest is the script:
//   bit 0     the signature line "//QV-Uninstaller" is put before the script, so the run goes deep
//   bit 1     the product's folder also holds a subfolder and a file in use, so it cannot be removed
//   bit 2     the "Startup" shell folder value has the wrong type
//   bit 3     no program of the product runs (its mutex is free)
//
// The seed's key that opens for writing but then refuses every write is writable here: a plan
// learns what the system allows from whether it would open a key with the rights asked for, and
// nothing short of writing shows a refusal that comes after the open.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/texts.h"
#include "entry/entry.h"
#include "fuzz_support.h"
#include "plan/plan.h"
#include "plan_agreement.h"
#include "seeded_system.h"

namespace {

using qv::test::FakePlatform;

// The command line the plan gives its run: the uninstaller beside the checker, the folder quoted.
constexpr char kCommandLine[] = "\"C:\\Tools\\QvUninst.exe\" /u \"C:\\App\\\"";

// The system of a variant before the run, seeded once.
const FakePlatform& SystemBefore(std::uint8_t variant, const std::string& script) {
  static std::optional<FakePlatform> systems[16];
  std::optional<FakePlatform>& system = systems[variant & 0xE];
  if (!system) {
    qv::fuzz::SeedSystem(system.emplace(), variant & 0x4, variant & 0x2);
    if (variant & 0x8) system->mutexesHeldElsewhere.clear();
    system->FindKey(qv::kHkeyCurrentUser, "Software\\ReadOnly")->denyWrite = false;
    system->commandLine = kCommandLine;
  }
  system->AddFile(qv::fuzz::kScriptPath, script);
  return *system;
}

// The words a printed step begins with for a logged call, and whether the plan shows its result.
struct StepWords {
  const char* call;
  std::vector<const char*> words;
  bool hasResult;
};
const StepWords kStepWords[] = {
    {"MessageBoxA ", {"box "}, false},
    {"CreateMutexA ", {"mutex "}, false},
    {"SetFileAttributesA ", {"clear attributes ", "set attributes "}, true},
    {"DeleteFileA ", {"delete file "}, true},
    {"MoveFileA ", {"rename "}, true},
    {"RemoveDirectoryA ", {"remove folder "}, true},
    {"SHChangeNotify", {"notify the shell "}, false},
    {"RegCreateKeyExA ", {"create key "}, true},
    {"RegDeleteKeyA ", {"delete key "}, true},
    {"RegSetValueExA ", {"set value "}, true},
    {"MoveFileExA ", {"leave "}, true},
    {"RegDeleteValueA ", {"delete value "}, true},
};

bool StartsWith(const std::string& text, std::string_view start) { return text.compare(0, start.size(), start) == 0; }

bool EndsWith(const std::string& text, std::string_view end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The numbered lines of the printed plan, without their numbers.
std::vector<std::string> PrintedSteps(const std::string& plan) {
  std::vector<std::string> steps;
  std::size_t at = plan.find("\n\n") + 2;
  while (at < plan.size() && plan[at] != '\n') {
    const std::size_t end = plan.find('\n', at);
    const std::string line = plan.substr(at, end - at);
    at = end + 1;
    const std::size_t dot = line.find(". ");
    if (line.compare(0, 7, "       ") != 0 && dot != std::string::npos) steps.push_back(line.substr(dot + 2));
  }
  return steps;
}

// The printed plan names each call of the real run, in order, with its result.
void CheckPrintedPlan(const std::vector<std::string>& calls, const std::string& plan) {
  const std::vector<std::string> printed = PrintedSteps(plan);
  QV_FUZZ_CHECK(printed.size() == calls.size(), "the plan prints one step for each call of the real run");
  for (std::size_t i = 0; i < calls.size(); ++i) {
    const StepWords* words = nullptr;
    for (const StepWords& row : kStepWords)
      if (StartsWith(calls[i], row.call)) words = &row;
    QV_FUZZ_CHECK(words != nullptr, "every logged call is one the plan knows");
    bool named = false;
    for (const char* word : words->words) named |= StartsWith(printed[i], word);
    QV_FUZZ_CHECK(named, "the printed step is the call the real run makes");
    if (!words->hasResult) continue;
    // A registry call succeeds with 0, a file call with true (1).
    const bool done = EndsWith(calls[i], StartsWith(calls[i], "Reg") ? " -> 0" : " -> 1");
    QV_FUZZ_CHECK(EndsWith(printed[i], done ? "]: done" : "]: fails"), "the printed step's result is the real call's");
  }
}

// With QV_FUZZ_VERBOSE set, prints both runs' calls side by side: for one reproducer at a time.
void PrintCalls(const std::vector<std::string>& planned, const std::vector<std::string>& real) {
  if (!std::getenv("QV_FUZZ_VERBOSE")) return;
  for (std::size_t i = 0; i < std::max(planned.size(), real.size()); ++i)
    std::fprintf(stderr, "%s plan: %s\n     run:  %s\n",
                 i < planned.size() && i < real.size() && planned[i] == real[i] ? " " : "*",
                 i < planned.size() ? planned[i].c_str() : "-", i < real.size() ? real[i].c_str() : "-");
}

// The printing plan's run, logged, and what it reads at its end against what the real run left.
class LoggingTap final : public qv::PlanTap {
 public:
  LoggingTap(const FakePlatform& before, const FakePlatform& real) : before_(before), real_(real) {}
  std::optional<qv::test::CallLog> log;
  std::string difference;

  qv::Platform& Around(qv::PlanningPlatform& planning) override { return log.emplace(planning); }
  void Finished(qv::PlanningPlatform& planning) override {
    difference = qv::test::PlannedStateDifference(planning, before_, real_);
  }

 private:
  const FakePlatform& before_;
  const FakePlatform& real_;
};

void CheckPlan(std::uint8_t variant, std::string_view body) {
  const std::string script = (variant & 0x1 ? std::string("//QV-Uninstaller\r\n") : std::string()) + std::string(body);
  const FakePlatform& before = SystemBefore(variant, script);
  // The real and the planned run's systems of each variant live from input to input, made equal
  // to the one before the run when it ends: each keeps what its run left unchanged (all but the
  // script, mostly) instead of being copied anew.
  static FakePlatform systems[16][2];
  FakePlatform& real = systems[variant & 0xE][0];
  FakePlatform& planned = systems[variant & 0xE][1];
  for (FakePlatform* system : {&real, &planned}) *system = before;
  const qv::fuzz::ResetAtEnd resetReal(real, before), resetPlanned(planned, before);

  qv::test::CallLog realLog(real);
  const int realCode = qv::ProgramEntry(realLog);

  // The plan is printed from a run on a planning platform over the same system.
  LoggingTap tap(before, real);
  std::string plan;
  const int planCode = qv::PlanCommand(planned, "C:\\App\\", plan, tap);
  QV_FUZZ_CHECK(planned.SameFilesAndRegistry(before), "planning changes no file and no key");
  QV_FUZZ_CHECK(planned.boxes.empty(), "planning shows no box");
  QV_FUZZ_CHECK(planned.OpenKeyCount() == 0, "planning leaves no key of the system open");
  PrintCalls(tap.log->calls, realLog.calls);
  QV_FUZZ_CHECK(tap.log->calls == realLog.calls, "the planned run makes the real run's calls, with its results");
  if (!tap.difference.empty() && std::getenv("QV_FUZZ_VERBOSE")) std::fprintf(stderr, "%s\n", tap.difference.c_str());
  QV_FUZZ_CHECK(tap.difference.empty(), "what the plan reads at its end is what the real run left");

  CheckPrintedPlan(realLog.calls, plan);
  // The final report, with or without its line about the restart.
  bool reported = false;
  const std::string_view restartLine = qv::texts::kReportRestartLine;
  for (const std::string_view report : {qv::texts::kReportAllRemoved, qv::texts::kReportFilesRemain,
                                        qv::texts::kReportSettingsRemain, qv::texts::kReportBothRemain}) {
    const std::string_view last = realCode == 0 && !real.boxes.empty() ? real.boxes.back().text : std::string_view();
    reported |= last.substr(0, report.size()) == report &&
                (last.size() == report.size() || last.substr(report.size()) == restartLine);
  }
  const int expected =
      realCode != 0 ? qv::kPlanEndsInFatal : (reported ? qv::kPlanEndsWithReport : qv::kPlanStopsEarly);
  QV_FUZZ_CHECK(planCode == expected, "the plan's exit code says how the real run ends");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 0) CheckPlan(data[0], std::string_view(reinterpret_cast<const char*>(data), size).substr(1));
  return 0;
}
