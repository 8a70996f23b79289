// Shared by the fuzz targets: a check that stops the fuzzer with a readable message, byte-wise
// case mapping for conditions, and a fake that compares the world with the one before the run
// when the user is asked to begin.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "common/texts.h"
#include "fake_system.h"

// An invariant that does not hold is a finding: print it and abort so that libFuzzer saves the
// input as a crash artifact.
#define QV_FUZZ_CHECK(condition, what)                                                                         \
  do {                                                                                                         \
    if (!(condition)) {                                                                                        \
      std::fprintf(stderr, "\nINVARIANT FAILED at %s:%d: %s\n  (%s)\n", __FILE__, __LINE__, what, #condition); \
      std::abort();                                                                                            \
    }                                                                                                          \
  } while (0)

namespace qv::fuzz {

// Every ASCII letter upper-cased, every other byte kept: the widest reading of "the text
// mentions a name", since it upper-cases the second bytes of double-byte characters as well.
inline std::string AsciiUpper(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return out;
}

inline bool Mentions(std::string_view upperText, std::string_view upperName) {
  return upperText.find(upperName) != std::string_view::npos;
}

// Makes a system that lives from run to run equal to the saved one when the run ends. The run
// then leaves no more allocated than it found, so that a count of allocations against frees
// (libFuzzer's, in a build with AddressSanitizer) still points at real leaks.
class ResetAtEnd {
 public:
  ResetAtEnd(test::FakePlatform& system, const test::FakePlatform& saved) : system_(system), saved_(saved) {}
  ResetAtEnd(const ResetAtEnd&) = delete;
  ResetAtEnd& operator=(const ResetAtEnd&) = delete;
  ~ResetAtEnd() { system_ = saved_; }

 private:
  test::FakePlatform& system_;
  const test::FakePlatform& saved_;
};

// A fake that, when the user is asked to begin and before the answer, compares its files and
// registry with the system as it was before the run.
class RecordingPlatform : public test::FakePlatform {
 public:
  // Makes this system equal to before, which must outlive the run, and forgets the last run.
  void Start(const test::FakePlatform& before, int beginAnswer) {
    test::FakePlatform::operator=(before);
    before_ = &before;
    beginAnswer_ = beginAnswer;
    unchangedAtBeginQuestion.reset();
  }

  std::optional<bool> unchangedAtBeginQuestion;

  int MessageBoxA(const std::string& text, const std::string& caption, std::uint32_t flags) override {
    if (text == texts::kAskToBegin && caption == texts::kProgramTitle) {
      if (!unchangedAtBeginQuestion) unchangedAtBeginQuestion = SameFilesAndRegistry(*before_);
      answers.push_front(beginAnswer_);
    }
    return test::FakePlatform::MessageBoxA(text, caption, flags);
  }

 private:
  const test::FakePlatform* before_ = nullptr;
  int beginAnswer_ = win::kIdYes;
};

// With QV_FUZZ_VERBOSE set, prints the boxes of a run: for looking at one reproducer at a time.
inline void PrintBoxes(const test::FakePlatform& fake, int exitCode) {
  if (!std::getenv("QV_FUZZ_VERBOSE")) return;
  std::fprintf(stderr, "exit code %d, %zu boxes, %zu key handles open\n", exitCode, fake.boxes.size(),
               fake.OpenKeyCount());
  for (const test::ShownBox& box : fake.boxes)
    std::fprintf(stderr, "  [%s] flags 0x%X answer %d: %s\n", box.caption.c_str(), static_cast<unsigned>(box.flags),
                 box.answer, box.text.c_str());
}

// Checks that hold for the boxes of every uninstall-mode run: the fatal error report, when
// there is one, is the last box and matches the exit code; every other box carries the program
// title and one of the four kinds.
inline void CheckUninstallBoxes(const test::FakePlatform& fake, int exitCode) {
  PrintBoxes(fake, exitCode);
  QV_FUZZ_CHECK(exitCode == 0 || exitCode == 1, "exit code is 0 or 1");
  std::size_t fatal = 0;
  for (const test::ShownBox& box : fake.boxes) {
    if (box.caption == texts::kFatalCaption) {
      ++fatal;
      QV_FUZZ_CHECK(box.flags == 0x2010, "the fatal error report is a task-modal stop box");
      QV_FUZZ_CHECK(box.text.size() <= 1024, "the fatal error report holds at most 1024 bytes");
      QV_FUZZ_CHECK(!box.text.empty(), "the fatal error report has a text");
    } else {
      QV_FUZZ_CHECK(box.caption == texts::kProgramTitle, "uninstall boxes carry the program title");
      QV_FUZZ_CHECK(box.flags == 0x40 || box.flags == 0x30 || box.flags == 0x10 || box.flags == 0x24,
                    "a box is information, warning, error or question");
    }
  }
  if (exitCode == 1) {
    QV_FUZZ_CHECK(!fake.boxes.empty() && fake.boxes.back().caption == texts::kFatalCaption,
                  "exit code 1 follows the fatal error report as the last box");
    QV_FUZZ_CHECK(fatal == 1, "exactly one fatal error report");
  } else {
    QV_FUZZ_CHECK(fatal == 0, "no fatal error report on a normal end");
  }
  QV_FUZZ_CHECK(fake.OpenKeyCount() == 0, "no registry key handle is left open");
}

}  // namespace qv::fuzz
