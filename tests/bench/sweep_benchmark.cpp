// The junk-file walk against a bare listing walk of the same synthetic tree
// (100,000 files in 5,000 folders) on the in-memory platform, side by side in
// one run, as a ratio: once for a tree without junk, once for a tree where one
// file in twenty is a temporary file. The junk walk lists every folder twice
// (files, then subfolders) and tests each name; nothing is deleted, so every
// repeat walks the same tree.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

#include <time.h>

#include "sweep/junk_sweep.h"
#include "tests/native/run_fixture.h"

namespace {

namespace platform = zent::platform;

constexpr int kTopFolders = 50;
constexpr int kSubfolders = 99;  // 50 + 50 x 99 = 5,000 folders
constexpr int kFilesPerFolder = 20;
constexpr int kRepeats = 3;

double CpuMicroseconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

void AddFiles(zent::memory::MemoryFileSystem& files, const std::string& folder, bool withJunk) {
  for (int i = 0; i < kFilesPerFolder; ++i) {
    const char* extension = i == 0 && withJunk ? ".TMP" : ".TXT";
    files.AddFile(folder + "\\FILE" + std::to_string(i) + extension, "content");
  }
}

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

template <typename Walk>
double Best(Walk walk) {
  double best = 1e300;
  for (int i = 0; i < kRepeats; ++i) {
    const double start = CpuMicroseconds();
    walk();
    best = std::min(best, CpuMicroseconds() - start);
  }
  return best;
}

void BuildTree(zent::memory::MemoryFileSystem& files, char drive, bool withJunk) {
  files.AddDrive(drive, platform::kDriveFixed);
  for (int top = 0; top < kTopFolders; ++top) {
    const std::string folder = std::string(1, drive) + ":\\TOP" + std::to_string(top);
    files.AddFolder(folder);
    AddFiles(files, folder, withJunk);
    for (int sub = 0; sub < kSubfolders; ++sub) {
      const std::string below = folder + "\\SUB" + std::to_string(sub);
      files.AddFolder(below);
      AddFiles(files, below, withJunk);
    }
  }
}

void Compare(zent::testing::RunFixture& fixture, zent::TShellLink& shellLink,
             const std::string& root, const char* label) {
  std::uint64_t listed = 0;
  const double bare = Best([&] { listed = BareWalk(fixture.memory.files, root); });
  const double sweep = Best([&] {
    zent::JunkFileSweep walk(fixture.run, shellLink);
    walk.WalkFolder(root);
  });
  std::printf("%-34s %7llu entries  bare %8.0f us  junk walk %8.0f us  ratio %.2f\n", label,
              static_cast<unsigned long long>(listed), bare, sweep, sweep / bare);
}

}  // namespace

// Candidates are tested for use (an exclusive open), which on the in-memory
// platform costs a case-folding name search per path part; nothing is deleted.
int main() {
  zent::testing::RunFixture fixture;
  BuildTree(fixture.memory.files, 'D', false);
  BuildTree(fixture.memory.files, 'E', true);
  zent::TShellLink shellLink(fixture.memory.links);
  fixture.state.UnattendedMode = false;
  fixture.state.Switches.Set(zent::Switch::FilesTmp, true);
  fixture.state.Switches.Set(zent::Switch::FilesBak, true);
  fixture.state.Switches.Set(zent::Switch::FilesBackups, true);
  Compare(fixture, shellLink, "D:\\", "no junk");
  Compare(fixture, shellLink, "E:\\", "one .TMP in 20 files (in-use test)");
  return 0;
}
