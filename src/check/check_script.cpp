#include "check/check_script.h"

#include <algorithm>
#include <set>
#include <string_view>
#include <tuple>
#include <utility>

#include "check/line_text.h"
#include "common/texts.h"
#include "guard/evidence.h"
#include "guard/file_guard.h"
#include "guard/guard.h"
#include "script/section_index.h"
#include "sections/entries.h"

namespace qv {

namespace {

// The system's calls refuse longer paths (MAX_PATH, its NUL included) and key names.
constexpr std::size_t kMaxPath = 259;
constexpr std::size_t kMaxKeyName = 255;

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

std::string RootName(RegistryRoot root) {
  const RegistryRootRow* row = FindRoot(root);
  return row ? row->name : "no root";
}

// The lists a maker is shown of what the run knows.
std::string SectionList() {
  std::vector<std::string> headers;
  for (const SectionKindRow& row : kSectionKinds) headers.push_back(row.header);
  return JoinedList(headers);
}

std::string RootList() {
  std::vector<std::string> abbreviations;
  for (const RegistryRootRow& row : kRegistryRoots) abbreviations.push_back(row.abbreviation);
  return JoinedList(abbreviations);
}

std::string PrefixList(bool withShellFolders) {
  std::vector<std::string> prefixes;
  for (const FolderPrefixRow& row : kFolderPrefixes)
    if (withShellFolders || !row.shellFolder) prefixes.push_back(row.text);
  return JoinedList(prefixes);
}

// The prefix of a shell folder named without its "\" ("STARTUP"), if it is one.
bool IsShellFolderPrefixName(const std::string& name) {
  for (const FolderPrefixRow& row : kFolderPrefixes)
    if (row.shellFolder && name + "\\" == row.text) return true;
  return false;
}

// First folder names that look like a folder prefix but are none, in upper case.
constexpr const char* kPrefixLookalikes[] = {
    "WINDOWS",    "WINNT",     "SYSTEM",         "SYSTEM32",      "WINSYSDIR",        "%WINDIR%",   "%SYSTEMROOT%",
    "SYSTEMROOT", "STARTMENU", "START MENU",     "PROGRAMS",      "DESKTOPDIR",       "STARTUPDIR", "WINDIR",
    "SYSDIR",     "%APPDATA%", "%LOCALAPPDATA%", "%PROGRAMDATA%", "%ALLUSERSPROFILE%"};

// A file that an entry reaches: its prefix, its name as the system reads it, and the entry's line.
struct NamedFile {
  FolderPrefix prefix;
  std::string name;
  int line;
};

class Checker {
 public:
  Checker(Platform& platform, const LeadByteTable& lead, const ScriptFile& script, const ScriptPaths& paths)
      : platform_(platform), lead_(lead), script_(script), paths_(paths) {}

  std::vector<Finding> Run() {
    if (script_.Count() == 0) {
      Add(kWholeFile, Rule::kEmptyScript, "the script is empty: the run ends with the fatal error report");
      return std::move(findings_);
    }
    if (!HasSignature(platform_, script_.Line(0)))
      Add(0, Rule::kNoSignature, "the first line lacks the signature //QV-Uninstaller: the run refuses the script");
    CheckEncoding();
    sections_ = IndexSections(platform_, script_);
    for (int i = 1; i < script_.Count(); ++i) {
      CheckHeaderLike(i);
      CheckFullWidthBackslash(i);
    }
    for (const Section& section : sections_) CheckSection(section);
    CheckSelfDeletion();
    CheckSharedFilesDeletedPlainly();
    return std::move(findings_);
  }

 private:
  void Add(int line, Rule rule, MixedText message) {
    findings_.push_back({line, RuleOf(rule).severity, std::move(message), RuleOf(rule).code});
  }
  void Add(int line, Rule rule, std::string message) { Add(line, rule, ProgramText(std::move(message))); }

  const std::string& Line(int i) const { return script_.Line(i); }
  std::string Upper(const std::string& text) { return platform_.CharUpperBuffA(text); }

  // A script saved as UTF-8 is one finding for the file; otherwise each line with bytes that are
  // no Shift-JIS text is one.
  void CheckEncoding() {
    const std::optional<Utf8Reading> utf8 = ReadsAsUtf8(script_);
    if (utf8)
      Add(utf8->line, Rule::kSavedAsUtf8,
          std::string("the script is saved as UTF-8 (") +
              (utf8->byteOrderMark ? "it begins with a UTF-8 byte-order mark"
                                   : "this line is the first of its UTF-8 text") +
              "), but the run reads Shift-JIS: Japanese texts show garbled and Japanese names match no file, key or "
              "program; save the file as Shift-JIS (code page 932)");
    if (utf8 && utf8->throughout) return;
    for (int i = 0; i < script_.Count(); ++i)
      if (const std::size_t column = FirstNonShiftJisColumn(Line(i)))
        Add(i, Rule::kNotShiftJis,
            "bytes that are not Shift-JIS text from column " + std::to_string(column) +
                ": the file may be saved in another encoding, and names will not match; save it as Shift-JIS "
                "(code page 932)");
  }

