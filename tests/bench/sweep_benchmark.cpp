// The junk-file walk against a bare listing walk of the same synthetic tree
// (100,000 files in 5,000 folders at scale 1), side by side in one run, as a
// ratio: once for a tree without junk, once for a tree where one file in
// twenty is a temporary file. The junk walk lists every folder twice (files,
// then subfolders) and tests each name; candidates are tested for use (an
// exclusive open). Nothing is deleted, so every repeat walks the same tree.
//
// A third figure: a temporary folder one file per level deep, sized and
// deleted, at two depths, four times apart. Each level costs the same when
// the walks are linear in depth, so the time per level of both depths should
// match: their ratio is 1 for a linear walk and 4 for one quadratic in depth.
// The shallower depth is 100 levels at scale 1, or the second argument.
//
// Natively the tree lies on the in-memory platform. Built for Windows it is
// planted in a folder of its own below the temporary folder and removed
// afterwards; run it only in a sandbox (tools/bench-sweep-wine.sh), at a tenth
// of the size.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#ifdef _WIN32
#include <windows.h>

#include "platform/win32/win32_platform.h"
#else
#include <time.h>

#include "platform/memory/memory_platform.h"
#endif

#include "run/findings.h"
#include "run/run_context.h"
#include "run/run_state.h"
#include "sweep/junk_sweep.h"
#include "tests/bench/bench_clock.h"

namespace {

namespace platform = zent::platform;

constexpr int kSubfolders = 99;  // per top folder: 50 + 50 x 99 = 5,000 folders
constexpr int kFilesPerFolder = 20;
constexpr int kRepeats = 3;

std::uint64_t BareWalk(platform::FileSystem& files, const std::string& folder) {
  std::uint64_t entries = 0;
  for (const auto& entry : files.List(folder + "*.*", 0x3F).entries) {
    ++entries;
    if ((entry.attributes & platform::kAttrDirectory) != 0 && !entry.name.starts_with('.')) {
      entries += BareWalk(files, folder + entry.name + '\\');
    }
  }
  return entries;
}

void AddFiles(platform::FileSystem& files, const std::string& folder, bool withJunk) {
  files.CreateFolders(folder);
  for (int i = 0; i < kFilesPerFolder; ++i) {
    const char* extension = i == 0 && withJunk ? ".TMP" : ".TXT";
    files.WriteWhole(folder + "\\FILE" + std::to_string(i) + extension, "content");
  }
}

// `root` ends in "\".
void BuildTree(platform::FileSystem& files, const std::string& root, int topFolders,
               bool withJunk) {
  for (int top = 0; top < topFolders; ++top) {
    const std::string folder = root + "TOP" + std::to_string(top);
    AddFiles(files, folder, withJunk);
    for (int sub = 0; sub < kSubfolders; ++sub) {
      AddFiles(files, folder + "\\SUB" + std::to_string(sub), withJunk);
    }
  }
}

struct Sweeper {
  explicit Sweeper(platform::Platform& system) : platform(system), state(system.shell) {
    state.UnattendedMode = false;
    for (const auto which :
         {zent::Switch::FilesTmp, zent::Switch::FilesBak, zent::Switch::FilesBackups}) {
      state.Switches.Set(which, true);
    }
  }
  platform::Platform& platform;
  zent::SaverRunState state;
  zent::CategoryList categories;
  std::string statusLabel, itemLabel;
  zent::RunContext run{platform, state, categories, {}, statusLabel, itemLabel};
};

void Compare(Sweeper& sweeper, zent::TShellLink& shellLink, const std::string& root,
             const char* label) {
  std::uint64_t listed = 0;
  zent::bench::BestTime bare, junk;
  for (int i = 0; i < kRepeats; ++i) {
    bare.Time([&] { listed = BareWalk(sweeper.platform.files, root); });
    junk.Time([&] { zent::JunkFileSweep(sweeper.run, shellLink).WalkFolder(root); });
  }
  std::printf("%-34s %7llu entries  bare %8.0f us  junk walk %8.0f us  ratio %.2f", label,
              static_cast<unsigned long long>(listed), bare.cpu, junk.cpu, junk.cpu / bare.cpu);
#ifdef _WIN32
  std::printf("  (elapsed %.0f / %.0f us = %.2f)", junk.elapsed, bare.elapsed,
              junk.elapsed / bare.elapsed);
#endif
  std::printf("\n");
}

// "~DEEP\L\L\...\L" below `base`, one file per level.
void BuildDeepFolder(platform::FileSystem& files, const std::string& base, int levels) {
  std::string folder = base + "~DEEP";
  for (int level = 0; level < levels; ++level) folder += "\\L";
  files.CreateFolders(folder);
  for (int level = levels; level >= 0; --level) {
    files.WriteWhole(folder + "\\F.TXT", "content");
    folder.resize(folder.size() - 2);
  }
}

// The best time of sizing and deleting a temporary folder `levels` deep; the
// tree is planted again before every timing.
zent::bench::BestTime TimeDeepFolder(platform::Platform& system, zent::TShellLink& shellLink,
                                     const std::string& base, int levels) {
  Sweeper sweeper(system);
  sweeper.state.UnattendedMode = true;
  sweeper.state.Switches.Set(zent::Switch::CustomTmpFolders, true);
  zent::bench::BestTime deep;
  for (int i = 0; i < kRepeats; ++i) {
    BuildDeepFolder(system.files, base, levels);
    deep.Time([&] { zent::JunkFileSweep(sweeper.run, shellLink).WalkFolder(base); });
  }
  return deep;
}

void CompareDepths(platform::Platform& system, zent::TShellLink& shellLink, const std::string& base,
                   int shallow) {
  const int deep = 4 * shallow;
  const auto shallowTime = TimeDeepFolder(system, shellLink, base, shallow);
  const auto deepTime = TimeDeepFolder(system, shellLink, base, deep);
  const double perShallow = shallowTime.cpu / shallow, perDeep = deepTime.cpu / deep;
  std::printf("temporary folder %d vs %d levels deep: %.1f vs %.1f us per level, ratio %.2f",
              shallow, deep, perShallow, perDeep, perDeep / perShallow);
#ifdef _WIN32
  std::printf("  (elapsed %.0f vs %.0f us per level = %.2f)", shallowTime.elapsed / shallow,
              deepTime.elapsed / deep, (deepTime.elapsed / deep) / (shallowTime.elapsed / shallow));
#endif
  std::printf("\n");
}

#ifdef _WIN32
// A fresh folder below the temporary folder, ending in "\".
std::string BenchFolder() {
  wchar_t temp[MAX_PATH];
  const DWORD length = GetTempPathW(MAX_PATH, temp);
  std::wstring folder(temp, length);
  folder += L"zent-sweep-bench-" + std::to_wstring(GetCurrentProcessId());
  CreateDirectoryW(folder.c_str(), nullptr);
  return std::string(folder.begin(), folder.end()) + '\\';  // the temporary folder is ASCII
}

// Files first, then the folders, deepest first.
void RemoveTree(platform::FileSystem& files, const std::string& folder) {
  for (const auto& entry : files.List(folder + "*.*", 0x3F).entries) {
    if (entry.name == "." || entry.name == "..") continue;
    if ((entry.attributes & platform::kAttrDirectory) != 0) {
      RemoveTree(files, folder + entry.name + '\\');
    } else {
      files.Delete(folder + entry.name);
    }
  }
  files.RemoveFolder(folder);
}
#endif

}  // namespace

