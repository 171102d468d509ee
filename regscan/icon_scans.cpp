// A "DefaultIcon" key holds "module,index" in its default value: the icon with
// that index inside a program or library. A "ToolboxBitmap32" key of a class
// does the same for the bitmap a control shows in a design tool's toolbox.
// Only references with an index are tested, and a reference is reported only
// when no reading of it names a file that may be there: the module path may
// hold blanks or commas of its own.

#include "regscan/icon_scans.h"

#include <optional>

#include "common/path_helpers.h"
#include "common/registry_helpers.h"
#include "platform/utf8.h"
#include "regscan/com_scans.h"

namespace zent {
namespace {

using platform::RegRoot;

constexpr RegRoot kRoot = RegRoot::ClassesRoot;
constexpr std::string_view kIconKinds[] = {"DefaultIcon", "ToolboxBitmap32"};
// The module kinds an icon index is taken from, in the order they are cut at.
constexpr std::string_view kModuleEnds[] = {".EXE,", ".DLL,", ".OCX,"};

void ExamineIconKey(RegistryScan& scan, std::string_view kind, const std::string& keyPath) {
  RunContext& run = scan.run();
  if (!RegKeyExists(scan.registry(), kRoot, keyPath)) return;
  // A reference that is no plain text names nothing certain.
  const auto stored = RegReadString(scan.registry(), kRoot, keyPath, "", TextTypes::Plain);
  if (!stored || stored->empty()) return;
  const std::string reference = NormalizePath(run.platform.shell, *stored);
  const std::string module = CutIconModulePath(reference);
  if (!module.empty() && scan.IsOrphanedCommand(reference, module)) {
    scan.Record({std::string(kind), module, keyPath, {}});
  }
}

}  // namespace

std::string CutIconModulePath(std::string_view reference) {
  std::string text = UpperCaseUtf8(reference);
  bool indexed = false;
  for (const std::string_view end : kModuleEnds) {
    const auto at = text.find(end);
    if (at == std::string::npos) continue;
    indexed = true;
    text.resize(at + end.size() - 1);
  }
  return indexed ? text : std::string();
}

// The class keys ("CLSID") are walked in each view that has a copy of its
// own; the root of the classes, which the system shares, in the 64-bit one.
void ScanIconKeys(RegistryScan& scan, std::string_view base) {
  const std::string prefix = base.empty() ? std::string() : std::string(base) + "\\";
  const auto examine = [&prefix](RegistryScan& walk, const std::string& name) {
    for (const std::string_view kind : kIconKinds) {
      ExamineIconKey(walk, kind, prefix + name + "\\" + std::string(kind));
    }
  };
  // A key with an empty name would stand for `base` itself.
  const auto unnamed = [](const std::string& name) { return name.empty(); };
  if (!base.empty()) {
    WalkNamesInViews(scan, {kRoot, base}, WorkList::SubkeyNames, examine, unnamed);
    return;
  }
  for (const std::string& name : SortedSubkeyNames(scan.registry(), kRoot, base)) {
    if (unnamed(name)) continue;
    if (!scan.Step(name)) return;
    examine(scan, name);
  }
}

// Input ends a pass early, but the rows found so far are closed and selected.
void ScanIcons(RunContext& run) {
  RegistryScan scan(run, RegCategory::Icons);
  if (!scan.CanStart(ScanBaseKey{kRoot, kClassesKey})) return;
  scan.Open();
  ScanIconKeys(scan, "");
  ScanIconKeys(scan, kClassesKey);
  scan.Close();
}

}  // namespace zent
