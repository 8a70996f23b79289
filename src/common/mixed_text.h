// A text whose stretches come from different places, and so are written in different code pages:
// the program's own texts and the script's are code page 932, what the system gave (the command
// line, the program's path, the locale's strings) is the system's ANSI code page. Each stretch
// keeps its origin, so a box can read every part in the code page it was written in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qv {

enum class TextOrigin : std::uint8_t {
  kProgram,  // the program's texts and the script's: code page 932
  kSystem,   // from the system: its ANSI code page
};

struct TextPart {
  TextOrigin origin;
  std::string bytes;
};

class MixedText {
 public:
  MixedText() = default;

  // Appends bytes of the given origin; they join the last part when it has the same origin.
  MixedText& Append(TextOrigin origin, const std::string& bytes);
  MixedText& Append(TextOrigin origin, std::string&& bytes);
  MixedText& operator+=(const MixedText& other);

  // Every part's bytes in order: the text as the ANSI calls show it.
  std::string Bytes() const;
  bool empty() const { return parts_.empty(); }
  const std::vector<TextPart>& parts() const { return parts_; }

 private:
  std::vector<TextPart> parts_;  // never an empty part, never two neighbours of one origin
};

MixedText operator+(MixedText a, const MixedText& b);

// A text of the program or of the script (code page 932).
MixedText ProgramText(std::string bytes);
// A text the system gave (its ANSI code page).
MixedText SystemText(std::string bytes);

}  // namespace qv
