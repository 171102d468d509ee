#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace zent::testing {

// The platform the shared tests run on: the in-memory one in the native build,
// the real Win32 one under Wine (inside a throwaway prefix).
platform::Platform& TestPlatform();

// A fresh, empty folder for file fixtures, as a full path ending in "\".
// Natively it lies on the in-memory fixed drive C:, under Wine on the spare
// drive that the sandbox maps to a temporary folder.
std::string NewTestFolder();

// A fresh registry key below HKEY_CURRENT_USER for registry fixtures
// ("Software\ZentTests\<n>"); it does not exist yet.
std::string NewTestKey();

// Stores `text` as a value of the text type `type` under HKEY_CURRENT_USER the
// way a careless program might: with an odd last byte and no terminator, so it
// reads back as `text` marked as not stored whole. Creates the key.
void StoreTextNotWhole(const std::string& key, std::string_view name, std::uint32_t type,
                       std::string_view text);

// Makes `link`, a new key below HKEY_CURRENT_USER, a registry link to the
// existing key `target`, also below HKEY_CURRENT_USER.
void CreateLinkKey(const std::string& link, const std::string& target);

}  // namespace zent::testing
