#pragma once

// A cleaning run on the in-memory platform: shared state, findings register,
// the two window lines, and drive C: selected for checking.

#include <string>
#include <string_view>
#include <utility>

#include "platform/memory/memory_platform.h"
#include "run/findings.h"
#include "run/run_context.h"
#include "run/run_state.h"

namespace zent::testing {

struct RunFixture {
  RunFixture() { state.CheckDrives[2] = 1; }

  void Set(platform::RegRoot root, const std::string& key, std::string_view name,
           platform::RegValue value) {
    memory.registry.SetValue(root, key, name, std::move(value));
  }

  memory::MemoryPlatform memory;
  SaverRunState state{memory.shell};
  CategoryList categories;
  std::string statusLabel;
  std::string itemLabel;
  RunContext run{memory.platform(), state,
                 categories,        [this](int id) { return memory.resources.LoadText(id); },
                 statusLabel,       itemLabel};
};

}  // namespace zent::testing
