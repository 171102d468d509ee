#include "common/file_views.h"

#include <algorithm>
#include <array>

#include "common/path_helpers.h"
#include "platform/utf8.h"

namespace zent {
namespace {

constexpr std::array<std::string_view, 3> kSystemFolderNames = {"SYSTEM32", "SYSWOW64",
                                                                "SYSNATIVE"};
constexpr std::array<std::string_view, 3> kProgramFolderVariables = {
    "%ProgramFiles%", "%ProgramW6432%", "%ProgramFiles(x86)%"};
constexpr std::array<std::string_view, 3> kCommonFolderVariables = {
    "%CommonProgramFiles%", "%CommonProgramW6432%", "%CommonProgramFiles(x86)%"};

void AddName(std::vector<std::string>& group, std::string_view folder) {
  std::string name = UpperCaseUtf8(StripTrailingBackslashes(folder));
  if (name.empty() || name.find('%') != std::string::npos) return;
  if (std::find(group.begin(), group.end(), name) == group.end()) group.push_back(std::move(name));
}

std::vector<std::string> FolderNamedBy(platform::Shell& shell,
                                       const std::array<std::string_view, 3>& variables) {
  std::vector<std::string> group;
  for (const std::string_view variable : variables)
    AddName(group, shell.ExpandEnvironment(variable));
  return group;
}

}  // namespace

FileViews FileViews::Of(platform::Shell& shell, std::string_view winDir) {
  FileViews views;
  std::vector<std::string> system;
  if (!StripTrailingBackslashes(winDir).empty()) {
    for (const std::string_view name : kSystemFolderNames) {
      AddName(system, StripTrailingBackslashes(winDir) + "\\" + std::string(name));
    }
  }
  for (auto& group : {system, FolderNamedBy(shell, kProgramFolderVariables),
                      FolderNamedBy(shell, kCommonFolderVariables)}) {
    if (group.size() > 1) views.groups_.push_back(group);
  }
  return views;
}

std::vector<std::string> FileViews::OtherViews(std::string_view path) const {
  std::vector<std::string> others;
  const std::string upper = UpperCaseUtf8(path);
  for (const auto& group : groups_) {
    for (const std::string& folder : group) {
      if (!upper.starts_with(folder + "\\")) continue;
      const std::string_view rest = std::string_view(upper).substr(folder.size());
      for (const std::string& other : group) {
        if (other != folder) others.push_back(other + std::string(rest));
      }
    }
  }
  return others;
}

}  // namespace zent