  // The section whose body holds line i, if any (the innermost one: the latest header).
  const Section* BodyHolding(int i) const {
    const Section* holder = nullptr;
    for (const Section& s : sections_)
      if (s.header < i && (s.terminator == kNoTerminator || i < s.terminator)) holder = &s;
    return holder;
  }

  // A full-width backslash in a name of files or keys, read where the line's own section reads it.
  void CheckFullWidthBackslash(int i) {
    const std::size_t column = FullWidthBackslashColumn(Line(i), lead_);
    const Section* holder = column ? BodyHolding(i) : nullptr;
    if (!holder || holder->kind == SectionKind::kExecution || holder->kind == SectionKind::kWarning ||
        (holder->kind == SectionKind::kCreateReg && !AfterKeyword(platform_, Line(i), kKeyKeyword)))
      return;
    Add(i, Rule::kFullWidthBackslash,
        "a full-width backslash ＼ in column " + std::to_string(column) +
            ": the run reads it as a character of the name, not as a separator, so the path names another file "
            "or key; write \\ instead");
  }

  void CheckHeaderLike(int i) {
    const std::string trimmed = TrimBlanks(Line(i));
    if (trimmed.size() < 2 || trimmed.front() != '[' || trimmed.back() != ']') return;
    const Section* holder = BodyHolding(i);
    if (HeaderKind(platform_, Line(i))) {
      if (holder)
        Add(i, Rule::kHeaderInsideBody,
            std::string("a header inside the body of the ") + HeaderOf(holder->kind) + " section of line " +
                std::to_string(holder->header + 1) + ": it starts a section of its own and is read as an entry too");
      return;
    }
    if (holder && holder->kind == SectionKind::kWarning) return;  // a warning's own text
    if (HeaderKind(platform_, trimmed))
      Add(i, Rule::kBlanksAroundHeader, "blanks around the header make it an ordinary line: no section starts here");
    else
      Add(i, Rule::kUnknownSection,
          Quoted(trimmed) + " is no section (a typo?): the run reads it as an ordinary line; the sections are " +
              SectionList());
  }

  // A body without its terminator runs on to the end of the script: the run carries it out that
  // far, then ends with the fatal error report.
  void CheckSection(Section section) {
    if (section.terminator == kNoTerminator) {
      Add(section.header, Rule::kNoTerminator,
          std::string("the ") + HeaderOf(section.kind) +
              " section has no terminator line end;: its body runs on to the end of the file, where the run ends "
              "with the fatal error report; add end; after its last entry");
      section.terminator = script_.Count();
    }
    current_ = section;
    runOn_ = kNoTerminator;
    for (int i = section.terminator - 1; i > section.header; --i)
      if (HeaderKind(platform_, Line(i))) runOn_ = i;
    for (int i = section.header + 1; i < section.terminator; ++i) CheckTerminatorLike(i);
    switch (section.kind) {
      case SectionKind::kExecution:
        return CheckExecution(section);
      case SectionKind::kWarning:
        if (section.terminator == section.header + 1 && Terminated(section))
          Add(section.header, Rule::kEmptyWarning,
              std::string("an empty ") + headers::kWarning + " section shows no box");
        // Every line of the body is the warning's text, the next sections' too; without any end;
        // the run ends with the fatal error report before the box.
        for (int i = section.header + 1; i < section.terminator; ++i)
          if (!IsBlank(Line(i)))
            ReadIntoOpenSection(i, "show this line in the warning's box", Terminated(section) && i >= runOn_);
        return;
      case SectionKind::kDeleteReg:
        return CheckDeleteReg(section);
      case SectionKind::kCreateReg:
        return CheckCreateReg(section);
      case SectionKind::kRenameFile:
        return CheckRenameFile(section);
      case SectionKind::kDeleteFile:
        return CheckDeleteFile(section);
    }
  }

  // The section whose header stands on line i or nearest above it.
  const Section& OwnSection(int i) const {
    const Section* own = &current_;
    for (const Section& s : sections_)
      if (s.header <= i) own = &s;
    return *own;
  }

  // Line i stands where the body of the section being checked runs on over a section of another
  // kind, or is a header there: the run reads it as an entry of this section, which its own
  // section does not mean it to be.
  bool Foreign(int i) const {
    if (runOn_ == kNoTerminator || i < runOn_) return false;
    const Section& own = OwnSection(i);
    return own.kind != current_.kind || own.header == i;
  }

