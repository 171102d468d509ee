// Each value of the help key is named after a help file and holds the folder
// that contains it.

#include <string>

#include "regscan/list_scans.h"
#include "regscan/scan_pattern.h"

namespace zent {
namespace {

constexpr platform::RegRoot kRoot = platform::RegRoot::LocalMachine;

void ExamineHelpFile(RegistryScan& scan, const std::string& name) {
  // The key's default value names no help file; its folder would be tested as
  // a file and always be missing.
  if (name.empty()) return;
  RunContext& run = scan.run();
  const std::string folder = StripTrailingBackslashes(
      NormalizePath(run.platform.shell, ReadScanText(scan.registry(), kRoot, kHelpFilesKey, name)));
  if (!IsCheckablePath(run.state.CheckDrives, folder)) return;
  const std::string file = folder + "\\" + name;
  if (scan.IsOrphanedFile(file)) scan.Record({name, file, {}, {}});
}

}  // namespace

void ScanHelpFiles(RunContext& run) {
  RunListScan(run, {RegCategory::HelpFiles, {kRoot, kHelpFilesKey}, true, WorkList::ValueNames},
              ExamineHelpFile);
}

}  // namespace zent
