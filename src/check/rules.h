// Every kind of finding with its stable code: what the report shows on the finding's line, what
// --ignore names, and what SARIF lists as its rules. A code is never given to another kind, and a
// kind that goes keeps its code unused.
#pragma once

#include <optional>
#include <string_view>

namespace qv {

enum class Severity { kNote, kWarning, kError };

enum class Rule {
  kEmptyScript,
  kNoSignature,
  kSavedAsUtf8,
  kNotShiftJis,
  kHeaderInsideBody,
  kBlanksAroundHeader,
  kUnknownSection,
  kNoTerminator,
  kTerminatorLookalike,
  kReadIntoOpenSection,
  kIgnoredLine,
  kKeywordWithBlanks,
  kNamedTwice,
  kRefused,
  kScriptStays,
  kFullWidthBackslash,
  kMutexWithoutAppName,
  kAppNameOutOfPlace,
  kMutexWithoutName,
  kBlanksInMutexName,
  kMutexNameTooLong,
  kEmptyWarning,
  kDeletesNothing,
  kValueWithoutComma,
  kValueWithoutKey,
  kUnknownPath,
  kPathWithoutFolder,
  kServiceProgramStays,
  kKeyNameTooLong,
  kBlanksInRegistryName,
  kKeyNotCreated,
  kStringBeforeKey,
  kStringUnderUnopenedKey,
  kBlanksInData,
  kNoPrefixInRename,
  kPrefixLookalike,
  kPathTooLong,
  kUserFolder,
  kCommonFolder,
  kWildcard,
  kFullPath,
  kBlanksInFileName,
  kBlanksDropped,
  kClimbsOut,
  kRenameWithoutComma,
  kNamesNoFile,
  kSaveFolderWithBlanks,
  kSharedDeletedPlainly,
};

struct RuleRow {
  Rule rule;
  const char* code;
  Severity severity;
  const char* summary;  // one line, for lists of the rules
};

const RuleRow& RuleOf(Rule rule);
// The row of a code, in any case; nothing for a code that names no rule.
std::optional<RuleRow> RuleByCode(std::string_view code);
// Every row, in the order of their codes.
const RuleRow* RulesBegin();
const RuleRow* RulesEnd();

}  // namespace qv
