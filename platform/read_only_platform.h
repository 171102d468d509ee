#pragma once

// A platform that can look but never change anything: every read goes through
// to the wrapped platform, every registry write or delete, file delete,
// recycle, rename, write, folder creation or removal and every program
// launch throws ChangeRefused. Each refusal is also remembered, because the
// sweeps treat any exception on a file as "leave this file" and go on: a
// caller proves a run read-only by RefusedCalls() staying empty, not by an
// exception reaching it.
//
// Two calls pass, each for a reason of its own:
// - OpenExclusive opens an existing file and writes nothing; it is the in-use
//   test that decides which junk files a sweep reports.
// - SetAttributes is answered without touching the file: the in-use test
//   clears a file's attributes for its exclusive open and puts them back at
//   once. The wrapper remembers the attributes each path was given; one left
//   other than the file's own at the end is a change (see RefusedCalls()).
//   A read-only file thus stays read-only for the open, which the system then
//   refuses; an open refused only for that bit, while the bit is held
//   cleared, is answered as the open of a free file. (A read-only file that
//   another program also holds open is then taken as free as well.)
// Keys open with the access asked for, so that an open the system would
// refuse fails here too; writes on them throw all the same.

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace zent::platform {

class ChangeRefused : public std::runtime_error {
 public:
  explicit ChangeRefused(const std::string& call);
};

class ReadOnlyPlatform {
 public:
  explicit ReadOnlyPlatform(Platform& inner);
  ~ReadOnlyPlatform();
  ReadOnlyPlatform(const ReadOnlyPlatform&) = delete;
  ReadOnlyPlatform& operator=(const ReadOnlyPlatform&) = delete;

  // The wrapped platform with registry, files, shell and launcher refusing
  // changes; system, pump, clock and texts are the inner ones.
  Platform& platform() { return platform_; }

  // Every change asked for, in order ("DeleteValue HKLM\...\Run: Name"),
  // and each attribute still held other than the file's own.
  std::vector<std::string> RefusedCalls() const;

  // Shared with the wrapped keys: throws after noting the call.
  [[noreturn]] void Refuse(std::string call);

 private:
  class Registry;
  class Files;
  class Shell;
  class Launcher;

  std::vector<std::string> refused_;
  std::map<std::string, std::uint32_t> heldAttributes_;
  std::unique_ptr<Registry> registry_;
  std::unique_ptr<Files> files_;
  std::unique_ptr<Shell> shell_;
  std::unique_ptr<Launcher> launcher_;
  Platform platform_;
};

}  // namespace zent::platform
