// Rules of the platform that the fake copies from Windows. Each test is written once, against the
// Platform interface, and runs natively against FakePlatform (the unit layer) and under Wine
// against Win32Platform (the win32 layer), so the fake cannot drift from Windows; and against the
// platforms the program puts above them: the planning one, and the one that passes every name
// through the wide calls where the system's code page is not 932 (built with QV_WIDE_WORLD).
#pragma once

#include <memory>
#include <string>

#include "seam/platform.h"
#include "seam/wide_calls.h"

namespace qv::contract {

// The key below HKEY_CURRENT_USER that registry rules work in.
inline constexpr char kTestKey[] = "Software\\QvUninstContract";

// One platform to test, and what a test needs to see past it.
class World {
 public:
  virtual ~World() = default;
  virtual Platform& platform() = 0;
  // Whether the key below HKEY_CURRENT_USER exists, seen without the platform under test.
  virtual bool KeyExists(const std::string& path) = 0;

  // Files, made without the platform under test. A fresh, empty folder (its path without a final
  // "\"), removed with everything in it when the world ends.
  virtual std::string NewFolder(const std::string& name) = 0;
  virtual void WriteFile(const std::string& path, const std::string& bytes) = 0;
  virtual void MakeFolder(const std::string& path) = 0;
  // Another program opens the file with share mode 0 and keeps it open while the world lives.
  virtual void HoldFile(const std::string& path) = 0;
  // The system's wide calls; nothing where the platform is one that has none (the plan's).
  virtual WideCalls* wide() = 0;
};

// A fresh world: the test key does not exist. Each build defines it for its platform; the
// real one removes the test key again when it ends.
std::unique_ptr<World> NewWorld();

}  // namespace qv::contract
