// The ANSI case mapping of code page 932 as Windows makes it: the ASCII letters and the
// full-width Latin letters change case; every other character, double-byte or not, stays.
#pragma once

#include <string>

#include "text/text.h"

namespace qv {

std::string UpperCase932(std::string text, const LeadByteTable& lead);
std::string LowerCase932(std::string text, const LeadByteTable& lead);

}  // namespace qv
