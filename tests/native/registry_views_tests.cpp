// The scans of keys that 64-bit Windows keeps twice walk both views, and the
// repair removes each entry in the view it was found in, backed up under the
// name that imports it back there.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "common/registry_views.h"
#include "regscan/com_scans.h"
#include "regscan/list_scans.h"
#include "regscan/program_scans.h"
#include "run/reg_file_reader.h"
#include "run/registry_repair.h"
#include "tests/native/fake_exporter.h"
#include "tests/native/run_fixture.h"

namespace zent {
namespace {

using platform::MakeTextValue;
using platform::RegRoot;
using platform::RegView;

constexpr char kPresent[] = "C:\\TOOLS\\PRESENT.EXE";
constexpr char kGone[] = "C:\\GONE\\APP.EXE";

// One scanned category: where an entry named `name` lies, and how it is planted.
struct ViewCase {
  std::string label;
  std::function<void(RunContext&)> scan;
  RegRoot root;
  std::string parent;  // the key holding the entries
  bool isValue;        // an entry is a value of `parent`, not a subkey
  std::function<void(memory::MemoryRegistry&, const std::string& name, const std::string& file)>
      plant;
};

void PrintTo(const ViewCase& c, std::ostream* out) { *out << c.label; }

const std::string kUninstall(kUninstallKey);
const std::string kAppPaths(kAppPathsKey);

const ViewCase kViewCases[] = {
    {"Uninstall", ScanUninstall, RegRoot::LocalMachine, kUninstall, false,
     [](auto& r, const std::string& name, const std::string& file) {
       r.SetValue(RegRoot::LocalMachine, kUninstall + "\\" + name, "UninstallString",
                  MakeTextValue(file));
     }},
    {"Autorun", ScanAutorun, RegRoot::LocalMachine, std::string(kAutorunKey), true,
     [](auto& r, const std::string& name, const std::string& file) {
       r.SetValue(RegRoot::LocalMachine, kAutorunKey, name, MakeTextValue(file));
     }},
    {"ComClasses", ScanComServers, RegRoot::ClassesRoot, "CLSID", false,
     [](auto& r, const std::string& name, const std::string& file) {
       r.SetValue(RegRoot::ClassesRoot, "CLSID\\" + name, "", MakeTextValue("Class " + name));
       r.SetValue(RegRoot::ClassesRoot, "CLSID\\" + name + "\\InprocServer32", "",
                  MakeTextValue(file));
     }},
    {"AppPaths", ScanAppPaths, RegRoot::LocalMachine, kAppPaths, false,
     [](auto& r, const std::string& name, const std::string& file) {
       r.SetValue(RegRoot::LocalMachine, kAppPaths + "\\" + name, "", MakeTextValue(file));
     }},
};

class BothViews : public ::testing::TestWithParam<ViewCase>, protected testing::RunFixture {
 protected:
  BothViews() {
    memory.files.AddFile(kPresent);
    state.IsWinNT = true;
    state.UnattendedMode = true;
    state.ProductDirectory = "C:\\KZ";
    memory.files.AddFolder("C:\\KZ");
    memory.launcher.onRun = [this](std::string_view command) {
      return testing::FakeRegedit(memory, command);
    };
  }

  bool Holds(memory::MemoryRegistry& view, const std::string& name) {
    const ViewCase& c = GetParam();
    return c.isValue ? view.Value(c.root, c.parent, name).has_value()
                     : view.KeyExists(c.root, c.parent + "\\" + name);
  }

  // The keys and values of every dated backup, imported into the registry
  // as the registry editor would import them (through the 64-bit view).
  void ImportBackups() {
    for (const auto& entry : memory.files.List("C:\\KZ\\BACKUP\\*.*", 0).entries) {
      if (entry.name == "1.reg" || entry.name == "dummy.reg") continue;
      const auto script = ReadRegScript(*memory.files.Content("C:\\KZ\\BACKUP\\" + entry.name));
      ASSERT_TRUE(script);
      for (const auto& [path, values] : ImportedContent(*script)) {
        const auto split = path.find('\\');
        const auto root = testing::RootOfName(path.substr(0, split));
        ASSERT_TRUE(root) << path;
        for (const auto& [name, value] : values) {
          memory.registry.SetStoredValue(*root, path.substr(split + 1), value.name, value.type,
                                         value.data);
        }
      }
    }
  }
};

TEST_P(BothViews, OrphansOfEachViewAreRemovedThereAndTheirBackupRestoresThemThere) {
  const ViewCase& c = GetParam();
  memory::MemoryRegistry& view64 = memory.registry;
  memory::MemoryRegistry& view32 = memory.registry.View32();
  c.plant(view64, "GONE64.EXE", kGone);
  c.plant(view64, "KEPT64.EXE", kPresent);
  c.plant(view32, "GONE32.EXE", kGone);
  c.plant(view32, "KEPT32.EXE", kPresent);

  c.scan(run);

  ASSERT_EQ(categories.Count(), 1u);
  const FindingCategory& found = categories.Item(0).category;
  ASSERT_EQ(found.EntryCount(), 2u);
  EXPECT_EQ(found.View(0), RegView::Bits64);
  EXPECT_EQ(found.View(1), RegView::Bits32);

  state.RepairRunning = true;
  RegistryRepair(run).Repair();

  EXPECT_FALSE(Holds(view64, "GONE64.EXE"));
  EXPECT_FALSE(Holds(view32, "GONE32.EXE"));
  EXPECT_TRUE(Holds(view64, "KEPT64.EXE"));
  EXPECT_TRUE(Holds(view32, "KEPT32.EXE"));
  EXPECT_FALSE(Holds(view64, "GONE32.EXE"));

  ImportBackups();
  EXPECT_TRUE(Holds(view64, "GONE64.EXE"));
  EXPECT_TRUE(Holds(view32, "GONE32.EXE"));
  EXPECT_FALSE(Holds(view64, "GONE32.EXE"));
  EXPECT_FALSE(Holds(view32, "GONE64.EXE"));
}

TEST_P(BothViews, AKeyTheViewsShareIsWalkedOnce) {
  const ViewCase& c = GetParam();
  memory.registry.ShareKey(c.root, c.parent);
  c.plant(memory.registry, "GONE.EXE", kGone);

  c.scan(run);

  ASSERT_EQ(categories.Count(), 1u);
  EXPECT_EQ(categories.Item(0).category.EntryCount(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Categories, BothViews, ::testing::ValuesIn(kViewCases),
                         [](const auto& param) { return param.param.label; });

}  // namespace
}  // namespace zent
