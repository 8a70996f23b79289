#include "check/rules.h"

#include <iterator>

namespace qv {

namespace {

constexpr Severity E = Severity::kError, W = Severity::kWarning, N = Severity::kNote;

// In the order of Rule. Codes: QV1.. the script as a whole and its sections, QV2.. [execution]
// and [warning], QV3.. the registry sections, QV4.. the file sections.
constexpr RuleRow kRules[] = {
    {Rule::kEmptyScript, "QV101", E, "the script is empty"},
    {Rule::kNoSignature, "QV102", E, "the first line lacks the signature //QV-Uninstaller"},
    {Rule::kSavedAsUtf8, "QV103", W, "the script is saved as UTF-8, the run reads Shift-JIS"},
    {Rule::kNotShiftJis, "QV104", W, "bytes that are not Shift-JIS text"},
    {Rule::kHeaderInsideBody, "QV105", W, "a section header inside another section's body"},
    {Rule::kBlanksAroundHeader, "QV106", W, "blanks around a header make it an ordinary line"},
    {Rule::kUnknownSection, "QV107", W, "a bracketed line that is no section"},
    {Rule::kNoTerminator, "QV108", E, "a section without end; runs on to the end of the file"},
    {Rule::kTerminatorLookalike, "QV109", W, "a line like end; that is no terminator"},
    {Rule::kReadIntoOpenSection, "QV110", E, "a line read as an entry of an earlier section that has no end;"},
    {Rule::kIgnoredLine, "QV111", W, "a line that its section ignores"},
    {Rule::kKeywordWithBlanks, "QV112", W, "a keyword with blanks or tabs before it or before its ="},
    {Rule::kNamedTwice, "QV113", N, "the same thing named twice in a section"},
    {Rule::kRefused, "QV114", W, "an entry that the run refuses (a protected key, value, file or folder)"},
    {Rule::kScriptStays, "QV115", W, "the script is not deleted before the last removal of the folder"},
    {Rule::kFullWidthBackslash, "QV116", W, "a full-width backslash in a name, which is no separator"},
    {Rule::kMutexWithoutAppName, "QV201", W, "MUTEX= without APPNAME= on the next line"},
    {Rule::kAppNameOutOfPlace, "QV202", W, "APPNAME= not right after a MUTEX= line"},
    {Rule::kMutexWithoutName, "QV203", W, "MUTEX= without a name"},
    {Rule::kBlanksInMutexName, "QV204", W, "blanks or tabs at the ends of a mutex name"},
    {Rule::kMutexNameTooLong, "QV205", W, "a mutex name longer than the system takes"},
    {Rule::kEmptyWarning, "QV206", W, "an empty [warning] section"},
    {Rule::kDeletesNothing, "QV301", W, "a KEY= or VALUE= entry of [deletereg] without a valid root"},
    {Rule::kValueWithoutComma, "QV302", W, "VALUE= without the , before the value's name"},
    {Rule::kValueWithoutKey, "QV303", W, "VALUE= without a key below the root"},
    {Rule::kUnknownPath, "QV304", W, "PATH= with anything but HCU or HLM"},
    {Rule::kPathWithoutFolder, "QV305", N, "PATH= in a script checked without its product folder"},
    {Rule::kServiceProgramStays, "QV306", W, "SERVICE= whose program the script does not delete"},
    {Rule::kKeyNameTooLong, "QV307", W, "a key name longer than the registry takes"},
    {Rule::kBlanksInRegistryName, "QV308", W, "blanks or tabs at the ends of a key or value name"},
    {Rule::kKeyNotCreated, "QV309", W, "a KEY= entry of [createreg] whose key cannot be created"},
    {Rule::kStringBeforeKey, "QV310", E, "STRING= before any KEY= of its section"},
    {Rule::kStringUnderUnopenedKey, "QV311", E, "STRING= under a KEY= whose key cannot be opened"},
    {Rule::kBlanksInData, "QV312", N, "blanks or tabs at the ends of a STRING= value's data"},
    {Rule::kNoPrefixInRename, "QV401", W, "a shell folder's prefix in [renamefile], which does not know it"},
    {Rule::kPrefixLookalike, "QV402", W, "a first folder name that looks like a prefix but is none"},
    {Rule::kPathTooLong, "QV403", W, "a path longer than the system takes"},
    {Rule::kUserFolder, "QV404", N, "an entry in the folder of the user who runs the uninstall"},
    {Rule::kCommonFolder, "QV405", N, "an entry in a folder of all users"},
    {Rule::kWildcard, "QV406", W, "a wildcard in a file entry"},
    {Rule::kFullPath, "QV407", W, "a full path in a file entry"},
    {Rule::kBlanksInFileName, "QV408", W, "blanks or tabs that stay part of a file's name"},
    {Rule::kBlanksDropped, "QV409", N, "blanks at the end of a file's name, which the system drops"},
    {Rule::kClimbsOut, "QV410", W, "an entry that climbs out of its folder with .."},
    {Rule::kRenameWithoutComma, "QV411", W, "a rename without its , and new name"},
    {Rule::kNamesNoFile, "QV412", W, "a file entry that names a folder"},
    {Rule::kSaveFolderWithBlanks, "QV413", W, "SAVEFOLDER with blanks around it"},
    {Rule::kSharedDeletedPlainly, "QV414", W, "a shared file that a plain entry deletes too"},
};

static_assert([] {
  for (int i = 0; i < static_cast<int>(std::size(kRules)); ++i)
    if (static_cast<int>(kRules[i].rule) != i) return false;
  return true;
}());

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

const RuleRow& RuleOf(Rule rule) { return kRules[static_cast<int>(rule)]; }

std::optional<RuleRow> RuleByCode(std::string_view code) {
  for (const RuleRow& row : kRules) {
    const std::string_view own = row.code;
    if (own.size() != code.size()) continue;
    bool same = true;
    for (std::size_t i = 0; i < own.size(); ++i) same = same && Upper(code[i]) == own[i];
    if (same) return row;
  }
  return std::nullopt;
}

const RuleRow* RulesBegin() { return std::begin(kRules); }
const RuleRow* RulesEnd() { return std::end(kRules); }

}  // namespace qv
