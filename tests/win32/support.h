// Helpers of the Win32 platform tests: child processes of the test program itself, scratch
// folders and files, and file times.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <windows.h>

namespace qv::wintest {

// Runs the child modes when this process was started as a child; returns true with the exit
// code set in that case. Called first thing by main.
bool RunAsChild(int& exitCode);

// Full path of this test program, as the system reports it.
std::string OwnPath();

// What a child saw of its command line.
struct SplitResult {
  std::string moduleFileName;           // Win32Platform::GetModuleFileNameA
  std::vector<std::string> parameters;  // SplitCommandLine(Win32Platform::GetCommandLineA())
};

// Starts this program as a child with exactly the given command line (the application name is
// passed separately, so the line reaches the child byte for byte) and reads back what it split.
SplitResult SplitInChild(const std::string& commandLine, const std::string& scratchFolder);

// The short date picture that ReadLocaleFormats gives a child started now (the locale settings
// are read when a process starts).
std::string ShortDateInChild(const std::string& scratchFolder);

// Starts this program as a child that calls Win32Platform::CreateMutexA(name) and returns its
// result as exit code; the parent's mutexes stay alive meanwhile.
std::uint32_t CreateMutexInChild(const std::string& name);

// A fresh, empty folder below the temporary folder, removed with everything in it at the end.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& name);
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& path() const { return path_; }  // no final "\"
  std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

void WriteBytes(const std::string& path, const std::string& bytes);
void MakeFolder(const std::string& path);
bool IsFile(const std::string& path);
bool IsFolder(const std::string& path);
void DeleteTree(const std::string& path);

// Sets the last-write time of a file from a UTC calendar time.
void SetWriteTimeUtc(const std::string& path, int year, int month, int day, int hour, int minute, int second);

}  // namespace qv::wintest
