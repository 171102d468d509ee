#include "common/product_views.h"

#include "common/registry_helpers.h"

namespace zent {

using platform::RegAccess;
using platform::RegRoot;
using platform::RegView;

namespace {

bool HasValue(platform::Registry& view, std::string_view path, std::string_view name) {
  const auto key = view.Open(RegRoot::LocalMachine, path, RegAccess::Read);
  return key != nullptr && key->QueryStoredValue(name).has_value();
}

}  // namespace

platform::Registry& ProductKeyView(platform::Registry& registry, std::string_view path) {
  platform::Registry& view64 = registry.InView(RegView::Bits64);
  if (RegKeyExists(view64, RegRoot::LocalMachine, path)) return view64;
  platform::Registry& view32 = registry.InView(RegView::Bits32);
  return RegKeyExists(view32, RegRoot::LocalMachine, path) ? view32 : view64;
}

platform::Registry& ProductValueView(platform::Registry& registry, std::string_view path,
                                     std::string_view name) {
  platform::Registry& view64 = registry.InView(RegView::Bits64);
  if (HasValue(view64, path, name)) return view64;
  platform::Registry& view32 = registry.InView(RegView::Bits32);
  return HasValue(view32, path, name) ? view32 : view64;
}

}  // namespace zent
