#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "platform/registry.h"

namespace zent::win32 {

class Win32Registry final : public platform::Registry {
 public:
  // `viewFlag`: the view every key is opened in (KEY_WOW64_64KEY or
  // KEY_WOW64_32KEY), 0 for the program's own.
  explicit Win32Registry(std::uint32_t viewFlag = 0) : viewFlag_(viewFlag) {}
  ~Win32Registry() override;
  std::unique_ptr<platform::RegistryKey> Open(platform::RegRoot root, std::string_view path,
                                              platform::RegAccess access) override;
  std::unique_ptr<platform::RegistryKey> Create(platform::RegRoot root,
                                                std::string_view path) override;
  bool IsLink(platform::RegRoot root, std::string_view path) override;
  platform::Registry& InView(platform::RegView view) override;

 private:
  std::uint32_t viewFlag_;
  std::array<std::unique_ptr<Win32Registry>, 2> views_;
};

}  // namespace zent::win32
