#pragma once

// Stateless registry operations the rest of the system uses instead of talking
// to the registry directly. Each call opens what it needs with full access and
// closes it again before returning; a key that cannot be opened that way counts
// as missing. Key paths may start with "\"; the empty value name is the key's
// default value. Names and texts are UTF-8.
//
// Reads and writes raise the errors of common/registry_errors.h: a binary value
// longer than 4 bytes cannot be read (RegistryReadError), a text that is not a
// decimal number cannot become one (ConversionError), a refused write fails
// (RegistryWriteError). Deletions never raise; their results are found by
// looking at the registry afterwards.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/registry_errors.h"
#include "platform/registry.h"

namespace zent {

bool RegKeyExists(platform::Registry& registry, platform::RegRoot root, std::string_view key);

// True when a value name of the key begins with `prefix`, ignoring case.
bool RegHasValueStartingWith(platform::Registry& registry, platform::RegRoot root,
                             std::string_view key, std::string_view prefix);

// Deletes the key and everything below it; true when the key is gone afterwards
// (also when it never existed). The root itself is never deleted, nor a key
// that is or holds a registry link (false, nothing deleted).
bool RegRemoveKey(platform::Registry& registry, platform::RegRoot root, std::string_view key);

// True when the value is gone afterwards, or the key does not exist.
bool RegRemoveValue(platform::Registry& registry, platform::RegRoot root, std::string_view key,
                    std::string_view name);

// Text values as stored, integers and short binaries in decimal; empty for a
// missing key or value and for every other type.
std::string RegReadText(platform::Registry& registry, platform::RegRoot root, std::string_view key,
                        std::string_view name);

// The stored types RegReadString takes as text.
enum class TextTypes { Plain, PlainOrExpandable };

// For a value that must name something (a path, a command line, a
// description): the text of a value of an accepted type stored whole (an
// expandable text unexpanded); empty for a missing key or value; nullopt for a
// value that is there but of a type not accepted (a number, raw bytes, a
// multi-string, expandable text read as Plain) or text another program stored
// without its terminator or with an odd last byte. Such a value names nothing certain, so a caller
// can leave its entry unchecked. Never raises.
std::optional<std::string> RegReadString(platform::Registry& registry, platform::RegRoot root,
                                         std::string_view key, std::string_view name,
                                         TextTypes accepted);

// Integers and short binaries as stored, text values parsed as decimal; 0 for a
// missing key or value and for every other type.
std::int32_t RegReadNumber(platform::Registry& registry, platform::RegRoot root,
                           std::string_view key, std::string_view name);

// As RegReadText and RegReadNumber, for what must go on whatever is stored:
// a value that cannot be read as text or number counts as missing.
std::string RegReadTextOrEmpty(platform::Registry& registry, platform::RegRoot root,
                               std::string_view key, std::string_view name);
std::int32_t RegReadNumberOrZero(platform::Registry& registry, platform::RegRoot root,
                                 std::string_view key, std::string_view name);

// True when the value exists and reads (as RegReadNumber) as `number`.
bool RegValueEquals(platform::Registry& registry, platform::RegRoot root, std::string_view key,
                    std::string_view name, std::int32_t number);

// Writes into an existing value in its own type, never creating key or value;
// true when the value then reads back as exactly `text`.
bool RegWriteText(platform::Registry& registry, platform::RegRoot root, std::string_view key,
                  std::string_view name, std::string_view text);

// Writes into the value in its own type, creating the key (with its parents)
// and, as a 32-bit integer, the value when missing; true when the value then
// reads back as `number`.
bool RegWriteNumber(platform::Registry& registry, platform::RegRoot root, std::string_view key,
                    std::string_view name, std::int32_t number);

// A signed 32-bit decimal number: optional blanks (space, tab) around it, an
// optional "+" or "-", then one or more ASCII digits (leading zeros allowed).
// Anything else, and a number outside the 32-bit range, raises ConversionError
// quoting `text` as given.
std::int32_t ParseInteger(std::string_view text);

}  // namespace zent
