#include "win32/win32_values.h"

namespace qv {

namespace win32 {

std::optional<std::string> ReadOpenedFile(const FileHandle& file) {
  if (!file) return std::nullopt;
  DWORD size = ::SetFilePointer(file.get(), 0, nullptr, FILE_END);
  if (size == INVALID_SET_FILE_POINTER) size = 0;
  ::SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN);
  std::string bytes(size, '\0');
  DWORD read = 0;
  if (size > 0) ::ReadFile(file.get(), bytes.data(), size, &read, nullptr);
  bytes.resize(read);  // only the bytes actually delivered
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
