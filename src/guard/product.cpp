#include "guard/product.h"

#include <algorithm>

#include "guard/file_guard.h"
#include "guard/guard.h"
#include "script/locations.h"
#include "script/section_index.h"

namespace qv {

namespace {

constexpr char kSaveFolderLine[] = "SAVEFOLDER";

// The full paths of the section's file entries, upper-cased. A body without its terminator runs
// to the script's end.
void AddDeletedFiles(Platform& platform, const LeadByteTable& lead, const ScriptFile& script, const Section& section,
                     const std::string& baseFolder, std::vector<std::string>& files) {
  const int end = section.terminator == kNoTerminator ? script.Count() : section.terminator;
  for (int i = section.header + 1; i < end; ++i) {
    const std::string upper = platform.CharUpperBuffA(script.Line(i));
    if (upper == kSaveFolderLine) continue;
    // A shared file's entry deletes it once no other program uses it: it is the product's too.
    const std::optional<FileEntry> shared = ParseSharedEntry(upper);
    const FileEntry entry = shared ? *shared : ParseFileEntry(upper, /*withShellFolders=*/true);
    if (NamesNoFile(entry.name, lead)) continue;
    if (const std::optional<std::string> folder = PrefixFolder(platform, entry.prefix, baseFolder))
      files.push_back(platform.CharUpperBuffA(*folder + entry.name));
  }
}

}  // namespace

const ProductFiles& Product::Files(Platform& platform, const LeadByteTable& lead) const {
  if (!files_) files_ = script_ ? ProductFilesOf(platform, lead, *script_, baseFolder_) : ProductFiles();
  return *files_;
}

ProductFiles ProductFilesOf(Platform& platform, const LeadByteTable& lead, const ScriptFile& script,
                            const std::string& baseFolder) {
  ProductFiles files;
  const std::string folder = platform.CharUpperBuffA(baseFolder);
  if (!folder.empty() && folder.back() == '\\' && !FolderRefusal(folder, lead)) files.folder = folder;
  for (const Section& section : IndexSections(platform, script))
    if (section.kind == SectionKind::kDeleteFile)
      AddDeletedFiles(platform, lead, script, section, baseFolder, files.deletedFiles);
  return files;
}

bool IsProductFile(Platform& platform, const LeadByteTable& lead, const Product& product, const std::string& path) {
  const ProductFiles& files = product.Files(platform, lead);
  const std::string upper = platform.CharUpperBuffA(path) + "\\";
  // A path that climbs with ".." could leave the folder it starts in.
  const bool climbs = upper.find("\\..") != std::string::npos;
  if (!climbs && !files.folder.empty() && upper.compare(0, files.folder.size(), files.folder) == 0) return true;
  const std::string file = upper.substr(0, upper.size() - 1);
  // Naming one of Windows' own files in a "[deletefile]" section makes it no product's: the run
  // never deletes it.
  return std::find(files.deletedFiles.begin(), files.deletedFiles.end(), file) != files.deletedFiles.end() &&
         !FileRefusal(platform, lead, files.folder, file);
}

}  // namespace qv
