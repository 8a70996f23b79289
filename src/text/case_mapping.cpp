#include "text/case_mapping.h"

namespace qv {

namespace {

// Full-width Latin letters: lead byte 0x82, upper case 0x60-0x79, lower case 0x81-0x9A.
constexpr unsigned char kFullWidthLead = 0x82;
constexpr int kFullWidthShift = 0x21;

std::string MapCase(std::string text, const LeadByteTable& lead, char asciiFrom, unsigned char fullWidthFrom,
                    int shift) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (lead[c] && i + 1 < text.size()) {
      const auto second = static_cast<unsigned char>(text[++i]);
      if (c == kFullWidthLead && second >= fullWidthFrom && second <= fullWidthFrom + 25)
        text[i] = static_cast<char>(second + (asciiFrom == 'a' ? -kFullWidthShift : kFullWidthShift));
    } else if (c >= asciiFrom && c <= asciiFrom + 25) {
      text[i] = static_cast<char>(c + shift);
    }
  }
  return text;
}

}  // namespace

std::string UpperCase932(std::string text, const LeadByteTable& lead) {
  return MapCase(std::move(text), lead, 'a', 0x81, -32);
}

std::string LowerCase932(std::string text, const LeadByteTable& lead) {
  return MapCase(std::move(text), lead, 'A', 0x60, 32);
}

}  // namespace qv
