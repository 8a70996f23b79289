#include "posix/utf8_text.h"

#include <cerrno>
#include <iconv.h>

namespace qv {

std::string Utf8FromCp932(const std::string& text) {
  iconv_t convert = iconv_open("UTF-8", "CP932");
  if (convert == reinterpret_cast<iconv_t>(-1)) return text;
  std::string out;
  char buffer[4096];
  char* in = const_cast<char*>(text.data());
  std::size_t left = text.size();
  while (left > 0) {
    char* next = buffer;
    std::size_t room = sizeof buffer;
    const std::size_t result = iconv(convert, &in, &left, &next, &room);
    out.append(buffer, static_cast<std::size_t>(next - buffer));
    if (result == static_cast<std::size_t>(-1) && errno != E2BIG) {
      out += "\xEF\xBF\xBD";
      ++in;
      --left;
    }
  }
  iconv_close(convert);
  return out;
}

}  // namespace qv
