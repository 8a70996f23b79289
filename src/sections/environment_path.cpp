#include "sections/environment_path.h"

#include <optional>

#include "system/environment.h"

namespace qv {

namespace {

// The path upper-cased, "/" as "\" (neither byte ends a double-byte character), no final "\".
std::string Comparable(Platform& platform, const LeadByteTable& lead, std::string path) {
  for (char& c : path)
    if (c == '/') c = '\\';
  path = platform.CharUpperBuffA(std::move(path));
  while (!path.empty() && LastDelimiter(path, "\\", lead) == path.size() - 1) path.pop_back();
  return path;
}

bool NamesFolder(Platform& platform, const LeadByteTable& lead, std::string element, const std::string& folder) {
  if (element.size() >= 2 && element.front() == '"' && element.back() == '"')
    element = element.substr(1, element.size() - 2);
  const std::string path = Comparable(platform, lead, ExpandedVariables(platform, element));
  if (path.compare(0, folder.size(), folder) != 0) return false;
  if (path.size() == folder.size()) return true;
  if (path[folder.size()] != '\\') return false;
  for (const std::string& name : SplitPathNames(path.substr(folder.size()), "\\", lead))
    if (name == "." || name == "..") return false;
  return true;
}

}  // namespace

PathCut CutFolderFromPath(Platform& platform, const LeadByteTable& lead, const std::string& text,
                          const std::string& folder) {
  const std::string comparable = Comparable(platform, lead, folder);
  PathCut cut;
  bool first = true;
  for (std::size_t start = 0, end = 0; end != std::string::npos; start = end + 1) {
    end = text.find(';', start);
    const std::string element = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!element.empty() && NamesFolder(platform, lead, element, comparable)) {
      cut.removal.removed.push_back(element);
      continue;
    }
    cut.text += (first ? "" : ";") + element;
    first = false;
    if (!element.empty()) ++cut.removal.kept;
  }
  return cut;
}

bool RemoveProductFromPath(RunContext& run, RegistryAccessor& registry, const CleanupTarget& target, int index,
                           const std::string& line) {
  if (target.root == kInvalidRoot || run.baseFolder.empty()) return false;
  // A drive's or a share's root as the product's folder would take every element on it.
  if (const std::optional<Refusal> refusal = FolderRefusal(run.baseFolder, run.system.leadBytes)) {
    run.observer.EntryPassedOver({*refusal, index, line});
    return false;
  }
  registry.SelectRoot(target.root);
  if (!registry.OpenPath(target.path, false)) return false;
  const std::optional<StoredValue> value = registry.ReadValue(target.valueName);
  if (!value || (value->type != win::kRegSz && value->type != win::kRegExpandSz)) return false;
  // The text up to its NUL; what follows it is written back as it was.
  const std::size_t end = value->bytes.find('\0');
  const std::string rest = end == std::string::npos ? std::string(1, '\0') : value->bytes.substr(end);
  const PathCut cut =
      CutFolderFromPath(run.platform, run.system.leadBytes, value->bytes.substr(0, end), run.baseFolder);
  if (cut.removal.removed.empty()) return false;
  run.observer.PathShrinks(cut.removal);
  return registry.WriteValue(target.valueName, {value->type, cut.text + rest}) == win::kErrorSuccess;
}

}  // namespace qv
