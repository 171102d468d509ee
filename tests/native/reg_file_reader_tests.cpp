#include "run/reg_file_reader.h"

#include <gtest/gtest.h>

#include "platform/registry.h"
#include "platform/utf8.h"

namespace zent {
namespace {

using namespace std::string_literals;

std::string Utf16File(const std::string& text) { return "\xFF\xFE"s + *Utf8ToUtf16Le(text); }

const ScriptValue* Find(const ImportedScript& imported, const std::string& key,
                        const std::string& name) {
  const auto k = imported.find(key);
  if (k == imported.end()) return nullptr;
  const auto v = k->second.find(name);
  return v == k->second.end() ? nullptr : &v->second;
}

struct DataCase {
  std::string line;  // a value line (with continuations) under [HKEY_CURRENT_USER\K]
  std::string name;
  std::uint32_t type;
  std::string data;
};

void PrintTo(const DataCase& c, std::ostream* out) { *out << c.line; }

class ScriptData : public ::testing::TestWithParam<DataCase> {};

TEST_P(ScriptData, ReadsAsTheRegistryStoresItInBothEncodings) {
  const auto& c = GetParam();
  const std::string text = "\r\n[HKEY_CURRENT_USER\\K]\r\n" + c.line + "\r\n";
  for (const auto& file :
       {Utf16File("Windows Registry Editor Version 5.00" + text), "REGEDIT4" + text}) {
    const auto script = ReadRegScript(file);
    ASSERT_TRUE(script);
    EXPECT_EQ(script->malformedLines, 0u);
    const auto imported = ImportedContent(*script);
    const auto* value = Find(imported, "HKEY_CURRENT_USER\\K", c.name);
    ASSERT_NE(value, nullptr) << c.line;
    EXPECT_EQ(value->type, c.type) << c.line;
    EXPECT_EQ(value->data, c.data) << c.line;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ScriptData,
    ::testing::Values(
        DataCase{"@=\"C:\\\\A \\\"q\\\"\"", "", platform::kRegSz, StoredText("C:\\A \"q\"")},
        DataCase{"\"N\\\\\\\"x\"=\"\"", "N\\\"X", platform::kRegSz, "\0\0"s},
        DataCase{"\"d\"=dword:fffffffe", "D", platform::kRegDword, "\xFE\xFF\xFF\xFF"s},
        DataCase{"\"d\"=dword:1", "D", platform::kRegDword, "\x01\0\0\0"s},
        DataCase{"\"b\"=hex:", "B", platform::kRegBinary, ""},
        DataCase{"\"q\"=hex(b):01,02,03,04,\\\r\n  05,06,07,80", "Q", platform::kRegQword,
                 "\x01\x02\x03\x04\x05\x06\x07\x80"s},
        DataCase{"\"s\"=hex(1):41,00,00,00,42,00,00,00", "S", platform::kRegSz, "A\0\0\0B\0\0\0"s},
        DataCase{"\"n\"=hex(0):ff", "N", platform::kRegNone, "\xFF"s}));

TEST(ReadRegScript, OldScriptsHoldSingleByteTextAndExpandableTextIsConverted) {
  const auto script =
      ReadRegScript("REGEDIT4\r\n[HKEY_CURRENT_USER\\K]\r\n\"\xFC\"=hex(2):25,fc,00\r\n"s);
  ASSERT_TRUE(script);
  const auto imported = ImportedContent(*script);
  const auto* value = Find(imported, "HKEY_CURRENT_USER\\K", "Ü");
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->data, "%\0\xFC\0\0\0"s);
}

TEST(ReadRegScript, WithoutAHeaderNothingIsReadAndBadLinesAreCountedAndSkipped) {
  EXPECT_FALSE(ReadRegScript("[HKEY_CURRENT_USER\\K]\r\n@=\"x\"\r\n"));
  EXPECT_FALSE(ReadRegScript(""));
  const auto script = ReadRegScript(
      "\r\nREGEDIT4\r\n@=\"before any key\"\r\n[HKEY_CURRENT_USER\\K]\r\n"
      "\"a\"=\"un\\known\"\r\n\"b\"=hex:123\r\n\"c\"=dword:123456789\r\n\"d\"=\"x\" y\r\n"
      "\"e\"=hex(zz):00\r\n\"g\" =\"x\"\r\n[\r\n\"f\"=\"after a broken key\"\r\n; note\r\n");
  ASSERT_TRUE(script);
  EXPECT_EQ(script->malformedLines, 9u);
  ASSERT_EQ(script->keys.size(), 1u);
  EXPECT_TRUE(script->keys[0].values.empty());
}

TEST(ImportedContent, LaterLinesWinAndDeletionsTakeOutWhatCameBefore) {
  const auto script = ReadRegScript(
      "REGEDIT4\r\n[HKEY_CURRENT_USER\\K]\r\n\"v\"=\"old\"\r\n\"gone\"=\"x\"\r\n"
      "[HKEY_CURRENT_USER\\K\\Sub]\r\n[HKEY_CURRENT_USER\\K A]\r\n"
      "REGEDIT4\r\n[hkey_current_user\\k]\r\n\"V\"=\"new\"\r\n\"gone\"=-\r\n"
      "[-HKEY_CURRENT_USER\\K\\SUB]\r\n");
  ASSERT_TRUE(script);
  const auto imported = ImportedContent(*script);
  ASSERT_NE(Find(imported, "HKEY_CURRENT_USER\\K", "V"), nullptr);
  EXPECT_EQ(Find(imported, "HKEY_CURRENT_USER\\K", "V")->data, StoredText("new"));
  EXPECT_EQ(Find(imported, "HKEY_CURRENT_USER\\K", "GONE"), nullptr);
  EXPECT_EQ(imported.count("HKEY_CURRENT_USER\\K\\SUB"), 0u);
  EXPECT_EQ(imported.count("HKEY_CURRENT_USER\\K A"), 1u);
}

}  // namespace
}  // namespace zent