  // The section being checked reads line i, beyond its own entries, and the run would do this with
  // it: the line's meaning changes.
  void ReadIntoOpenSection(int i, const std::string& action, bool changes) {
    if (!changes || runOn_ == kNoTerminator || i < runOn_) return;
    const std::string next = std::to_string(runOn_ + 1);
    Add(i, Rule::kReadIntoOpenSection,
        std::string("this line is read as part of the ") + HeaderOf(current_.kind) + " section of line " +
            std::to_string(current_.header + 1) + ", which has no end; before the header of line " + next +
            ": the run would " + action + "; add end; before line " + next);
  }
  void ReadIntoOpenSection(int i, const std::string& action) { ReadIntoOpenSection(i, action, Foreign(i)); }

  // Sections without their terminator run to the end of the script (see CheckSection).
  bool Terminated(const Section& section) const { return section.terminator < script_.Count(); }

  void CheckTerminatorLike(int i) {
    const std::string lower = platform_.CharLowerBuffA(TrimBlanks(Line(i)));
    if (lower == "end;" || lower == "end")
      Add(i, Rule::kTerminatorLookalike, "this is no terminator: end; must stand alone on its line, without blanks");
  }

  // A line that is no entry of its section: one of the section's keywords with blanks before it or
  // before its "=", or some other line.
  void Ignored(int i, const std::vector<std::string>& keywords, const std::string& what) {
    if (IsBlank(Line(i)) || Foreign(i)) return;  // a line of the next section, which reads it
    const std::optional<BlankKeyword> blank = KeywordWithBlanks(platform_, Line(i), keywords);
    if (!blank) return Add(i, Rule::kIgnoredLine, "the run ignores this line: " + what);
    const char* where = blank->before && blank->inside ? "before it and before its ="
                        : blank->before                ? "before it"
                                                       : "before its =";
    std::string fix = "write " + blank->keyword + (blank->before ? " at the very start of the line" : "");
    if (blank->inside) fix += std::string(blank->before ? "," : "") + " without blanks before its =";
    Add(i, Rule::kKeywordWithBlanks,
        "this looks like " + blank->keyword + " but blanks or tabs stand " + where +
            ": the run reads no entry here and ignores the line; " + fix);
  }

  // Blanks or tabs at the ends of a name that the system keeps as part of it; true when there are.
  bool BlankEndsOf(int i, const std::string& what, const std::string& name, const std::string& consequence, Rule rule) {
    const std::optional<std::string> ends = BlankEnds(name);
    if (ends)
      Add(i, rule, "blanks or tabs at the " + *ends + " of the " + what + " " + Quoted(name) + ": " + consequence);
    return ends.has_value();
  }

  void CheckExecution(const Section& section) {
    std::set<std::string> mutexes;
    for (int i = section.header + 1; i < section.terminator; ++i) {
      if (std::optional<std::string> name = AfterKeyword(platform_, Line(i), kMutexKeyword)) {
        CheckMutexName(i, *name, mutexes);
        ReadIntoOpenSection(i, "ask for the mutex " + Quoted(*name) + " to tell whether a program of the product runs");
        if (i + 1 >= section.terminator || !AfterKeyword(platform_, Line(i + 1), kAppNameKeyword))
          Add(i, Rule::kMutexWithoutAppName,
              "MUTEX= without APPNAME= on the next line: a running program is not reported and does not stop the "
              "uninstall");
      } else if (AfterKeyword(platform_, Line(i), kAppNameKeyword)) {
        if (i == section.header + 1 || !AfterKeyword(platform_, Line(i - 1), kMutexKeyword))
          Add(i, Rule::kAppNameOutOfPlace, "APPNAME= is used only on the line right after a MUTEX= line");
      } else {
        static const std::vector<std::string> keywords{kMutexKeyword, kAppNameKeyword};
        static const std::string what = "an [execution] section knows " + JoinedList(keywords) + " lines only";
        Ignored(i, keywords, what);
      }
    }
  }

  void CheckMutexName(int i, const std::string& name, std::set<std::string>& mutexes) {
    if (name.empty()) return Add(i, Rule::kMutexWithoutName, "MUTEX= without a name never finds a running program");
    if (BlankEndsOf(i, "mutex name", name,
                    "the run asks for the mutex with them, so a running program is never found; remove them",
                    Rule::kBlanksInMutexName))
      return;
    if (CharacterCount(name, lead_) > kMaxPath)
      return Add(i, Rule::kMutexNameTooLong,
                 "a mutex name longer than 259 characters: the system refuses it, so a running program is never "
                 "found");
    if (!mutexes.insert(SessionMutexName(name)).second)  // the run asks for such a name once
      Add(i, Rule::kNamedTwice, "the mutex " + Quoted(name) + " is named twice in this section");
  }

