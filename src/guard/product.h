// The product as the guard knows it when it judges a file that a registry entry registers: the
// product's folder and the files that its script deletes.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "script/script_file.h"
#include "seam/platform.h"
#include "text/text.h"

namespace qv {

struct ProductFiles {
  std::string folder;                     // upper-cased, ends with "\"; empty when the product has none
  std::vector<std::string> deletedFiles;  // each "[deletefile]" file entry's full path (SHARED= ones too), upper-cased
};

// The product's files, learnt from its script the first time a registered file is judged: a run
// whose entries register no file asks the system nothing for them.
class Product {
 public:
  // No product: no file is its own.
  Product() = default;
  explicit Product(ProductFiles files) : files_(std::move(files)) {}
  // The script stays alive as long as the product is asked.
  Product(const ScriptFile& script, std::string baseFolder) : script_(&script), baseFolder_(std::move(baseFolder)) {}

  const ProductFiles& Files(Platform& platform, const LeadByteTable& lead) const;

 private:
  const ScriptFile* script_ = nullptr;
  std::string baseFolder_;
  mutable std::optional<ProductFiles> files_;
};

// The base folder (a drive's or share's root is no product's folder) and every file entry of
// every "[deletefile]" section, its prefix resolved as the run resolves it; an entry whose
// prefix's folder the system cannot tell is left out.
ProductFiles ProductFilesOf(Platform& platform, const LeadByteTable& lead, const ScriptFile& script,
                            const std::string& baseFolder);

// The file at the full path lies in the product's folder (or is that folder), or the script
// deletes it and it is none of Windows' own files.
bool IsProductFile(Platform& platform, const LeadByteTable& lead, const Product& product, const std::string& path);

}  // namespace qv
