#pragma once

#include "platform/resources.h"

namespace zent::win32 {

// The string resources linked into the running program's own module.
class Win32Resources final : public platform::TextResources {
 public:
  std::string LoadText(int id) override;
};

}  // namespace zent::win32
