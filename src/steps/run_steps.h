// The steps of an uninstall run in words: what QvCheck /plan prints of a run worked out without
// changes, and what a silent run writes to its log of the real calls. One wording for both.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "guard/guard.h"
#include "seam/platform.h"

namespace qv {

// One thing the run did that the user would see or that changes the system, in order.
struct RunStep {
  enum class Kind {
    kBox,
    kMutex,
    kSetAttributes,
    kDeleteFile,
    kMoveFile,
    kRemoveFolder,
    kDeleteKey,
    kCreateKey,
    kSetValue,
    kDeleteValue,
    kLeaveToRestart,
    kNotifyShell,
    kRemoveFromPath,  // a Path value written without the product's folders
    kSettingChange,   // running programs told that a part of the settings changed
    kStopService,
    kDeleteService,
  };
  RunStep() = default;
  explicit RunStep(Kind kind, std::string target = {}, std::string detail = {})
      : kind(kind), target(std::move(target)), detail(std::move(detail)) {}

  Kind kind = Kind::kBox;
  std::string target;        // path; key (root's short name first); mutex name; service name; box caption
  std::string detail;        // new path of a rename; value name; box text
  std::string data;          // value data, without its final NUL
  std::uint32_t number = 0;  // attributes set; box flags; value type; shell event; elements kept
  // The target just before the step, in words (a plan knows it); for a box, how it was answered
  // ("not shown" in a silent run). Empty when not known.
  std::string state;
  bool succeeds = true;  // the call's result; for a mutex: it did not exist before
  ErrorCode error = 0;   // why the call failed, when the system said
  int answer = 0;        // the box's answer
};

// What a PATH= entry takes out of an environment's Path value: the elements removed, as written,
// and how many other elements (not empty ones) stay.
struct PathRemoval {
  std::vector<std::string> removed;
  std::uint32_t kept = 0;
};

// The step of the write that carries the removal out, worded as that removal.
void DescribeAsPathRemoval(RunStep& step, const PathRemoval& removal);

// The step on one line: "delete file "C:\A\x.txt" [exists]: done". A box's text is not part of it.
std::string StepLine(const RunStep& step);

// "HKCU" and the like; an unknown root as its number.
std::string RootShortName(RegistryRoot root);

// The state of a mutex that CreateMutexA answered with status, in words.
std::string MutexState(ErrorCode status);

std::string Quoted(const std::string& text);

// A REG_DWORD's number in decimal, from its bytes (the lowest first); a byte left off at the end (a
// step's data loses a final NUL) reads as 0.
std::string DwordText(const std::string& data);
// A service's state as QueryServiceStateA gave it, in words ("running", "not there").
std::string ServiceState(const std::optional<std::uint32_t>& state);

}  // namespace qv
