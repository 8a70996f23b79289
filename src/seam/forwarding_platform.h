// A platform that wraps another: it overrides only the calls it changes, and every other call is
// handed to the platform below as it is.
#pragma once

#include "seam/platform.h"

namespace qv {

class ForwardingPlatform : public Platform {
 public:
  explicit ForwardingPlatform(Platform& inner) : Platform(&inner), inner_(inner) {}

 protected:
  Platform& inner_;
};

}  // namespace qv
