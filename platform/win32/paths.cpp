#include "platform/win32/paths.h"

#include <windows.h>

#include "platform/win32/text.h"

namespace zent::win32 {
namespace {

// CreateDirectoryW takes 12 characters fewer than MAX_PATH (room for an 8.3
// name below the new folder), so that is where the plain form ends.
constexpr std::size_t kPlainPathLimit = MAX_PATH - 12;

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool IsDrivePath(std::wstring_view path) {
  return path.size() >= 3 && path[1] == L':' && IsSeparator(path[2]) &&
         ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'));
}

bool IsUncPath(std::wstring_view path) {
  return path.size() > 2 && IsSeparator(path[0]) && IsSeparator(path[1]) && path[2] != L'?' &&
         path[2] != L'.';
}

bool HasDevicePrefix(std::wstring_view path) {
  return path.starts_with(L"\\\\?\\") || path.starts_with(L"\\\\.\\");
}

// A call of the GetLongPathNameW kind, asked first for the size it needs.
template <typename PathCall>
std::optional<std::wstring> AskForPath(PathCall call, const std::wstring& apiPath) {
  const DWORD needed = call(apiPath.c_str(), nullptr, 0);
  if (needed == 0) return std::nullopt;
  std::wstring path(needed, L'\0');
  const DWORD length = call(apiPath.c_str(), path.data(), needed);
  if (length == 0 || length >= needed) return std::nullopt;
  path.resize(length);
  return path;
}

std::wstring WithLongPrefix(const std::wstring& full) {
  if (full.size() < kPlainPathLimit) return full;
  if (IsUncPath(full)) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

}  // namespace

std::optional<std::wstring> FullPathOf(std::wstring_view path) {
  const std::wstring input(path);
  std::wstring full(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        GetFullPathNameW(input.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0) return std::nullopt;
    if (length < full.size()) {
      full.resize(length);
      return full;
    }
    full.resize(length);  // the size needed, including the terminating NUL
  }
}

std::optional<std::wstring> ApiPath(std::string_view path) {
  if (path.find('\0') != std::string_view::npos) return std::nullopt;
  const std::wstring wide = Widen(path);
  if (HasDevicePrefix(wide) || !(IsDrivePath(wide) || IsUncPath(wide))) return wide;
  const auto full = FullPathOf(wide);
  if (!full) return std::nullopt;
  return WithLongPrefix(*full);
}

std::optional<std::wstring> ApiPattern(std::string_view pattern) {
  const auto cut = pattern.find_last_of("\\/");
  if (cut == std::string_view::npos) return ApiPath(pattern);
  const auto folder = ApiPath(pattern.substr(0, cut + 1));
  const std::string_view name = pattern.substr(cut + 1);
  if (!folder || name.find('\0') != std::string_view::npos) return std::nullopt;
  const std::wstring whole = *folder + Widen(name);
  if (HasDevicePrefix(whole) || !(IsDrivePath(whole) || IsUncPath(whole))) return whole;
  return WithLongPrefix(whole);
}

std::optional<std::wstring> LongPathNameOf(const std::wstring& apiPath) {
  return AskForPath(GetLongPathNameW, apiPath);
}

std::optional<std::wstring> ShortPathNameOf(const std::wstring& apiPath) {
  return AskForPath(GetShortPathNameW, apiPath);
}

}  // namespace zent::win32
