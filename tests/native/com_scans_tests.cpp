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

using platform::MakeBinaryValue;
using platform::MakeDwordValue;
using platform::MakeTextValue;
using platform::RegRoot;
using platform::RegValue;

RegValue Typed(std::uint32_t type, std::string data) { return {type, std::move(data)}; }
// Text another program stored without its terminator or with an odd last byte.
RegValue CutText(std::string text) { return {platform::kRegSz, std::move(text), false}; }

const RegValue kLongBinary = MakeBinaryValue("C:\\A.DLL");  // no number either

struct Row {
  std::string name;
  std::string target;
  std::string key;
  std::string detail;
  friend bool operator==(const Row&, const Row&) = default;
};

void PrintTo(const Row& row, std::ostream* out) {
  *out << "(" << row.name << ", " << row.target << ", " << row.key << ", " << row.detail << ")";
}

class ComScans : public ::testing::Test, protected testing::RunFixture {
 protected:
  ComScans() {
    memory.files.AddDrive('D', platform::kDriveFixed);  // present, not checked
    memory.files.AddFile("C:\\APP\\THERE.DLL");
    memory.files.AddFile("C:\\MY.APP DIR\\SERVER.DLL");
    memory.shell.SetEnvironment("APPDIR", "C:\\App");
    Set(std::string(kClassesKey), "", MakeTextValue(""));
  }

  void Set(const std::string& key, std::string_view name, RegValue value) {
    memory.registry.SetValue(RegRoot::ClassesRoot, key, name, std::move(value));
  }

  void AddClass(const std::string& id, std::optional<RegValue> description, RegValue server) {
    const std::string key = std::string(kClassesKey) + "\\" + id;
    if (description) Set(key, "", *description);
    Set(key + "\\InprocServer32", "", std::move(server));
  }

  void AddLibrary(const std::string& id, const std::string& version, const std::string& language,
                  RegValue win32, RegValue description = MakeTextValue("Demo Library")) {
    const std::string versionKey = std::string(kTypeLibrariesKey) + "\\" + id + "\\" + version;
    Set(versionKey, "", std::move(description));
    Set(versionKey + "\\" + language + "\\win32", "", std::move(win32));
  }

  const CategoryItem& Only() const {
    EXPECT_EQ(categories.Count(), 1u);
    return categories.Item(0);
  }

  std::vector<Row> Rows() const {
    std::vector<Row> rows;
    const FindingCategory& category = Only().category;
    for (std::size_t i = 0; i < category.EntryCount(); ++i) {
      rows.push_back({category.EntryNames()[i], category.TargetPaths()[i], category.EntryKeys()[i],
                      category.EntryDetails()[i]});
    }
    return rows;
  }
};

// --- COM classes ----------------------------------------------------------

struct ClassCase {
  std::string label;
  std::optional<RegValue> description;
  RegValue server;
  std::string reported;  // empty: never reported
};

void PrintTo(const ClassCase& c, std::ostream* out) { *out << c.label; }

class ClassScan : public ComScans, public ::testing::WithParamInterface<ClassCase> {};

TEST_P(ClassScan, ReportsTheServerOnlyWhenSurelyGone) {
  const ClassCase& c = GetParam();
  AddClass("{C1}", c.description, c.server);
  ScanComServers(run);
  std::vector<Row> expected;
  if (!c.reported.empty()) expected.push_back({"Demo", c.reported, "{C1}", ""});
  EXPECT_EQ(Rows(), expected);
  EXPECT_EQ(Only().category.SelectionFlags(), std::vector<std::uint8_t>(expected.size(), 1));
}

const RegValue kDemo = MakeTextValue("Demo");

