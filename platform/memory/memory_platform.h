#pragma once

// An in-memory operating system for the unit tests: a registry, drives with
// files and folders, a recycle bin, environment variables and system facts that
// a test sets up and inspects. It follows the Win32 layer's behaviour wherever a
// shared test can check both.

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace zent::memory {

using platform::FsError;
using platform::RegRoot;
using platform::RegValue;

class MemoryRegistry final : public platform::Registry {
  struct Bits32Tag {};

 public:
  MemoryRegistry();
  // The 32-bit view of another; only that one makes it.
  explicit MemoryRegistry(Bits32Tag tag);
  ~MemoryRegistry() override;
  std::unique_ptr<platform::RegistryKey> Open(RegRoot root, std::string_view path,
                                              platform::RegAccess access) override;
  std::unique_ptr<platform::RegistryKey> Create(RegRoot root, std::string_view path) override;
  bool IsLink(RegRoot root, std::string_view path) override;
  // This registry is the 64-bit view; the 32-bit one is a tree of its own.
  // The 64-bit view reaches it by name as the system's does: its HKLM\SOFTWARE
  // as "SOFTWARE\WOW6432Node", its classes as "SOFTWARE\Classes\WOW6432Node"
  // (unlike the system's, neither is listed as a subkey).
  platform::Registry& InView(platform::RegView view) override;
  MemoryRegistry& View32();
  // Makes the key (created when missing) one the views share, as the system
  // shares some: the 32-bit view's key at that path is the 64-bit one's.
  void ShareKey(RegRoot root, std::string_view path);

  // Test set-up and inspection; paths as for Open.
  void SetValue(RegRoot root, std::string_view path, std::string_view name, RegValue value);
  // A value given by its bytes as stored; text is read from them as the
  // system reads it (cut at the first NUL).
  void SetStoredValue(RegRoot root, std::string_view path, std::string_view name,
                      std::uint32_t type, std::string bytes);
  bool KeyExists(RegRoot root, std::string_view path) const;
  std::optional<RegValue> Value(RegRoot root, std::string_view path, std::string_view name) const;
  // A key that exists but cannot be opened for writing (as without rights).
  void SetReadOnly(RegRoot root, std::string_view path, bool readOnly);
  // Every further SetValue through an open key fails (a refused write).
  void RefuseWrites(bool refuse);
  // As a standard user sees it, in both views: the keys of LocalMachine and
  // ClassesRoot open for reading only; creating, writing and deleting there
  // is refused.
  void SetStandardUser(bool standardUser);
  // A key that exists but cannot be opened at all (as without any rights).
  void SetInaccessible(RegRoot root, std::string_view path, bool inaccessible);
  // Makes `path` a link to the target key (created when missing); a path
  // through the link reaches the target, as in the system's registry.
  void SetLink(RegRoot root, std::string_view path, RegRoot targetRoot,
               std::string_view targetPath);

  struct Node;

 private:
  struct Redirection {
    MemoryRegistry* view;
    RegRoot root;
    std::string path;
  };
  // Where a 64-bit view's "WOW6432Node" path leads; nullopt for any other.
  std::optional<Redirection> Redirected(RegRoot root, std::string_view path) const;
  std::shared_ptr<Node> Find(RegRoot root, std::string_view path) const;
  // The key, created with missing parents; nullptr through a broken link.
  std::shared_ptr<Node> Make(RegRoot root, std::string_view path);
  void LinkTo(RegRoot root, std::string_view path, const std::shared_ptr<Node>& target);
  bool StandardUser() const;
  bool Locked(RegRoot root) const;
  std::map<RegRoot, std::shared_ptr<Node>> roots_;
  bool refuseWrites_ = false;
  bool standardUser_ = false;
  std::unique_ptr<MemoryRegistry> view32_;
  MemoryRegistry* view64_ = nullptr;  // set in the 32-bit view
};

class MemoryFileSystem final : public platform::FileSystem {
 public:
  MemoryFileSystem();
  ~MemoryFileSystem() override;

  // Test set-up. Paths are full paths such as "C:\DIR\FILE.TXT"; names compare
  // without regard to case and keep the case they were created with. A path
  // without a drive ("\DIR") starts at the root of the current drive, C:.
  void AddDrive(char letter, std::uint32_t driveType, std::string volumeName = {});
  void AddFolder(std::string_view path, std::uint32_t attributes = platform::kAttrDirectory);
  void AddFile(std::string_view path, std::string_view content = {},
               std::uint32_t attributes = platform::kAttrArchive);
  // A folder link (junction): listed with the reparse bit, it leads to
  // `target` for every path that goes through it.
  void AddJunction(std::string_view path, std::string_view target);
  // A symbolic link as Wine lists it: without the reparse bit, with what it
  // leads to as its attributes and size, and followed by every operation on
  // its name, even one that asks for the link itself.
  void AddSymbolicLink(std::string_view path, std::string_view target);
  // A second name of the existing file `existing`: the two share attributes.
  void AddHardLink(std::string_view path, std::string_view existing);
  // The 8.3 name the entry is also found by.
  void SetShortName(std::string_view path, std::string shortName);
  // A drive whose root is the folder `target` of another drive (SUBST).
  void MapDrive(char letter, std::string_view target);
  // A file whose listed size is `size` without holding that many bytes.
  void SetListedSize(std::string_view path, std::uint64_t size);
  // Every operation on this path, or below it, fails with `error`.
  void FailPath(std::string_view path, FsError error);
  void ClearFailures();
  // Decides for each AppendWhole call (numbered from 1) whether its write
  // breaks off, and after how many bytes; unset: every write succeeds.
  std::function<std::optional<std::size_t>(int call)> appendBreaksAfter;
  int appendWholeCalls = 0;
  // Every Rename fails (the file is held open by another program).
  bool refuseRenames = false;
  std::optional<std::string> Content(std::string_view path) const;
  std::optional<std::uint32_t> AttributesOf(std::string_view path) const;
  bool IsOpen(std::string_view path) const;
  void SetLastWriteTime(std::string_view path, platform::LocalTime time);
  void SetNow(platform::LocalTime time);  // time stamp given to files written later
  std::vector<std::string> Drives() const;
  std::uint32_t DriveTypeOf(char letter) const;
  std::optional<std::string> VolumeNameOf(char letter) const;

  platform::Listing List(std::string_view pattern, std::uint32_t attributeMask) override;
  platform::AttributeResult Attributes(std::string_view path) override;
  bool SetAttributes(std::string_view path, std::uint32_t attributes) override;
  platform::Presence FileExists(std::string_view path) override;
  platform::Presence FolderExists(std::string_view path) override;
  std::unique_ptr<platform::OpenFile> OpenExclusive(std::string_view path,
                                                    FsError* error = nullptr) override;
  bool Delete(std::string_view path) override;
  bool Rename(std::string_view from, std::string_view to) override;
  bool CreateFolders(std::string_view path) override;
  bool RemoveFolder(std::string_view path) override;
  std::optional<platform::LocalTime> LastWriteTime(std::string_view path) override;
  // A file listed larger than it holds (SetListedSize) stands for one too
  // large to hold in memory: reading it whole fails.
  std::optional<std::string> ReadWhole(std::string_view path) override;
  std::optional<std::string> ReadStart(std::string_view path, std::size_t count) override;
  bool WriteWhole(std::string_view path, std::string_view bytes) override;
  bool AppendWhole(std::string_view path, std::string_view bytes,
                   std::string_view startOfFile) override;
  std::optional<std::string> FullPath(std::string_view path) override;
  std::optional<std::string> ResolvedPath(std::string_view path) override;
  std::optional<platform::EntryIdentity> Identity(std::string_view path) override;
  bool MayDelete(std::string_view path) override;
  // This user may not delete the file or folder (a link itself), nor what
  // the folder holds: the recycle bin and every deletion refuse it.
  void RefuseDeletion(std::string_view path);

  struct Entry;
  struct Drive;

  // For the recycle bin: takes a file out of the tree into the bin; false when
  // it is missing, a folder, or held open.
  bool MoveToBin(std::string_view path);

 private:
  std::unique_ptr<Entry> Detach(std::string_view path);
  bool AppendInPlace(std::string_view path, std::string_view bytes);

  class Handle;
  // Which links a lookup follows at the end of the path; links on the way
  // are always followed.
  enum class Follow { None, SymbolicLinks, All };
  struct Found {
    Entry* entry = nullptr;
    std::string realPath;  // only when asked for
  };
  Found Lookup(std::string_view path, FsError& error, Follow follow, bool wantPath,
               int depth) const;
  static bool Follows(Follow follow, const Entry& link);
  struct PlainPath;
  std::optional<std::size_t> SharedSteps(const PlainPath& plain) const;
  std::optional<Found> LookupPlain(const PlainPath& plain, std::size_t kept, FsError& error,
                                   Follow follow, bool wantPath, int depth) const;
  Entry* Find(std::string_view path, FsError* error) const;
  Entry* ParentFolder(std::string_view path, std::string* name, FsError* error) const;
  Entry* FolderAt(std::string_view path, FsError* error) const;
  std::optional<FsError> FailureFor(std::string_view path) const;
  void ForgetFolders();
  void ForgetFolder(const Entry* removed);

  // The folders on the way to the last plain path looked up, with that path
  // as it was written: a walk looks up paths below or above the one before,
  // so only the parts that differ are looked for, and a lookup costs the same
  // at any depth. No link and no folder of a mapped drive is ever on it.
  struct FolderChain {
    struct Step {
      Entry* folder = nullptr;
      std::size_t end = 0;      // the length of `text` through this folder
      std::size_t realEnd = 0;  // the length of `realText` through it
    };
    std::string text;         // "C:\PROGRA~1\APP", as written
    std::string realText;     // "C:\Program Files\App", each folder by its own name
    std::vector<Step> steps;  // steps[0] is the drive's root
    std::size_t Matching(std::string_view path) const;
    void Keep(std::size_t count);
    void Push(Entry* folder, std::string_view path, std::size_t end);
  };
  mutable FolderChain chain_;
  std::map<char, std::unique_ptr<Drive>> drives_;
  std::vector<std::pair<std::string, FsError>> failures_;
  std::vector<std::unique_ptr<Entry>> bin_;
  platform::LocalTime now_{2026, 12, 8, 10, 30, 0, 2};
};

class MemoryShell final : public platform::Shell {
 public:
  explicit MemoryShell(MemoryFileSystem& files);
  ~MemoryShell() override;
  platform::RecycleOutcome MoveToRecycleBin(std::string_view fullPath) override;
  std::string ExpandEnvironment(std::string_view text) override;
  std::string UpperCase(std::string_view text) override;
  std::vector<platform::KnownFolder> KnownFolders() override { return knownFolders; }

  std::vector<platform::KnownFolder> knownFolders;
  void SetEnvironment(std::string name, std::string value);
  // The bin refuses every file from now on (full, missing, bypassed by policy).
  void RefuseRecycling(bool refuse);
  // Full paths of the files in the bin, in the order they arrived.
  const std::vector<std::string>& RecycledPaths() const { return recycled_; }
  int RecycleCalls() const { return recycleCalls_; }

 private:
  MemoryFileSystem& files_;
  std::map<std::string, std::string> environment_;  // names upper-cased
  std::vector<std::string> recycled_;
  bool refuse_ = false;
  int recycleCalls_ = 0;
};

// Shortcut files are memory files whose content MakeLinkContent wrote; any
// other content does not load as a link.
class MemoryShellLinks final : public platform::ShellLinks {
 public:
  explicit MemoryShellLinks(MemoryFileSystem& files) : files_(files) {}
  std::optional<platform::LinkContent> Load(std::string_view path) override;

  // The bytes of a link file to `target`.
  static std::string MakeLinkContent(std::string_view target, bool targetIsFolder);
  // Paths loaded, in order.
  std::vector<std::string> loads;

 private:
  MemoryFileSystem& files_;
};

class MemorySystem final : public platform::SystemQueries {
 public:
  explicit MemorySystem(MemoryFileSystem& files);
  std::string WindowsDirectory() override { return windowsDirectory; }
  std::string SystemDirectory() override { return systemDirectory; }
  int ScreenWidth() override { return screenWidth; }
  int ScreenHeight() override { return screenHeight; }
  // The primary screen alone unless a test sets more monitors.
  platform::Rect VirtualScreen() override {
    return virtualScreen.value_or(platform::Rect{0, 0, screenWidth, screenHeight});
  }
  int ColorBits() override { return colorBits; }
  std::optional<std::string> UserName() override { return userName; }
  std::optional<std::string> ComputerName() override { return computerName; }
  int PlatformId() override { return platformId; }
  std::uint32_t ProcessorType() override { return processorType; }
  std::uint32_t DriveType(std::string_view root) override;
  std::optional<std::string> VolumeName(std::string_view root) override;
  std::string AbbreviatedDayName(int dayOfWeek) override;
  bool HasFontFace(std::string_view face) override;
  bool IsElevated() override { return elevated; }

  // The face names of the fonts the system has loaded.
  std::vector<std::string> fontFaces;
  // Sunday first.
  std::array<std::string, 7> dayNames = {"So", "Mo", "Di", "Mi", "Do", "Fr", "Sa"};
  std::string windowsDirectory = "C:\\WINDOWS";
  std::string systemDirectory = "C:\\WINDOWS\\SYSTEM32";
  int screenWidth = 1024;
  int screenHeight = 768;
  std::optional<platform::Rect> virtualScreen;
  int colorBits = 32;
  std::optional<std::string> userName = "tester";
  std::optional<std::string> computerName = "TESTPC";
  int platformId = 2;
  std::uint32_t processorType = 586;
  bool elevated = true;

 private:
  MemoryFileSystem& files_;
};

// Records the command lines; a test may act on them (as a program would).
// A program does its work (onRun) as it starts; one started in the background
// then runs on through as many waits as `waitsBeforeEnd` gives it.
class MemoryLauncher final : public platform::ProgramLauncher {
 public:
  platform::ProgramStart StartProgramHidden(std::string_view programPath,
                                            std::string_view commandLine) override;
  std::unique_ptr<platform::StartedProgram> StartAsAdministrator(
      std::string_view programPath, std::string_view arguments) override;
  std::vector<std::string> commands;
  std::vector<std::string> programs;            // the full path given with each command, else ""
  std::function<bool(std::string_view)> onRun;  // result of the run; true when unset
  // Why the program at a path cannot be started (it is then not run); unset:
  // every program starts.
  std::function<platform::StartFailure(std::string_view programPath)> startFailure;
  // Unset: every program has ended by the time it was started.
  std::function<int(std::string_view)> waitsBeforeEnd;
  int waits = 0;       // WaitForEnd calls on programs still running
  int terminated = 0;  // programs ended before they ended by themselves
  int running = 0;     // programs started and not yet ended

  // Programs started as administrator: "path arguments", in order. They run
  // until EndAdministratorPrograms; with refuseAdministrator none starts (the
  // user said no).
  std::vector<std::string> administratorStarts;
  bool refuseAdministrator = false;
  void EndAdministratorPrograms();

 private:
  std::vector<std::shared_ptr<bool>> administratorRunning_;
};

// Counts the pump calls; a test may hook them (to deliver "input" at a point).
class MemoryPump final : public platform::MessagePump {
 public:
  void Pump() override;
  int calls = 0;
  std::function<void(int call)> onPump;
};

class MemoryClock final : public platform::Clock {
 public:
  platform::LocalTime Now() override { return now; }
  std::uint64_t TickMilliseconds() override { return ticks += 16; }
  platform::LocalTime now{2026, 12, 8, 10, 30, 0, 2};
  std::uint64_t ticks = 0;
};

// All of the above, wired together. Starts with a fixed drive C: holding
// C:\WINDOWS and C:\WINDOWS\SYSTEM32, and the registry's five roots.
// A string table of the texts a test puts in.
class MemoryResources final : public platform::TextResources {
 public:
  MemoryResources() = default;
  explicit MemoryResources(std::map<int, std::string> table) : texts(std::move(table)) {}
  std::string LoadText(int id) override;
  std::map<int, std::string> texts;
};

class MemoryPlatform {
 public:
  MemoryPlatform();
  MemoryRegistry registry;
  MemoryFileSystem files;
  MemoryShell shell{files};
  MemoryShellLinks links{files};
  MemorySystem system{files};
  MemoryLauncher launcher;
  MemoryPump pump;
  MemoryClock clock;
  MemoryResources resources;
  platform::Platform& platform() { return platform_; }

 private:
  platform::Platform platform_;
};

}  // namespace zent::memory
