#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace zent {

// The failure raised where a text must be a number (ParseInteger); the registry
// helpers themselves raise nothing. `Subject()` is the text the message quotes.
class RegistryError : public std::runtime_error {
 public:
  const std::string& Subject() const { return subject_; }

 protected:
  RegistryError(std::string_view before, std::string_view subject, std::string_view after)
      : std::runtime_error(std::string(before) + std::string(subject) + std::string(after)),
        subject_(subject) {}

 private:
  std::string subject_;
};

// A text that is not a decimal 32-bit integer.
class ConversionError : public RegistryError {
 public:
  explicit ConversionError(std::string_view text)
      : RegistryError("'", text, "' is not a valid integer value") {}
};

}  // namespace zent
