#include "common/registry_views.h"

#include <optional>

#include "common/concat.h"
#include "platform/utf8.h"

namespace zent {

using platform::RegAccess;
using platform::RegRoot;
using platform::RegView;

namespace {

constexpr std::string_view kSoftware = "SOFTWARE";

// What a walk of the key would see: its subkeys and values. Two views that
// read alike give the same findings, so walking one of them is enough.
struct KeyContent {
  std::vector<std::string> subkeys;
  std::vector<std::pair<std::string, platform::RegValue>> values;
  friend bool operator==(const KeyContent&, const KeyContent&) = default;
};

std::optional<KeyContent> ReadContent(platform::Registry& registry, RegRoot root,
                                      std::string_view path) {
  const auto key = registry.Open(root, path, RegAccess::Read);
  if (!key) return std::nullopt;
  KeyContent content{key->SubkeyNames(), {}};
  for (auto& name : key->ValueNames()) {
    auto value = key->QueryStoredValue(name);
    content.values.emplace_back(std::move(name), value.value_or(platform::RegValue{}));
  }
  return content;
}

// The rest of `path` below "SOFTWARE", or nullopt when it lies elsewhere.
std::optional<std::string_view> BelowSoftware(std::string_view path) {
  if (path.size() < kSoftware.size() ||
      UpperCaseUtf8(path.substr(0, kSoftware.size())) != kSoftware)
    return std::nullopt;
  const std::string_view rest = path.substr(kSoftware.size());
  if (rest.empty()) return rest;
  if (rest.front() != '\\') return std::nullopt;
  return rest.substr(1);
}

}  // namespace

std::string_view ViewName(RegView view) {
  return view == RegView::Bits32 ? "32-bit view" : "64-bit view";
}

std::vector<RegView> ViewsToWalk(platform::Registry& registry, RegRoot root,
                                 std::string_view path) {
  platform::Registry& view64 = registry.InView(RegView::Bits64);
  platform::Registry& view32 = registry.InView(RegView::Bits32);
  if (&view64 == &view32) return {RegView::Bits64};
  // Most keys have no 32-bit copy: then the 64-bit one is not read here.
  const auto content32 = ReadContent(view32, root, path);
  if (!content32) return {RegView::Bits64};
  const auto content64 = ReadContent(view64, root, path);
  if (!content64) return {RegView::Bits32};
  if (*content64 == *content32) return {RegView::Bits64};
  return {RegView::Bits64, RegView::Bits32};
}

ViewKey KeyIn64BitView(RegRoot root, std::string_view path, RegView view) {
  if (view != RegView::Bits32) return {root, std::string(path)};
  if (root == RegRoot::ClassesRoot) {
    return {RegRoot::LocalMachine, Concat({"SOFTWARE\\Classes\\WOW6432Node\\", path})};
  }
  const auto rest = BelowSoftware(path);
  if (root != RegRoot::LocalMachine || !rest) return {root, std::string(path)};
  return {root, rest->empty() ? std::string("SOFTWARE\\WOW6432Node")
                              : Concat({"SOFTWARE\\WOW6432Node\\", *rest})};
}

}  // namespace zent
