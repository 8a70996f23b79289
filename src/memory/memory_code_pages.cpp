#include "memory/memory_code_pages.h"

#include <algorithm>
#include <iconv.h>
#include <iterator>
#include <map>
#include <utility>
#include <vector>

#include "text/program_text.h"

namespace qv {

namespace {

// The code pages the in-memory system knows, by the names of the host's converter (glibc's iconv), whose
// tables agree with Windows' (as Wine has them, compared byte pair by byte pair) but where noted
// here: Windows takes 0x80 of 932 and 949 and the five unassigned bytes of 1252 as the control
// characters of their values. The private-use characters of the user-defined areas of 936 and
// 949 are left out: the in-memory system finds them invalid. UTF-8 is converted whole, strictly.
struct CodePageModel {
  std::uint32_t codePage;
  const char* converterName;
  unsigned char firstLead, lastLead;  // lead bytes of 936 and 949; none when first > last
  std::string_view ownBytes;
};
constexpr CodePageModel kCodePages[] = {
    {932, "CP932", 0, 0, "\x80"},  // lead bytes: those of Shift-JIS
    {936, "CP936", 0x81, 0xFE, ""}, {949, "CP949", 0x81, 0xFE, "\x80"}, {1252, "CP1252", 1, 0, "\x81\x8D\x8F\x90\x9D"},
    {65001, "UTF-8", 1, 0, ""},
};
constexpr std::uint32_t kUtf8 = 65001;

const CodePageModel* ModelOf(std::uint32_t codePage) {
  for (const CodePageModel& model : kCodePages)
    if (model.codePage == codePage) return &model;
  return nullptr;
}

// One of the host's converters. Each pair of code pages is opened once and kept open: opening
// one looks up the host's tables, which took longer than the conversions themselves.
class Converter {
 public:
  Converter(const char* to, const char* from) : converter_(Open(to, from)) {}

  // The whole input converted, or nothing when any of it does not convert.
  std::optional<std::string> operator()(std::string_view input) const {
    if (converter_ == kNone) return std::nullopt;
    std::string in(input), out(4 * input.size() + 8, '\0');
    char* inAt = in.data();
    char* outAt = out.data();
    std::size_t inLeft = in.size(), outLeft = out.size();
    iconv(converter_, nullptr, nullptr, nullptr, nullptr);
    if (iconv(converter_, &inAt, &inLeft, &outAt, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0)
      return std::nullopt;
    out.resize(out.size() - outLeft);
    return out;
  }

 private:
  static inline const iconv_t kNone = reinterpret_cast<iconv_t>(-1);
  // The converters opened so far by their pair of code pages, closed when the process ends.
  struct Opened : std::map<std::pair<std::string, std::string>, iconv_t> {
    ~Opened() {
      for (const auto& [pair, converter] : *this)
        if (converter != kNone) iconv_close(converter);
    }
  };
  static iconv_t Open(const char* to, const char* from) {
    static Opened opened;
    const auto [at, added] = opened.emplace(std::make_pair(to, from), kNone);
    if (added) at->second = iconv_open(to, from);
    return at->second;
  }
  iconv_t converter_;
};

// One character of one or two bytes as UTF-16, or nothing when it is not valid.
std::optional<std::u16string> DecodeCharacter(const CodePageModel& model, const Converter& convert,
                                              std::string_view character) {
  if (std::optional<std::string> out = convert(character)) return Utf16Units(*out);
  if (character.size() == 1 && model.ownBytes.find(character[0]) != std::string_view::npos)
    return std::u16string(1, static_cast<char16_t>(static_cast<unsigned char>(character[0])));
  return std::nullopt;
}

// The answers to 0x10000 questions, each asked once: a string of at most two units, or none. A
// longer answer is handed on each time and not kept; none of the code pages has one.
template <typename Unit>
class Answers {
 public:
  Answers() : entries_(0x10000) {}

  // Appends the answer to the question to out, asking ask() when it is not known yet; false when
  // there is none.
  template <typename Ask>
  bool Append(std::size_t question, std::basic_string<Unit>& out, Ask ask) {
    Entry& entry = entries_[question];
    if (entry.state == Entry::kUnknown) {
      const std::optional<std::basic_string<Unit>> answer = ask();
      if (!answer) {
        entry.state = Entry::kNone;
      } else if (answer->size() > 2) {
        out += *answer;
        return true;
      } else {
        entry.state = Entry::kKnown;
        entry.count = static_cast<std::uint8_t>(answer->size());
        std::copy(answer->begin(), answer->end(), entry.units);
      }
    }
    if (entry.state == Entry::kNone) return false;
    out.append(entry.units, entry.count);
    return true;
  }

 private:
  struct Entry {
    enum : std::uint8_t { kUnknown, kKnown, kNone } state = kUnknown;
    std::uint8_t count = 0;
    Unit units[2] = {};
  };
  std::vector<Entry> entries_;
};

// Each character of a code page other than UTF-8 as DecodeCharacter reads it, asked once: the
// same few characters come again in every text, and the converter's answer and the strings
// around it cost more than the rest of a text's reading. Asked by the byte, or by the lead byte
// and the second byte (0x8100 and up); made at the code page's first use.
class CharacterTable {
 public:
  explicit CharacterTable(const CodePageModel& model) : lead(LeadBytesOfCodePage(model.codePage)), model_(model) {}

  const LeadByteTable lead;

