// Each value of the fonts key is a font's display name; its data is the font
// file, usually a bare name inside the fonts folder, sometimes a full path.

#include <string>

#include "regscan/list_scans.h"
#include "regscan/scan_pattern.h"

namespace zent {
namespace {

constexpr platform::RegRoot kRoot = platform::RegRoot::LocalMachine;

bool IsFullPath(std::string_view path) {
  return path.substr(0, 2) == "\\\\" || (path.size() >= 3 && path.substr(1, 2) == ":\\");
}

// A full path would name a file inside the fonts folder that never exists
// there, so it is tested as it stands.
std::string FontFile(const RunContext& run, const std::string& data) {
  return IsFullPath(data) ? data : run.state.FontsDir + "\\" + data;
}

void ExamineFont(RegistryScan& scan, const std::string& name) {
  RunContext& run = scan.run();
  const std::string data = NormalizePath(
      run.platform.shell, ReadScanText(run.platform.registry, kRoot, kFontsKey, name));
  // Without data the fonts folder itself would be tested as a file.
  if (data.empty()) return;
  const std::string file = FontFile(run, data);
  if (scan.IsOrphanedFile(file)) scan.Record({name, file, {}, {}});
}

}  // namespace

// A missing fonts key still gets its (empty) category.
void ScanFonts(RunContext& run) {
  RunListScan(run, {RegCategory::Fonts, {kRoot, kFontsKey}, false, WorkList::ValueNames},
              ExamineFont);
}

}  // namespace zent
