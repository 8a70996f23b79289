// The silent log's line that names the account the run is in. Run as SYSTEM (as deployment tools
// often do), the user's registry and folders are SYSTEM's own, and the line says so.
#pragma once

#include "common/mixed_text.h"
#include "seam/platform.h"

namespace qv {

// "account: NAME", with what SYSTEM's per-user locations are when NAME is SYSTEM (any case).
MixedText AccountLine(Platform& system);

}  // namespace qv
