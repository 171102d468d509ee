#pragma once

// Stateless registry operations the rest of the system uses instead of talking
// to the registry directly. Each call opens what it needs with the least rights
// its work takes (reads with read rights only, writes with the rights to set
// values, removals with the rights to delete) and closes it again before
// returning; a key that cannot be opened that way counts as missing. Key paths
// may start with "\"; the empty value name is the key's default value. Names
// and texts are UTF-8.
//
// None of them raises. Reads return an optional (`Try...`) where a value may
// be missing or unreadable, or say in their name what stands in for it
// (`...OrEmpty`, `...OrZero`); writes and removals return whether they took
// effect, found by looking at the registry afterwards.

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

// Text values as stored, integers and short binaries in decimal, every other
// type as the empty text; nullopt for a missing key or value and for a binary
// longer than 4 bytes, which is no number.
std::optional<std::string> TryReadText(platform::Registry& registry, platform::RegRoot root,
                                       std::string_view key, std::string_view name);

// The stored types RegReadString takes as text.
enum class TextTypes { Plain, PlainOrExpandable };

// For a value that must name something (a path, a command line, a
// description): the text of a value of an accepted type stored whole (an
// expandable text unexpanded); empty for a missing key or value; nullopt for a
// value that is there but of a type not accepted (a number, raw bytes, a
// multi-string, expandable text read as Plain) or text another program stored
// without its terminator or with an odd last byte. Such a value names nothing certain, so a caller
// can leave its entry unchecked.
std::optional<std::string> RegReadString(platform::Registry& registry, platform::RegRoot root,
                                         std::string_view key, std::string_view name,
                                         TextTypes accepted);

// Integers and short binaries as stored, text values parsed as decimal, every
// other type as 0; nullopt for a missing key or value, a text that is no
// decimal number and a binary longer than 4 bytes.
std::optional<std::int32_t> TryReadNumber(platform::Registry& registry, platform::RegRoot root,
                                          std::string_view key, std::string_view name);

// As TryReadText and TryReadNumber, for what must go on whatever is stored:
// a value that cannot be read counts as missing.
std::string RegReadTextOrEmpty(platform::Registry& registry, platform::RegRoot root,
                               std::string_view key, std::string_view name);
std::int32_t RegReadNumberOrZero(platform::Registry& registry, platform::RegRoot root,
                                 std::string_view key, std::string_view name);

// True when the value exists and reads (as TryReadNumber) as `number`.
bool RegValueEquals(platform::Registry& registry, platform::RegRoot root, std::string_view key,
                    std::string_view name, std::int32_t number);

// Writes into an existing value in its own type, never creating key or value;
// true when the value then reads back as exactly `text`. A text that is no
// number is not written into an integer or binary value.
bool RegWriteText(platform::Registry& registry, platform::RegRoot root, std::string_view key,
                  std::string_view name, std::string_view text);

// Writes into the value in its own type, creating the key (with its parents)
// and, as a 32-bit integer, the value when missing; true when the value then
// reads back as `number`, false when the key cannot be created or written.
bool RegWriteNumber(platform::Registry& registry, platform::RegRoot root, std::string_view key,
                    std::string_view name, std::int32_t number);

// Whether this user may delete the key with every key below it (each opens
// with the rights to delete); true for a key that is not there to delete.
bool RegMayRemoveKey(platform::Registry& registry, platform::RegRoot root, std::string_view key);

// Whether this user may set and delete the key's values; true for a key that
// is not there.
bool RegMayWriteValues(platform::Registry& registry, platform::RegRoot root, std::string_view key);

// A signed 32-bit decimal number: optional blanks (space, tab) around it, an
// optional "+" or "-", then one or more ASCII digits (leading zeros allowed);
// nullopt for anything else and for a number outside the 32-bit range.
std::optional<std::int32_t> TryParseInteger(std::string_view text);

// As TryParseInteger, for a text that must be a number (what a user typed):
// raises ConversionError quoting `text` as given when it is not.
std::int32_t ParseInteger(std::string_view text);

}  // namespace zent
