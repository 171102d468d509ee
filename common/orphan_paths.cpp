#include "common/orphan_paths.h"

#include <algorithm>

#include "common/path_readings.h"

namespace zent {
namespace {

using platform::Presence;

template <typename Exists>
bool ThereInSomeView(const FileViews& views, std::string_view path, Exists exists) {
  if (exists(path) != Presence::Missing) return true;
  const auto others = views.OtherViews(path);
  return std::ranges::any_of(others, [&exists](const std::string& other) {
    return exists(std::string_view(other)) != Presence::Missing;
  });
}

}  // namespace

bool IsCheckablePath(const DriveFlags& checkDrives, std::string_view path) {
  // The drive test already asks for the ":\" after a letter.
  return IsOnCheckDrive(checkDrives, path);
}

bool IsTestablePath(const DriveFlags& checkDrives, std::string_view path) {
  return IsCheckablePath(checkDrives, path) && path.find('%') == std::string_view::npos;
}

bool IsDriveRootListable(platform::FileSystem& files, std::string_view path) {
  const std::string pattern = std::string(path.substr(0, 3)) + "*";
  return files.List(pattern, 0).error == platform::FsError::None;
}

bool FileMayBeThere(platform::FileSystem& files, std::string_view path, const FileViews& views) {
  return ThereInSomeView(views, path, [&files](auto p) { return files.FileExists(p); });
}

bool FolderMayBeThere(platform::FileSystem& files, std::string_view path, const FileViews& views) {
  return ThereInSomeView(views, path, [&files](auto p) { return files.FolderExists(p); });
}

bool IsOrphanedFile(platform::FileSystem& files, const DriveFlags& checkDrives,
                    std::string_view path, const FileViews& views) {
  return IsTestablePath(checkDrives, path) && !FileMayBeThere(files, path, views) &&
         IsDriveRootListable(files, path);
}

bool IsOrphanedFolder(platform::FileSystem& files, const DriveFlags& checkDrives,
                      std::string_view path, const FileViews& views) {
  return IsTestablePath(checkDrives, path) && !FolderMayBeThere(files, path, views) &&
         IsDriveRootListable(files, path);
}

bool IsOrphanedFileOrFolder(platform::FileSystem& files, const DriveFlags& checkDrives,
                            std::string_view path, const FileViews& views) {
  return IsTestablePath(checkDrives, path) && !FileMayBeThere(files, path, views) &&
         !FolderMayBeThere(files, path, views) && IsDriveRootListable(files, path);
}

bool NoReadingThere(platform::FileSystem& files, const DriveFlags& checkDrives,
                    const std::vector<std::string>& readings, const FileViews& views) {
  return std::ranges::none_of(readings, [&](const std::string& path) {
    return IsCheckablePath(checkDrives, path) && FileMayBeThere(files, path, views);
  });
}

bool IsOrphanedCommand(platform::FileSystem& files, const DriveFlags& checkDrives,
                       std::string_view commandLine, std::string_view program,
                       const FileViews& views) {
  return IsTestablePath(checkDrives, program) &&
         NoReadingThere(files, checkDrives, CommandReadings(commandLine, program), views) &&
         IsDriveRootListable(files, program);
}

}  // namespace zent
