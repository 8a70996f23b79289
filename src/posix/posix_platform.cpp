#include "posix/posix_platform.h"

#include <fstream>
#include <iterator>
#include <sys/stat.h>

#include "system/case_mapping.h"
#include "system/text.h"

namespace qv {

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

}  // namespace qv
