// The executable's entry: build the real platform and hand over to the program.
#include <windows.h>

#include "entry/entry.h"
#include "win32/win32_platform.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  qv::Win32Platform platform;
  return qv::ProgramEntry(platform, platform);
}
