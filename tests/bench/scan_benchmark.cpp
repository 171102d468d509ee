// What the registry scans cost beyond reading the registry: every scan of a
// pass over a synthetic registry, against a bare
// walk that opens exactly the keys the scans opened and reads exactly the
// values and names they read, in the same order (recorded while the scans
// ran). The ratio is the scans' time over the walk's, both measured in one
// run; the scans' extra work is their path handling, the file tests and the
// findings register.
//
//   scan_benchmark [scale]   (scale 1: 20,000 classes, 5,000 extensions,
//                             2,000 type libraries, 2,000 uninstall entries)
//
// Built natively it runs on the in-memory platform. Built for Windows it
// plants the registry and files on the real system, so it is run only in a
// throwaway Wine prefix (tools/bench-scans-wine.sh), never on a real machine.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include "platform/win32/win32_platform.h"
#else
#include <time.h>

#include "platform/memory/memory_platform.h"
#endif

#include "common/concat.h"
#include "regscan/com_scans.h"
#include "regscan/file_type_scans.h"
#include "regscan/icon_scans.h"
#include "regscan/list_scans.h"
#include "regscan/program_scans.h"
#include "regscan/whole_registry_scan.h"
#include "run/findings.h"
#include "run/run_context.h"
#include "run/run_state.h"
#include "tests/bench/bench_clock.h"

namespace {

namespace platform = zent::platform;
using platform::MakeTextValue;
using platform::RegRoot;

// One registry call the scans made: an open (giving handle `key`) or a read
// through an open handle.
struct Call {
  enum Kind { Open, Query, Subkeys, Values } kind;
  int key;
  RegRoot root = RegRoot::LocalMachine;
  std::string text;  // the path opened, or the value read
  platform::RegAccess access = platform::RegAccess::Read;
  platform::RegView view = platform::RegView::Bits64;  // of an open
};

class RecordedKey final : public platform::RegistryKey {
 public:
  RecordedKey(std::unique_ptr<platform::RegistryKey> inner, int id, std::vector<Call>& log)
      : inner_(std::move(inner)), id_(id), log_(log) {}
  std::optional<platform::RegValue> QueryValue(std::string_view name) const override {
    log_.push_back({Call::Query, id_, {}, std::string(name)});
    return inner_->QueryValue(name);
  }
  std::optional<platform::RegValue> QueryStoredValue(std::string_view name) const override {
    log_.push_back({Call::Query, id_, {}, std::string(name)});
    return inner_->QueryStoredValue(name);
  }
  bool SetValue(std::string_view name, const platform::RegValue& value) override {
    return inner_->SetValue(name, value);
  }
  std::vector<std::string> SubkeyNames() const override {
    log_.push_back({Call::Subkeys, id_, {}, {}});
    return inner_->SubkeyNames();
  }
  std::vector<std::string> ValueNames() const override {
    log_.push_back({Call::Values, id_, {}, {}});
    return inner_->ValueNames();
  }
  bool DeleteValue(std::string_view name) override { return inner_->DeleteValue(name); }
  bool DeleteSubkey(std::string_view name) override { return inner_->DeleteSubkey(name); }

 private:
  std::unique_ptr<platform::RegistryKey> inner_;
  int id_;
  std::vector<Call>& log_;
};

// Records the calls into both views of the inner registry in one log.
class RecordingRegistry final : public platform::Registry {
 public:
  explicit RecordingRegistry(platform::Registry& inner)
      : RecordingRegistry(inner.InView(platform::RegView::Bits64), platform::RegView::Bits64,
                          nullptr) {}
  std::unique_ptr<platform::RegistryKey> Open(RegRoot root, std::string_view path,
                                              platform::RegAccess access) override {
    auto key = inner_.Open(root, path, access);
    if (!key) return nullptr;
    const int id = shared_->next++;
    shared_->log.push_back({Call::Open, id, root, std::string(path), access, view_});
    return std::make_unique<RecordedKey>(std::move(key), id, shared_->log);
  }
  std::unique_ptr<platform::RegistryKey> Create(RegRoot root, std::string_view path) override {
    return inner_.Create(root, path);
  }
  platform::Registry& InView(platform::RegView view) override {
    if (view == view_) return *this;
    if (first_ != nullptr) return *first_;
    if (!other_) other_ = std::make_unique<RecordingRegistry>(inner_.InView(view), view, this);
    return *other_;
  }
  const std::vector<Call>& log() const { return shared_->log; }

  // The 32-bit view's recorder, made by the 64-bit one's.
  RecordingRegistry(platform::Registry& inner, platform::RegView view, RecordingRegistry* first)
      : inner_(inner), view_(view), first_(first) {
    if (first_ == nullptr) {
      own_ = std::make_unique<Shared>();
      shared_ = own_.get();
    } else {
      shared_ = first_->shared_;
    }
  }

