// The runtime library's errors as the program throws them (src/win32/library_errors.cpp): the
// library's message, numbers filled in, caught as the program's entry catches them.
#include <cstddef>
#include <exception>
#include <gtest/gtest.h>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace qv::wintest {
namespace {

std::string MessageOf(void (*fault)()) {
  try {
    fault();
  } catch (const std::exception& error) {
    return error.what();
  }
  return "nothing thrown";
}

TEST(LibraryErrorsTest, PositionOutOfRangeNamesThePositionAndTheSize) {
  EXPECT_EQ("basic_string::substr: __pos (which is 5) > this->size() (which is 3)",
            MessageOf([] { (void)std::string("abc").substr(5); }));
  EXPECT_EQ("basic_string::at: __n (which is 4294967295) >= this->size() (which is 0)",
            MessageOf([] { (void)std::string().at(4294967295u); }));
}

TEST(LibraryErrorsTest, TooLongAStringOrVectorIsALengthError) {
  EXPECT_EQ("basic_string::_M_replace_aux", MessageOf([] {
              std::string text("a");
              text.append(text.max_size(), 'b');
            }));
  EXPECT_EQ("cannot create std::vector larger than max_size()",
            MessageOf([] { std::vector<int> items(std::vector<int>().max_size() + 1); }));
}

TEST(LibraryErrorsTest, TooLargeAnAllocationStaysBadAlloc) {
  std::allocator<int> allocator;
  const std::size_t tooMany = std::allocator_traits<std::allocator<int>>::max_size(allocator) + 1;
  EXPECT_THROW((void)allocator.allocate(tooMany), std::bad_alloc);
}

}  // namespace
}  // namespace qv::wintest
