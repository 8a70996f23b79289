#include "win32/win32_values.h"

#include <new>

namespace qv {

namespace win32 {

std::optional<std::string> ReadOpenedFile(const FileHandle& file) {
  if (!file) return std::nullopt;
  // A size that cannot be had, or one of 4 GiB or more, is a failure: nothing is read.
  LONG high = 0;
  const DWORD size = ::SetFilePointer(file.get(), 0, &high, FILE_END);
  if (size == INVALID_SET_FILE_POINTER || high != 0) return std::nullopt;
  if (::SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN) != 0) return std::nullopt;
  std::string bytes;
  try {
    bytes.resize(size);
  } catch (const std::bad_alloc&) {
    return std::nullopt;  // more than the process can hold
  }
  DWORD read = 0;
  if (size > 0 && (!::ReadFile(file.get(), bytes.data(), size, &read, nullptr) || read != size)) return std::nullopt;
  return bytes;
}

namespace {

bool WriteAll(HANDLE file, const std::string& bytes) {
  DWORD written = 0;
  return bytes.empty() || (::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                           written == bytes.size());
}

}  // namespace

bool AppendToOpenedFile(const FileHandle& file, const std::string& firstBytes, const std::string& bytes) {
  if (!file) return false;
  if (::GetFileSize(file.get(), nullptr) == 0 && !WriteAll(file.get(), firstBytes)) return false;
  return WriteAll(file.get(), bytes);
}

ErrorCode MutexResult(HANDLE mutex, DWORD error) {
  if (mutex) return error == ERROR_ALREADY_EXISTS ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS;
  return error != ERROR_SUCCESS ? error : ERROR_INVALID_HANDLE;
}

}  // namespace win32

}  // namespace qv