 private:
  struct Shared {
    std::vector<Call> log;
    int next = 0;
  };
  platform::Registry& inner_;
  platform::RegView view_;
  RecordingRegistry* first_;  // the 64-bit view's recorder, from the 32-bit one's
  std::unique_ptr<Shared> own_;
  Shared* shared_ = nullptr;
  std::unique_ptr<RecordingRegistry> other_;
};

// Half of the entries of each kind name a file that is there.
struct Synthetic {
  int classes, extensions, libraries, uninstall, listEntries;
};

std::string Numbered(std::string_view prefix, int i) {
  return std::string(prefix) + std::to_string(i);
}

// "C:\ZentScanBench\<folder>\<group>\<name><i><suffix>", made present for
// even i, in folders of 100 files.
std::string FileFor(platform::FileSystem& files, std::string_view folder, std::string_view name,
                    int i, std::string_view suffix) {
  const std::string group =
      zent::Concat({"C:\\ZentScanBench\\", folder, "\\G", std::to_string(i / 100)});
  const std::string path = zent::Concat({group, "\\", Numbered(name, i), suffix});
  if (i % 2 == 0 && (files.CreateFolders(group), !files.WriteWhole(path, "x"))) {
    std::fprintf(stderr, "could not write %s\n", path.c_str());
    std::exit(1);
  }
  return path;
}

// Sets a value, making its key first.
void Set(platform::Registry& registry, RegRoot root, const std::string& key, std::string_view name,
         const platform::RegValue& value) {
  const auto opened = registry.Create(root, key);
  if (!opened || !opened->SetValue(name, value)) {
    std::fprintf(stderr, "could not write %s\n", key.c_str());
    std::exit(1);
  }
}

void Populate(platform::Platform& platform, const Synthetic& size) {
  auto& registry = platform.registry;
  platform::FileSystem& files = platform.files;
  const auto text = [&](RegRoot root, const std::string& key, std::string_view name,
                        const std::string& value) {
    Set(registry, root, key, name, MakeTextValue(value));
  };
  constexpr RegRoot HKCR = RegRoot::ClassesRoot;
  constexpr RegRoot HKLM = RegRoot::LocalMachine;
  for (int i = 0; i < size.classes; ++i) {
    char guid[40];
    std::snprintf(guid, sizeof guid, "{%08X-0000-4000-8000-000000000000}", i);
    const std::string key = "CLSID\\" + std::string(guid);
    text(HKCR, key, "", Numbered("Class ", i));
    text(HKCR, key + "\\InprocServer32", "", FileFor(files, "LIB", "server", i, ".dll"));
    if (i % 10 == 0)
      text(HKCR, key + "\\DefaultIcon", "", FileFor(files, "ICO", "c", i, ".dll") + ",0");
  }
  for (int i = 0; i < size.extensions; ++i) {
    const std::string type = Numbered("Bench.Type", i);
    text(HKCR, Numbered(".bx", i), "", type);
    text(HKCR, type + "\\shell\\open\\command", "",
         zent::Concat({"\"", FileFor(files, "APP", "viewer", i, ".exe"), "\" \"%1\""}));
    text(HKCR, type + "\\DefaultIcon", "", FileFor(files, "ICO", "t", i, ".ico"));
  }
  for (int i = 0; i < size.libraries; ++i) {
    char guid[40];
    std::snprintf(guid, sizeof guid, "{%08X-0001-4000-8000-000000000000}", i);
    const std::string key = "TypeLib\\" + std::string(guid) + "\\1.0";
    text(HKCR, key, "", Numbered("Library ", i));
    text(HKCR, key + "\\0\\win32", "", FileFor(files, "TLB", "lib", i, ".tlb"));
  }
  for (int i = 0; i < size.uninstall; ++i) {
    const std::string key = std::string(zent::kUninstallKey) + "\\" + Numbered("Program", i);
    text(HKLM, key, "DisplayName", Numbered("Program ", i));
    text(HKLM, key, "UninstallString",
         zent::Concat({"\"", FileFor(files, "PRG", "uninst", i, ".exe"), "\" /S"}));
  }
  for (int i = 0; i < size.listEntries; ++i) {
    text(HKLM, std::string(zent::kAutorunKey), Numbered("Run", i),
         FileFor(files, "RUN", "start", i, ".exe") + " -q");
    const std::string app = std::string(zent::kAppPathsKey) + "\\" + Numbered("app", i) + ".exe";
    text(HKLM, app, "", FileFor(files, "APP", "app", i, ".exe"));
    text(HKLM, std::string(zent::kHelpFilesKey), Numbered("help", i) + ".hlp", "C:\\HLP");
    Set(registry, HKLM, std::string(zent::kSharedDllsKey),
        FileFor(files, "SHR", "shared", i, ".dll"), platform::MakeDwordValue(1));
    text(HKLM, std::string(zent::kFontsKey), Numbered("Font ", i) + " (TrueType)",
         FileFor(files, "FNT", "font", i, ".ttf"));
    // A 32-bit program's entries, in the view of 32-bit programs.
    if (i % 4 == 0) {
      platform::Registry& view32 = registry.InView(platform::RegView::Bits32);
      const std::string key = std::string(zent::kUninstallKey) + "\\" + Numbered("Program32-", i);
      Set(view32, HKLM, key, "UninstallString",
          MakeTextValue(FileFor(files, "P32", "uninst", i, ".exe")));
      Set(view32, HKLM, std::string(zent::kAutorunKey), Numbered("Run32-", i),
          MakeTextValue(FileFor(files, "R32", "start", i, ".exe")));
    }
    // Settings of installed programs, which only the whole-registry scan reads.
    const std::string vendor = zent::Concat({"SOFTWARE\\BenchVendor\\", Numbered("Product", i)});
    text(HKLM, vendor, "InstallDir", FileFor(files, "VND", "dir", i, ".exe"));
    text(HKLM, vendor + "\\Settings", "Theme", Numbered("theme ", i));
    text(RegRoot::CurrentUser,
         std::string(zent::kSoundAppsKey) + "\\Bench\\" + Numbered("Event", i) + "\\.current", "",
         FileFor(files, "WAV", "sound", i, ".wav"));
  }
}

void RunAllScans(zent::RunContext& run) {
  zent::ScanFileFormats(run);
  zent::ScanComServers(run);
  zent::ScanActiveX(run);
  zent::ScanSharedDlls(run);
  zent::ScanUninstall(run);
  zent::ScanAutorun(run);
  zent::ScanFonts(run);
  zent::ScanSystemSounds(run);
  zent::ScanHelpFiles(run);
  zent::ScanAppPaths(run);
  zent::ScanIcons(run);
  zent::ScanOtherEntries(run);  // the run leaves it out on the NT family
}

// Replays the recorded calls on the bare registry.
std::size_t Walk(platform::Registry& registry, const std::vector<Call>& log) {
  std::vector<std::unique_ptr<platform::RegistryKey>> keys;
  std::size_t seen = 0;
  for (const Call& call : log) {
    if (call.kind == Call::Open) {
      keys.resize(std::max(keys.size(), static_cast<std::size_t>(call.key) + 1));
      keys[static_cast<std::size_t>(call.key)] =
          registry.InView(call.view).Open(call.root, call.text, call.access);
      continue;
    }
    const auto& key = keys[static_cast<std::size_t>(call.key)];
    if (!key) continue;
    if (call.kind == Call::Query) seen += key->QueryValue(call.text).has_value() ? 1u : 0u;
    if (call.kind == Call::Subkeys) seen += key->SubkeyNames().size();
    if (call.kind == Call::Values) seen += key->ValueNames().size();
  }
  return seen;
}

}  // namespace

