#include "check/sarif.h"

#include <algorithm>

#include "check/rules.h"
#include "common/version.h"

namespace qv {

namespace {

// A JSON string: quotes, backslashes and control characters escaped, other bytes as they are.
std::string Json(const std::string& text) {
  static const char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\')
      out += std::string("\\") + c;
    else if (byte < 0x20)
      out += std::string("\\u00") + kHex[byte >> 4] + kHex[byte & 15];
    else
      out += c;
  }
  return out + "\"";
}

// A path as a relative or absolute URI reference: every byte but letters, digits, "-._~" and "/"
// percent-encoded (the path is UTF-8). A Windows path has its "\" written "/", and a drive or a share made a file URI.
std::string Uri(std::string path, bool windowsPath) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  if (windowsPath) {
    for (char& c : path) c = c == '\\' ? '/' : c;
    if (path.size() > 1 && path[1] == ':') {
      out = std::string("file:///") + path[0] + ":";
      path.erase(0, 2);
    } else if (path.rfind("//", 0) == 0) {
      out = "file:";
    }
  }
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
        c == '_' || c == '~' || c == '/')
      out += c;
    else
      out += std::string("%") + kHex[byte >> 4] + kHex[byte & 15];
  }
  return out;
}

std::string Message(const std::string& utf8) { return "{\"text\": " + Json(utf8) + "}"; }

std::string Location(const std::string& path, int line, bool windowsPaths) {
  std::string out = "{\"physicalLocation\": {\"artifactLocation\": {\"uri\": " + Json(Uri(path, windowsPaths)) + "}";
  if (line >= 0) out += ", \"region\": {\"startLine\": " + std::to_string(line + 1) + "}";
  return out + "}}";
}

int RuleIndex(const char* code) {
  for (const RuleRow* row = RulesBegin(); row != RulesEnd(); ++row)
    if (std::string(row->code) == code) return static_cast<int>(row - RulesBegin());
  return -1;
}

}  // namespace

std::string SarifReport(const std::string& toolName, const std::vector<ScriptCheck>& checks,
                        const std::function<std::string(const MixedText&)>& toUtf8, bool windowsPaths) {
  std::string rules, results, notifications;
  for (const RuleRow* row = RulesBegin(); row != RulesEnd(); ++row)
    rules += std::string(rules.empty() ? "" : ",") + "\n        {\"id\": " + Json(row->code) +
             ", \"shortDescription\": " + Message(row->summary) +
             ", \"defaultConfiguration\": {\"level\": " + Json(SeverityName(row->severity)) + "}}";
  for (const ScriptCheck& check : checks) {
    if (!check.script) {
      // The text report's line, without its line break.
      const std::string why = toUtf8(check.unreadable);
      notifications += std::string(notifications.empty() ? "" : ",") +
                       "\n        {\"level\": \"error\", \"message\": " + Message(why.substr(0, why.size() - 1)) +
                       ", \"locations\": [" + Location(toUtf8(SystemText(check.path)), -1, windowsPaths) + "]}";
      continue;
    }
    std::vector<Finding> findings = check.findings;
    std::stable_sort(findings.begin(), findings.end(),
                     [](const Finding& a, const Finding& b) { return a.line < b.line; });
    const std::string path = toUtf8(SystemText(check.path));
    for (const Finding& f : findings)
      results += std::string(results.empty() ? "" : ",") + "\n    {\"ruleId\": " + Json(f.code) +
                 ", \"ruleIndex\": " + std::to_string(RuleIndex(f.code)) +
                 ", \"level\": " + Json(SeverityName(f.severity)) + ", \"message\": " + Message(toUtf8(f.message)) +
                 ", \"locations\": [" + Location(path, f.line, windowsPaths) + "]}";
  }
  return "{\n  \"$schema\": \"https://json.schemastore.org/sarif-2.1.0.json\",\n  \"version\": \"2.1.0\",\n"
         "  \"runs\": [{\n    \"tool\": {\"driver\": {\n      \"name\": " +
         Json(toolName) + ",\n      \"version\": \"" QV_PRODUCT_VERSION_TEXT "\",\n      \"rules\": [" + rules +
         "\n      ]}},\n    \"invocations\": [{\"executionSuccessful\": " + (notifications.empty() ? "true" : "false") +
         ", \"toolExecutionNotifications\": [" + notifications + "]}],\n    \"results\": [" + results +
         "\n    ]\n  }]\n}\n";
}

}  // namespace qv
