#include "common/mixed_text.h"

#include <utility>

namespace qv {

MixedText& MixedText::Append(TextOrigin origin, const std::string& bytes) {
  if (bytes.empty()) return *this;
  if (!parts_.empty() && parts_.back().origin == origin)
    parts_.back().bytes += bytes;
  else
    parts_.push_back({origin, bytes});
  return *this;
}

MixedText& MixedText::Append(TextOrigin origin, std::string&& bytes) {
  if (bytes.empty()) return *this;
  if (!parts_.empty() && parts_.back().origin == origin)
    parts_.back().bytes += bytes;
  else
    parts_.push_back({origin, std::move(bytes)});
  return *this;
}

MixedText& MixedText::operator+=(const MixedText& other) {
  for (const TextPart& part : other.parts_) Append(part.origin, part.bytes);
  return *this;
}

std::string MixedText::Bytes() const {
  std::size_t size = 0;
  for (const TextPart& part : parts_) size += part.bytes.size();
  std::string bytes;
  bytes.reserve(size);
  for (const TextPart& part : parts_) bytes += part.bytes;
  return bytes;
}

// Each returns its own text, moved out: returning what Append or += return would copy it.
MixedText operator+(MixedText a, const MixedText& b) {
  a += b;
  return a;
}

MixedText ProgramText(std::string bytes) {
  MixedText text;
  text.Append(TextOrigin::kProgram, std::move(bytes));
  return text;
}

MixedText SystemText(std::string bytes) {
  MixedText text;
  text.Append(TextOrigin::kSystem, std::move(bytes));
  return text;
}

}  // namespace qv
