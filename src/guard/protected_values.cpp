#include "guard/protected_values.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <string_view>

#include "guard/protected_key_rules.h"

namespace qv {

namespace {

using protection::kClasses;
using protection::kMachine;
using protection::kSoftware;
using protection::kUser;

// The environment's variables that Windows sets and every program relies on.
constexpr std::string_view kEnvironment[] = {"PATH", "PATHEXT", "TEMP", "TMP", "COMSPEC", "WINDIR", "PSMODULEPATH"};
// What Windows starts when a user signs in.
constexpr std::string_view kWinlogon[] = {"SHELL", "USERINIT", "VMAPPLET", "APPSETUP"};
// The drivers stacked on every device of a class.
constexpr std::string_view kClassFilters[] = {"UPPERFILTERS", "LOWERFILTERS"};
// What the session manager runs or renames as Windows starts.
constexpr std::string_view kSessionManager[] = {"BOOTEXECUTE", "PENDINGFILERENAMEOPERATIONS", "SETUPEXECUTE",
                                                "EXECUTE"};
// The libraries loaded into every program that shows a window.
constexpr std::string_view kAppInit[] = {"APPINIT_DLLS", "LOADAPPINIT_DLLS"};
// The default value, which names a type's class or a class's description.
constexpr std::string_view kDefault[] = {""};

struct ValueRule {
  unsigned hives;
  const char* key;  // a pattern as the key rules write it
  const std::string_view* names;
  std::size_t count;
};

template <std::size_t N>
constexpr ValueRule Values(unsigned hives, const char* key, const std::string_view (&names)[N]) {
  return {hives, key, names, N};
}

constexpr ValueRule kWindowsValues[] = {
    Values(kUser, "ENVIRONMENT", kEnvironment),
    Values(kMachine, "SYSTEM\\<controlset>\\CONTROL\\SESSION MANAGER\\ENVIRONMENT", kEnvironment),
    Values(kSoftware, "SOFTWARE\\MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\WINLOGON", kWinlogon),
    Values(kMachine, "SYSTEM\\<controlset>\\CONTROL\\CLASS\\<any>", kClassFilters),
    Values(kMachine, "SYSTEM\\<controlset>\\CONTROL\\SESSION MANAGER", kSessionManager),
    Values(kSoftware, "SOFTWARE\\MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\WINDOWS", kAppInit),
    Values(kClasses, "<shared>", kDefault),
};

struct ValueList {
  unsigned hives;
  const char* key;
};

// The keys whose values are entries: programs started at sign-in, approved shell extensions,
// shared files' counts, hooks, fonts, codecs, toolbars, registered applications, the
// environment's variables and the classes a type opens with.
constexpr ValueList kValueLists[] = {
    {kSoftware, "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUN"},
    {kSoftware, "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUNONCE"},
    {kSoftware, "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUNSERVICES"},
    {kSoftware, "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUNSERVICESONCE"},
    {kSoftware, "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\EXPLORER\\STARTUPAPPROVED\\<any>"},
    {kSoftware, "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\SHELL EXTENSIONS\\APPROVED"},
    {kSoftware, "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\SHAREDDLLS"},
    {kSoftware, "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\EXPLORER\\SHELLEXECUTEHOOKS"},
    {kSoftware, "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\SHELLSERVICEOBJECTDELAYLOAD"},
    {kSoftware, "SOFTWARE\\MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\FONTS"},
    {kSoftware, "SOFTWARE\\MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\DRIVERS32"},
    {kSoftware, "SOFTWARE\\MICROSOFT\\INTERNET EXPLORER\\TOOLBAR"},
    {kSoftware, "SOFTWARE\\REGISTEREDAPPLICATIONS"},
    {kUser, "ENVIRONMENT"},
    {kMachine, "SYSTEM\\<controlset>\\CONTROL\\SESSION MANAGER\\ENVIRONMENT"},
    {kClasses, "<shared>\\OPENWITHPROGIDS"},
};

}  // namespace

bool IsWindowsValue(const KeyPlace& place, const std::string& name) {
  return std::any_of(std::begin(kWindowsValues), std::end(kWindowsValues), [&](const ValueRule& rule) {
    return std::find(rule.names, rule.names + rule.count, name) != rule.names + rule.count &&
           PatternNamesKey(rule.hives, rule.key, place);
  });
}

bool IsValueList(const KeyPlace& place) {
  return std::any_of(std::begin(kValueLists), std::end(kValueLists),
                     [&](const ValueList& list) { return PatternNamesKey(list.hives, list.key, place); });
}

}  // namespace qv
