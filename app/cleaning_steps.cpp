#include "app/cleaning_steps.h"

#include "regscan/com_scans.h"
#include "regscan/file_type_scans.h"
#include "regscan/icon_scans.h"
#include "regscan/list_scans.h"
#include "regscan/program_scans.h"
#include "regscan/scan_pattern.h"
#include "regscan/whole_registry_scan.h"
#include "sweep/cache_sweep.h"
#include "sweep/junk_sweep.h"

namespace zent {

CleaningSteps CleaningStepsOf(RunContext& run, RegistryRepair* repair, TShellLink& shellLink,
                              const SystemFacts& facts) {
  const auto slot = [](RegCategory category) { return static_cast<std::size_t>(category); };
  CleaningSteps steps;
  steps.scans[slot(RegCategory::FileFormats)] = [&run] { ScanFileFormats(run); };
  steps.scans[slot(RegCategory::ComServers)] = [&run] { ScanComServers(run); };
  steps.scans[slot(RegCategory::ActiveX)] = [&run] { ScanActiveX(run); };
  steps.scans[slot(RegCategory::SharedDlls)] = [&run] { ScanSharedDlls(run); };
  steps.scans[slot(RegCategory::Uninstall)] = [&run] { ScanUninstall(run); };
  steps.scans[slot(RegCategory::Autorun)] = [&run] { ScanAutorun(run); };
  steps.scans[slot(RegCategory::Fonts)] = [&run] { ScanFonts(run); };
  steps.scans[slot(RegCategory::SystemSounds)] = [&run] { ScanSystemSounds(run); };
  steps.scans[slot(RegCategory::HelpFiles)] = [&run] { ScanHelpFiles(run); };
  steps.scans[slot(RegCategory::AppPaths)] = [&run] { ScanAppPaths(run); };
  steps.scans[slot(RegCategory::Icons)] = [&run] { ScanIcons(run); };
  steps.scans[slot(RegCategory::OtherEntries)] = [&run] { ScanOtherEntries(run); };
  if (repair != nullptr) steps.repair = [repair] { repair->Repair(); };
  steps.junkSweep = [&run, &shellLink] { SweepJunkFiles(run, shellLink); };
  steps.cacheSweep = [&run, &facts] { SweepInternetCaches(run, ShellFolders(facts)); };
  return steps;
}

}  // namespace zent