  void CheckDeleteReg(const Section& section) {
    std::set<std::pair<RegistryRoot, std::string>> keys;
    std::set<std::tuple<RegistryRoot, std::string, std::string>> values;
    for (int i = section.header + 1; i < section.terminator; ++i) {
      const std::string upper = Upper(Line(i));
      const std::optional<CleanupTarget> target = CleanupTargetOf(platform_, upper);
      if (!target) {
        static const std::vector<std::string> keywords = CleanupKeywords();
        static const std::string what = "a [deletereg] section knows " + JoinedList(keywords) + " entries only";
        Ignored(i, keywords, what);
        continue;
      }
      if (target->kind == CleanupTarget::Kind::kValue) {
        CheckValueEntry(i, *target, values);
        continue;
      }
      if (target->kind == CleanupTarget::Kind::kPath) {
        CheckPathEntry(i, *target);
        continue;
      }
      const std::string key = RootName(target->root) + target->path;
      if (!KeyRefusal(platform_, lead_, target->root, target->path, product_))
        ReadIntoOpenSection(
            i, target->kind == CleanupTarget::Kind::kService
                   ? "stop and remove the service " + target->path.substr(std::string(kServicesFolder).size())
                   : "delete the key " + key + " and everything below it");
      if (AfterKeyword(platform_, Line(i), kKeyKeyword)) {
        if (std::optional<std::string> problem = KeyProblem(i, kKeyKeyword)) {
          Add(i, Rule::kDeletesNothing, "the run deletes nothing here: " + *problem);
          continue;
        }
      }
      if (const std::optional<Refusal> refusal = KeyRefusal(platform_, lead_, target->root, target->path, product_)) {
        Add(i, Rule::kRefused, RefusalText(*refusal));
        continue;
      }
      CheckKeyNames(i, target->path, kKeyNotFound);
      if (target->kind == CleanupTarget::Kind::kService) CheckServiceProgram(i, *target);
      if (!keys.insert({target->root, Upper(target->path)}).second)
        Add(i, Rule::kNamedTwice, "the key " + key + " is named twice in this section");
    }
  }

  // A service whose program the script does not delete: the run removes the service, and its
  // program stays. Said only where the checker can read the service's ImagePath (on Windows).
  void CheckServiceProgram(int i, const CleanupTarget& target) {
    const std::optional<std::string> data =
        ReadRegistryString(platform_, target.root, target.path.substr(1), "ImagePath");
    const std::optional<std::string> program = data ? RegisteredFile(platform_, lead_, *data) : std::nullopt;
    if (!program) return;
    const std::vector<std::string>& deleted = product_.Files(platform_, lead_).deletedFiles;
    if (std::find(deleted.begin(), deleted.end(), Upper(*program)) == deleted.end())
      Add(i, Rule::kServiceProgramStays,
          "the script does not delete the service's program " + *program +
              ": the run removes the service and leaves its program; name it in a [deletefile] section");
  }

  // One value of a key: the value guard applies rather than the key guard, and the entry needs its
  // root, its key and the "," before the value's name.
  void CheckValueEntry(int i, const CleanupTarget& target,
                       std::set<std::tuple<RegistryRoot, std::string, std::string>>& values) {
    if (std::optional<std::string> problem = KeyProblem(i, kValueKeyword)) {
      Add(i, Rule::kDeletesNothing, "the run deletes nothing here: " + *problem);
    } else if (!target.hasValueName) {
      Add(i, Rule::kValueWithoutComma,
          "the run deletes nothing here: VALUE= needs a , between the key and the value's name (nothing after "
          "it names the key's default value)");
    } else if (!IsCompleteValueEntry(target)) {
      Add(i, Rule::kValueWithoutKey, "the run deletes nothing here: VALUE= names a value of a key below the root");
    } else if (const std::optional<Refusal> refusal =
                   ValueRefusal(platform_, lead_, target.root, target.path, target.valueName, product_)) {
      Add(i, Rule::kRefused, RefusalText(*refusal));
    } else {
      ReadIntoOpenSection(
          i, "delete the value " + Quoted(target.valueName) + " of the key " + RootName(target.root) + target.path);
      if (!CheckKeyNames(i, target.path, kValueNotFound) &&
          !BlankEndsOf(i, "value name", target.valueName, kValueNotFound, Rule::kBlanksInRegistryName) &&
          !values.insert({target.root, Upper(target.path), target.valueName}).second)
        Add(i, Rule::kNamedTwice, "the value is named twice in this section");
    }
  }

  // The environment's Path: the user's or the machine's, and the product's folder to take out of it.
  void CheckPathEntry(int i, const CleanupTarget& target) {
    // A warning, not an error: the run carries on without the entry, as after any line it passes over.
    if (target.root == kInvalidRoot)
      return Add(i, Rule::kUnknownPath,
                 "the run does nothing here: PATH= names the user's environment (PATH=HCU) or the machine's "
                 "(PATH=HLM), nothing else");
    ReadIntoOpenSection(i, "take the product's folder out of the Path of " + RootName(target.root) + target.path);
    if (paths_.baseFolder.empty())
      Add(i, Rule::kPathWithoutFolder,
          "the script is named without the product's folder: a run so started knows no folder to take out of Path, "
          "and changes nothing here");
  }