INSTANTIATE_TEST_SUITE_P(
    Classes, ClassScan,
    ::testing::Values(
        ClassCase{"ServerGone", kDemo, MakeTextValue("C:\\APP\\GONE.DLL"), "C:\\APP\\GONE.DLL"},
        ClassCase{"ServerThere", kDemo, MakeTextValue("c:\\app\\there.dll"), ""},
        ClassCase{"QuotedWithArguments", kDemo, MakeTextValue("\"c:\\app\\gone.dll\" /auto"),
                  "C:\\APP\\GONE.DLL"},
        ClassCase{"WithVariable", kDemo, MakeTextValue("%AppDir%\\gone.dll"), "C:\\APP\\GONE.DLL"},
        ClassCase{"VariableLeftUnexpanded", kDemo, MakeTextValue("C:\\%NOWHERE%\\GONE.DLL"), ""},
        // Cut after "C:\MY.APP" as a command line; the whole value names a file.
        ClassCase{"WholeValueThere", kDemo, MakeTextValue("C:\\MY.APP DIR\\SERVER.DLL"), ""},
        ClassCase{"WholeValueGone", kDemo, MakeTextValue("C:\\MY.APP DIR\\GONE.DLL"), "C:\\MY.APP"},
        ClassCase{"EmptyDescription", MakeTextValue(""), MakeTextValue("C:\\APP\\GONE.DLL"), ""},
        ClassCase{"NoDescription", std::nullopt, MakeTextValue("C:\\APP\\GONE.DLL"), ""},
        ClassCase{"DescriptionNumber", MakeDwordValue(7), MakeTextValue("C:\\APP\\GONE.DLL"), ""},
        ClassCase{"DescriptionBytes", kLongBinary, MakeTextValue("C:\\APP\\GONE.DLL"), ""},
        ClassCase{"DescriptionCut", CutText("Dem"), MakeTextValue("C:\\APP\\GONE.DLL"), ""},
        ClassCase{"BareServerName", kDemo, MakeTextValue("GONE.DLL"), ""},
        ClassCase{"UncheckedDrive", kDemo, MakeTextValue("D:\\GONE.DLL"), ""},
        ClassCase{"ExpandableServer", kDemo, Typed(platform::kRegExpandSz, "C:\\APP\\GONE.DLL"),
                  ""},
        ClassCase{"ServerBytes", kDemo, kLongBinary, ""},
        ClassCase{"ServerCutShort", kDemo, CutText("C:\\APP\\THERE.DL"), ""}),
    [](const auto& testCase) { return testCase.param.label; });

TEST_F(ComScans, ExcludedServersAreNotReportedWhereverListed) {
  state.ExcludedFiles.Append("C:\\OTHER.DLL");
  state.ExcludedFiles.Append("c:\\app\\keep.dll");
  AddClass("{C1}", kDemo, MakeTextValue("C:\\APP\\KEEP.DLL"));
  AddClass("{C2}", kDemo, MakeTextValue("C:\\OTHER.DLL"));
  ScanComServers(run);
  EXPECT_TRUE(Rows().empty());
}

TEST_F(ComScans, ClassesInOrderOneItemEachUntilInput) {
  for (const char* id : {"{c3}", "{C1}", "{C2}", "{C4}"}) {
    AddClass(id, kDemo, MakeTextValue(std::string("C:\\GONE\\") + id + ".DLL"));
  }
  memory.pump.onPump = [this](int call) {
    if (call == 4) state.AbortRequested = true;  // while the third class is shown
  };
  ScanComServers(run);
  EXPECT_EQ(itemLabel, "{c3}");
  EXPECT_EQ(Rows(), (std::vector<Row>{{"Demo", "C:\\GONE\\{C1}.DLL", "{C1}", ""},
                                      {"Demo", "C:\\GONE\\{C2}.DLL", "{C2}", ""}}));
  EXPECT_EQ(Only().caption, "COM/OLE");
  EXPECT_EQ(Only().CategoryIndex, 1);
  EXPECT_TRUE(Only().category.SelectionFlags().empty());
}

// --- Type libraries -----------------------------------------------------

struct LibraryCase {
  std::string label;
  RegValue win32;
  std::optional<RegValue> win64;
  std::string reported;  // empty: never reported
};

void PrintTo(const LibraryCase& c, std::ostream* out) { *out << c.label; }

class LibraryScan : public ComScans, public ::testing::WithParamInterface<LibraryCase> {};

TEST_P(LibraryScan, ReportsTheLibraryOnlyWhenItsFilesAreSurelyGone) {
  const LibraryCase& c = GetParam();
  AddLibrary("{L1}", "1.0", "0", c.win32);
  if (c.win64) Set(std::string(kTypeLibrariesKey) + "\\{L1}\\1.0\\0\\win64", "", *c.win64);
  ScanActiveX(run);
  std::vector<Row> expected;
  if (!c.reported.empty()) expected.push_back({"Demo Library", c.reported, "{L1}", "1.0"});
  EXPECT_EQ(Rows(), expected);
}

const RegValue kGoneLibrary = MakeTextValue("C:\\APP\\GONE.TLB");

