#include "common/mixed_text.h"

namespace qv {

MixedText& MixedText::Append(TextOrigin origin, const std::string& bytes) {
  if (bytes.empty()) return *this;
  if (!parts_.empty() && parts_.back().origin == origin)
    parts_.back().bytes += bytes;
  else
    parts_.push_back({origin, bytes});
  return *this;
}

MixedText& MixedText::operator+=(const MixedText& other) {
  for (const TextPart& part : other.parts_) Append(part.origin, part.bytes);
  return *this;
}

std::string MixedText::Bytes() const {
  std::string bytes;
  for (const TextPart& part : parts_) bytes += part.bytes;
  return bytes;
}

// Each returns its own text, moved out: returning what Append or += return would copy it.
MixedText operator+(MixedText a, const MixedText& b) {
  a += b;
  return a;
}

MixedText ProgramText(const std::string& bytes) {
  MixedText text;
  text.Append(TextOrigin::kProgram, bytes);
  return text;
}

MixedText SystemText(const std::string& bytes) {
  MixedText text;
  text.Append(TextOrigin::kSystem, bytes);
  return text;
}

}  // namespace qv
