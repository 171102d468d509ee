#pragma once

// 64-bit Windows keeps two copies of many keys below HKEY_LOCAL_MACHINE\SOFTWARE
// and of the COM keys of HKEY_CLASSES_ROOT: one for 64-bit programs and one for
// 32-bit programs ("WOW6432Node"). Most installers are 32-bit programs, so
// their entries lie in the 32-bit copy. Other keys the system shares between
// the two views; such a key is walked once.

#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"

namespace zent {

// "64-bit view" or "32-bit view", as the run log and the report name them.
std::string_view ViewName(platform::RegView view);

// The views in which the key `path` is walked: the 64-bit one, and the 32-bit
// one when it holds a copy of its own. A system with one view, or a key the
// views share (both read the same subkeys and values), gives one view; a key
// only one view holds gives that view; neither gives the 64-bit one.
std::vector<platform::RegView> ViewsToWalk(platform::Registry& registry, platform::RegRoot root,
                                           std::string_view path);

// A key as the 64-bit view names it: a key of the 32-bit view by its
// "WOW6432Node" path (HKLM\SOFTWARE\X as HKLM\SOFTWARE\WOW6432Node\X, HKCR\X
// as HKLM\SOFTWARE\Classes\WOW6432Node\X), any other unchanged. The registry
// editor shows and exports the key under that name, and a backup of it
// imports back into the 32-bit view.
struct ViewKey {
  platform::RegRoot root;
  std::string path;
};
ViewKey KeyIn64BitView(platform::RegRoot root, std::string_view path, platform::RegView view);

}  // namespace zent
