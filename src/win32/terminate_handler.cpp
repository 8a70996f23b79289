// The runtime library's handler for an exception that escapes the program's entry.
#include <cstdio>
#include <cstdlib>
#include <cxxabi.h>
#include <exception>
#include <typeinfo>

// std::terminate's handler: it runs only when an exception escapes the program's entry. The
// runtime library's own handler names the exception's type through the C++ demangler, which with
// the formatted printing it needs made about a quarter of the program file. This one writes the same
// lines to the standard error, naming the type as the compiler records it (as the library's
// handler does when a name cannot be demangled), and ends the program with abort() as that
// handler does.
void __gnu_cxx::__verbose_terminate_handler() {
  static bool terminating = false;
  if (terminating) {
    std::fputs("terminate called recursively\n", stderr);
    std::abort();
  }
  terminating = true;
  if (const std::type_info* type = abi::__cxa_current_exception_type()) {
    std::fputs("terminate called after throwing an instance of '", stderr);
    std::fputs(type->name(), stderr);
    std::fputs("'\n", stderr);
    try {
      throw;
    } catch (const std::exception& error) {
      std::fputs("  what():  ", stderr);
      std::fputs(error.what(), stderr);
      std::fputs("\n", stderr);
    } catch (...) {
    }
  } else {
    std::fputs("terminate called without an active exception\n", stderr);
  }
  std::abort();
}
