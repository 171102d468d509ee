// Each value of the fonts key is a font's display name; its data is the font
// file, usually a bare name inside the fonts folder, sometimes a full path.
// The system also serves fonts whose files lie elsewhere (its own bitmap fonts,
// fonts it maps from outside the Windows file system), so a face the system
// has loaded is never reported, whatever its value names.

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "common/registry_helpers.h"
#include "regscan/list_scans.h"
#include "regscan/scan_pattern.h"

namespace zent {
namespace {

constexpr platform::RegRoot kRoot = platform::RegRoot::LocalMachine;
// Before a path in the system's own namespace, as some installers write them.
constexpr std::string_view kNamespacePrefix = "\\??\\";
constexpr auto npos = std::string_view::npos;

bool IsDrivePath(std::string_view path) { return path.size() >= 3 && path.substr(1, 2) == ":\\"; }

// The file a value's data names: a full drive path as it stands (also behind
// the namespace prefix), a name inside the fonts folder, or nothing that can
// be checked (any other rooted, network or namespace form, a drive without
// its root).
std::optional<std::string> FontFile(const RunContext& run, std::string_view data) {
  if (data.starts_with(kNamespacePrefix)) {
    data.remove_prefix(kNamespacePrefix.size());
    return IsDrivePath(data) ? std::optional<std::string>(data) : std::nullopt;
  }
  if (IsDrivePath(data)) return std::string(data);
  if (data.starts_with('\\') || data.find(':') != npos) return std::nullopt;
  return run.state.FontsDir + "\\" + std::string(data);
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// "Courier 10,12,15" is the face "Courier" in three sizes.
std::string_view WithoutSizes(std::string_view face) {
  const auto cut = face.find_last_not_of("0123456789,");
  if (cut == npos || cut + 1 == face.size() || face[cut] != ' ') return face;
  return Trimmed(face.substr(0, cut));
}

// The face names a display name stands for: without its "(TrueType)"-style
// suffix, each of the faces joined by " & ", each also without a size list.
std::vector<std::string> FaceNames(std::string_view name) {
  if (name.ends_with(')')) {
    if (const auto open = name.rfind(" ("); open != npos) name = name.substr(0, open);
  }
  std::vector<std::string> faces;
  for (;;) {
    const auto joint = name.find(" & ");
    const std::string_view face = Trimmed(name.substr(0, joint));
    faces.emplace_back(face);
    if (WithoutSizes(face) != face) faces.emplace_back(WithoutSizes(face));
    if (joint == npos) break;
    name.remove_prefix(joint + 3);
  }
  return faces;
}

bool SystemHasFace(RunContext& run, const std::string& name) {
  const auto faces = FaceNames(name);
  return std::any_of(faces.begin(), faces.end(), [&run](const std::string& face) {
    return !face.empty() && run.platform.system.HasFontFace(face);
  });
}

// Data that is not plain text (a number, raw bytes) names no file at all.
void ExamineFont(RegistryScan& scan, const std::string& name) {
  RunContext& run = scan.run();
  const auto stored = RegReadString(scan.registry(), kRoot, kFontsKey, name, TextTypes::Plain);
  if (!stored) return;
  const std::string data = NormalizePath(run.platform.shell, *stored);
  // Without data the fonts folder itself would be tested as a file.
  if (data.empty()) return;
  const auto file = FontFile(run, data);
  if (file && scan.IsOrphanedFile(*file) && !SystemHasFace(run, name)) {
    scan.Record({name, *file, {}, {}});
  }
}

}  // namespace

// A missing fonts key still gets its (empty) category.
void ScanFonts(RunContext& run) {
  RunListScan(run, {RegCategory::Fonts, {kRoot, kFontsKey}, false, WorkList::ValueNames},
              ExamineFont);
}

}  // namespace zent
