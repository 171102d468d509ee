#pragma once

// The work of a cleaning pass in this build: the registry scans by
// CategoryIndex, the repair and the two sweeps. The saver and the dry-run
// report take their steps from here, so they scan and sweep alike.

#include "run/registry_repair.h"
#include "run/run_context.h"
#include "run/run_driver.h"
#include "sweep/shell_link.h"
#include "sysinfo/os_info.h"

namespace zent {

// Without a repair the pass removes no registry entry; everything the steps
// refer to must outlive the pass.
CleaningSteps CleaningStepsOf(RunContext& run, RegistryRepair* repair, TShellLink& shellLink,
                              const SystemFacts& facts);

}  // namespace zent
