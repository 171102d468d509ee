#pragma once

#include <string>

namespace zent::platform {

// The program's own string table.
class TextResources {
 public:
  virtual ~TextResources() = default;
  // The text stored under `id`, at most 510 characters (longer texts are cut);
  // empty when the table has no such id.
  virtual std::string LoadText(int id) = 0;
};

}  // namespace zent::platform
