#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zent::platform {

// Attribute bits as the system numbers them.
enum FileAttribute : std::uint32_t {
  kAttrReadOnly = 0x01,
  kAttrHidden = 0x02,
  kAttrSystem = 0x04,
  kAttrVolumeId = 0x08,
  kAttrDirectory = 0x10,
  kAttrArchive = 0x20,
  kAttrNormal = 0x80,
  kAttrReparsePoint = 0x400,
  kAttrOffline = 0x1000,
  kAttrRecallOnOpen = 0x40000,
  kAttrRecallOnDataAccess = 0x400000,
};

// Why a file operation failed. `FileNotFound` and `PathNotFound` mean "not
// there"; every other error means "could not look".
enum class FsError {
  None,
  FileNotFound,
  PathNotFound,
  DeviceNotReady,
  AccessDenied,
  SharingViolation,
  BadName,
  Other,
};

bool MeansNotThere(FsError error);

// Whether a file or folder exists. `Unknown`: the system could not tell (access
// denied, device not ready, network error); such a path is not missing.
enum class Presence { Present, Missing, Unknown };

struct DirEntry {
  std::string name;
  std::uint64_t size = 0;
  std::uint32_t attributes = 0;

  bool IsFolder() const { return (attributes & kAttrDirectory) != 0; }
};

// A directory listing for a pattern such as "C:\DIR\*.*", in the system's
// order, "." and ".." included. An entry is left out when it carries the
// hidden, system, volume or directory bit and that bit is not in the mask.
struct Listing {
  std::vector<DirEntry> entries;
  FsError error = FsError::None;  // None also for a pattern that matches nothing
};

struct AttributeResult {
  std::uint32_t attributes = 0;
  FsError error = FsError::None;
  bool ok() const { return error == FsError::None; }
};

struct LocalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  int dayOfWeek = 0;  // 0 = Sunday
};

// What a name on disk is, read without following it when it is a link.
struct EntryIdentity {
  std::string finalPath;        // the path the system holds for the opened entry
  bool isLink = false;          // a junction, mount point or symbolic link
  std::uint32_t linkCount = 1;  // names of the same file (hard links)
};

// A file held open; destroying it closes the handle.
class OpenFile {
 public:
  virtual ~OpenFile() = default;
};

// Paths are full UTF-8 paths with "\" separators ("C:\DIR\FILE.TXT").
class FileSystem {
 public:
  virtual ~FileSystem() = default;
  virtual Listing List(std::string_view pattern, std::uint32_t attributeMask) = 0;
  virtual AttributeResult Attributes(std::string_view path) = 0;
  virtual bool SetAttributes(std::string_view path, std::uint32_t attributes) = 0;
  // A folder does not count as a file, nor a file as a folder.
  virtual Presence FileExists(std::string_view path) = 0;
  virtual Presence FolderExists(std::string_view path) = 0;
  // Opens for reading and writing, sharing nothing; nullptr on failure, with the
  // reason in `error` when given.
  virtual std::unique_ptr<OpenFile> OpenExclusive(std::string_view path,
                                                  FsError* error = nullptr) = 0;
  virtual bool Delete(std::string_view path) = 0;
  // Fails when the target exists.
  virtual bool Rename(std::string_view from, std::string_view to) = 0;
  virtual bool CreateFolders(std::string_view path) = 0;
  virtual bool RemoveFolder(std::string_view path) = 0;
  virtual std::optional<LocalTime> LastWriteTime(std::string_view path) = 0;
  virtual std::optional<std::string> ReadWhole(std::string_view path) = 0;
  // The first `count` bytes of a file, or all of a shorter one; the rest is
  // never read, however large the file.
  virtual std::optional<std::string> ReadStart(std::string_view path, std::size_t count) = 0;
  virtual bool WriteWhole(std::string_view path, std::string_view bytes) = 0;
  // Appends all of `bytes` or nothing: a failed write is cut back to the size
  // the file had. When the opened file is empty, `startOfFile` goes first.
  virtual bool AppendWhole(std::string_view path, std::string_view bytes,
                           std::string_view startOfFile) = 0;
  virtual std::optional<std::string> FullPath(std::string_view path) = 0;
  // Where the path really leads: its full long path with every link, mapped
  // drive, short name, "." and ".." resolved, in drive-letter form
  // ("C:\DIR"). nullopt when the file or folder cannot be opened.
  virtual std::optional<std::string> ResolvedPath(std::string_view path) = 0;
  // The entry named by `path` itself: a link is opened, not followed.
  // nullopt when it cannot be opened.
  virtual std::optional<EntryIdentity> Identity(std::string_view path) = 0;
  // False when the system refuses this user the right to delete the file or
  // folder (a link itself, not what it leads to); true when it may, and when
  // that cannot be told now (in use, gone), which the caller's own tests find.
  virtual bool MayDelete(std::string_view /*path*/) { return true; }
};

// The form of a full drive-letter path ("C:\DIR\NAME ") that the system takes
// exactly as written: without it, trailing blanks and dots are cut off the
// name and the call lands on another file. Other paths are returned as given.
std::string ExactName(std::string_view path);

}  // namespace zent::platform
