// A tiny service for the end-to-end cases, run by the service control manager as its own process:
//
//   qvservice.exe NAME [stubborn]
//
// It reports itself running as the service NAME and stops when asked. A stubborn one accepts no
// stop request and runs until its process ends.
#include <cstring>

#include <windows.h>

namespace {

SERVICE_STATUS_HANDLE g_handle = nullptr;
SERVICE_STATUS g_status{SERVICE_WIN32_OWN_PROCESS, SERVICE_START_PENDING, 0, NO_ERROR, 0, 0, 0};
HANDLE g_stop = nullptr;
char* g_name = nullptr;
bool g_stubborn = false;

void Report(DWORD state) {
  g_status.dwCurrentState = state;
  g_status.dwControlsAccepted = state == SERVICE_RUNNING && !g_stubborn ? SERVICE_ACCEPT_STOP : 0;
  SetServiceStatus(g_handle, &g_status);
}

DWORD WINAPI Handler(DWORD control, DWORD, void*, void*) {
  if (control == SERVICE_CONTROL_INTERROGATE) return NO_ERROR;
  if (control != SERVICE_CONTROL_STOP || g_stubborn) return ERROR_CALL_NOT_IMPLEMENTED;
  Report(SERVICE_STOP_PENDING);
  SetEvent(g_stop);
  return NO_ERROR;
}

void WINAPI ServiceMain(DWORD, LPSTR*) {
  g_handle = RegisterServiceCtrlHandlerExA(g_name, Handler, nullptr);
  if (!g_handle) return;
  g_stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  Report(SERVICE_RUNNING);
  WaitForSingleObject(g_stop, INFINITE);
  Report(SERVICE_STOPPED);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  g_name = argv[1];
  g_stubborn = argc > 2 && std::strcmp(argv[2], "stubborn") == 0;
  SERVICE_TABLE_ENTRYA table[] = {{g_name, ServiceMain}, {nullptr, nullptr}};
  return StartServiceCtrlDispatcherA(table) ? 0 : 1;
}