  // Why the key of a KEY= or VALUE= line cannot be opened, whatever the registry holds; nothing
  // when it can.
  std::optional<std::string> KeyProblem(int i, const char* keyword) {
    const std::optional<std::string> rest = AfterKeyword(platform_, Line(i), keyword);
    std::string text = rest ? *rest : std::string();
    if (keyword == kValueKeyword) text = text.substr(0, text.find(','));
    const KeyEntry entry = ParseKeyEntry(text);
    if (entry.path.empty()) return std::string(keyword) + " without a \\ before its path names no registry root";
    if (RootFromAbbreviation(platform_, entry.abbreviation) == kInvalidRoot) {
      const std::string trimmed = TrimBlanks(entry.abbreviation);
      if (trimmed != entry.abbreviation && RootFromAbbreviation(platform_, trimmed) != kInvalidRoot)
        return "blanks or tabs around the root " + Quoted(entry.abbreviation) + " make it no registry root; write " +
               keyword + trimmed + "\\ without them";
      return Quoted(entry.abbreviation) + " is no registry root; the roots are " + RootList();
    }
    if (entry.path.size() > 1 && entry.path[1] == '\\') return std::string("a key path may not begin with \\\\");
    return std::nullopt;
  }

  // What the run does with blanks at the ends of a key's or value's name.
  static constexpr char kKeyNotFound[] =
      "the registry keeps them in the name, so the run deletes no key of yours; remove them";
  static constexpr char kValueNotFound[] =
      "the registry keeps them in the name, so the value is not found and stays; remove them";
  static constexpr char kKeyMade[] =
      "the registry keeps them in the name, so the run creates a key of that name; remove them";

  // A key name that the registry refuses or reads otherwise than meant; true when there is one.
  bool CheckKeyNames(int i, const std::string& path, const char* blanksConsequence) {
    for (const std::string& name : SplitPathNames(path, "\\", lead_)) {
      if (CharacterCount(name, lead_) > kMaxKeyName) {
        Add(i, Rule::kKeyNameTooLong, "a key name longer than 255 characters: the registry refuses it");
        return true;
      }
      if (BlankEndsOf(i, "key name", name, blanksConsequence, Rule::kBlanksInRegistryName)) return true;
    }
    return false;
  }

  void CheckCreateReg(const Section& section) {
    int keyLine = -1;  // the latest KEY= line of the section
    bool keyOpens = false;
    std::set<std::pair<int, std::string>> values;
    for (int i = section.header + 1; i < section.terminator; ++i) {
      const std::optional<std::string> key = AfterKeyword(platform_, Line(i), kKeyKeyword);
      const std::optional<std::string> value = AfterKeyword(platform_, Line(i), kStringKeyword);
      if (key) {
        keyLine = i;
        const std::optional<std::string> problem = KeyProblem(i, kKeyKeyword);
        keyOpens = !problem;
        const RegistryRoot root = RootFromAbbreviation(platform_, ParseKeyEntry(*key).abbreviation);
        ReadIntoOpenSection(
            i, "create the key " + (root == kInvalidRoot ? Quoted(*key) : RootName(root) + ParseKeyEntry(*key).path));
        if (problem)
          Add(i, Rule::kKeyNotCreated, "the key is not created: " + *problem);
        else
          CheckKeyNames(i, ParseKeyEntry(*key).path, kKeyMade);
      } else if (value) {
        CheckStringEntry(i, ParseValueEntry(*value), keyLine, keyOpens, values);
      } else {
        static const std::vector<std::string> keywords{kKeyKeyword, kStringKeyword};
        static const std::string what = "a [createreg] section knows " + JoinedList(keywords) + " lines only";
        Ignored(i, keywords, what);
      }
    }
  }

  // A STRING= line: its key must be open. Blanks at the ends of its data may be meant.
  void CheckStringEntry(int i, const ValueEntry& value, int keyLine, bool keyOpens,
                        std::set<std::pair<int, std::string>>& values) {
    if (keyLine < 0)
      return Add(i, Rule::kStringBeforeKey,
                 "STRING= before any KEY= line of its section: the value cannot be written, and the run ends with "
                 "the fatal error report");
    if (!keyOpens)
      return Add(i, Rule::kStringUnderUnopenedKey,
                 "the key of line " + std::to_string(keyLine + 1) +
                     " cannot be opened, so this value cannot be written: the run ends with the fatal error report");
    // A value of the next section lands in the key of this one.
    ReadIntoOpenSection(
        i, "write the value " + Quoted(value.name) + " under the key of line " + std::to_string(keyLine + 1),
        Foreign(i) || keyLine < OwnSection(i).header);
    if (!BlankEndsOf(i, "value name", value.name,
                     "the registry keeps them in the name, so the run writes a value of that name; remove them",
                     Rule::kBlanksInRegistryName))
      BlankEndsOf(i, "data", value.data, "the run writes them as part of the value", Rule::kBlanksInData);
    if (!values.insert({keyLine, Upper(value.name)}).second)
      Add(i, Rule::kNamedTwice, "this value is written twice under the same key");
  }

