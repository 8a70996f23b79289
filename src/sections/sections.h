// One handler per section kind. Each walks its own section's body, from the line after its
// header (in the run's copy of the script) to the terminator "end;".
#pragma once

#include "script/section_index.h"
#include "sections/run_context.h"

namespace qv {

// "[execution]": creates the named mutexes of the product's programs; a mutex that existed
// before, followed by "APPNAME=", is reported as a running program. True when one was reported.
bool CheckRunningApplications(RunContext& run, const ScriptFile& script, const Section& section);

// "[warning]": the body's lines joined into one warning box.
void ShowWarning(RunContext& run, const ScriptFile& script, const Section& section);

// "[deletereg]": asks first; on Yes deletes the keys the entries name, each with all below it.
void DeleteRegistryEntries(RunContext& run, const ScriptFile& script, const Section& section);

// "[deletereg]" SERVICE=: a service of the product (the guard judges its key below Services) is
// asked to stop, waited for, deleted and waited for until the manager no longer lists it; one that
// is still listed then goes at the next start of Windows. line is the entry as written.
void RemoveService(RunContext& run, RegistryRoot root, const std::string& path, int index, const std::string& line);

// "[createreg]": creates keys and writes string values.
void CreateRegistryEntries(RunContext& run, const ScriptFile& script, const Section& section);

// "[renamefile]": renames files in the base, Windows or system folder.
void RenameFiles(RunContext& run, const ScriptFile& script, const Section& section);

// "[deletefile]": deletes the product's files, then removes the base folder unless the section
// says "SAVEFOLDER"; records whether the folder is gone.
void DeleteFiles(RunContext& run, const ScriptFile& script, const Section& section);

}  // namespace qv
