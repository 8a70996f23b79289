// The services' calls: each opens the service control manager and the service, makes its one
// call and closes both. The ANSI calls open the service with OpenServiceA, their wide twins with
// OpenServiceW.
#include <windows.h>

#include "win32/handles.h"
#include "win32/win32_platform.h"
#include "win32/win32_values.h"

namespace qv {

namespace {

// The service opened with access through open(manager, access), handed to call; the error of the
// first call that fails.
template <typename Open, typename Call>
ErrorCode WithService(DWORD access, Open open, Call call) {
  const ServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager) return ::GetLastError();
  const ServiceHandle service(open(manager.get(), access));
  if (!service) return ::GetLastError();
  return call(service.get()) ? ERROR_SUCCESS : ::GetLastError();
}

template <typename Open>
ErrorCode Stop(Open open) {
  return WithService(SERVICE_STOP, open, [](SC_HANDLE service) {
    SERVICE_STATUS status;
    return ::ControlService(service, SERVICE_CONTROL_STOP, &status);
  });
}

template <typename Open>
std::optional<std::uint32_t> State(Open open) {
  DWORD state = 0;
  const ErrorCode opened = WithService(SERVICE_QUERY_STATUS, open, [&state](SC_HANDLE service) {
    SERVICE_STATUS status;
    if (::QueryServiceStatus(service, &status)) state = status.dwCurrentState;
    return TRUE;
  });
  if (opened != ERROR_SUCCESS) return std::nullopt;
  return state;
}

template <typename Open>
ErrorCode Delete(Open open) {
  return WithService(DELETE, open, [](SC_HANDLE service) { return ::DeleteService(service); });
}

auto OpenA(const std::string& name) {
  return [&name](SC_HANDLE manager, DWORD access) { return ::OpenServiceA(manager, name.c_str(), access); };
}

auto OpenW(const std::u16string& name) {
  return [&name](SC_HANDLE manager, DWORD access) { return ::OpenServiceW(manager, win32::Wide(name), access); };
}

}  // namespace

ErrorCode Win32Platform::StopServiceA(const std::string& name) { return Stop(OpenA(name)); }

std::optional<std::uint32_t> Win32Platform::QueryServiceStateA(const std::string& name) { return State(OpenA(name)); }

ErrorCode Win32Platform::DeleteServiceA(const std::string& name) { return Delete(OpenA(name)); }

void Win32Platform::Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

ErrorCode Win32Platform::StopServiceW(const std::u16string& name) { return Stop(OpenW(name)); }

std::optional<std::uint32_t> Win32Platform::QueryServiceStateW(const std::u16string& name) {
  return State(OpenW(name));
}

ErrorCode Win32Platform::DeleteServiceW(const std::u16string& name) { return Delete(OpenW(name)); }

}  // namespace qv
