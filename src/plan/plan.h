// QvCheck.exe /plan: what the uninstall of a product would do, worked out without doing it.
#pragma once

#include <string>

#include "seam/platform.h"

namespace qv {

class PlanningPlatform;

// How a plan ends: its exit code and the words its last line gives for it. These are all of them.
struct PlanEnding {
  int code;
  const char* meaning;
  constexpr operator int() const { return code; }
};
inline constexpr PlanEnding kPlanEndsWithReport{0, "the run would end with its final report"};
// A program of the product runs, or there is no script.
inline constexpr PlanEnding kPlanStopsEarly{1, "the run would stop early, before its passes"};
inline constexpr PlanEnding kPlanEndsInFatal{2, "the run would end in the fatal error report"};
inline constexpr PlanEnding kPlanUnreadable{3, "the script cannot be read"};

// Runs the uninstall that "QvUninst.exe /u ARGUMENT" would make on a planning platform over the
// system and appends the plan to out, in the ANSI code page as the program's own texts: every box
// with the answer a user who says Yes would give, every mutex, every change with the state of its
// target and the result it would have, then how the run ends and what stays in the product's
// folder. Nothing on the system is changed but the mutexes, held until this process ends.
int PlanCommand(Platform& system, const std::string& scriptArgument, std::string& out);

// A look into the run a plan makes, for the checks that judge plans: the run makes its calls on
// Around's platform, which hands them on to the planning platform, and Finished sees the planning
// platform once the plan is written.
class PlanTap {
 public:
  virtual Platform& Around(PlanningPlatform& planning) = 0;
  virtual void Finished(PlanningPlatform& planning) = 0;

 protected:
  ~PlanTap() = default;
};
int PlanCommand(Platform& system, const std::string& scriptArgument, std::string& out, PlanTap& tap);

}  // namespace qv
