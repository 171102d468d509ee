// The sound scheme lists applications, each with its events; the sound of an
// event in the current scheme is the default value of its ".current" subkey.
// Events are the items here: each is shown and followed by the abort check.

#include <string>
#include <vector>

#include "regscan/list_scans.h"
#include "regscan/scan_pattern.h"

namespace zent {
namespace {

constexpr platform::RegRoot kRoot = platform::RegRoot::CurrentUser;

void ExamineEvent(RegistryScan& scan, const std::string& application, const std::string& event) {
  RunContext& run = scan.run();
  const std::string key =
      std::string(kSoundAppsKey) + "\\" + application + "\\" + event + "\\.current";
  const std::string sound =
      NormalizePath(run.platform.shell, ReadScanText(run.platform.registry, kRoot, key, ""));
  if (scan.IsOrphanedFile(sound)) scan.Record({event, sound, {}, application});
}

// False when input has asked to stop.
bool ExamineApplication(RegistryScan& scan, const std::string& application) {
  const std::vector<std::string> events = SortedSubkeyNames(
      scan.run().platform.registry, kRoot, std::string(kSoundAppsKey) + "\\" + application);
  for (const std::string& event : events) {
    if (!scan.Step(event)) return false;
    ExamineEvent(scan, application, event);
  }
  return true;
}

}  // namespace

void ScanSystemSounds(RunContext& run) {
  RegistryScan scan(run, RegCategory::SystemSounds);
  if (!scan.CanStart(ScanBaseKey{kRoot, kSoundAppsKey})) return;
  scan.Open();
  for (const std::string& application :
       SortedSubkeyNames(run.platform.registry, kRoot, kSoundAppsKey)) {
    if (!ExamineApplication(scan, application)) return;
  }
  scan.Close();
}

}  // namespace zent
