#include "platform/memory/memory_platform.h"

namespace zent::memory {

std::string MemoryResources::LoadText(int id) {
  const auto found = texts.find(id);
  if (found == texts.end()) {
    return {};
  }
  return found->second.substr(0, platform::kMaxTextLength);
}

}  // namespace zent::memory
