#include "guard/protected_keys.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "guard/protected_key_rules.h"

namespace qv {

namespace {

using protection::Reach;
using protection::Rule;
using Names = std::vector<std::string>;

// The path's key names, upper-cased, without the empty names of repeated, leading and trailing
// "\": "\Software\\Quorvel\" reads as SOFTWARE, QUORVEL.
Names KeyNames(Platform& platform, const LeadByteTable& lead, const std::string& path) {
  return SplitPathNames(platform.CharUpperBuffA(path), "\\", lead);
}

using Place = KeyPlace;

bool EndsWith(const std::string& s, std::string_view end) {
  return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

// Below Software, the 32-bit mirror reads as Software itself, and Software\Classes as the
// classes. Below the classes, their 32-bit mirror reads as the classes themselves. Each mirror
// alone stays a key of its own; the mirror has no mirror of its own.
void Unmirror(Place& place) {
  Names& n = place.names;
  if (place.hive & protection::kSoftware && n.size() > 2 && n[0] == "SOFTWARE" && n[1] == "WOW6432NODE" &&
      n[2] != "WOW6432NODE")
    n.erase(n.begin() + 1);
  if (place.hive & protection::kSoftware && n.size() > 1 && n[0] == "SOFTWARE" && n[1] == "CLASSES")
    place = {protection::kClasses, Names(n.begin() + 2, n.end())};
  if (place.hive == protection::kClasses && n.size() > 1 && n[0] == "WOW6432NODE") n.erase(n.begin());
}

// The place of the names below root; nothing for a key that no table entry may allow: the root
// itself and a user's whole hive. A key below HU is read as a user's key below HCU, or below a
// user's "_Classes" hive as a class.
std::optional<Place> Locate(RegistryRoot root, Names names) {
  if (names.empty()) return std::nullopt;
  Place place{0, std::move(names)};
  switch (root) {
    case kHkeyClassesRoot:
      place.hive = protection::kClasses;
      break;
    case kHkeyLocalMachine:
      place.hive = protection::kMachine;
      break;
    case kHkeyCurrentUser:
      place.hive = protection::kUser;
      break;
    case kHkeyCurrentConfig:
      place.hive = protection::kConfig;
      break;
    case kHkeyUsers: {
      if (place.names.size() == 1) return std::nullopt;
      const bool classes = EndsWith(place.names[0], "_CLASSES");
      place = {classes ? protection::kClasses : protection::kUser, Names(place.names.begin() + 1, place.names.end())};
      break;
    }
    default:
      return place;  // no table entry reads other roots' keys
  }
  Unmirror(place);
  if (place.names.empty()) return std::nullopt;  // Software\Classes itself: the root of the classes
  return place;
}

// How closely a rule covers a key: the number of names its pattern covers, then the fewer names
// it leaves to <any>, then a refusal before a product's entry. The family is the rule's.
struct Cover {
  std::size_t names = 0;
  int wildcards = 0;
  bool refuses = false;
  Reason family = Reason::kRootsAndHives;
  const char* pattern = nullptr;

  bool CloserThan(const Cover& other) const {
    if (names != other.names) return names > other.names;
    if (wildcards != other.wildcards) return wildcards < other.wildcards;
    return refuses && !other.refuses;
  }
};

// Every number of names from names[at] on that the pattern's names from token on can cover.
void CoveredCounts(const Names& tokens, std::size_t token, const Names& names, std::size_t at,
                   std::vector<std::size_t>& counts) {
  if (token == tokens.size()) {
    counts.push_back(at);
    return;
  }
  if (at >= names.size()) return;
  const std::string& t = tokens[token];
  if (t.front() != '<') {
    if (names[at] == t) CoveredCounts(tokens, token + 1, names, at + 1, counts);
    return;
  }
  if (const std::size_t length = protection::SetMemberLength(t, names, at)) {
    CoveredCounts(tokens, token + 1, names, at + length, counts);
    // A two-name member also begins with a one-name member (Directory\Background, Directory).
    if (length == 2 && protection::SetMemberLength(t, Names{names[at]}, 0) == 1)
      CoveredCounts(tokens, token + 1, names, at + 1, counts);
  }
}

Names PatternNames(const char* pattern) {
  Names tokens(1);
  for (const char* c = pattern; *c; ++c)
    if (*c == '\\')
      tokens.emplace_back();
    else
      tokens.back() += *c;
  return tokens;
}

// A rule with its family and its pattern's names, read once from the table.
struct TableRule {
  const Rule* rule;
  Reason family;
  Names pattern;
  int wildcards;  // the pattern's names that are <any>
};

const std::vector<TableRule>& TableRules() {
  static const std::vector<TableRule> all = [] {
    std::vector<TableRule> rules;
    for (const protection::FamilyRules& family : protection::Rules())
      for (const Rule& rule : family) {
        Names pattern = PatternNames(rule.pattern);
        const int wildcards = static_cast<int>(std::count(pattern.begin(), pattern.end(), "<any>"));
        rules.push_back({&rule, family.family, std::move(pattern), wildcards});
      }
    return rules;
  }();
  return all;
}

// The closest cover of the key among the rules of its hive; nothing when no rule covers it.
std::optional<Cover> ClosestCover(const Place& place) {
  std::optional<Cover> closest;
  std::vector<std::size_t> counts;
  for (const TableRule& entry : TableRules()) {
    const Rule& rule = *entry.rule;
    if (!(rule.hives & place.hive)) continue;
    counts.clear();
    CoveredCounts(entry.pattern, 0, place.names, 0, counts);
    for (std::size_t count : counts) {
      if (rule.reach == Reach::kKey && count != place.names.size()) continue;
      const Cover cover{count, entry.wildcards, rule.reach != Reach::kProductTree, entry.family, rule.pattern};
      if (!closest || cover.CloserThan(*closest)) closest = cover;
    }
  }
  return closest;
}

// The folders that hold every product's key, under any root: the list of installed programs and
// our products' settings folders. A cleanup entry with nothing after its "=" names one of them.
constexpr const char* kFamilyFolders[] = {
    "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\UNINSTALL",
    "SOFTWARE\\QUORVEL",
    "SOFTWARE\\VASK",
};

bool IsFamilyFolder(const Names& names) {
  std::string key;
  for (const std::string& name : names) key += (key.empty() ? "" : "\\") + name;
  for (const char* folder : kFamilyFolders)
    if (key == folder) return true;
  return false;
}

}  // namespace

KeyJudgement JudgeKey(Platform& platform, const LeadByteTable& lead, RegistryRoot root, const std::string& path) {
  Names names = KeyNames(platform, lead, path);
  if (IsFamilyFolder(names)) return {Reason::kProductFolders};
  const Names written = names;
  const std::optional<Place> place = Locate(root, std::move(names));
  if (!place) return {Reason::kRootsAndHives};
  // The same folders at any other spelling of Software: its mirror, a user's below HU.
  if (place->hive & protection::kSoftware && IsFamilyFolder(place->names)) return {Reason::kProductFolders};
  const std::optional<Cover> cover = ClosestCover(*place);
  if (!cover) return {};
  if (cover->refuses) return {cover->family};
  // Locate drops names before the entry only (a user's SID, Software\Classes, a mirror), so the
  // entry ends as many names before the key's end as written as it does in the table.
  const std::size_t entryNames = written.size() - (place->names.size() - cover->names);
  std::string entry;
  for (std::size_t i = 0; i < entryNames; ++i) entry += (i ? "\\" : "") + written[i];
  return {std::nullopt, cover->pattern, entry};
}

std::optional<Reason> ProtectingFamily(Platform& platform, const LeadByteTable& lead, RegistryRoot root,
                                       const std::string& path) {
  return JudgeKey(platform, lead, root, path).family;
}

std::optional<std::vector<std::string>> SoftwareNames(Platform& platform, const LeadByteTable& lead, RegistryRoot root,
                                                      const std::string& path) {
  std::optional<Place> place = Locate(root, KeyNames(platform, lead, path));
  if (!place || !(place->hive & protection::kSoftware)) return std::nullopt;
  return std::move(place->names);
}

std::optional<KeyPlace> ReadKeyPlace(Platform& platform, const LeadByteTable& lead, RegistryRoot root,
                                     const std::string& path) {
  return Locate(root, KeyNames(platform, lead, path));
}

bool PatternNamesKey(unsigned hives, const char* pattern, const KeyPlace& place) {
  if (!(hives & place.hive)) return false;
  std::vector<std::size_t> counts;
  CoveredCounts(PatternNames(pattern), 0, place.names, 0, counts);
  return std::find(counts.begin(), counts.end(), place.names.size()) != counts.end();
}

}  // namespace qv
