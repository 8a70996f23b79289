// qvcheck --plan --tree DIR [--reg FILE.reg]... [--base "C:\FOLDER\"] SCRIPT: the plan of
// QvCheck.exe /plan, made on Linux against a product as installed: its folder copied into a
// machine in memory, with the registry of the exports.
#pragma once

namespace qv {

// argv[1] is "--plan". Returns the plan's exit code (plan/plan.h), 3 when the command line, the
// tree or an export cannot be read.
int TreePlanMain(int argc, char** argv);

}  // namespace qv
