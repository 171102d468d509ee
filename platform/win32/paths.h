#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zent::win32 {

// The full form of a path as GetFullPathNameW makes it, however long.
std::optional<std::wstring> FullPathOf(std::wstring_view path);

// The long or the short (8.3) form of an existing path as the system gives
// it, however long; nullopt when the system cannot tell.
std::optional<std::wstring> LongPathNameOf(const std::wstring& apiPath);
std::optional<std::wstring> ShortPathNameOf(const std::wstring& apiPath);

// The wide path to hand to a file API. A full drive or UNC path too long for
// the plain form gets the "\\?\" prefix, so deep folders are reached in full
// instead of failing or being cut. nullopt for a path holding a NUL, which
// the API would silently cut short and so act on another file.
std::optional<std::wstring> ApiPath(std::string_view path);

// As ApiPath, for a listing pattern: the folder part is made full, the name
// part (which may hold wildcards) is kept exactly as written.
std::optional<std::wstring> ApiPattern(std::string_view pattern);

}  // namespace zent::win32
