// The in-memory system's service control manager.
#include "memory/memory_platform.h"

namespace qv {

namespace {

constexpr char kServices[] = "SYSTEM\\CurrentControlSet\\Services";

}  // namespace

MemoryService& MemoryPlatform::AddService(const std::string& name, const std::string& program) {
  SetValue(kHkeyLocalMachine, std::string(kServices) + "\\" + name, "ImagePath", program, win::kRegExpandSz);
  MemoryService& service = services[Upper(name)];
  service.name = name;
  return service;
}

void MemoryPlatform::RemoveService(std::map<std::string, MemoryService>::iterator service) {
  if (MemoryKey* list = FindKey(kHkeyLocalMachine, kServices)) {
    auto key = list->subkeys.find(service->first);
    if (key != list->subkeys.end()) {
      key->second->deleted = true;
      list->subkeys.erase(key);
    }
  }
  services.erase(service);
}

ErrorCode MemoryPlatform::StopServiceStored(const std::string& name) {
  auto it = services.find(Upper(name));
  if (it == services.end()) return win::kErrorServiceDoesNotExist;
  MemoryService& service = it->second;
  if (service.state == win::kServiceStopped) return win::kErrorServiceNotActive;
  service.state = service.stops ? win::kServiceStopped : win::kServiceStopPending;
  if (service.stops && service.markedForDeletion) RemoveService(it);
  return win::kErrorSuccess;
}

std::optional<std::uint32_t> MemoryPlatform::QueryServiceStateStored(const std::string& name) {
  auto it = services.find(Upper(name));
  if (it == services.end()) return std::nullopt;
  return it->second.state;
}

ErrorCode MemoryPlatform::DeleteServiceStored(const std::string& name) {
  auto it = services.find(Upper(name));
  if (it == services.end()) return win::kErrorServiceDoesNotExist;
  if (it->second.markedForDeletion) return win::kErrorServiceMarkedForDelete;
  if (it->second.state == win::kServiceStopped)
    RemoveService(it);
  else
    it->second.markedForDeletion = true;
  return win::kErrorSuccess;
}

}  // namespace qv
