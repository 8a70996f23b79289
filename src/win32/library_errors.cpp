// The runtime library's functions that throw its errors (a string position out of range, a string
// too long, memory exhausted). The library's own ones build std::logic_error and its kin, whose
// strings are of the library's older string kind: they brought in a second string implementation,
// about a sixth of the program file. These throw the same message as an exception of the standard
// family, which the program's entry reports as the library's would be (its what() text), and the
// library's own exception types where those carry no text.
#include <cstdarg>
#include <cstddef>
#include <exception>
#include <new>
#include <typeinfo>

namespace {

class LibraryError : public std::exception {
 public:
  explicit LibraryError(const char* text) : text_(text) {}
  const char* what() const noexcept override { return text_; }

 private:
  const char* text_;
};

// The message of __throw_out_of_range_fmt: its format knows %zu, %lu, %s and %%, as the library's
// own small formatter does. Written into one buffer, since an error of this kind ends the program.
char formatted[256];

void AppendText(std::size_t& at, const char* text) {
  while (*text != '\0' && at + 1 < sizeof formatted) formatted[at++] = *text++;
}

void AppendNumber(std::size_t& at, unsigned long long number) {
  char digits[24];
  std::size_t count = 0;
  do {
    digits[count++] = static_cast<char>('0' + number % 10);
    number /= 10;
  } while (number != 0);
  while (count > 0 && at + 1 < sizeof formatted) formatted[at++] = digits[--count];
}

const char* Format(const char* format, std::va_list arguments) {
  std::size_t at = 0;
  for (const char* p = format; *p != '\0' && at + 1 < sizeof formatted; ++p) {
    if (p[0] == '%' && p[1] == 'z' && p[2] == 'u') {
      AppendNumber(at, va_arg(arguments, std::size_t));
      p += 2;
    } else if (p[0] == '%' && p[1] == 'l' && p[2] == 'u') {
      AppendNumber(at, va_arg(arguments, unsigned long));
      p += 2;
    } else if (p[0] == '%' && p[1] == 's') {
      AppendText(at, va_arg(arguments, const char*));
      ++p;
    } else if (p[0] == '%' && p[1] == '%') {
      formatted[at++] = '%';
      ++p;
    } else {
      formatted[at++] = *p;
    }
  }
  formatted[at] = '\0';
  return formatted;
}

}  // namespace

namespace std {

void __throw_bad_exception() { throw bad_exception(); }
void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_bad_cast() { throw bad_cast(); }
void __throw_bad_typeid() { throw bad_typeid(); }
void __throw_logic_error(const char* text) { throw LibraryError(text); }
void __throw_domain_error(const char* text) { throw LibraryError(text); }
void __throw_invalid_argument(const char* text) { throw LibraryError(text); }
void __throw_length_error(const char* text) { throw LibraryError(text); }
void __throw_out_of_range(const char* text) { throw LibraryError(text); }
void __throw_runtime_error(const char* text) { throw LibraryError(text); }
void __throw_range_error(const char* text) { throw LibraryError(text); }
void __throw_overflow_error(const char* text) { throw LibraryError(text); }
void __throw_underflow_error(const char* text) { throw LibraryError(text); }

void __throw_out_of_range_fmt(const char* format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  const char* text = Format(format, arguments);
  va_end(arguments);
  throw LibraryError(text);
}

}  // namespace std
