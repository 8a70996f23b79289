// qvcheck's texts on Linux are UTF-8; the program's are code page 932.
#pragma once

#include <string>

namespace qv {

// Code page 932 to UTF-8; a byte that starts no valid character becomes U+FFFD.
std::string Utf8FromCp932(const std::string& text);

}  // namespace qv
