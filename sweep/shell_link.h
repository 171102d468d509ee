#pragma once

// A shortcut file read through the shell's link object, as properties. Setting
// `Path` loads the link it names; a load that fails leaves every property but
// `Success` as it was, so `Path` names the last link that loaded. With `Quiet`
// off, a failed load or property read is reported through `showError`.

#include <functional>
#include <string>
#include <string_view>

#include "platform/shell.h"

namespace zent {

inline constexpr std::string_view kLinkErrorCaption = "!! Error !!";
inline constexpr std::string_view kLinkNotLoadedText = "File not found (or not link)";

class TShellLink {
 public:
  using ErrorReport = std::function<void(std::string_view text, std::string_view caption)>;

  explicit TShellLink(platform::ShellLinks& links, ErrorReport showError = {});

  bool Quiet = true;
  bool IsDir = false;
  std::string Target;
  bool Success = true;

  const std::string& Path() const { return path_; }
  // Loads the link named by `path`.
  void SetPath(std::string_view path);
  // Re-reads the link named by `Path`; the value written does not matter.
  void SetUpdate(bool);

 private:
  void Load(std::string path);
  std::string Property(const std::optional<std::string>& read, std::string_view errorText) const;
  void Report(std::string_view text) const;

  platform::ShellLinks& links_;
  ErrorReport showError_;
  std::string path_;
};

}  // namespace zent
