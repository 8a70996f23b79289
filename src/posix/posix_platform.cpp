#include "posix/posix_platform.h"

#include <dirent.h>
#include <fnmatch.h>
#include <fstream>
#include <iterator>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include "text/case_mapping.h"
#include "text/text.h"

namespace qv {

namespace {

// An open folder listing is closed by its owner, on every way out.
struct FolderCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};

}  // namespace

std::string PosixPlatform::CharUpperBuffA(std::string text) {
  return UpperCase932(std::move(text), ShiftJisLeadBytes());
}

std::string PosixPlatform::CharLowerBuffA(std::string text) {
  return LowerCase932(std::move(text), ShiftJisLeadBytes());
}

std::vector<std::pair<std::uint8_t, std::uint8_t>> PosixPlatform::GetCPInfoLeadBytes() {
  return {{0x81, 0x9F}, {0xE0, 0xFC}};
}

std::optional<FindData> PosixPlatform::FindFirstFileA(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return std::nullopt;
  FindData found;
  if (S_ISDIR(info.st_mode)) found.attributes = win::kFileAttributeDirectory;
  return found;
}

std::optional<std::string> PosixPlatform::ReadWholeFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (file.bad()) return std::nullopt;
  return bytes;
}

// The entries of the pattern's folder whose names match its last part, letters in either case.
std::vector<FoundFile> PosixPlatform::FindFilesA(const std::string& pattern) {
  std::vector<FoundFile> found;
  const std::size_t slash = pattern.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : pattern.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? pattern : pattern.substr(slash + 1);
  const std::unique_ptr<DIR, FolderCloser> dir(opendir(folder.c_str()));
  if (!dir) return found;
  while (const dirent* entry = readdir(dir.get())) {
    if (fnmatch(name.c_str(), entry->d_name, FNM_CASEFOLD) != 0) continue;
    std::optional<FindData> data = FindFirstFileA(folder + "/" + entry->d_name);
    if (data) found.push_back({entry->d_name, *data});
  }
  return found;
}

// There are no other programs' handles to ask about: the file or folder must exist.
ErrorCode PosixPlatform::TryOpenFileA(const std::string& path, std::uint32_t) {
  return ::access(path.c_str(), F_OK) == 0 ? win::kErrorSuccess : win::kErrorFileNotFound;
}

}  // namespace qv
