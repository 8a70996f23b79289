// The tests' names for the in-memory system (src/memory/): the same Windows, seeded by each test.
#pragma once

#include "memory/memory_platform.h"

namespace qv::test {

using FakePlatform = MemoryPlatform;
using FakeFile = MemoryFile;
using FakeKey = MemoryKey;
using FakeValue = MemoryValue;
using FakeService = MemoryService;
using qv::ShownBox;

}  // namespace qv::test
