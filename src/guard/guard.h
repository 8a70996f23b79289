// What the run refuses to touch, whatever the script says, in one vocabulary: a refusal is what
// kind of thing is refused, why, and the thing itself. The run asks here before it deletes a key
// or a value, takes a file or folder entry, or leaves a folder to the next start of Windows; the
// plan and the silent log hear of the refusals from the run; the script checker asks here and
// words each refusal as the guard does.
#pragma once

#include <optional>
#include <string>

#include "guard/product.h"
#include "script/locations.h"
#include "seam/platform.h"
#include "text/text.h"

namespace qv {

// The kinds of thing the guard judges.
enum class Family {
  kKey,          // a "[deletereg]" entry's key, with everything below it
  kValue,        // a "[deletereg]" VALUE= entry's value
  kFolderEntry,  // a "[deletefile]" folder entry, by its prefix and its name after it
  kFileEntry,    // a "[deletefile]" or "[renamefile]" entry's file name, by its prefix and name
  kFolder,       // a folder the run would remove or leave to the restart, by its full path
  kFile,         // a file the run would delete or rename, or rename another over, by its full path
};

// Why a thing is refused. A key is refused for the family of keys that protects it, in the order
// the reference lists them (protected_key_rules.cpp holds them); a folder for what it is.
enum class Reason {
  kRootsAndHives,    // a root itself, a user's whole hive, the root of the classes
  kProductFolders,   // Software, the list of installed programs, our products' settings folders
  kClassContainers,  // CLSID, Interface, TypeLib, ... and the classes' 32-bit mirror
  kSharedClasses,    // the shell's shared classes, Windows' own file types, classes and protocols
  kMicrosoft,        // Software\Microsoft
  kPolicies,         // Software\Policies
  kSharedLists,      // Software\Clients, RegisteredApplications, ODBC, ...
  kSystem,           // HLM\SYSTEM, SAM, SECURITY, HARDWARE, ...
  kUserSettings,     // the user's Control Panel, Environment, ...
  kWindowsValue,     // a value of Windows' own in a key that others share: the environment's Path, ...
  kProductFolder,    // the product's own folder: its removal is a "[deletefile]" section's own end
  kPrefixFolder,     // a prefix's folder itself: WINDIR\, DESKTOP\, ...
  kParent,           // a ".." name, which could climb out of the folder it starts in
  kDriveRoot,        // a drive's root, or a share's
  kWindowsFile,      // a file outside the product's folder whose maker is Microsoft
  kForeignFile,      // an entry of a registration list, or a value of one, registers a file not the product's
  kUnreadCount,      // a shared file whose use count is no number: it is kept
};

struct Refusal {
  Family family;
  Reason reason;
  std::string thing;                          // a key's path from its root; an entry's name; a folder's path
  RegistryRoot root = 0;                      // a key's root
  FolderPrefix prefix = FolderPrefix::kBase;  // an entry's prefix
  std::string maker = {};                     // a file's maker, as its version resource names it
  std::string value = {};                     // a value's name ("" for the key's default value)
  std::string file = {};                      // kForeignFile: the file registered, upper-cased full path
};

// A cleanup entry's key at path (from the root), upper-cased as the entry is: refused when it is
// the root itself, a user's whole hive, one of the folders that hold every product's keys, or a
// key that Windows, the shell or all programs together own. The same key is refused at every
// spelling: names compare without regard to case; repeated and trailing "\" are ignored; the
// 32-bit mirrors below Software\Wow6432Node read as the keys they mirror; HCR, Software\Classes of
// the machine and of each user and a user's "_Classes" hive all read as the classes; a key below
// HU\<SID> or HU\.DEFAULT reads as the same key below HCU.
// A key below a registration list (a service, a class, a shell handler, a program's path, ...)
// is judged by the file its entry in the list registers (list_evidence.cpp): one that is neither
// in the product's folder nor deleted by its script is refused as kForeignFile; an entry that
// registers no file is the product's.
std::optional<Refusal> KeyRefusal(Platform& platform, const LeadByteTable& lead, RegistryRoot root,
                                  const std::string& path, const Product& product);
bool IsProtectedKey(Platform& platform, const LeadByteTable& lead, RegistryRoot root, const std::string& path,
                    const Product& product = Product());

// One value of a key, named without regard to case, its key at every spelling as KeyRefusal reads
// it: one of Windows' own values in a key that others share (the environment's Path, Winlogon's
// Shell, a device class's filters, a Windows class's default value, ...) is refused as
// kWindowsValue; any other value of a key that KeyRefusal refuses, for the key's reason, except
// the entries of a list whose values programs register (Run, SharedDLLs, the environment, ...):
// a value of Run, RunOnce, the approved shell extensions or SharedDLLs is judged by the file it
// registers, as a list's key is.
std::optional<Refusal> ValueRefusal(Platform& platform, const LeadByteTable& lead, RegistryRoot root,
                                    const std::string& path, const std::string& valueName, const Product& product);

// A folder entry, before its prefix is resolved: one that names the product's folder or a
// prefix's folder itself, or holds a ".." name.
std::optional<Refusal> FolderEntryRefusal(const FileEntry& entry, const LeadByteTable& lead);

// A file entry's name: none is refused yet; a ".." name would be judged here.
std::optional<Refusal> FileEntryRefusal(const FileEntry& entry, const LeadByteTable& lead);

// A folder by its full path: a drive's root ("C:\", "\") or a share's ("\\server\share\").
std::optional<Refusal> FolderRefusal(const std::string& path, const LeadByteTable& lead);

// The refusal as the script checker reports it to a maker: what is refused, why, and that the
// run passes over the entry.
std::string RefusalText(const Refusal& refusal);

// The same as the plan and the silent log say it of the entry (the script's line) that the run
// passes over: what the entry names, and why it is refused.
std::string RefusalNote(const std::string& line, const Refusal& refusal);

}  // namespace qv