INSTANTIATE_TEST_SUITE_P(
    Libraries, LibraryScan,
    ::testing::Values(
        LibraryCase{"FileGone", kGoneLibrary, std::nullopt, "C:\\APP\\GONE.TLB"},
        LibraryCase{"FileThere", MakeTextValue("C:\\APP\\THERE.DLL"), std::nullopt, ""},
        LibraryCase{"QuotedLowerCase", MakeTextValue("\"c:\\app\\gone.tlb\""), std::nullopt,
                    "C:\\APP\\GONE.TLB"},
        LibraryCase{"ResourceNumber", MakeTextValue("C:\\APP\\GONE.DLL\\2"), std::nullopt, ""},
        LibraryCase{"TwoDigitResourceNumber", MakeTextValue("C:\\APP\\GONE.DLL\\12"), std::nullopt,
                    ""},
        LibraryCase{"UncheckedDrive", MakeTextValue("D:\\GONE.TLB"), std::nullopt, ""},
        LibraryCase{"WholeValueThere", MakeTextValue("C:\\MY.APP DIR\\SERVER.DLL"), std::nullopt,
                    ""},
        LibraryCase{"FileBytes", kLongBinary, std::nullopt, ""},
        LibraryCase{"FileCutShort", CutText("C:\\APP\\THERE.DL"), std::nullopt, ""},
        LibraryCase{"Win64There", kGoneLibrary, MakeTextValue("C:\\APP\\THERE.DLL"), ""},
        LibraryCase{"Win64Gone", kGoneLibrary, MakeTextValue("C:\\APP\\GONE64.TLB"),
                    "C:\\APP\\GONE.TLB"},
        LibraryCase{"Win64Empty", kGoneLibrary, MakeTextValue(""), "C:\\APP\\GONE.TLB"},
        LibraryCase{"Win64Unchecked", kGoneLibrary, MakeTextValue("D:\\GONE64.TLB"), ""},
        LibraryCase{"Win64NotText", kGoneLibrary, MakeDwordValue(1), ""}),
    [](const auto& testCase) { return testCase.param.label; });

TEST_F(ComScans, EveryOneDigitLanguageOfEveryVersionGivesItsRow) {
  AddLibrary("{L2}", "2.0", "9", kGoneLibrary, MakeTextValue("Two"));
  AddLibrary("{L2}", "1.0", "0", kGoneLibrary, MakeTextValue("One"));
  AddLibrary("{L2}", "1.0", "9", kGoneLibrary, MakeTextValue("One"));
  AddLibrary("{L1}", "1.0", "409", kGoneLibrary);
  ScanActiveX(run);
  const std::string file = "C:\\APP\\GONE.TLB";
  EXPECT_EQ(Rows(), (std::vector<Row>{{"One", file, "{L2}", "1.0"},
                                      {"One", file, "{L2}", "1.0"},
                                      {"Two", file, "{L2}", "2.0"}}));
  EXPECT_EQ(Only().CategoryIndex, 2);
  EXPECT_EQ(Only().caption, "ActiveX\n3 ");
  EXPECT_EQ(memory.pump.calls, 1 + 2);  // status line, then one per library
}

TEST_F(ComScans, ValuesThatAreNoTextNeitherEndTheScansNorReport) {
  AddClass("{C1}", kLongBinary, MakeTextValue("C:\\APP\\GONE.DLL"));
  AddClass("{C2}", kDemo, kLongBinary);
  AddClass("{C3}", kDemo, MakeTextValue("C:\\APP\\GONE.DLL"));
  AddLibrary("{L1}", "1.0", "0", kGoneLibrary, kLongBinary);
  AddLibrary("{L2}", "1.0", "0", kLongBinary);
  AddLibrary("{L3}", "1.0", "0", kGoneLibrary);
  ScanComServers(run);
  ScanActiveX(run);
  ASSERT_EQ(categories.Count(), 2u);
  EXPECT_EQ(categories.Item(0).category.EntryKeys(), std::vector<std::string>{"{C3}"});
  EXPECT_EQ(categories.Item(1).category.EntryKeys(), std::vector<std::string>{"{L3}"});
}

TEST_F(ComScans, BothStartOnlyWhereClassesAreRegistered) {
  ScanActiveX(run);  // no "TypeLib" key: an empty, closed category
  EXPECT_EQ(Only().caption, "ActiveX\n0 ");

  categories.Clear();
  AddLibrary("{L1}", "1.0", "0", kGoneLibrary);
  ASSERT_TRUE(RegRemoveKey(memory.registry, RegRoot::ClassesRoot, kClassesKey));
  ScanComServers(run);
  ScanActiveX(run);
  EXPECT_TRUE(categories.Empty());
}

}  // namespace
}  // namespace zent
