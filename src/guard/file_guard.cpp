#include "guard/file_guard.h"

#include <vector>

#include "text/case_mapping.h"

namespace qv {

namespace {

constexpr char kSeparators[] = "\\/";

// A path as the system reads it: what stands before its names ("C:", "\\", "\", or nothing for a
// relative path) and its names.
struct ReadPath {
  std::string start;
  std::vector<std::string> names;
};

std::optional<ReadPath> ReadAsSystem(const std::string& path, const LeadByteTable& lead) {
  ReadPath read;
  std::size_t at = 0;
  if (path.size() >= 2 && path[1] == ':') {
    read.start = path.substr(0, 2);
    at = 2;
  } else if (path.size() >= 2 && (path[0] == '\\' || path[0] == '/') && (path[1] == '\\' || path[1] == '/')) {
    read.start = "\\\\";
  } else if (!path.empty() && (path[0] == '\\' || path[0] == '/')) {
    read.start = "\\";
  }
  for (const std::string& name : SplitPathNames(std::string_view(path).substr(at), kSeparators, lead)) {
    const std::string kept(WithoutTrailingBlanksAndDots(name));
    if (name == ".") continue;
    if (name == "..") {
      // A relative path keeps the ".." that climb above where it starts; a root is not climbed above.
      if (!read.names.empty() && read.names.back() != "..")
        read.names.pop_back();
      else if (read.start.empty())
        read.names.push_back(name);
    } else if (kept.empty()) {
      return std::nullopt;
    } else {
      read.names.push_back(kept);
    }
  }
  return read;
}

std::string Joined(const ReadPath& read) {
  std::string text = read.start;
  for (const std::string& name : read.names) text += (text.empty() || text.back() == '\\' ? "" : "\\") + name;
  return text;
}

// Windows' own file: the maker that its version resource names starts with "Microsoft".
std::optional<Refusal> MicrosoftFile(Platform& platform, const LeadByteTable& lead, const std::string& path) {
  const std::optional<std::string> maker = platform.GetFileCompanyNameA(path);
  if (!maker) return std::nullopt;
  const std::string upper = UpperCase932(*maker, lead);
  const std::size_t first = upper.find_first_not_of(' ');
  if (first == std::string::npos || upper.compare(first, 9, "MICROSOFT") != 0) return std::nullopt;
  Refusal refusal{Family::kFile, Reason::kWindowsFile, path};
  refusal.maker = *maker;
  return refusal;
}

}  // namespace

std::optional<Refusal> FileRefusal(Platform& platform, const LeadByteTable& lead, const std::string& productFolder,
                                   const std::string& fullPath) {
  if (LiesInFolder(fullPath, productFolder, lead)) return std::nullopt;
  if (!HasWildcard(fullPath)) return MicrosoftFile(platform, lead, fullPath);
  const std::string folder = FolderPart(fullPath, lead);
  for (const FoundFile& found : platform.FindFilesA(fullPath)) {
    if (found.data.attributes & win::kFileAttributeDirectory) continue;
    if (std::optional<Refusal> refusal = MicrosoftFile(platform, lead, folder + found.name)) return refusal;
  }
  return std::nullopt;
}

bool LiesInFolder(const std::string& path, const std::string& folder, const LeadByteTable& lead) {
  const std::optional<ReadPath> file = ReadAsSystem(path, lead);
  const std::optional<ReadPath> place = ReadAsSystem(folder, lead);
  if (!file || !place || file->names.size() <= place->names.size()) return false;
  // A relative path's ".." names stand first: one beyond the folder's climbs above it.
  if (file->names[place->names.size()] == "..") return false;
  ReadPath above = *file;
  above.names.resize(place->names.size());
  return UpperCase932(Joined(above), lead) == UpperCase932(Joined(*place), lead);
}

bool ClimbsOut(const std::string& name, const LeadByteTable& lead) {
  int depth = 0;
  for (const std::string& part : SplitPathNames(name, kSeparators, lead)) {
    if (part == "..") {
      if (--depth < 0) return true;
    } else if (part != ".") {
      ++depth;
    }
  }
  return false;
}

std::optional<std::string> FolderReached(const std::string& path, const LeadByteTable& lead) {
  bool parent = false;
  for (const std::string& part : SplitPathNames(path, kSeparators, lead)) parent = parent || part == "..";
  if (!parent) return std::nullopt;
  std::optional<ReadPath> read = ReadAsSystem(path, lead);
  if (!read || read->names.empty()) return std::nullopt;
  read->names.pop_back();
  const std::string folder = Joined(*read);
  return folder.empty() || folder.back() == '\\' ? folder : folder + "\\";
}

}  // namespace qv
