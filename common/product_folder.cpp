#include "common/product_folder.h"

#include "common/path_helpers.h"

namespace zent {

namespace {

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

bool IsFullPath(std::string_view path) {
  if (path.starts_with("\\\\")) return path.size() > 2 && path[2] != '\\';
  return path.size() >= 3 && IsDriveLetter(path[0]) && path.substr(1, 2) == ":\\";
}

std::string ProductFilesFolder(std::string_view productDirectory,
                               std::string_view windowsDirectory) {
  // "C:\" names the drive's root as "C:" does once a name is added with "\".
  if (IsFullPath(productDirectory)) return StripTrailingBackslashes(productDirectory);
  if (!IsFullPath(windowsDirectory) || windowsDirectory.starts_with("\\\\")) return {};
  return std::string(windowsDirectory.substr(0, 2));
}

}  // namespace zent
