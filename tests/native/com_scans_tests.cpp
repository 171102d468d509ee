// The class and type-library scans on the in-memory registry and files: what
// each reports, what it never reports (values that name nothing certain, paths
// that may still name a file) and how the walk starts, goes on and stops.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "common/registry_helpers.h"
#include "regscan/com_scans.h"
#include "tests/native/run_fixture.h"

namespace zent {
namespace {

using platform::MakeDwordValue;
using platform::MakeTextValue;
using platform::RegRoot;
using platform::RegValue;

// Text another program stored without its terminator or with an odd last byte.
RegValue CutText(std::string text) { return {platform::kRegSz, std::move(text), false}; }

const RegValue kDemo = MakeTextValue("Demo");
const RegValue kGone = MakeTextValue("C:\\APP\\GONE.DLL");
const RegValue kLongBinary = platform::MakeBinaryValue("C:\\A.DLL");  // no number either

class ComScans : public ::testing::Test, protected testing::RunFixture {
 protected:
  ComScans() {
    memory.files.AddDrive('D', platform::kDriveFixed);  // present, not checked
    memory.files.AddFile("C:\\APP\\THERE.DLL");
    memory.files.AddFile("C:\\MY.APP DIR\\THERE.DLL");
    memory.shell.SetEnvironment("APPDIR", "C:\\App");
    state.ExcludedFiles.Append("C:\\OTHER.DLL");
    state.ExcludedFiles.Append("c:\\app\\keep.dll");
    Set(std::string(kClassesKey), "", MakeTextValue(""));
  }

  void Set(const std::string& key, std::string_view name, RegValue value) {
    memory.registry.SetValue(RegRoot::ClassesRoot, key, name, std::move(value));
  }

  void AddClass(const std::string& id, const RegValue& description, const RegValue& server) {
    const std::string key = std::string(kClassesKey) + "\\" + id;
    Set(key, "", description);
    Set(key + "\\InprocServer32", "", server);
  }

  void AddLibrary(const std::string& id, const std::string& version, const std::string& language,
                  const RegValue& win32, const RegValue& description = kDemo) {
    const std::string versionKey = std::string(kTypeLibrariesKey) + "\\" + id + "\\" + version;
    Set(versionKey, "", description);
    Set(versionKey + "\\" + language + "\\win32", "", win32);
  }

