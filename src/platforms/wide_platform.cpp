#include "platforms/wide_platform.h"

#include "text/case_mapping.h"
#include "text/program_text.h"

namespace qv {

namespace {

bool IsText(std::uint32_t type) { return type == win::kRegSz || type == win::kRegExpandSz || type == win::kRegMultiSz; }

}  // namespace

std::u16string WidePlatform::Wide(const std::string& text) {
  return WidenText(*this, kProgramCodePage, text, ShiftJisLeadBytes());
}

std::string WidePlatform::Narrow(const std::u16string& text) { return ProgramTextFromWide(wide_, text); }

std::optional<std::string> WidePlatform::Narrow(const std::optional<std::u16string>& text) {
  if (!text) return std::nullopt;
  return Narrow(*text);
}

std::string WidePlatform::GetCommandLineA() { return Narrow(wide_.GetCommandLineW()); }
std::string WidePlatform::GetModuleFileNameA() { return Narrow(wide_.GetModuleFileNameW()); }

int WidePlatform::MessageBoxA(const std::string& text, const std::string& caption, std::uint32_t flags) {
  return wide_.MessageBoxW(Wide(text), Wide(caption), flags);
}

std::string WidePlatform::CharUpperBuffA(std::string text) {
  return UpperCase932(std::move(text), ShiftJisLeadBytes());
}
std::string WidePlatform::CharLowerBuffA(std::string text) {
  return LowerCase932(std::move(text), ShiftJisLeadBytes());
}

std::uint32_t WidePlatform::GetACP() { return kProgramCodePage; }

std::optional<std::u16string> WidePlatform::MultiByteToWideChar(std::uint32_t codePage, const std::string& bytes) {
  if (codePage == kProgramCodePage) return ReadProgramText(inner_, wide_, bytes);
  return inner_.MultiByteToWideChar(codePage, bytes);
}

int WidePlatform::GetSystemMetrics(int index) {
  return index == win::kSmDbcsEnabled ? 1 : inner_.GetSystemMetrics(index);
}

std::vector<std::pair<std::uint8_t, std::uint8_t>> WidePlatform::GetCPInfoLeadBytes() {
  return {{0x81, 0x9F}, {0xE0, 0xFC}};
}

std::optional<std::string> WidePlatform::GetLocaleInfoA(std::uint32_t locale, std::uint32_t type) {
  return Narrow(wide_.GetLocaleInfoW(locale, type));
}

std::optional<FindData> WidePlatform::FindFirstFileA(const std::string& path) {
  return wide_.FindFirstFileW(Wide(path));
}

bool WidePlatform::SetFileAttributesA(const std::string& path, std::uint32_t attributes) {
  return wide_.SetFileAttributesW(Wide(path), attributes);
}

bool WidePlatform::DeleteFileA(const std::string& path) { return wide_.DeleteFileW(Wide(path)); }

bool WidePlatform::MoveFileA(const std::string& oldPath, const std::string& newPath) {
  return wide_.MoveFileW(Wide(oldPath), Wide(newPath));
}

bool WidePlatform::RemoveDirectoryA(const std::string& path) { return wide_.RemoveDirectoryW(Wide(path)); }

bool WidePlatform::MoveFileExA(const std::string& path, std::uint32_t flags) {
  return wide_.MoveFileExW(Wide(path), flags);
}

std::string WidePlatform::GetWindowsDirectoryA() { return Narrow(wide_.GetWindowsDirectoryW()); }
std::string WidePlatform::GetSystemDirectoryA() { return Narrow(wide_.GetSystemDirectoryW()); }

std::optional<std::string> WidePlatform::ReadWholeFile(const std::string& path) {
  return wide_.ReadWholeFileW(Wide(path));
}

std::optional<std::string> WidePlatform::GetFileCompanyNameA(const std::string& path) {
  return Narrow(wide_.GetFileCompanyNameW(Wide(path)));
}

std::vector<FoundFile> WidePlatform::FindFilesA(const std::string& pattern) {
  std::vector<FoundFile> found;
  for (const FoundFileW& file : wide_.FindFilesW(Wide(pattern))) found.push_back({Narrow(file.name), file.data});
  return found;
}

ErrorCode WidePlatform::TryOpenFileA(const std::string& path, std::uint32_t access) {
  return wide_.TryOpenFileW(Wide(path), access);
}

bool WidePlatform::AppendToFileA(const std::string& path, const std::string& firstBytes, const std::string& bytes) {
  return wide_.AppendToFileW(Wide(path), firstBytes, bytes);
}

std::optional<std::string> WidePlatform::GetEnvironmentVariableA(const std::string& name) {
  return Narrow(wide_.GetEnvironmentVariableW(Wide(name)));
}

ErrorCode WidePlatform::CreateMutexA(const std::string& name) { return wide_.CreateMutexW(Wide(name)); }

void WidePlatform::BroadcastSettingChange(const std::string& area) { wide_.BroadcastSettingChangeW(Wide(area)); }
std::optional<std::string> WidePlatform::GetUserNameA() { return Narrow(wide_.GetUserNameW()); }
ErrorCode WidePlatform::StopServiceA(const std::string& name) { return wide_.StopServiceW(Wide(name)); }

std::optional<std::uint32_t> WidePlatform::QueryServiceStateA(const std::string& name) {
  return wide_.QueryServiceStateW(Wide(name));
}

ErrorCode WidePlatform::DeleteServiceA(const std::string& name) { return wide_.DeleteServiceW(Wide(name)); }

ErrorCode WidePlatform::RegOpenKeyExA(KeyHandle key, const std::string& subKey, std::uint32_t access,
                                      KeyHandle& result) {
  return wide_.RegOpenKeyExW(key, Wide(subKey), access, result);
}

ErrorCode WidePlatform::RegCreateKeyExA(KeyHandle key, const std::string& subKey, std::uint32_t options,
                                        std::uint32_t access, KeyHandle& result) {
  return wide_.RegCreateKeyExW(key, Wide(subKey), options, access, result);
}

ErrorCode WidePlatform::RegDeleteKeyA(KeyHandle key, const std::string& subKey) {
  return wide_.RegDeleteKeyW(key, Wide(subKey));
}

// The buffer is measured as for code page 932: an escaped character takes the two bytes of a
// double-byte character there, so a name fits whenever it would on a system of that code page.
ErrorCode WidePlatform::RegEnumKeyExA(KeyHandle key, std::uint32_t index, std::uint32_t nameBufferSize,
                                      std::string& name) {
  std::u16string wide;
  const ErrorCode status = wide_.RegEnumKeyExW(key, index, nameBufferSize, wide);
  if (status != win::kErrorSuccess) return status;
  std::string narrow = Narrow(wide);
  if (BytesIn932(narrow) + 1 > nameBufferSize) return win::kErrorMoreData;
  name = std::move(narrow);
  return status;
}

// A text value is read in UTF-16 and given in code page 932; its size is that of the bytes given.
ErrorCode WidePlatform::RegQueryValueExA(KeyHandle key, const std::string& name, std::uint32_t& type, std::string* data,
                                         std::uint32_t& size) {
  std::string bytes;
  const ErrorCode status = wide_.RegQueryValueExW(key, Wide(name), type, bytes);
  if (status != win::kErrorSuccess) return status;
  if (IsText(type)) bytes = Narrow(Utf16Units(bytes));
  const std::uint32_t room = size;
  size = static_cast<std::uint32_t>(bytes.size());
  if (!data) return win::kErrorSuccess;
  if (bytes.size() > room) {
    data->clear();
    return win::kErrorMoreData;
  }
  *data = std::move(bytes);
  return win::kErrorSuccess;
}

ErrorCode WidePlatform::RegSetValueExA(KeyHandle key, const std::string& name, std::uint32_t type,
                                       const std::string& data) {
  return wide_.RegSetValueExW(key, Wide(name), type, IsText(type) ? Utf16Bytes(Wide(data)) : data);
}

ErrorCode WidePlatform::RegDeleteValueA(KeyHandle key, const std::string& name) {
  return wide_.RegDeleteValueW(key, Wide(name));
}

}  // namespace qv
