// "[deletefile]" SHARED= entries: the use count that Windows keeps for a shared file (installers
// raise it), lowered by the product that goes.
#pragma once

#include <string>

#include "sections/run_context.h"

namespace qv {

// Lowers the use count of the file at the full path. True when no program uses the file any
// more, so that it goes: it had no count, or its last one (a count of 1 or 0) is deleted. A higher
// count is written one lower and the file stays; a count that is no number keeps the file, and the
// observer hears that the entry is passed over.
bool ReleaseSharedFile(RunContext& run, const std::string& path, const std::string& line, int index);

}  // namespace qv
