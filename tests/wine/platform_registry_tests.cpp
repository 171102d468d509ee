// The Win32 registry layer against Wine's real registry, in the sandbox's
// throwaway prefix: text is stored as UTF-16 however far outside the code page
// it lies, raw types keep their bytes, and names that would reach another key
// or value are refused.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/win32/handles.h"
#include "platform/win32/text.h"
#include "tests/both/test_platform.h"

namespace zent {
namespace {

using platform::RegAccess;
using platform::RegRoot;
using platform::RegValue;

platform::Registry& Registry() { return testing::TestPlatform().registry; }

// What the registry itself holds, read past our layer.
struct Stored {
  DWORD type = REG_NONE;
  std::string bytes;
};

std::optional<Stored> ReadStored(const std::string& keyPath, const std::wstring& name) {
  Stored stored;
  DWORD size = 0;
  const std::wstring path = win32::Widen(keyPath);
  if (RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name.c_str(), RRF_RT_ANY | RRF_NOEXPAND,
                   &stored.type, nullptr, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  stored.bytes.resize(size);
  if (RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name.c_str(), RRF_RT_ANY | RRF_NOEXPAND,
                   &stored.type, stored.bytes.data(), &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  stored.bytes.resize(size);
  return stored;
}

std::string Utf16Bytes(std::wstring_view text) {
  return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

struct RoundTrip {
  const char* label;
  std::string name;
  RegValue value;
};

class RegistryRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(RegistryRoundTrip, ValueComesBackInItsOwnTypeAndBytes) {
  const auto& [label, name, value] = GetParam();
  const auto keyPath = testing::NewTestKey();
  auto key = Registry().Create(RegRoot::CurrentUser, keyPath);
  ASSERT_NE(key, nullptr);
  ASSERT_TRUE(key->SetValue(name, value));
  key.reset();

  const auto reopened = Registry().Open(RegRoot::CurrentUser, keyPath, RegAccess::Read);
  ASSERT_NE(reopened, nullptr);
  EXPECT_EQ(reopened->QueryValue(name), value);
  EXPECT_EQ(reopened->ValueNames(), std::vector<std::string>{name});
}

const std::string kLongBytes = [] {
  std::string bytes(100000, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
  return bytes;
}();

INSTANTIATE_TEST_SUITE_P(
    EveryType, RegistryRoundTrip,
    ::testing::Values(
        RoundTrip{"GreekText", "Όνομα", platform::MakeTextValue("Τιμή ωμέγα")},
        RoundTrip{"CjkText", "名前", platform::MakeTextValue("値 漢字 𝄞")},
        RoundTrip{"EmptyText", "empty", platform::MakeTextValue("")},
        RoundTrip{"Default", "", platform::MakeTextValue("the default")},
        RoundTrip{"Expandable", "Pfad", {platform::kRegExpandSz, "%SystemRoot%\\Ωmega"}},
        RoundTrip{
            "MultiString",
            "Liste",
            {platform::kRegMultiSz, std::string("eins\0δύο\0三", sizeof "eins\0δύο\0三" - 1)}},
        RoundTrip{"Dword", "Zahl", platform::MakeDwordValue(-5)},
        RoundTrip{"Qword", "Groß", {platform::kRegQword, std::string("\x01\0\0\0\0\0\0\x80", 8)}},
        RoundTrip{"Binary", "Bytes", platform::MakeBinaryValue(std::string("\0\xFF\x10\0", 4))},
        RoundTrip{"EmptyBinary", "nothing", platform::MakeBinaryValue("")},
        RoundTrip{"LargeBinary", "large", platform::MakeBinaryValue(kLongBytes)},
        RoundTrip{"TypeNone", "none", {platform::kRegNone, "raw"}},
        RoundTrip{"LongName", std::string(600, 'n') + "Ω", platform::MakeDwordValue(1)}),
    [](const auto& testCase) { return std::string(testCase.param.label); });

TEST(Win32Registry, StoresTextAsUtf16WithOneTerminator) {
  const auto keyPath = testing::NewTestKey();
  auto key = Registry().Create(RegRoot::CurrentUser, keyPath);
  ASSERT_NE(key, nullptr);
  ASSERT_TRUE(key->SetValue("Ωμέγα", platform::MakeTextValue("漢字 Grüße")));
  ASSERT_TRUE(key->SetValue("multi", {platform::kRegMultiSz, std::string("a\0β", 4)}));

  const auto text = ReadStored(keyPath, L"Ωμέγα");
  ASSERT_TRUE(text.has_value());
  EXPECT_EQ(text->type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(text->bytes, Utf16Bytes(std::wstring_view(L"漢字 Grüße\0", 9)));
  const auto multi = ReadStored(keyPath, L"multi");
  ASSERT_TRUE(multi.has_value());
  EXPECT_EQ(multi->bytes, Utf16Bytes(std::wstring_view(L"a\0β\0\0", 5)));
}

TEST(Win32Registry, ReadsTextThatOthersStoredWithoutTerminatorOrWithAnOddByte) {
  const auto keyPath = testing::NewTestKey();
  auto key = Registry().Create(RegRoot::CurrentUser, keyPath);
  ASSERT_NE(key, nullptr);
  win32::UniqueHkey raw;
  ASSERT_EQ(
      RegOpenKeyExW(HKEY_CURRENT_USER, win32::Widen(keyPath).c_str(), 0, KEY_SET_VALUE, raw.put()),
      ERROR_SUCCESS);
  // A NUL just after the counted text would be counted in by the system itself.
  const std::wstring bare = L"ohne Ende!";
  ASSERT_EQ(
      RegSetValueExW(raw.get(), L"bare", 0, REG_SZ, reinterpret_cast<const BYTE*>(bare.data()),
                     static_cast<DWORD>((bare.size() - 1) * sizeof(wchar_t))),
      ERROR_SUCCESS);
  const std::wstring padded(L"kurz\0\0\0", 7);
  ASSERT_EQ(
      RegSetValueExW(raw.get(), L"padded", 0, REG_SZ, reinterpret_cast<const BYTE*>(padded.data()),
                     static_cast<DWORD>(padded.size() * sizeof(wchar_t))),
      ERROR_SUCCESS);

  // An odd last byte is half a character: it goes, the text before it stays.
  std::string odd = Utf16Bytes(L"C:\\A.EXE");
  odd.push_back('x');
  ASSERT_EQ(RegSetValueExW(raw.get(), L"odd", 0, REG_SZ, reinterpret_cast<const BYTE*>(odd.data()),
                           static_cast<DWORD>(odd.size())),
            ERROR_SUCCESS);

  // Each is read as far as it goes, marked as not stored whole.
  EXPECT_EQ(key->QueryValue("bare"), (RegValue{platform::kRegSz, "ohne Ende", false}));
  EXPECT_EQ(key->QueryValue("odd"), (RegValue{platform::kRegSz, "C:\\A.EXE", false}));
  EXPECT_EQ(key->QueryValue("padded"), platform::MakeTextValue("kurz"));
  // What a backup must restore is what was stored, byte for byte.
  EXPECT_EQ(key->QueryStoredValue("odd"), (RegValue{platform::kRegSz, odd}));
  EXPECT_EQ(key->QueryStoredValue("padded"),
            (RegValue{platform::kRegSz, Utf16Bytes(std::wstring_view(L"kurz\0\0\0", 7))}));
}

TEST(Win32Registry, KeyNamesOutsideTheCodePageAreListedAsCreated) {
  const auto keyPath = testing::NewTestKey();
  for (const char* sub : {"Ключ", "子键", "Ωmega"}) {
    ASSERT_NE(Registry().Create(RegRoot::CurrentUser, keyPath + "\\" + sub), nullptr) << sub;
  }
  const auto parent = Registry().Open(RegRoot::CurrentUser, keyPath, RegAccess::Read);
  ASSERT_NE(parent, nullptr);
  auto names = parent->SubkeyNames();
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Ωmega", "Ключ", "子键"}));
  EXPECT_NE(Registry().Open(RegRoot::CurrentUser, keyPath + "\\ωMEGA", RegAccess::Read), nullptr);
}

TEST(Win32Registry, LeadingBackslashNamesTheSameKey) {
  const auto keyPath = testing::NewTestKey();
  auto key = Registry().Create(RegRoot::CurrentUser, keyPath);
  ASSERT_NE(key, nullptr);
  ASSERT_TRUE(key->SetValue("v", platform::MakeDwordValue(7)));
  const auto again = Registry().Open(RegRoot::CurrentUser, "\\" + keyPath, RegAccess::Read);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->QueryValue("v"), platform::MakeDwordValue(7));
}

TEST(Win32Registry, DeletesOnlyEmptyDirectSubkeysAndNeverItself) {
  const auto keyPath = testing::NewTestKey();
  ASSERT_NE(Registry().Create(RegRoot::CurrentUser, keyPath + "\\full\\inner"), nullptr);
  ASSERT_NE(Registry().Create(RegRoot::CurrentUser, keyPath + "\\leer"), nullptr);
  auto key = Registry().Open(RegRoot::CurrentUser, keyPath, RegAccess::Full);
  ASSERT_NE(key, nullptr);

  EXPECT_FALSE(key->DeleteSubkey("full"));
  EXPECT_FALSE(key->DeleteSubkey("full\\inner"));
  EXPECT_FALSE(key->DeleteSubkey(""));
  EXPECT_NE(Registry().Open(RegRoot::CurrentUser, keyPath + "\\full\\inner", RegAccess::Read),
            nullptr);
  EXPECT_TRUE(key->DeleteSubkey("LEER"));
  EXPECT_EQ(key->SubkeyNames(), std::vector<std::string>{"full"});
  EXPECT_NE(Registry().Open(RegRoot::CurrentUser, keyPath, RegAccess::Read), nullptr);
}

TEST(Win32Registry, NamesHoldingNulReachNothing) {
  const auto keyPath = testing::NewTestKey();
  auto key = Registry().Create(RegRoot::CurrentUser, keyPath);
  ASSERT_NE(key, nullptr);
  ASSERT_TRUE(key->SetValue("victim", platform::MakeDwordValue(1)));
  const std::string cut("victim\0tail", 11);

  EXPECT_FALSE(key->SetValue(cut, platform::MakeDwordValue(2)));
  EXPECT_FALSE(key->QueryValue(cut).has_value());
  EXPECT_FALSE(key->DeleteValue(cut));
  EXPECT_EQ(key->QueryValue("victim"), platform::MakeDwordValue(1));
  EXPECT_EQ(Registry().Open(RegRoot::CurrentUser, keyPath + std::string("\0x", 2), RegAccess::Read),
            nullptr);
  EXPECT_EQ(Registry().Create(RegRoot::CurrentUser, keyPath + std::string("\0x", 2)), nullptr);
}

TEST(Win32Registry, MissingKeysAndValues) {
  const auto keyPath = testing::NewTestKey();
  EXPECT_EQ(Registry().Open(RegRoot::CurrentUser, keyPath, RegAccess::Read), nullptr);
  auto key = Registry().Create(RegRoot::CurrentUser, keyPath);
  ASSERT_NE(key, nullptr);
  EXPECT_FALSE(key->DeleteValue("absent"));
  EXPECT_FALSE(key->DeleteSubkey("absent"));
  EXPECT_TRUE(key->ValueNames().empty());
  EXPECT_TRUE(key->SubkeyNames().empty());
  const auto root = Registry().Open(RegRoot::LocalMachine, "", RegAccess::Read);
  ASSERT_NE(root, nullptr);
  const auto subkeys = root->SubkeyNames();
  EXPECT_NE(std::find(subkeys.begin(), subkeys.end(), "Software"), subkeys.end());
}

}  // namespace
}  // namespace zent
