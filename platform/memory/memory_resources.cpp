#include "platform/memory/memory_platform.h"
#include "ui/interface_texts.h"

namespace zent::memory {

MemoryResources::MemoryResources() {
  for (const StringTableEntry& entry : StringTable()) {
    texts.emplace(entry.id, entry.text);
  }
}

std::string MemoryResources::LoadText(int id) {
  const auto found = texts.find(id);
  if (found == texts.end()) {
    return {};
  }
  return found->second.substr(0, kMaxTextLength);
}

}  // namespace zent::memory