int main(int argc, char** argv) {
  const double scale = argc > 1 ? std::atof(argv[1]) : 1.0;
  const int topFolders = std::max(1, static_cast<int>(50 * scale));
#ifdef _WIN32
  zent::win32::Win32Platform system;
  const std::string base = BenchFolder();
#else
  zent::memory::MemoryPlatform system;
  system.files.AddDrive('D', platform::kDriveFixed);
  const std::string base = "D:\\";
#endif
  platform::FileSystem& files = system.platform().files;
  const std::string clean = base + "NOJUNK\\", junk = base + "JUNK\\";
  BuildTree(files, clean, topFolders, false);
  BuildTree(files, junk, topFolders, true);
  std::printf("%d folders of %d files each, best of %d walks\n", topFolders * (kSubfolders + 1),
              kFilesPerFolder, kRepeats);

  Sweeper sweeper(system.platform());
  zent::TShellLink shellLink(system.links);
  Compare(sweeper, shellLink, clean, "no junk");
  Compare(sweeper, shellLink, junk, "one .TMP in 20 files (in-use test)");
  const int levels = argc > 2 ? std::atoi(argv[2]) : std::max(10, static_cast<int>(100 * scale));
  CompareDepths(system.platform(), shellLink, base + "DEPTH\\", levels);
#ifdef _WIN32
  RemoveTree(files, base);
#endif
  return 0;
}