  // A first folder name that looks like a prefix but is none, or a prefix the section does not know.
  void CheckPrefixLike(int i, const std::string& name, FolderPrefix prefix, bool withShellFolders) {
    if (prefix != FolderPrefix::kBase) return;
    const std::size_t slash = name.find_first_of("\\/");
    if (slash == std::string::npos) return;
    const std::string first = TrimBlanks(name.substr(0, slash));
    if (!withShellFolders && IsShellFolderPrefixName(first) && name[slash] == '\\') {
      Add(i, Rule::kNoPrefixInRename,
          first + "\\ is no prefix in a [renamefile] section (it knows " + PrefixList(false) +
              "): the name is read in the product's folder");
      return;
    }
    for (const char* lookalike : kPrefixLookalikes)
      if (first == lookalike) {
        Add(i, Rule::kPrefixLookalike,
            Quoted(first + name[slash]) +
                " is no folder prefix: the name is read in the product's folder; the prefixes are " + PrefixList(true));
        return;
      }
  }

  void CheckPathLength(int i, FolderPrefix prefix, const std::string& name) {
    const std::size_t folder = prefix == FolderPrefix::kBase ? CharacterCount(paths_.baseFolder, lead_) : 0;
    if (folder + CharacterCount(name, lead_) > kMaxPath)
      Add(i, Rule::kPathTooLong, "the path is longer than 259 characters: the system refuses it, so the file stays");
  }

  void NoteUserFolder(int i, FolderPrefix prefix) {
    if (IsUserFolder(prefix))
      Add(i, Rule::kUserFolder,
          std::string(PrefixText(prefix)) +
              " is the folder of the user who runs the uninstall; another user's "
              "copy stays, and a run as SYSTEM (as deployment tools make) reaches SYSTEM's own");
    if (IsCommonFolder(prefix))
      Add(i, Rule::kCommonFolder,
          std::string(PrefixText(prefix)) +
              " is a folder of all users: only a run with an administrator's rights (or as SYSTEM) removes "
              "what it holds");
  }

  // A file's name after its prefix that no file can have, or with blanks or tabs at its ends; true
  // when the run reaches no file through it. kept: what follows when the system keeps the blanks.
  bool CheckFileName(int i, const char* what, const FileEntry& entry, const char* kept, bool withShellFolders) {
    const std::string& name = entry.name;
    if (const std::optional<UnreachableName> why = NameNoFileCanHave(name)) {
      Add(i, why == UnreachableName::kWildcard ? Rule::kWildcard : Rule::kFullPath,
          Unreachable(*why, entry.prefix, name, withShellFolders));
      return true;
    }
    switch (FileNameBlanks(name)) {
      case NameBlanks::kKept:
        Add(i, Rule::kBlanksInFileName,
            "blanks or tabs at the " + *BlankEnds(name) + " of the " + what + " " + Quoted(name) +
                ": they are part of the name, " + kept + "; remove them");
        return true;
      case NameBlanks::kDropped:
        Add(i, Rule::kBlanksDropped,
            std::string("blanks at the end of the ") + what + " " + Quoted(name) +
                ": the system drops them from a file's name, so they do no harm");
        break;
      case NameBlanks::kNone:
        break;
    }
    return false;
  }

  // A full path or a wildcard in the name of an entry of a section that knows the shell folders' prefixes or not.
  static std::string Unreachable(UnreachableName why, FolderPrefix prefix, const std::string& name,
                                 bool withShellFolders) {
    if (why == UnreachableName::kWildcard)
      return Quoted(name) +
             " holds * or ?, but the run knows no wildcards: it asks for a file of that very name, which no file "
             "has; list each file by its name";
    const std::string folder = prefix == FolderPrefix::kBase ? std::string("the product's folder")
                                                             : std::string("the folder of ") + PrefixText(prefix);
    return Quoted(name) + " is a full path, but the run reads each name in " + folder +
           ", so it names no file; write the name from the product's folder, or after a prefix (" +
           PrefixList(withShellFolders) + ")";
  }

