// Arbitrary bytes as a script for the checker: it never fails, its report names only lines of
// the script, and it agrees with a whole run of the same script.
//
// As for the script target, the first input byte chooses the variant (bit 0: the signature line
// is put before the script) and the rest is the script, so the two targets share their corpus.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "check/report.h"
#include "checker_agreement.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view body(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::string script = ((data[0] & 1) ? std::string("//QV-Uninstaller\r\n") : std::string()) + std::string(body);

  static qv::test::FakePlatform platform;  // only read
  const qv::ScriptFile lines = qv::ScriptFile::FromBytes(script);
  const std::vector<qv::Finding> findings =
      qv::CheckScript(platform, qv::ShiftJisLeadBytes(), lines, qv::test::kAgreementPaths);
  for (const qv::Finding& f : findings)
    QV_FUZZ_CHECK(f.line == qv::kWholeFile || (f.line >= 0 && f.line < lines.Count()),
                  "findings name lines of the script");
  const std::string report = qv::FormatReport("Uninst.inf", lines, findings).Bytes();
  QV_FUZZ_CHECK(!report.empty() && report.back() == '\n', "the report ends with its summary line");

  const qv::test::Agreement agreement = qv::test::CheckAgainstRun(script, lines, findings);
  if (!agreement.agrees) std::fprintf(stderr, "\n%s\n", agreement.why.c_str());
  QV_FUZZ_CHECK(agreement.agrees, "the checker and the run agree on errors");
  return 0;
}
