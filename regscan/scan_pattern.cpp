#include "regscan/scan_pattern.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "common/registry_helpers.h"
#include "common/registry_views.h"
#include "platform/utf8.h"

namespace zent {
namespace {

std::vector<std::string> SortedNames(platform::Registry& registry, platform::RegRoot root,
                                     std::string_view key, WorkList kind) {
  std::vector<std::string> names;
  if (const auto opened = registry.Open(root, key, platform::RegAccess::Read)) {
    names = kind == WorkList::SubkeyNames ? opened->SubkeyNames() : opened->ValueNames();
  }
  SortNames(names);
  return names;
}

constexpr bool TableFollowsIndexOrder() {
  for (std::size_t i = 0; i < kRegistryCategories.size(); ++i) {
    if (static_cast<std::size_t>(kRegistryCategories[i].index) != i) return false;
  }
  return true;
}
static_assert(TableFollowsIndexOrder(), "categories are looked up by their index");

}  // namespace

const RegistryCategory& CategoryInfo(RegCategory category) {
  return kRegistryCategories.at(static_cast<std::size_t>(category));
}

std::uint8_t SelectionValue(RegCategory category) {
  return category == RegCategory::OtherEntries ? 0 : 1;
}

void SortNames(std::vector<std::string>& names) {
  std::vector<std::pair<std::string, std::string>> keyed;
  keyed.reserve(names.size());
  for (auto& name : names) {
    std::string key = UpperCaseUtf8(name);
    keyed.emplace_back(std::move(key), std::move(name));
  }
  std::sort(keyed.begin(), keyed.end());
  for (std::size_t i = 0; i < names.size(); ++i) names[i] = std::move(keyed[i].second);
}

std::vector<std::string> SortedSubkeyNames(platform::Registry& registry, platform::RegRoot root,
                                           std::string_view key) {
  return SortedNames(registry, root, key, WorkList::SubkeyNames);
}

std::vector<std::string> SortedValueNames(platform::Registry& registry, platform::RegRoot root,
                                          std::string_view key) {
  return SortedNames(registry, root, key, WorkList::ValueNames);
}

std::string ReadScanText(platform::Registry& registry, platform::RegRoot root, std::string_view key,
                         std::string_view name) {
  return RegReadTextOrEmpty(registry, root, key, name);
}

RegistryScan::RegistryScan(RunContext& run, RegCategory category)
    : run_(run),
      category_(CategoryInfo(category)),
      views_(FileViews::Of(run.platform.shell, run.state.WinDir)) {}

bool RegistryScan::CanStart(const std::optional<ScanBaseKey>& precondition) const {
  if (run_.state.AbortRequested) return false;
  return !precondition ||
         RegKeyExists(run_.platform.registry, precondition->root, precondition->path);
}

void RegistryScan::Open() {
  item_ = &run_.categories.Add(static_cast<int>(category_.index), std::string(category_.caption));
  if (category_.captionId != kNoTextId) item_->caption = run_.LoadText(category_.captionId);
  run_.statusLabel = category_.description;
  run_.statusLabel = run_.LoadText(category_.descriptionId);
  run_.platform.pump.Pump();
  item_->category.CreateLists();
}

bool RegistryScan::Step(std::string_view name) {
  run_.itemLabel = name;
  return !run_.PumpAndCheckAbort();
}

void RegistryScan::Record(Finding finding) {
  finding.view = view_;
  item_->category.Record(std::move(finding));
}

void RegistryScan::Close() {
  CloseCategory(*item_, SelectionValue(category_.index), run_.loadText);
}

bool RegistryScan::IsOrphanedFile(std::string_view path) const {
  return zent::IsOrphanedFile(run_.platform.files, run_.state.CheckDrives, path, views_);
}

bool RegistryScan::IsOrphanedFolder(std::string_view path) const {
  return zent::IsOrphanedFolder(run_.platform.files, run_.state.CheckDrives, path, views_);
}

bool RegistryScan::IsOrphanedFileOrFolder(std::string_view path) const {
  return zent::IsOrphanedFileOrFolder(run_.platform.files, run_.state.CheckDrives, path, views_);
}

bool RegistryScan::IsOrphanedCommand(std::string_view commandLine, std::string_view program) const {
  return zent::IsOrphanedCommand(run_.platform.files, run_.state.CheckDrives, commandLine, program,
                                 views_);
}

void RunListScan(RunContext& run, const ListScan& scan,
                 const std::function<void(RegistryScan&, const std::string& name)>& examine) {
  RegistryScan walk(run, scan.category);
  if (!walk.CanStart(scan.baseKeyRequired ? std::optional(scan.base) : std::nullopt)) return;
  walk.Open();
  if (WalkNamesInViews(walk, scan.base, scan.workList, examine)) walk.Close();
}

bool WalkNamesInViews(RegistryScan& scan, const ScanBaseKey& key, WorkList kind,
                      const std::function<void(RegistryScan&, const std::string& name)>& examine,
                      const std::function<bool(const std::string&)>& skip) {
  for (const auto view : ViewsToWalk(scan.run().platform.registry, key.root, key.path)) {
    scan.WalkView(view);
    const std::vector<std::string> names = SortedNames(scan.registry(), key.root, key.path, kind);
    for (const std::string& name : names) {
      if (skip && skip(name)) continue;
      if (!scan.Step(name)) return false;
      examine(scan, name);
    }
  }
  scan.WalkView(platform::RegView::Bits64);
  return true;
}

}  // namespace zent
