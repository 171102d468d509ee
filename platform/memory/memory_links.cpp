#include "platform/memory/memory_platform.h"

namespace zent::memory {
namespace {

constexpr std::string_view kFileLink = "[link]F";
constexpr std::string_view kFolderLink = "[link]D";

}  // namespace

std::string MemoryShellLinks::MakeLinkContent(std::string_view target, bool targetIsFolder) {
  return std::string(targetIsFolder ? kFolderLink : kFileLink) + std::string(target);
}

std::optional<platform::LinkContent> MemoryShellLinks::Load(std::string_view path) {
  loads.emplace_back(path);
  const auto content = files_.ReadWhole(path);
  if (!content) return std::nullopt;
  const bool folder = content->starts_with(kFolderLink);
  if (!folder && !content->starts_with(kFileLink)) return std::nullopt;
  platform::LinkContent link;
  link.target = content->substr(kFileLink.size());
  link.targetIsFolder = folder;
  link.workingDirectory = link.description = link.arguments = std::string();
  return link;
}

}  // namespace zent::memory