  // Appends the character's UTF-16 units to out; false when it is not valid.
  bool Append(std::string_view character, std::u16string& out) {
    const std::size_t question = character.size() == 1 ? static_cast<unsigned char>(character[0])
                                                       : static_cast<unsigned char>(character[0]) << 8 |
                                                             static_cast<unsigned char>(character[1]);
    return answers_.Append(question, out, [&] {
      const Converter convert("UTF-16LE", model_.converterName);
      return DecodeCharacter(model_, convert, character);
    });
  }

 private:
  const CodePageModel& model_;
  Answers<char16_t> answers_;
};

CharacterTable& CharactersOf(const CodePageModel& model) {
  static std::optional<CharacterTable> tables[std::size(kCodePages)];
  std::optional<CharacterTable>& table = tables[&model - kCodePages];
  if (!table) table.emplace(model);
  return *table;
}

}  // namespace

LeadByteTable LeadBytesOfCodePage(std::uint32_t codePage) {
  if (codePage == 932) return ShiftJisLeadBytes();
  LeadByteTable table = NoLeadBytes();
  if (const CodePageModel* model = ModelOf(codePage))
    for (int b = model->firstLead; b <= model->lastLead; ++b) table[b] = true;
  return table;
}

std::optional<std::u16string> DecodeCodePage(std::uint32_t codePage, std::string_view bytes) {
  const CodePageModel* model = ModelOf(codePage);
  if (!model) return std::nullopt;
  if (codePage == kUtf8) {
    std::optional<std::string> out = Converter("UTF-16LE", model->converterName)(bytes);
    if (!out) return std::nullopt;
    return Utf16Units(*out);
  }
  CharacterTable& characters = CharactersOf(*model);
  const LeadByteTable& lead = characters.lead;
  std::u16string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    // Every code page the fake knows reads the bytes below 0x80 as ASCII (each converter's table
    // agrees), and none of them is a lead byte: no converter is asked for them.
    if (static_cast<unsigned char>(bytes[i]) < 0x80) {
      out += static_cast<char16_t>(bytes[i++]);
      continue;
    }
    const std::size_t width = lead[static_cast<unsigned char>(bytes[i])] ? 2 : 1;
    if (i + width > bytes.size()) return std::nullopt;  // a lead byte at the end
    if (!characters.Append(bytes.substr(i, width), out)) return std::nullopt;
    i += width;
  }
  return out;
}

namespace {

// The text as the converter writes it, when every character of it reads back as itself.
std::optional<std::string> Converted(const CodePageModel& model, const std::u16string& text) {
  std::optional<std::string> bytes = Converter(model.converterName, "UTF-16LE")(Utf16Bytes(text));
  // Only a character that is read back as itself has bytes of its own.
  if (!bytes || DecodeCodePage(model.codePage, *bytes) != text) return std::nullopt;
  return bytes;
}

std::optional<std::string> EncodeThroughConverter(const CodePageModel& model, const std::u16string& text) {
  if (model.codePage == kUtf8) return Converted(model, text);
  // A byte of the code page's own that the converter does not know stands for itself alone.
  if (text.size() == 1 && text[0] >= 0x80 && text[0] <= 0xFF &&
      model.ownBytes.find(static_cast<char>(text[0])) != std::string_view::npos)
    return std::string(1, static_cast<char>(text[0]));
  if (text.size() == 1 ||
      std::any_of(text.begin(), text.end(), [](char16_t unit) { return unit >= 0xD800 && unit <= 0xDFFF; }))
    return Converted(model, text);
  // Each unit's bytes, as Converted writes it alone, asked once. These code pages write a text
  // character by character, and each character's bytes are read back as that character alone, so
  // a text's bytes are its units' bytes one after the other. A surrogate is no character of its
  // own: its text went to the converter whole.
  static std::optional<Answers<char>> tables[std::size(kCodePages)];
  std::optional<Answers<char>>& table = tables[&model - kCodePages];
  if (!table) table.emplace();
  std::string bytes;
  bytes.reserve(2 * text.size());
  for (char16_t unit : text)
    if (!table->Append(unit, bytes, [&] { return Converted(model, std::u16string(1, unit)); })) return std::nullopt;
  return bytes;
}

// Whether the code page writes each unit below 0x80 as the byte of its value and reads it back
// so, found once by asking the converter for each of them.
bool WritesAsciiAsItself(const CodePageModel& model) {
  static std::optional<bool> writes[std::size(kCodePages)];
  std::optional<bool>& known = writes[&model - kCodePages];
  if (!known) {
    bool all = true;
    for (char16_t unit = 0; unit < 0x80 && all; ++unit)
      all = EncodeThroughConverter(model, std::u16string(1, unit)) == std::string(1, static_cast<char>(unit));
    known = all;
  }
  return *known;
}

}  // namespace

std::optional<std::string> EncodeCodePage(std::uint32_t codePage, const std::u16string& text) {
  const CodePageModel* model = ModelOf(codePage);
  if (!model || text.empty()) return std::nullopt;
  // A text of such units alone is its own bytes: the converter writes a text character by
  // character, and these characters read back byte by byte.
  if (std::all_of(text.begin(), text.end(), [](char16_t unit) { return unit < 0x80; }) && WritesAsciiAsItself(*model))
    return std::string(text.begin(), text.end());
  return EncodeThroughConverter(*model, text);
}

}  // namespace qv
