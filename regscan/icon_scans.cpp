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
  if (!RegKeyExists(run.platform.registry, kRoot, keyPath)) return;
  // A reference that is no plain text names nothing certain.
  const auto stored = RegReadString(run.platform.registry, kRoot, keyPath, "", TextTypes::Plain);
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

void ScanIconKeys(RegistryScan& scan, std::string_view base) {
  const std::string prefix = base.empty() ? std::string() : std::string(base) + "\\";
  for (const std::string& name : SortedSubkeyNames(scan.run().platform.registry, kRoot, base)) {
    // A key with an empty name would stand for `base` itself.
    if (name.empty()) continue;
    if (!scan.Step(name)) return;
    for (const std::string_view kind : kIconKinds) {
      ExamineIconKey(scan, kind, prefix + name + "\\" + std::string(kind));
    }
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
