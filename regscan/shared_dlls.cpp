// Each value name of the shared-library key is the full path of a shared file
// (its data is a use count, never read). Names without an extension are
// folders, and files the product protects are left alone. Installers count
// folders here too, some with a dot in their name ("...\SHARED\10.0"), so a
// name is present while a file or a folder of that name is there.

#include <string>

#include "common/path_parts.h"
#include "regscan/list_scans.h"
#include "regscan/scan_pattern.h"

namespace zent {
namespace {

constexpr platform::RegRoot kRoot = platform::RegRoot::LocalMachine;

// The path is tested as stored: the repair deletes the value by that name.
void ExamineSharedFile(RegistryScan& scan, const std::string& name) {
  if (FileExtension(name).empty()) return;
  if (scan.run().state.ExcludedFiles.Contains(name)) return;
  if (scan.IsOrphanedFileOrFolder(name)) scan.Record({FileNamePart(name), name, {}, {}});
}

}  // namespace

void ScanSharedDlls(RunContext& run) {
  RunListScan(run, {RegCategory::SharedDlls, {kRoot, kSharedDllsKey}, true, WorkList::ValueNames},
              ExamineSharedFile);
}

}  // namespace zent
