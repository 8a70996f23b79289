// A registry export in both of regedit's forms gives the same keys and values; a fault names the
// file and the line.
#include "memory/registry_export.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace qv {
namespace {

std::string Fixture(const char* name) {
  std::ifstream file(std::string(QV_TEST_DATA) + "/" + name, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

TEST(RegistryExport, BothFormsHoldEveryKindOfValueContinuedLinesAndDeletions) {
  const std::string types = "Software\\Quorvel\\Types";
  const struct {
    const char* name;
    std::uint32_t type;
    std::string data;
  } values[] = {{"", 1, std::string("default\0", 8)},
                {"String", 1, std::string("C:\\Program Files\\\"Q\" サンプル\0", 30)},
                {"Dword", 4, std::string("\x2a\0\0\0", 4)},
                {"Binary", 3, "\x01\x02\xff"},
                {"None", 0, ""},
                {"Expand", 2, std::string("%SystemRoot%\0", 13)},
                {"Multi", 7, std::string("a\0b\0\0", 5)},
                {"Qword", 11, std::string("\x01\0\0\0\0\0\0\0", 8)}};
  for (const char* name : {"every_type.reg", "every_type_ansi.reg"}) {
    SCOPED_TRACE(name);
    MemoryPlatform system;
    ASSERT_EQ(ReadRegistryExport(system, Fixture(name), name), "");
    const MemoryKey* key = system.FindKey(kHkeyCurrentUser, types);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->values.size(), std::size(values));
    for (const auto& value : values) {
      const auto found = key->values.find(system.CharUpperBuffA(value.name));
      ASSERT_NE(found, key->values.end()) << value.name;
      EXPECT_EQ(found->second, (MemoryValue{value.name, value.type, value.data}));
    }
    EXPECT_EQ(system.FindKey(kHkeyLocalMachine, "SOFTWARE\\Quorvel\\Old"), nullptr);
    const MemoryKey* japanese = system.FindKey(kHkeyLocalMachine, "SOFTWARE\\Quorvel\\表");
    ASSERT_NE(japanese, nullptr);
    EXPECT_EQ(japanese->values.at("サンプル").data, std::string("値\0", 3));
  }
}

TEST(RegistryExport, AFaultNamesTheFileAndTheLine) {
  const struct {
    const char* text;
    const char* fault;
  } rows[] = {
      {"REGEDIT5\r\n", "x.reg:1: not a registry export"},
      {"REGEDIT4\r\n\r\n\"a\"=\"b\"\r\n", "x.reg:3: a value with no key before it"},
      {"REGEDIT4\r\n[HKEY_NOWHERE\\A]\r\n", "x.reg:2: a key below no registry root"},
      {"REGEDIT4\r\n[HKCU\\A]\r\n\"a\"=hex:01,\\\r\n  02\r\n\"b\"=dword:1x\r\n", "x.reg:5: a value's data"},
      {"REGEDIT4\r\n[HKCU\\A]\r\nvalue\r\n", "x.reg:3: a line that is neither"},
  };
  for (const auto& row : rows) {
    MemoryPlatform system;
    EXPECT_EQ(ReadRegistryExport(system, row.text, "x.reg").rfind(row.fault, 0), 0u) << row.text;
  }
}

}  // namespace
}  // namespace qv
