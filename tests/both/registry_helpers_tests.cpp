// The registry helpers against whichever registry the binary carries: the
// in-memory one natively, the real one under Wine. Passing on both is what
// shows the two registries agree on what the helpers rely on.
#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/registry_helpers.h"
#include "tests/both/test_platform.h"

namespace zent {
namespace {

using platform::RegAccess;
using platform::RegRoot;
using platform::RegValue;

constexpr RegRoot kRoot = RegRoot::CurrentUser;

platform::Registry& Registry() { return testing::TestPlatform().registry; }

std::string Bytes(std::initializer_list<unsigned char> bytes) {
  return std::string(bytes.begin(), bytes.end());
}

void Store(const std::string& key, std::string_view name, const RegValue& value) {
  auto created = Registry().Create(kRoot, key);
  ASSERT_NE(created, nullptr) << key;
  ASSERT_TRUE(created->SetValue(name, value)) << name;
}

std::optional<RegValue> Stored(const std::string& key, std::string_view name) {
  const auto opened = Registry().Open(kRoot, key, RegAccess::Read);
  return opened ? opened->QueryValue(name) : std::nullopt;
}

// Spelled as a call: GCC 12 warns on braced RegValue temporaries in long tables.
RegValue Typed(std::uint32_t type, std::string data) { return {type, std::move(data)}; }

bool Exists(const std::string& key) {
  return Registry().Open(kRoot, key, RegAccess::Read) != nullptr;
}

// ---------------------------------------------------------------- reading

struct ReadCase {
  const char* label;
  RegValue stored;
  std::string text;
  std::int32_t number;
};

void PrintTo(const ReadCase& c, std::ostream* out) { *out << c.label; }

class RegistryReadConversion : public ::testing::TestWithParam<ReadCase> {};

TEST_P(RegistryReadConversion, ReadsAsTextAndAsNumberByStoredType) {
  const auto& c = GetParam();
  const auto key = testing::NewTestKey();
  Store(key, "Value", c.stored);
  EXPECT_EQ(TryReadText(Registry(), kRoot, key, "Value"), c.text);
  EXPECT_EQ(TryReadNumber(Registry(), kRoot, key, "Value"), c.number);
  EXPECT_TRUE(RegValueEquals(Registry(), kRoot, key, "Value", c.number));
  EXPECT_FALSE(RegValueEquals(Registry(), kRoot, key, "Value", c.number ^ 1));
}

std::vector<ReadCase> ReadCases() {
  return {ReadCase{"integer", platform::MakeDwordValue(-5), "-5", -5},
          ReadCase{"integer zero", platform::MakeDwordValue(0), "0", 0},
          ReadCase{"integer max", platform::MakeDwordValue(INT32_MAX), "2147483647", INT32_MAX},
          ReadCase{"integer min", platform::MakeDwordValue(INT32_MIN), "-2147483648", INT32_MIN},
          ReadCase{"text with leading zeros", platform::MakeTextValue("0042"), "0042", 42},
          ReadCase{"negative text", platform::MakeTextValue("-17"), "-17", -17},
          ReadCase{"binary of 2 bytes", platform::MakeBinaryValue(Bytes({0x01, 0x02})), "513", 513},
          ReadCase{"binary of 1 byte", platform::MakeBinaryValue(Bytes({0xFF})), "255", 255},
          ReadCase{"binary of 3 bytes", platform::MakeBinaryValue(Bytes({0x00, 0x00, 0x01})),
                   "65536", 65536},
          ReadCase{"binary of 4 bytes, sign bit set",
                   platform::MakeBinaryValue(Bytes({0xFE, 0xFF, 0xFF, 0xFF})), "-2", -2},
          ReadCase{"integer of 2 bytes (malformed)",
                   Typed(platform::kRegDword, Bytes({0x01, 0x02})), "513", 513},
          ReadCase{"empty binary", platform::MakeBinaryValue(""), "0", 0},
          ReadCase{"expandable text", Typed(platform::kRegExpandSz, "%WINDIR%"), "", 0},
          ReadCase{"expandable digits", Typed(platform::kRegExpandSz, "12"), "", 0},
          ReadCase{"multi-string", Typed(platform::kRegMultiSz, std::string("1\0002", 3)), "", 0},
          ReadCase{"64-bit integer", Typed(platform::kRegQword, Bytes({7, 0, 0, 0, 0, 0, 0, 0})),
                   "", 0},
          ReadCase{"no type", Typed(platform::kRegNone, Bytes({7})), "", 0}};
}

INSTANTIATE_TEST_SUITE_P(EveryStoredType, RegistryReadConversion, ::testing::ValuesIn(ReadCases()));

struct StringCase {
  const char* label;
  RegValue stored;
  std::optional<std::string> plain;       // read as TextTypes::Plain
  std::optional<std::string> expandable;  // read as TextTypes::PlainOrExpandable
};

void PrintTo(const StringCase& c, std::ostream* out) { *out << c.label; }

class RegistryReadString : public ::testing::TestWithParam<StringCase> {};

TEST_P(RegistryReadString, GivesTextOnlyForAcceptedTypesStoredWhole) {
  const auto& c = GetParam();
  const auto key = testing::NewTestKey();
  if (c.stored.textWhole) {
    Store(key, "Value", c.stored);
  } else {
    testing::StoreTextNotWhole(key, "Value", c.stored.type, c.stored.data);
  }
  EXPECT_EQ(RegReadString(Registry(), kRoot, key, "Value", TextTypes::Plain), c.plain);
  EXPECT_EQ(RegReadString(Registry(), kRoot, key, "Value", TextTypes::PlainOrExpandable),
            c.expandable);
}

// Text another program stored without its terminator or with an odd last byte.
RegValue NotWhole(std::uint32_t type, std::string text) { return {type, std::move(text), false}; }

INSTANTIATE_TEST_SUITE_P(
    EveryStoredType, RegistryReadString,
    ::testing::Values(
        StringCase{"text", platform::MakeTextValue("C:\\A.EXE"), "C:\\A.EXE", "C:\\A.EXE"},
        StringCase{"empty text", platform::MakeTextValue(""), "", ""},
        StringCase{"expandable", Typed(platform::kRegExpandSz, "%X%\\A.EXE"), std::nullopt,
                   "%X%\\A.EXE"},
        StringCase{"text not whole", NotWhole(platform::kRegSz, "C:\\A.EXE"), std::nullopt,
                   std::nullopt},
        StringCase{"expandable not whole", NotWhole(platform::kRegExpandSz, "%X%\\A.EXE"),
                   std::nullopt, std::nullopt},
        StringCase{"integer", platform::MakeDwordValue(7), std::nullopt, std::nullopt},
        StringCase{"short binary", platform::MakeBinaryValue(Bytes({0x43, 0x3A})), std::nullopt,
                   std::nullopt},
        StringCase{"long binary", platform::MakeBinaryValue(Bytes({1, 2, 3, 4, 5, 6})),
                   std::nullopt, std::nullopt},
        StringCase{"multi-string", Typed(platform::kRegMultiSz, std::string("C:\\A.EXE\0B", 10)),
                   std::nullopt, std::nullopt}));

TEST(RegistryRead, MissingKeyOrValueReadsEmpty) {
  const auto key = testing::NewTestKey();
  EXPECT_EQ(TryReadText(Registry(), kRoot, key, "Value"), std::nullopt);
  EXPECT_EQ(TryReadNumber(Registry(), kRoot, key, "Value"), std::nullopt);
  EXPECT_EQ(RegReadTextOrEmpty(Registry(), kRoot, key, "Value"), "");
  EXPECT_EQ(RegReadNumberOrZero(Registry(), kRoot, key, "Value"), 0);
  EXPECT_FALSE(RegValueEquals(Registry(), kRoot, key, "Value", 0));
  EXPECT_EQ(RegReadString(Registry(), kRoot, key, "Value", TextTypes::Plain), "");
  Store(key, "Other", platform::MakeDwordValue(3));
  EXPECT_EQ(TryReadText(Registry(), kRoot, key, "Value"), std::nullopt);
  EXPECT_EQ(TryReadNumber(Registry(), kRoot, key, "Value"), std::nullopt);
  EXPECT_FALSE(RegValueEquals(Registry(), kRoot, key, "Value", 0));
  EXPECT_EQ(RegReadString(Registry(), kRoot, key, "Value", TextTypes::PlainOrExpandable), "");
}

TEST(RegistryRead, DefaultValueAndLeadingBackslash) {
  const auto key = testing::NewTestKey();
  Store(key, "", platform::MakeTextValue("default text"));
  EXPECT_EQ(TryReadText(Registry(), kRoot, key, ""), "default text");
  EXPECT_EQ(TryReadText(Registry(), kRoot, "\\" + key, ""), "default text");
  EXPECT_TRUE(RegKeyExists(Registry(), kRoot, "\\" + key));
}

TEST(RegistryRead, NamesAndTextsOutsideAscii) {
  const auto key = testing::NewTestKey() + "\\Schlüssel Ω";
  Store(key, "Größe 漢字", platform::MakeTextValue("Grüße Ωμέγα"));
  Store(key, "Zähler", platform::MakeTextValue("０１"));  // full-width digits are no number
  EXPECT_EQ(TryReadText(Registry(), kRoot, key, "Größe 漢字"), "Grüße Ωμέγα");
  EXPECT_EQ(TryReadText(Registry(), kRoot, key, "GRÖßE 漢字"), "Grüße Ωμέγα");
  EXPECT_EQ(TryReadNumber(Registry(), kRoot, key, "Zähler"), std::nullopt);
}

TEST(RegistryRead, BinaryLongerThanFourBytesReadsAsNothing) {
  const auto key = testing::NewTestKey();
  Store(key, "Long", platform::MakeBinaryValue(Bytes({1, 0, 0, 0, 0})));
  EXPECT_EQ(TryReadText(Registry(), kRoot, key, "Long"), std::nullopt);
  EXPECT_EQ(TryReadNumber(Registry(), kRoot, key, "Long"), std::nullopt);
  Store(key, "LongInt", Typed(platform::kRegDword, Bytes({1, 0, 0, 0, 0, 0, 0, 0})));
  EXPECT_EQ(TryReadText(Registry(), kRoot, key, "LongInt"), std::nullopt);
  EXPECT_FALSE(RegValueEquals(Registry(), kRoot, key, "Long", 1));
}

TEST(RegistryRead, TextThatIsNoNumberReadsAsNoNumber) {
  const auto key = testing::NewTestKey();
  const std::vector<std::string> texts = {
      "", "abc", "12a", "1 2", "0x10", "-", "2147483648", "-2147483649", "99999999999999999999"};
  for (const auto& text : texts) {
    Store(key, "Text", platform::MakeTextValue(text));
    EXPECT_EQ(TryReadText(Registry(), kRoot, key, "Text"), text);
    EXPECT_EQ(TryReadNumber(Registry(), kRoot, key, "Text"), std::nullopt) << text;
    EXPECT_FALSE(RegValueEquals(Registry(), kRoot, key, "Text", 0)) << text;
  }
}

// ---------------------------------------------------------------- keys and values

TEST(RegistryKeys, KeyExists) {
  const auto key = testing::NewTestKey();
  EXPECT_FALSE(RegKeyExists(Registry(), kRoot, key));
  ASSERT_NE(Registry().Create(kRoot, key + "\\Inner"), nullptr);
  EXPECT_TRUE(RegKeyExists(Registry(), kRoot, key));
  EXPECT_TRUE(RegKeyExists(Registry(), kRoot, key + "\\INNER"));
  EXPECT_FALSE(RegKeyExists(Registry(), kRoot, key + "\\Inne"));
}

TEST(RegistryKeys, ValueNamePrefixIgnoresCase) {
  const auto key = testing::NewTestKey();
  EXPECT_FALSE(RegHasValueStartingWith(Registry(), kRoot, key, "Path"));
  ASSERT_NE(Registry().Create(kRoot, key), nullptr);
  EXPECT_FALSE(RegHasValueStartingWith(Registry(), kRoot, key, "Path"));
  EXPECT_FALSE(RegHasValueStartingWith(Registry(), kRoot, key, ""));

  Store(key, "Pat", platform::MakeTextValue("x"));
  EXPECT_FALSE(RegHasValueStartingWith(Registry(), kRoot, key, "Path"));
  EXPECT_TRUE(RegHasValueStartingWith(Registry(), kRoot, key, ""));
  Store(key, "PATH", platform::MakeTextValue("x"));
  EXPECT_TRUE(RegHasValueStartingWith(Registry(), kRoot, key, "Path"));

  const auto other = testing::NewTestKey();
  Store(other, "Pathology", platform::MakeDwordValue(1));
  EXPECT_TRUE(RegHasValueStartingWith(Registry(), kRoot, other, "Path"));
  EXPECT_TRUE(RegHasValueStartingWith(Registry(), kRoot, "\\" + other, "pATHOLOGY"));
  EXPECT_FALSE(RegHasValueStartingWith(Registry(), kRoot, other, "Pathologyx"));
  EXPECT_FALSE(RegHasValueStartingWith(Registry(), kRoot, other, "ath"));
}

TEST(RegistryKeys, ValueNamePrefixOutsideAscii) {
  const auto key = testing::NewTestKey();
  Store(key, "Ωμέγα-Größe", platform::MakeTextValue("x"));
  EXPECT_TRUE(RegHasValueStartingWith(Registry(), kRoot, key, "ΩΜΈΓΑ-GRÖ"));
  EXPECT_TRUE(RegHasValueStartingWith(Registry(), kRoot, key, "ωμέγα"));
  EXPECT_FALSE(RegHasValueStartingWith(Registry(), kRoot, key, "ΩΜΕΓΑ"));  // no accent
  EXPECT_FALSE(RegHasValueStartingWith(Registry(), kRoot, key, "Ωμέγα-Grö\xC3"));
}

TEST(RegistryKeys, RemoveKeyTakesEveryLevelAndNothingBeside) {
  const auto base = testing::NewTestKey();
  const auto key = base + "\\Doomed";
  for (const char* sub : {"\\A\\A1\\A11", "\\A\\A2", "\\B", "\\Ä\\Ω\\Ωμ\\Ωμέ"}) {
    Store(key + sub, "v", platform::MakeDwordValue(1));
  }
  Store(key, "", platform::MakeTextValue("default"));
  Store(base + "\\DoomedNot", "keep", platform::MakeDwordValue(2));

  EXPECT_TRUE(RegRemoveKey(Registry(), kRoot, "\\" + key));
  EXPECT_FALSE(Exists(key));
  EXPECT_TRUE(Exists(base));
  EXPECT_EQ(Stored(base + "\\DoomedNot", "keep"), platform::MakeDwordValue(2));
}

// Removing through a link would delete a key elsewhere that nothing found.
TEST(RegistryKeys, RemoveKeyLeavesAKeyThatIsOrHoldsALink) {
  const auto base = testing::NewTestKey();
  Store(base + "\\Elsewhere\\Deep", "precious", platform::MakeDwordValue(7));
  Store(base + "\\Orphan\\Sub", "v", platform::MakeDwordValue(1));
  testing::CreateLinkKey(base + "\\Orphan\\Sub\\Link", base + "\\Elsewhere");
  testing::CreateLinkKey(base + "\\Alias", base + "\\Elsewhere");

  EXPECT_FALSE(RegRemoveKey(Registry(), kRoot, base + "\\Orphan"));
  EXPECT_FALSE(RegRemoveKey(Registry(), kRoot, base + "\\Alias"));
  EXPECT_EQ(Stored(base + "\\Orphan\\Sub", "v"), platform::MakeDwordValue(1));
  EXPECT_EQ(Stored(base + "\\Elsewhere\\Deep", "precious"), platform::MakeDwordValue(7));
}

TEST(RegistryKeys, RemoveMissingKeyIsSuccess) {
  const auto key = testing::NewTestKey();
  EXPECT_TRUE(RegRemoveKey(Registry(), kRoot, key + "\\Nothing"));
  EXPECT_FALSE(Exists(key));
}

TEST(RegistryKeys, RemoveValue) {
  const auto key = testing::NewTestKey();
  Store(key, "Gone", platform::MakeTextValue("x"));
  Store(key, "Stays", platform::MakeTextValue("y"));
  Store(key, "", platform::MakeTextValue("default"));
  EXPECT_TRUE(RegRemoveValue(Registry(), kRoot, key, "GONE"));
  EXPECT_FALSE(Stored(key, "Gone").has_value());
  EXPECT_TRUE(RegRemoveValue(Registry(), kRoot, key, "Gone"));
  EXPECT_TRUE(RegRemoveValue(Registry(), kRoot, "\\" + key, ""));
  EXPECT_FALSE(Stored(key, "").has_value());
  EXPECT_EQ(Stored(key, "Stays"), platform::MakeTextValue("y"));
}

TEST(RegistryKeys, RemoveValueOfMissingKeyCreatesNothing) {
  const auto key = testing::NewTestKey();
  EXPECT_TRUE(RegRemoveValue(Registry(), kRoot, key + "\\Inner", "Value"));
  EXPECT_FALSE(Exists(key));
}

// ---------------------------------------------------------------- writing text

struct WriteTextCase {
  const char* label;
  RegValue stored;
  std::string text;
  RegValue after;
  bool result;
};

void PrintTo(const WriteTextCase& c, std::ostream* out) { *out << c.label; }

class RegistryWriteText : public ::testing::TestWithParam<WriteTextCase> {};

TEST_P(RegistryWriteText, WritesInTheStoredTypeAndVerifies) {
  const auto& c = GetParam();
  const auto key = testing::NewTestKey();
  Store(key, "Value", c.stored);
  EXPECT_EQ(RegWriteText(Registry(), kRoot, key, "Value", c.text), c.result);
  EXPECT_EQ(Stored(key, "Value"), c.after);
}

std::vector<WriteTextCase> WriteTextCases() {
  return {WriteTextCase{"text", platform::MakeTextValue("old"), "Grüße",
                        platform::MakeTextValue("Grüße"), true},
          WriteTextCase{"text emptied", platform::MakeTextValue("old"), "",
                        platform::MakeTextValue(""), true},
          WriteTextCase{"text keeps its digits", platform::MakeTextValue("1"), "007",
                        platform::MakeTextValue("007"), true},
          WriteTextCase{"integer", platform::MakeDwordValue(1), "-123",
                        platform::MakeDwordValue(-123), true},
          WriteTextCase{"integer from leading zeros", platform::MakeDwordValue(1), "0042",
                        platform::MakeDwordValue(42), false},
          WriteTextCase{"binary", platform::MakeBinaryValue(Bytes({9})), "513",
                        platform::MakeBinaryValue(Bytes({0x01, 0x02, 0x00, 0x00})), true},
          WriteTextCase{"binary of 4 bytes", platform::MakeBinaryValue(Bytes({1, 2, 3, 4})), "-1",
                        platform::MakeBinaryValue(Bytes({0xFF, 0xFF, 0xFF, 0xFF})), true},
          WriteTextCase{"expandable text unchanged", Typed(platform::kRegExpandSz, "%TEMP%"), "x",
                        Typed(platform::kRegExpandSz, "%TEMP%"), false},
          WriteTextCase{"expandable text, empty text", Typed(platform::kRegExpandSz, "%TEMP%"), "",
                        Typed(platform::kRegExpandSz, "%TEMP%"), true},
          WriteTextCase{"multi-string unchanged", Typed(platform::kRegMultiSz, "a"), "a",
                        Typed(platform::kRegMultiSz, "a"), false}};
}

INSTANTIATE_TEST_SUITE_P(EveryStoredType, RegistryWriteText, ::testing::ValuesIn(WriteTextCases()));

TEST(RegistryWriteTextEdges, NonNumericTextIntoNumberLeavesValueUnchanged) {
  const auto key = testing::NewTestKey();
  Store(key, "Int", platform::MakeDwordValue(7));
  Store(key, "Bin", platform::MakeBinaryValue(Bytes({7})));
  EXPECT_FALSE(RegWriteText(Registry(), kRoot, key, "Int", ""));
  EXPECT_FALSE(RegWriteText(Registry(), kRoot, key, "Bin", "seven"));
  EXPECT_EQ(Stored(key, "Int"), platform::MakeDwordValue(7));
  EXPECT_EQ(Stored(key, "Bin"), platform::MakeBinaryValue(Bytes({7})));
}

TEST(RegistryWriteTextEdges, NeverCreatesKeyOrValue) {
  const auto key = testing::NewTestKey();
  EXPECT_TRUE(RegWriteText(Registry(), kRoot, key, "", ""));
  EXPECT_FALSE(RegWriteText(Registry(), kRoot, key, "Value", "x"));
  EXPECT_FALSE(Exists(key));
  ASSERT_NE(Registry().Create(kRoot, key), nullptr);
  EXPECT_TRUE(RegWriteText(Registry(), kRoot, key, "", ""));
  EXPECT_FALSE(RegWriteText(Registry(), kRoot, key, "Value", "x"));
  EXPECT_FALSE(Stored(key, "").has_value());
  EXPECT_FALSE(Stored(key, "Value").has_value());
}

TEST(RegistryWriteTextEdges, EmptiesDefaultValueBehindLeadingBackslash) {
  const auto key = testing::NewTestKey() + "\\.current";
  Store(key, "", platform::MakeTextValue("C:\\Sounds\\ding.wav"));
  EXPECT_TRUE(RegWriteText(Registry(), kRoot, "\\" + key, "", ""));
  EXPECT_EQ(Stored(key, ""), platform::MakeTextValue(""));
}

// ---------------------------------------------------------------- writing numbers

struct WriteNumberCase {
  const char* label;
  RegValue stored;
  std::int32_t number;
  RegValue after;
  bool result;
};

void PrintTo(const WriteNumberCase& c, std::ostream* out) { *out << c.label; }

class RegistryWriteNumber : public ::testing::TestWithParam<WriteNumberCase> {};

TEST_P(RegistryWriteNumber, WritesInTheStoredTypeAndVerifies) {
  const auto& c = GetParam();
  const auto key = testing::NewTestKey();
  Store(key, "Value", c.stored);
  EXPECT_EQ(RegWriteNumber(Registry(), kRoot, key, "Value", c.number), c.result);
  EXPECT_EQ(Stored(key, "Value"), c.after);
}

std::vector<WriteNumberCase> WriteNumberCases() {
  return {WriteNumberCase{"integer", platform::MakeDwordValue(1), INT32_MIN,
                          platform::MakeDwordValue(INT32_MIN), true},
          WriteNumberCase{"text", platform::MakeTextValue("abc"), -7, platform::MakeTextValue("-7"),
                          true},
          WriteNumberCase{"binary", platform::MakeBinaryValue(Bytes({1, 2, 3, 4, 5, 6})), 258,
                          platform::MakeBinaryValue(Bytes({0x02, 0x01, 0x00, 0x00})), true},
          WriteNumberCase{"expandable text unchanged", Typed(platform::kRegExpandSz, "5"), 5,
                          Typed(platform::kRegExpandSz, "5"), false},
          WriteNumberCase{"other type unchanged, reads as 0", Typed(platform::kRegMultiSz, "5"), 0,
                          Typed(platform::kRegMultiSz, "5"), true}};
}

INSTANTIATE_TEST_SUITE_P(EveryStoredType, RegistryWriteNumber,
                         ::testing::ValuesIn(WriteNumberCases()));

TEST(RegistryWriteNumberEdges, CreatesMissingKeysAndAnIntegerValue) {
  const auto key = testing::NewTestKey() + "\\Saver\\Deeper";
  EXPECT_TRUE(RegWriteNumber(Registry(), kRoot, "\\" + key, "STARS", 250));
  EXPECT_EQ(Stored(key, "STARS"), platform::MakeDwordValue(250));
  EXPECT_TRUE(RegWriteNumber(Registry(), kRoot, key, "Zählwerk Ω", -1));
  EXPECT_EQ(Stored(key, "ZÄHLWERK ω"), platform::MakeDwordValue(-1));
  EXPECT_EQ(TryReadNumber(Registry(), kRoot, key, "zählwerk Ω"), -1);
}

// ---------------------------------------------------------------- decimal numbers

TEST(ParseInteger, AcceptsPlainDecimal) {
  const std::vector<std::pair<std::string, std::int32_t>> accepted = {
      {"0", 0},
      {"42", 42},
      {"0042", 42},
      {"+7", 7},
      {"-0", 0},
      {"-2147483648", INT32_MIN},
      {"2147483647", INT32_MAX},
      {"000000000000000000002147483647", INT32_MAX},
      {" \t12 ", 12},
      {"  -3", -3},
  };
  for (const auto& [text, number] : accepted) EXPECT_EQ(ParseInteger(text), number) << text;
}

TEST(ParseInteger, RejectsEverythingElse) {
  const std::vector<std::string> rejected = {
      "",    " ",          "-",           "+",          "--1",
      "+-1", "- 1",        "1 2",         "1e3",        "0x1F",
      "$1F", "1.0",        "١٢",          "12\n",       std::string("1\0", 2),
      "a1",  "2147483648", "-2147483649", "4294967296", "99999999999999999999999"};
  for (const auto& text : rejected) {
    EXPECT_EQ(TryParseInteger(text), std::nullopt) << text;
    try {
      ParseInteger(text);
      ADD_FAILURE() << "accepted '" << text << "'";
    } catch (const ConversionError& error) {
      EXPECT_EQ(error.Subject(), text);
    }
  }
}

TEST(RegistryErrors, AConversionErrorIsARegistryError) {
  EXPECT_THROW(throw ConversionError("x"), RegistryError);
  EXPECT_THROW(throw ConversionError("x"), std::runtime_error);
}

}  // namespace
}  // namespace zent