int main(int argc, char** argv) {
  const double scale = argc > 1 ? std::atof(argv[1]) : 1.0;
  const auto scaled = [scale](int n) { return std::max(1, static_cast<int>(n * scale)); };
  const Synthetic size{scaled(20000), scaled(5000), scaled(2000), scaled(2000), scaled(1000)};
  std::printf(
      "synthetic registry: %d classes, %d extensions, %d type libraries, %d uninstall "
      "entries, %d entries in each list key\n",
      size.classes, size.extensions, size.libraries, size.uninstall, size.listEntries);

#ifdef _WIN32
  zent::win32::Win32Platform system;
#else
  zent::memory::MemoryPlatform system;
#endif
  platform::Platform& memory = system.platform();
  Populate(memory, size);
  zent::SaverRunState state{memory.shell};
  state.CheckDrives[2] = 1;  // C:

  // Each round runs every scan on a fresh findings register.
  const auto scanOnce = [&](platform::Registry& registry) {
    platform::Platform through{registry,        memory.files, memory.shell, memory.system,
                               memory.launcher, memory.pump,  memory.clock, memory.resources};
    zent::CategoryList categories;
    std::string status, item;
    zent::RunContext run{through, state, categories, {}, status, item};
    RunAllScans(run);
    std::size_t findings = 0;
    for (std::size_t i = 0; i < categories.Count(); ++i) {
      findings += categories.Item(i).category.EntryCount();
    }
    return findings;
  };

  RecordingRegistry recording(memory.registry);
  const std::size_t findings = scanOnce(recording);
  std::printf("the scans found %zu orphaned entries with %zu registry calls\n", findings,
              recording.log().size());

  constexpr int kRounds = 3;
  zent::bench::BestTime scans, walk;
  std::size_t seen = 0;
  for (int round = 0; round < kRounds; ++round) {
    scans.Time([&] { scanOnce(memory.registry); });
    walk.Time([&] { seen = Walk(memory.registry, recording.log()); });
  }
  std::printf("best of %d rounds      CPU ms   elapsed ms\n", kRounds);
  std::printf("every scan          %9.1f   %9.1f\n", scans.cpu / 1e3, scans.elapsed / 1e3);
  std::printf("bare walk           %9.1f   %9.1f   (the same opens and reads, %zu answers)\n",
              walk.cpu / 1e3, walk.elapsed / 1e3, seen);
  std::printf("ratio scans/walk    %9.2f   %9.2f   (goal: at most 3)\n", scans.cpu / walk.cpu,
              scans.elapsed / walk.elapsed);
  return 0;
}
