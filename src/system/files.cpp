#include "system/files.h"

#include <optional>

#include "common/errors.h"
#include "common/texts.h"

namespace qv {

namespace {

bool IsFolder(const FindData& data) { return (data.attributes & win::kFileAttributeDirectory) != 0; }

// 1 January 2108, 00:00, as a file time: the first moment after the DOS date range. Some systems
// wrap the year instead of failing for later times, so the range is checked here as well.
constexpr std::uint64_t kEndOfDosRange = 159992928000000000ull;

}  // namespace

bool FileExists(Platform& platform, const std::string& path) {
  std::optional<FindData> found = platform.FindFirstFileA(path);
  return found && !IsFolder(*found);
}

std::int32_t FileAge(Platform& platform, const std::string& path) {
  std::optional<FindData> found = platform.FindFirstFileA(path);
  if (!found || IsFolder(*found)) return -1;
  std::optional<std::uint64_t> local = platform.FileTimeToLocalFileTime(found->lastWriteTime);
  if (!local || *local >= kEndOfDosRange) return -1;
  std::optional<DosDateTime> dos = platform.FileTimeToDosDateTime(*local);
  if (!dos) return -1;
  return static_cast<std::int32_t>((static_cast<std::uint32_t>(dos->date) << 16) | dos->time);
}

std::string ReadWholeFile(Platform& platform, const std::string& path) {
  std::optional<std::string> bytes = platform.ReadWholeFile(path);
  if (!bytes) Raise<EFOpenError>(texts::kFileOpenError, SystemText(path));
  return std::move(*bytes);
}

}  // namespace qv
