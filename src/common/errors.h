// The program's errors. Each carries its formatted message and the code address that raised it;
// nothing catches them but the program's entry, which shows the fatal error report.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "common/mixed_text.h"

namespace qv {

class QvError {
 public:
  QvError(const char* className, MixedText message, std::uintptr_t address)
      : className_(className), message_(std::move(message)), address_(address) {}
  virtual ~QvError() = default;

  const char* className() const { return className_; }
  // The message with each part in its own code page, and as the bytes it is made of.
  const MixedText& text() const { return message_; }
  std::string message() const { return message_.Bytes(); }
  std::uintptr_t address() const { return address_; }

 private:
  const char* className_;
  MixedText message_;
  std::uintptr_t address_;
};

#define QV_ERROR_CLASS(Name)                                                                         \
  class Name : public QvError {                                                                      \
   public:                                                                                           \
    Name(MixedText message, std::uintptr_t address) : QvError(#Name, std::move(message), address) {} \
  };

QV_ERROR_CLASS(EStringListError)
QV_ERROR_CLASS(EFOpenError)
QV_ERROR_CLASS(ERegistryException)
QV_ERROR_CLASS(EConvertError)
#undef QV_ERROR_CLASS

// Fills the one "%s" or "%d" of a message pattern (a text of the program) with the argument, as
// data: a "%" inside the argument is never read as a format. The argument keeps its origin.
MixedText FillPattern(const char* pattern, const MixedText& argument);
MixedText FillPattern(const char* pattern, long long argument);

// Raises an error whose address is the code address of the caller of Raise.
template <typename E, typename Arg>
[[noreturn]] __attribute__((noinline)) void Raise(const char* pattern, const Arg& argument) {
  auto address = reinterpret_cast<std::uintptr_t>(__builtin_extract_return_addr(__builtin_return_address(0)));
  throw E(FillPattern(pattern, argument), address);
}

}  // namespace qv
