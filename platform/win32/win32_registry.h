#pragma once

#include "platform/registry.h"

namespace zent::win32 {

class Win32Registry final : public platform::Registry {
 public:
  std::unique_ptr<platform::RegistryKey> Open(platform::RegRoot root, std::string_view path,
                                              platform::RegAccess access) override;
  std::unique_ptr<platform::RegistryKey> Create(platform::RegRoot root,
                                                std::string_view path) override;
  bool IsLink(platform::RegRoot root, std::string_view path) override;
};

}  // namespace zent::win32
