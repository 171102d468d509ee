#pragma once

#include <cstddef>
#include <string>

namespace zent::platform {

// The most characters a text of the table can have: the loading buffer holds
// 512 characters with its end mark.
inline constexpr std::size_t kMaxTextLength = 510;

// The program's own string table.
class TextResources {
 public:
  virtual ~TextResources() = default;
  // The text stored under `id`, at most kMaxTextLength characters (longer
  // texts are cut);
  // empty when the table has no such id.
  virtual std::string LoadText(int id) = 0;
};

}  // namespace zent::platform
