// How the registry repair's cost per finding grows with the number of
// findings, on the in-memory platform with the fake registry editor. Two kinds
// of category side by side: help values (one export of the shared parent key,
// then one removal per value) and App Paths keys (one export per finding, so
// one block added to the running backup per finding).
//
// The in-memory platform is not built for speed: its registry and files find
// names by a linear, case-folding search. So besides the total, the platform's calls are timed
// apart and the repair's own time (total minus platform) is shown, with the bytes the file steps
// read or write per finding. Flat own time and flat bytes per finding mean the running backup is
// never re-read or re-written.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <time.h>

#include "run/registry_repair.h"
#include "tests/bench/bench_clock.h"
#include "tests/native/fake_exporter.h"
#include "tests/native/run_fixture.h"

namespace {

namespace platform = zent::platform;
using platform::MakeTextValue;
using platform::RegRoot;
using zent::Finding;
using zent::bench::CpuMicroseconds;

constexpr char kHelpKey[] = "SOFTWARE\\Microsoft\\Windows\\Help";
constexpr char kAppPaths[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
constexpr char kGone[] = "C:\\GONE\\PROGRAM FILES\\VENDOR\\PROGRAM.EXE";
constexpr int kRepeats = 7;

// Time spent in one part of the platform, and the bytes of file contents.
struct Meter {
  double microseconds = 0;
  std::uint64_t bytes = 0;

  template <typename Call>
  auto operator()(Call call) {
    const double start = CpuMicroseconds();
    auto result = call();
    microseconds += CpuMicroseconds() - start;
    return result;
  }
};

class MeteredFiles final : public platform::FileSystem {
 public:
  MeteredFiles(platform::FileSystem& inner, Meter& meter) : inner_(inner), m_(meter) {}

  platform::Listing List(std::string_view pattern, std::uint32_t mask) override {
    return m_([&] { return inner_.List(pattern, mask); });
  }
  platform::AttributeResult Attributes(std::string_view path) override {
    return m_([&] { return inner_.Attributes(path); });
  }
  bool SetAttributes(std::string_view path, std::uint32_t attributes) override {
    return m_([&] { return inner_.SetAttributes(path, attributes); });
  }
  platform::Presence FileExists(std::string_view path) override {
    return m_([&] { return inner_.FileExists(path); });
  }
  platform::Presence FolderExists(std::string_view path) override {
    return m_([&] { return inner_.FolderExists(path); });
  }
  std::unique_ptr<platform::OpenFile> OpenExclusive(std::string_view path,
                                                    platform::FsError* error) override {
    return m_([&] { return inner_.OpenExclusive(path, error); });
  }
  bool Delete(std::string_view path) override {
    return m_([&] { return inner_.Delete(path); });
  }
  bool Rename(std::string_view from, std::string_view to) override {
    return m_([&] { return inner_.Rename(from, to); });
  }
  bool CreateFolders(std::string_view path) override {
    return m_([&] { return inner_.CreateFolders(path); });
  }
  bool RemoveFolder(std::string_view path) override {
    return m_([&] { return inner_.RemoveFolder(path); });
  }
  std::optional<platform::LocalTime> LastWriteTime(std::string_view path) override {
    return m_([&] { return inner_.LastWriteTime(path); });
  }
  std::optional<std::string> ReadWhole(std::string_view path) override {
    auto content = m_([&] { return inner_.ReadWhole(path); });
    m_.bytes += content ? content->size() : 0;
    return content;
  }
  std::optional<std::string> ReadStart(std::string_view path, std::size_t count) override {
    auto content = m_([&] { return inner_.ReadStart(path, count); });
    m_.bytes += content ? content->size() : 0;
    return content;
  }
  bool WriteWhole(std::string_view path, std::string_view data) override {
    m_.bytes += data.size();
    return m_([&] { return inner_.WriteWhole(path, data); });
  }
  bool AppendWhole(std::string_view path, std::string_view data,
                   std::string_view startOfFile) override {
    m_.bytes += data.size();
    return m_([&] { return inner_.AppendWhole(path, data, startOfFile); });
  }
  std::optional<std::string> FullPath(std::string_view path) override {
    return m_([&] { return inner_.FullPath(path); });
  }
  std::optional<std::string> ResolvedPath(std::string_view path) override {
    return m_([&] { return inner_.ResolvedPath(path); });
  }
  std::optional<platform::EntryIdentity> Identity(std::string_view path) override {
    return m_([&] { return inner_.Identity(path); });
  }

 private:
  platform::FileSystem& inner_;
  Meter& m_;
};

class MeteredKey final : public platform::RegistryKey {
 public:
  MeteredKey(std::unique_ptr<platform::RegistryKey> inner, Meter& meter)
      : inner_(std::move(inner)), m_(meter) {}
  std::optional<platform::RegValue> QueryValue(std::string_view name) const override {
    return m_([&] { return inner_->QueryValue(name); });
  }
  std::optional<platform::RegValue> QueryStoredValue(std::string_view name) const override {
    return m_([&] { return inner_->QueryStoredValue(name); });
  }
  bool SetValue(std::string_view name, const platform::RegValue& value) override {
    return m_([&] { return inner_->SetValue(name, value); });
  }
  std::vector<std::string> SubkeyNames() const override {
    return m_([&] { return inner_->SubkeyNames(); });
  }
  std::vector<std::string> ValueNames() const override {
    return m_([&] { return inner_->ValueNames(); });
  }
  bool DeleteValue(std::string_view name) override {
    return m_([&] { return inner_->DeleteValue(name); });
  }
  bool DeleteSubkey(std::string_view name) override {
    return m_([&] { return inner_->DeleteSubkey(name); });
  }

 private:
  std::unique_ptr<platform::RegistryKey> inner_;
  Meter& m_;
};

class MeteredRegistry final : public platform::Registry {
 public:
  MeteredRegistry(platform::Registry& inner, Meter& meter) : inner_(inner), m_(meter) {}
  std::unique_ptr<platform::RegistryKey> Open(RegRoot root, std::string_view path,
                                              platform::RegAccess access) override {
    return Wrap(m_([&] { return inner_.Open(root, path, access); }));
  }
  std::unique_ptr<platform::RegistryKey> Create(RegRoot root, std::string_view path) override {
    return Wrap(m_([&] { return inner_.Create(root, path); }));
  }
  // The benchmark's registry has one view.
  platform::Registry& InView(platform::RegView) override { return *this; }

 private:
  std::unique_ptr<platform::RegistryKey> Wrap(std::unique_ptr<platform::RegistryKey> key) {
    if (!key) return nullptr;
    return std::make_unique<MeteredKey>(std::move(key), m_);
  }
  platform::Registry& inner_;
  Meter& m_;
};

struct Kind {
  const char* label;
  int categoryIndex;
};

std::string NameOf(int k) { return std::string("finding").append(std::to_string(k)); }

void Populate(zent::testing::RunFixture& f, const Kind& kind, int findings) {
  auto& item = f.categories.Add(kind.categoryIndex, "bench");
  item.category.CreateLists();
  for (int k = 0; k < findings; ++k) {
    const std::string name = NameOf(k);
    if (kind.categoryIndex == 8) {
      f.memory.registry.SetValue(RegRoot::LocalMachine, kHelpKey, name + ".hlp",
                                 MakeTextValue(kGone));
      item.category.Record(Finding{name + ".hlp", kGone, "", ""});
    } else {
      const std::string key = kAppPaths + name + ".exe";
      f.memory.registry.SetValue(RegRoot::LocalMachine, key, "", MakeTextValue(kGone));
      f.memory.registry.SetValue(RegRoot::LocalMachine, key, "Path",
                                 MakeTextValue("C:\\GONE\\PROGRAM FILES\\VENDOR"));
      item.category.Record(Finding{name + ".exe", kGone, "", ""});
    }
  }
  item.category.SetAllFlags(1);
}

struct Measure {
  double totalUs = 0;
  double platformUs = 0;  // registry, files and the fake editor
  std::uint64_t fileBytes = 0;
};

Measure TimeRepair(const Kind& kind, int findings) {
  zent::testing::RunFixture f;
  f.state.IsWinNT = true;
  f.state.UnattendedMode = true;
  f.state.RepairRunning = true;
  f.state.ProductDirectory = "C:\\KZ";
  f.memory.files.AddFolder("C:\\KZ");
  Populate(f, kind, findings);
  Meter registryMeter, filesMeter, editorMeter;
  f.memory.launcher.onRun = [&](std::string_view command) {
    return editorMeter([&] { return zent::testing::FakeRegedit(f.memory, command); });
  };
  MeteredRegistry registry(f.memory.registry, registryMeter);
  MeteredFiles files(f.memory.files, filesMeter);
  auto& m = f.memory;
  platform::Platform metered{registry,   files,  m.shell, m.system,
                             m.launcher, m.pump, m.clock, m.resources};
  zent::RunContext run{metered, f.state, f.categories, {}, f.statusLabel, f.itemLabel};
  zent::RegistryRepair repair(run);

  const double start = CpuMicroseconds();
  repair.Repair();
  const double end = CpuMicroseconds();

  if (!f.categories.Empty() || f.state.RepairRunning) std::puts("  (repair did not complete)");
  return {end - start,
          registryMeter.microseconds + filesMeter.microseconds + editorMeter.microseconds,
          filesMeter.bytes};
}

double Ratio(const std::vector<double>& values) {
  const auto [low, high] = std::minmax_element(values.begin(), values.end());
  return *high / *low;
}

void Report(const Kind& kind, const std::vector<int>& sizes) {
  std::vector<double> total, own, bytes;
  for (const int n : sizes) {
    Measure best;
    for (int r = 0; r < kRepeats; ++r) {
      const Measure m = TimeRepair(kind, n);
      if (r == 0 || m.totalUs < best.totalUs) best = m;
    }
    total.push_back(best.totalUs / n);
    own.push_back((best.totalUs - best.platformUs) / n);
    bytes.push_back(static_cast<double>(best.fileBytes) / n);
    std::printf("%-24s %8d %10.2f %14.2f %14.2f %14.1f\n", kind.label, n, best.totalUs / 1000.0,
                total.back(), own.back(), bytes.back());
  }
  std::printf("%-24s largest/smallest per finding: total %.2f, own %.2f, file bytes %.2f\n\n",
              kind.label, Ratio(total), Ratio(own), Ratio(bytes));
}

}  // namespace

int main() {
  const std::vector<int> sizes = {50, 200, 800};
  std::printf("%-24s %8s %10s %14s %14s %14s\n", "category", "findings", "total ms", "total us/f",
              "own us/f", "file bytes/f");
  Report({"Help values (cat 8)", 8}, sizes);
  Report({"App Paths keys (cat 9)", 9}, sizes);
  return 0;
}
