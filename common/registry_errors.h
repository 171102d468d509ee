#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace zent {

// The failures the registry helpers raise. Callers that treat every kind alike
// catch `RegistryError`; those that care (a switch that reads as "off" on a bad
// number) catch the kind they handle. `Subject()` is the value name or the text
// the message quotes.
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

// A value whose stored data cannot be read as text or number.
class RegistryReadError : public RegistryError {
 public:
  explicit RegistryReadError(std::string_view valueName)
      : RegistryError("Invalid data type for '", valueName, "'") {}
};

// A text that is not a decimal 32-bit integer.
class ConversionError : public RegistryError {
 public:
  explicit ConversionError(std::string_view text)
      : RegistryError("'", text, "' is not a valid integer value") {}
};

// A write the registry refused.
class RegistryWriteError : public RegistryError {
 public:
  explicit RegistryWriteError(std::string_view valueName)
      : RegistryError("Failed to set data for '", valueName, "'") {}
};

}  // namespace zent
