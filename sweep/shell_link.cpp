#include "sweep/shell_link.h"

#include <utility>

namespace zent {

TShellLink::TShellLink(platform::ShellLinks& links, ErrorReport showError)
    : links_(links), showError_(std::move(showError)) {}

void TShellLink::SetPath(std::string_view path) { Load(std::string(path)); }

void TShellLink::SetUpdate(bool) { Load(path_); }

void TShellLink::Load(std::string path) {
  Success = false;
  const auto content = links_.Load(path);
  if (!content) {
    Report(kLinkNotLoadedText);
    return;
  }
  Target = Property(content->target, "Error in get GP");
  IsDir = content->targetIsFolder;
  path_ = std::move(path);
  Success = true;
}

std::string TShellLink::Property(const std::optional<std::string>& read,
                                 std::string_view errorText) const {
  if (read) return *read;
  Report(errorText);
  return {};
}

void TShellLink::Report(std::string_view text) const {
  if (!Quiet && showError_) showError_(text, kLinkErrorCaption);
}

}  // namespace zent