  // Each row as name | target | key | detail.
  std::vector<std::string> Rows(std::size_t category = 0) const {
    const FindingCategory& found = categories.Item(category).category;
    std::vector<std::string> rows;
    for (std::size_t i = 0; i < found.EntryCount(); ++i) {
      rows.push_back(found.EntryNames()[i] + " | " + found.TargetPaths()[i] + " | " +
                     found.EntryKeys()[i] + " | " + found.EntryDetails()[i]);
    }
    return rows;
  }
};

// A server or library value, the other value that goes with it (the class
// description, or the 64-bit library file), and the path reported.
struct EntryCase {
  std::string label;
  RegValue value;
  std::optional<RegValue> other;
  std::string reported;  // empty: never reported
};

void PrintTo(const EntryCase& c, std::ostream* out) { *out << c.label; }

std::string LabelOf(const ::testing::TestParamInfo<EntryCase>& info) { return info.param.label; }

class ClassScan : public ComScans, public ::testing::WithParamInterface<EntryCase> {};

TEST_P(ClassScan, ReportsTheServerOnlyWhenSurelyGone) {
  const EntryCase& c = GetParam();
  AddClass("{C1}", c.other.value_or(kDemo), c.value);
  ScanComServers(run);
  const auto expected = c.reported.empty() ? std::vector<std::string>()
                                           : std::vector{"Demo | " + c.reported + " | {C1} | "};
  EXPECT_EQ(Rows(), expected);
  EXPECT_EQ(categories.Item(0).category.SelectionFlags(),
            std::vector<std::uint8_t>(expected.size(), 1));
}

INSTANTIATE_TEST_SUITE_P(
    Classes, ClassScan,
    ::testing::Values(
        EntryCase{"ServerGone", kGone, std::nullopt, "C:\\APP\\GONE.DLL"},
        EntryCase{"ServerThere", MakeTextValue("c:\\app\\there.dll"), std::nullopt, ""},
        EntryCase{"QuotedWithArguments", MakeTextValue("\"c:\\app\\gone.dll\" /auto"), std::nullopt,
                  "C:\\APP\\GONE.DLL"},
        EntryCase{"WithVariable", MakeTextValue("%AppDir%\\gone.dll"), std::nullopt,
                  "C:\\APP\\GONE.DLL"},
        EntryCase{"VariableLeftUnexpanded", MakeTextValue("C:\\%NOWHERE%\\GONE.DLL"), std::nullopt,
                  ""},
        // Cut after "C:\MY.APP" as a command line; the whole value may name a file.
        EntryCase{"WholeValueThere", MakeTextValue("C:\\MY.APP DIR\\THERE.DLL"), std::nullopt, ""},
        EntryCase{"WholeValueGone", MakeTextValue("C:\\MY.APP DIR\\GONE.DLL"), std::nullopt,
                  "C:\\MY.APP"},
        EntryCase{"ExcludedServer", MakeTextValue("C:\\APP\\KEEP.DLL"), std::nullopt, ""},
        EntryCase{"BareServerName", MakeTextValue("GONE.DLL"), std::nullopt, ""},
        EntryCase{"ServerCutShort", CutText("C:\\APP\\THERE.DL"), std::nullopt, ""},
        EntryCase{"EmptyDescription", kGone, MakeTextValue(""), ""},
        EntryCase{"DescriptionNumber", kGone, MakeDwordValue(7), ""}),
    LabelOf);

class LibraryScan : public ComScans, public ::testing::WithParamInterface<EntryCase> {};

TEST_P(LibraryScan, ReportsTheLibraryOnlyWhenItsFilesAreSurelyGone) {
  const EntryCase& c = GetParam();
  AddLibrary("{L1}", "1.0", "0", c.value);
  if (c.other) Set(std::string(kTypeLibrariesKey) + "\\{L1}\\1.0\\0\\win64", "", *c.other);
  ScanActiveX(run);
  const auto expected = c.reported.empty() ? std::vector<std::string>()
                                           : std::vector{"Demo | " + c.reported + " | {L1} | 1.0"};
  EXPECT_EQ(Rows(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Libraries, LibraryScan,
    ::testing::Values(
        EntryCase{"FileGone", MakeTextValue("\"c:\\app\\gone.tlb\""), std::nullopt,
                  "C:\\APP\\GONE.TLB"},
        EntryCase{"FileThere", MakeTextValue("C:\\APP\\THERE.DLL"), std::nullopt, ""},
        EntryCase{"ResourceNumber", MakeTextValue("C:\\APP\\GONE.DLL\\2"), std::nullopt, ""},
        EntryCase{"TwoDigitResourceNumber", MakeTextValue("C:\\APP\\GONE.DLL\\12"), std::nullopt,
                  ""},
        EntryCase{"WholeValueThere", MakeTextValue("C:\\MY.APP DIR\\THERE.DLL"), std::nullopt, ""},
        EntryCase{"Win64There", kGone, MakeTextValue("C:\\APP\\THERE.DLL"), ""},
        EntryCase{"Win64Gone", kGone, MakeTextValue("C:\\APP\\GONE64.DLL"), "C:\\APP\\GONE.DLL"},
        EntryCase{"Win64Empty", kGone, MakeTextValue(""), "C:\\APP\\GONE.DLL"},
        EntryCase{"Win64Unchecked", kGone, MakeTextValue("D:\\GONE64.DLL"), ""},
        EntryCase{"Win64NotText", kGone, MakeDwordValue(1), ""}),
    LabelOf);

TEST_F(ComScans, ClassesInOrderOneItemEachUntilInput) {
  for (const char* id : {"{c3}", "{C1}", "{C2}", "{C4}"}) AddClass(id, kDemo, kGone);
  memory.pump.onPump = [this](int call) {
    if (call == 4) state.AbortRequested = true;  // while the third class is shown
  };
  ScanComServers(run);
  EXPECT_EQ(itemLabel, "{c3}");
  EXPECT_EQ(Rows(), (std::vector<std::string>{"Demo | C:\\APP\\GONE.DLL | {C1} | ",
                                              "Demo | C:\\APP\\GONE.DLL | {C2} | "}));
  EXPECT_EQ(categories.Item(0).caption, "COM/OLE");
  EXPECT_TRUE(categories.Item(0).category.SelectionFlags().empty());
}

TEST_F(ComScans, EveryOneDigitLanguageOfEveryVersionGivesItsRow) {
  AddLibrary("{L2}", "2.0", "9", kGone, MakeTextValue("Two"));
  AddLibrary("{L2}", "1.0", "0", kGone, MakeTextValue("One"));
  AddLibrary("{L2}", "1.0", "9", kGone, MakeTextValue("One"));
  AddLibrary("{L1}", "1.0", "409", kGone);
  ScanActiveX(run);
  EXPECT_EQ(Rows(), (std::vector<std::string>{"One | C:\\APP\\GONE.DLL | {L2} | 1.0",
                                              "One | C:\\APP\\GONE.DLL | {L2} | 1.0",
                                              "Two | C:\\APP\\GONE.DLL | {L2} | 2.0"}));
  EXPECT_EQ(categories.Item(0).CategoryIndex, 2);
  EXPECT_EQ(categories.Item(0).caption, "ActiveX\n3 ");
  EXPECT_EQ(memory.pump.calls, 1 + 2);  // status line, then one per library
}

TEST_F(ComScans, ALibraryOrClassStaysWhileAnyOfItsFilesIsThere) {
  const RegValue there = MakeTextValue("C:\\APP\\THERE.DLL");
  AddLibrary("{L1}", "1.0", "0", kGone);
  AddLibrary("{L1}", "2.0", "0", there);
  AddLibrary("{L2}", "1.0", "0", kGone);
  AddLibrary("{L2}", "1.0", "409", there);
  AddLibrary("{L3}", "1.0", "9", kGone);
  AddLibrary("{L3}", "2.0", "409", kGone);
  const std::string classes = std::string(kClassesKey) + "\\";
  for (const char* id : {"{C1}", "{C2}", "{C3}"}) AddClass(id, kDemo, kGone);
  Set(classes + "{C1}\\LocalServer32", "", MakeTextValue("\"C:\\APP\\THERE.DLL\"-Embedding"));
  Set(classes + "{C2}\\InprocHandler32", "", there);
  Set(classes + "{C3}\\LocalServer32", "", kGone);
  ScanActiveX(run);
  ScanComServers(run);
  EXPECT_EQ(Rows(0), std::vector<std::string>{"Demo | C:\\APP\\GONE.DLL | {L3} | 1.0"});
  EXPECT_EQ(Rows(1), std::vector<std::string>{"Demo | C:\\APP\\GONE.DLL | {C3} | "});
}

TEST_F(ComScans, ValuesThatAreNoTextNeitherEndTheScansNorReport) {
  AddClass("{C1}", kLongBinary, kGone);
  AddClass("{C2}", kDemo, kLongBinary);
  AddClass("{C3}", kDemo, kGone);
  AddLibrary("{L1}", "1.0", "0", kGone, kLongBinary);
  AddLibrary("{L2}", "1.0", "0", kLongBinary);
  AddLibrary("{L3}", "1.0", "0", CutText("C:\\APP\\THERE.DL"));
  AddLibrary("{L4}", "1.0", "0", kGone);
  ScanComServers(run);
  ScanActiveX(run);
  EXPECT_EQ(Rows(0), std::vector<std::string>{"Demo | C:\\APP\\GONE.DLL | {C3} | "});
  EXPECT_EQ(Rows(1), std::vector<std::string>{"Demo | C:\\APP\\GONE.DLL | {L4} | 1.0"});
}

TEST_F(ComScans, BothStartOnlyWhereClassesAreRegistered) {
  ScanActiveX(run);  // no "TypeLib" key: an empty, closed category
  EXPECT_EQ(categories.Item(0).caption, "ActiveX\n0 ");

  categories.Clear();
  AddLibrary("{L1}", "1.0", "0", kGone);
  ASSERT_TRUE(RegRemoveKey(memory.registry, RegRoot::ClassesRoot, kClassesKey));
  ScanComServers(run);
  ScanActiveX(run);
  EXPECT_TRUE(categories.Empty());
}

}  // namespace
}  // namespace zent
