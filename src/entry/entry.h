// The program's entry: its modes and the errors that end them.
#pragma once

#include "common/errors.h"
#include "seam/platform.h"
#include "seam/wide_calls.h"
#include "sections/run_observer.h"

namespace qv {

// The whole program; returns the exit code: 0 after a normal end, 1 after the fatal error report.
// A silent run ("/s") shows no box and returns the codes of entry/silent_run.h. An uninstall run
// tells the observer what it does. Where the system's code page is not 932 the program runs on
// the platform of its wide calls.
int ProgramEntry(Platform& platform, WideCalls& wide, RunObserver& observer = NoObserver());
// The same on a platform that is a system of code page 932, or made to look one (the plan's).
int ProgramEntry(Platform& platform, RunObserver& observer = NoObserver());

}  // namespace qv