  // A name that climbs out of its folder with "..", said with the folder it reaches; and the
  // guard's refusal of one of Windows' own files there. True when the run passes over the line.
  bool CheckFileReach(int i, FolderPrefix prefix, const std::string& name) {
    const std::optional<std::string> folder = PrefixFolder(platform_, prefix, paths_.baseFolder);
    if (ClimbsOut(name, lead_)) {
      const std::string from =
          prefix == FolderPrefix::kBase ? "the product's folder" : std::string("the folder of ") + PrefixText(prefix);
      const std::optional<std::string> reached = folder ? FolderReached(*folder + name, lead_) : std::nullopt;
      Add(i, Rule::kClimbsOut,
          reached ? ProgramText("the entry climbs out of " + from + " with ..: it reaches ") + SystemText(*reached)
                  : ProgramText("the entry climbs out of " + from + " with .."));
    }
    if (!folder) return false;
    const std::optional<Refusal> refusal = FileRefusal(platform_, lead_, paths_.baseFolder, *folder + name);
    if (refusal) Add(i, Rule::kRefused, RefusalText(*refusal));
    return refusal.has_value();
  }

  // A file entry's name with its prefix, quoted.
  static std::string EntryName(const FileEntry& entry) {
    return Quoted((entry.prefix == FolderPrefix::kBase ? std::string() : PrefixText(entry.prefix)) + entry.name);
  }

  void CheckRenameFile(const Section& section) {
    std::set<std::pair<FolderPrefix, std::string>> olds;
    for (int i = section.header + 1; i < section.terminator; ++i) {
      if (IsBlank(Line(i))) continue;  // passed over, and harmless
      const RenameEntry entry = ParseRenameEntry(Upper(Line(i)));
      if (!entry.hasComma) {
        Add(i, Rule::kRenameWithoutComma,
            "a rename needs the old name, \",\" and the new name: the run passes over this line");
        continue;
      }
      if (!RenamesFiles(entry, lead_)) {
        Add(i, Rule::kNamesNoFile, "a name here names no file (a folder): the run passes over this line");
        continue;
      }
      if (const std::optional<Refusal> refusal = RenameRefusal(entry, lead_)) {
        Add(i, Rule::kRefused, RefusalText(*refusal));
        continue;
      }
      ReadIntoOpenSection(
          i, "rename " + EntryName({entry.prefix, entry.oldName}) + " to " + EntryName({entry.prefix, entry.newName}));
      const bool oldMissed = CheckFileName(i, "old name", {entry.prefix, entry.oldName},
                                           "so no such file is found and nothing is renamed", false);
      const bool newMissed = CheckFileName(i, "new name", {entry.prefix, entry.newName},
                                           "so the file gets a name with them, or none", false);
      if (oldMissed || newMissed) continue;
      // Both names are looked at, and each refusal reported.
      const bool oldOut = CheckFileReach(i, entry.prefix, entry.oldName);
      const bool newOut = CheckFileReach(i, entry.prefix, entry.newName);
      if (oldOut || newOut) continue;
      CheckPrefixLike(i, entry.oldName, entry.prefix, false);
      CheckPathLength(i, entry.prefix, entry.oldName.size() > entry.newName.size() ? entry.oldName : entry.newName);
      if (!olds.insert({entry.prefix, entry.oldName}).second)
        Add(i, Rule::kNamedTwice, "this file is renamed twice in this section");
    }
  }

  void CheckDeleteFile(const Section& section) {
    std::set<std::pair<FolderPrefix, std::string>> names, shared, folders;
    bool keepsFolder = false;
    for (int i = section.header + 1; i < section.terminator; ++i) {
      const std::string upper = Upper(Line(i));
      if (upper == kSaveFolder) {
        ReadIntoOpenSection(i, "keep the product's folder at the end of the section");
        keepsFolder = true;
        continue;
      }
      if (TrimBlanks(upper) == kSaveFolder) {
        Add(i, Rule::kSaveFolderWithBlanks, "blanks around SAVEFOLDER make it a file name: the folder is not kept");
        continue;
      }
      if (IsBlank(upper)) continue;  // passed over, and harmless
      if (const std::optional<FileEntry> entry = ParseSharedEntry(upper)) {
        CheckFileEntry(i, *entry, "lower the use count of the shared file ", shared, sharedFiles_);
        continue;
      }
      const FileEntry entry = ParseFileEntry(upper, /*withShellFolders=*/true);
      if (IsFolderEntry(upper, lead_)) {
        CheckFolderEntry(i, entry, folders);
        continue;
      }
      const std::optional<std::string> name = CheckFileEntry(i, entry, "delete the file ", names, plainFiles_);
      if (name && entry.prefix == FolderPrefix::kBase && *name == Upper(ScriptName()) && selfDeletion_ < 0)
        selfDeletion_ = i;
    }
    if (!keepsFolder && Terminated(section)) lastRemoval_ = section.terminator;
  }

  // A file entry, plain or SHARED=: the file's name as the system reads it, when the run reaches a
  // file through it. Each such entry is added to files.
  std::optional<std::string> CheckFileEntry(int i, const FileEntry& entry, const char* action,
                                            std::set<std::pair<FolderPrefix, std::string>>& names,
                                            std::vector<NamedFile>& files) {
    if (NamesNoFile(entry.name, lead_)) {
      Add(i, Rule::kNamesNoFile, "this entry names no file (a folder): the run passes over it");
      return std::nullopt;
    }
    if (const std::optional<Refusal> refusal = FileEntryRefusal(entry, lead_)) {
      Add(i, Rule::kRefused, RefusalText(*refusal));
      return std::nullopt;
    }
    ReadIntoOpenSection(i, action + EntryName(entry));
    if (CheckFileName(i, "name", entry, "so the run asks for another file and this one stays", true) ||
        CheckFileReach(i, entry.prefix, entry.name))
      return std::nullopt;
    CheckPrefixLike(i, entry.name, entry.prefix, true);
    CheckPathLength(i, entry.prefix, entry.name);
    NoteUserFolder(i, entry.prefix);
    // The system drops the blanks and dots at the end of a file's name.
    const std::string name(WithoutTrailingBlanksAndDots(entry.name));
    if (!names.insert({entry.prefix, name}).second)
      Add(i, Rule::kNamedTwice, "this file is named twice in this section");
    files.push_back({entry.prefix, name, i});
    return name;
  }

  // A plain entry deletes a shared file whatever its use count: other programs may still use it.
  void CheckSharedFilesDeletedPlainly() {
    for (const NamedFile& plain : plainFiles_)
      for (const NamedFile& shared : sharedFiles_)
        if (plain.prefix == shared.prefix && plain.name == shared.name) {
          Add(plain.line, Rule::kSharedDeletedPlainly,
              "the SHARED= entry of line " + std::to_string(shared.line + 1) +
                  " names this file too: this entry deletes it whatever its use count, while other programs may "
                  "still use it; name a shared file with SHARED= only");
          break;
        }
  }

  // A folder entry: removed at the section's end when empty, unless it is refused.
  void CheckFolderEntry(int i, const FileEntry& entry, std::set<std::pair<FolderPrefix, std::string>>& folders) {
    // Only the product's folder is known here: a folder below another prefix is judged by its entry alone.
    std::optional<Refusal> refusal = FolderEntryRefusal(entry, lead_);
    if (!refusal && entry.prefix == FolderPrefix::kBase) refusal = FolderRefusal(paths_.baseFolder + entry.name, lead_);
    if (refusal) return Add(i, Rule::kRefused, RefusalText(*refusal));
    ReadIntoOpenSection(i, "remove the folder " + EntryName(entry) + " when it is empty");
    if (CheckFileName(i, "folder's name", entry, "so the run removes no folder of yours", true)) return;
    CheckPrefixLike(i, entry.name, entry.prefix, true);
    CheckPathLength(i, entry.prefix, entry.name);
    NoteUserFolder(i, entry.prefix);
    if (!folders.insert({entry.prefix, entry.name}).second)
      Add(i, Rule::kNamedTwice, "this folder is named twice in this section");
  }

  std::string ScriptName() const { return paths_.scriptPath.substr(paths_.baseFolder.size()); }

  // The folder can only go when the script is gone before the last attempt to remove it.
  void CheckSelfDeletion() {
    bool anyDeletion = false;
    for (const Section& s : sections_) anyDeletion = anyDeletion || s.kind == SectionKind::kDeleteFile;
    if (anyDeletion && lastRemoval_ < 0) return;  // every section keeps the folder on purpose
    if (selfDeletion_ < 0)
      Add(kWholeFile, Rule::kScriptStays,
          ProgramText("no [deletefile] entry deletes the script '") + SystemText(ScriptName()) +
              ProgramText("' itself, so the product's folder cannot be removed"));
    else if (selfDeletion_ > lastRemoval_)
      Add(selfDeletion_, Rule::kScriptStays,
          "the script is deleted after the last attempt to remove the folder (line " +
              std::to_string(lastRemoval_ + 1) + "), so the folder stays");
  }

  Platform& platform_;
  const LeadByteTable& lead_;
  const ScriptFile& script_;
  const ScriptPaths& paths_;
  // The product whose registrations the guard tells from others', as the run knows it.
  const Product product_{script_, paths_.baseFolder};
  std::vector<Section> sections_;
  // The section being checked, and the first header inside its body, where it runs on over the
  // lines of the next section (kNoTerminator when there is none).
  Section current_{};
  int runOn_ = kNoTerminator;
  std::vector<Finding> findings_;
  int selfDeletion_ = -1;  // the first line that deletes the script
  int lastRemoval_ = -1;   // the terminator of the last section that removes the folder
  // The files that "[deletefile]" entries reach, plain and SHARED= ones.
  std::vector<NamedFile> plainFiles_;
  std::vector<NamedFile> sharedFiles_;
};

}  // namespace

std::vector<Finding> CheckScript(Platform& platform, const LeadByteTable& lead, const ScriptFile& script,
                                 const ScriptPaths& paths) {
  return Checker(platform, lead, script, paths).Run();
}

}  // namespace qv
