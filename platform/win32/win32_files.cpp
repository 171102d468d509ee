#include "platform/win32/win32_files.h"

#include <windows.h>

#include <algorithm>

#include "platform/win32/handles.h"
#include "platform/win32/paths.h"
#include "platform/win32/text.h"

namespace zent::win32 {

using platform::AttributeResult;
using platform::FsError;
using platform::Listing;
using platform::LocalTime;
using platform::Presence;

FsError FsErrorFrom(unsigned long errorCode) {
  switch (errorCode) {
    case ERROR_SUCCESS:
      return FsError::None;
    case ERROR_FILE_NOT_FOUND:
      return FsError::FileNotFound;
    case ERROR_PATH_NOT_FOUND:
      return FsError::PathNotFound;
    case ERROR_NOT_READY:
      return FsError::DeviceNotReady;
    case ERROR_ACCESS_DENIED:
      return FsError::AccessDenied;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return FsError::SharingViolation;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
      return FsError::BadName;
    default:
      return FsError::Other;
  }
}

namespace {

FsError LastFsError() { return FsErrorFrom(GetLastError()); }

// A name that cannot exist (bad characters) is as missing as an absent one;
// every other failure leaves the question open.
Presence PresenceFromError(FsError error) {
  return platform::MeansNotThere(error) || error == FsError::BadName ? Presence::Missing
                                                                     : Presence::Unknown;
}

bool PassesMask(std::uint32_t attributes, std::uint32_t mask) {
  constexpr std::uint32_t kFiltered = platform::kAttrHidden | platform::kAttrSystem |
                                      platform::kAttrVolumeId | platform::kAttrDirectory;
  return (attributes & ~mask & kFiltered) == 0;
}

platform::DirEntry EntryFrom(const WIN32_FIND_DATAW& data) {
  const std::uint64_t size =
      (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return {Narrow(data.cFileName), size, data.dwFileAttributes};
}

bool EndsWithSeparator(std::string_view path) {
  return !path.empty() && (path.back() == '\\' || path.back() == '/');
}

// A pattern without a name part ("C:\") matches nothing; the failure tells
// whether the folder is there (file not found) or not (path not found, device
// not ready), which is how a drive is probed. Wine answers "file not found"
// even for a missing drive, so the folder is asked directly.
FsError EmptyNamePatternError(const std::wstring& apiPattern) {
  if (GetFileAttributesW(apiPattern.c_str()) != INVALID_FILE_ATTRIBUTES) {
    return FsError::FileNotFound;
  }
  const FsError error = LastFsError();
  return error == FsError::FileNotFound ? FsError::PathNotFound : error;
}

class Win32OpenFile final : public platform::OpenFile {
 public:
  explicit Win32OpenFile(UniqueFile file) : file_(std::move(file)) {}

 private:
  UniqueFile file_;
};

UniqueFile OpenFile(std::string_view path, DWORD access, DWORD share, DWORD disposition) {
  const auto api = ApiPath(path);
  if (!api) {
    SetLastError(ERROR_INVALID_NAME);
    return UniqueFile();
  }
  return UniqueFile(CreateFileW(api->c_str(), access, share, nullptr, disposition,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool WriteAll(HANDLE file, std::string_view bytes) {
  constexpr std::size_t kChunk = 1 << 24;
  while (!bytes.empty()) {
    const DWORD wanted = static_cast<DWORD>(std::min(bytes.size(), kChunk));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), wanted, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

std::wstring WithoutTrailingSeparators(std::wstring path) {
  while (path.size() > 1 && path.back() == L'\\' && path[path.size() - 2] != L':') {
    path.pop_back();
  }
  return path;
}

bool IsExistingFolder(const std::wstring& apiPath) {
  const DWORD attributes = GetFileAttributesW(apiPath.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The folder above, or empty at a root ("X:\", "\\?\X:\", a share).
std::wstring ParentFolder(const std::wstring& apiPath) {
  if (apiPath.ends_with(L":\\")) return {};
  const auto cut = apiPath.find_last_of(L'\\');
  if (cut == std::wstring::npos || cut == 0) return {};
  std::wstring parent = apiPath.substr(0, cut);
  if (parent.ends_with(L':')) parent += L'\\';
  if (parent == L"\\\\?" || parent == L"\\") return {};
  return parent;
}

bool MakeFolderWithParents(const std::wstring& apiPath) {
  if (CreateDirectoryW(apiPath.c_str(), nullptr)) return true;
  const DWORD error = GetLastError();
  if (error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED)
    return IsExistingFolder(apiPath);
  if (error != ERROR_PATH_NOT_FOUND) return false;
  const std::wstring parent = ParentFolder(apiPath);
  if (parent.empty() || !MakeFolderWithParents(parent)) return false;
  return CreateDirectoryW(apiPath.c_str(), nullptr) || IsExistingFolder(apiPath);
}

// Opened only to ask what it is: no right to the content, so no other
// program's sharing mode is in the way; a folder needs backup semantics.
UniqueFile OpenToAsk(const std::wstring& apiPath, bool followLink) {
  const DWORD flags =
      FILE_FLAG_BACKUP_SEMANTICS | (followLink ? 0 : DWORD{FILE_FLAG_OPEN_REPARSE_POINT});
  return UniqueFile(CreateFileW(apiPath.c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, flags, nullptr));
}

// The path the system holds for an open file, in drive-letter form (or
// "\\server\share\..." for a share), without the "\\?\" prefix.
std::optional<std::string> FinalPathOf(HANDLE file) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetFinalPathNameByHandleW(
        file, path.data(), static_cast<DWORD>(path.size()), VOLUME_NAME_DOS);
    if (length == 0) return std::nullopt;
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(length + 1);
  }
  if (path.starts_with(L"\\\\?\\UNC\\")) return Narrow(L"\\\\" + path.substr(8));
  if (path.starts_with(L"\\\\?\\")) path.erase(0, 4);
  return Narrow(path);
}

std::optional<std::string> LongPathOf(const std::wstring& apiPath) {
  auto path = LongPathNameOf(apiPath);
  if (!path) return std::nullopt;
  if (path->starts_with(L"\\\\?\\")) path->erase(0, 4);
  return Narrow(*path);
}

}  // namespace

Listing Win32FileSystem::List(std::string_view pattern, std::uint32_t attributeMask) {
  Listing listing;
  const auto api = ApiPattern(pattern);
  if (!api) {
    listing.error = FsError::BadName;
    return listing;
  }
  if (EndsWithSeparator(pattern)) {
    listing.error = EmptyNamePatternError(*api);
    return listing;
  }
  WIN32_FIND_DATAW data;
  const UniqueFind find(FindFirstFileW(api->c_str(), &data));
  if (!find) {
    // "Nothing matches" is an empty listing, not a failure.
    if (const DWORD error = GetLastError(); error != ERROR_FILE_NOT_FOUND) {
      listing.error = FsErrorFrom(error);
    }
    return listing;
  }
  do {
    if (PassesMask(data.dwFileAttributes, attributeMask)) {
      listing.entries.push_back(EntryFrom(data));
    }
  } while (FindNextFileW(find.get(), &data));
  if (const DWORD error = GetLastError(); error != ERROR_NO_MORE_FILES) {
    listing.error = FsErrorFrom(error);
  }
  return listing;
}

AttributeResult Win32FileSystem::Attributes(std::string_view path) {
  const auto api = ApiPath(path);
  if (!api) return {0, FsError::BadName};
  const DWORD attributes = GetFileAttributesW(api->c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return {0, LastFsError()};
  return {attributes, FsError::None};
}

bool Win32FileSystem::SetAttributes(std::string_view path, std::uint32_t attributes) {
  constexpr std::uint32_t kSettable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                      FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                      FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_TEMPORARY |
                                      FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  const auto api = ApiPath(path);
  if (!api) return false;
  DWORD settable = attributes & kSettable;
  if (settable == 0) settable = FILE_ATTRIBUTE_NORMAL;
  // Wine keeps the hidden and system bits in an extended attribute, which it
  // can no longer write or remove once the file is read-only; so they are set
  // first, while the file is still writable. On Windows that call is redundant.
  if (settable & FILE_ATTRIBUTE_READONLY) {
    const DWORD withoutReadOnly = settable & ~DWORD{FILE_ATTRIBUTE_READONLY};
    SetFileAttributesW(api->c_str(), withoutReadOnly ? withoutReadOnly : FILE_ATTRIBUTE_NORMAL);
  }
  return SetFileAttributesW(api->c_str(), settable) != 0;
}

Presence Win32FileSystem::FileExists(std::string_view path) {
  const auto result = Attributes(path);
  if (!result.ok()) return PresenceFromError(result.error);
  return (result.attributes & FILE_ATTRIBUTE_DIRECTORY) ? Presence::Missing : Presence::Present;
}

Presence Win32FileSystem::FolderExists(std::string_view path) {
  const auto result = Attributes(path);
  if (!result.ok()) return PresenceFromError(result.error);
  return (result.attributes & FILE_ATTRIBUTE_DIRECTORY) ? Presence::Present : Presence::Missing;
}

std::unique_ptr<platform::OpenFile> Win32FileSystem::OpenExclusive(std::string_view path,
                                                                   FsError* error) {
  UniqueFile file = OpenFile(path, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING);
  if (error) *error = file ? FsError::None : LastFsError();
  if (!file) return nullptr;
  return std::make_unique<Win32OpenFile>(std::move(file));
}

bool Win32FileSystem::Delete(std::string_view path) {
  const auto api = ApiPath(path);
  return api && DeleteFileW(api->c_str());
}

bool Win32FileSystem::Rename(std::string_view from, std::string_view to) {
  const auto source = ApiPath(from);
  const auto target = ApiPath(to);
  return source && target && MoveFileExW(source->c_str(), target->c_str(), 0);
}

bool Win32FileSystem::CreateFolders(std::string_view path) {
  const auto api = ApiPath(path);
  if (!api) return false;
  const std::wstring folder = WithoutTrailingSeparators(*api);
  return IsExistingFolder(folder) || MakeFolderWithParents(folder);
}

bool Win32FileSystem::RemoveFolder(std::string_view path) {
  const auto api = ApiPath(path);
  return api && RemoveDirectoryW(api->c_str());
}

std::optional<LocalTime> Win32FileSystem::LastWriteTime(std::string_view path) {
  const auto api = ApiPath(path);
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!api || !GetFileAttributesExW(api->c_str(), GetFileExInfoStandard, &data)) {
    return std::nullopt;
  }
  SYSTEMTIME utc;
  SYSTEMTIME local;
  if (!FileTimeToSystemTime(&data.ftLastWriteTime, &utc) ||
      !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) {
    return std::nullopt;
  }
  return LocalTime{local.wYear,   local.wMonth,  local.wDay,      local.wHour,
                   local.wMinute, local.wSecond, local.wDayOfWeek};
}

std::optional<std::string> Win32FileSystem::ReadWhole(std::string_view path) {
  const UniqueFile file = OpenFile(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  if (!file) return std::nullopt;
  std::string content;
  LARGE_INTEGER size;
  if (GetFileSizeEx(file.get(), &size) && size.QuadPart > 0) {
    content.reserve(static_cast<std::size_t>(size.QuadPart));
  }
  char buffer[1 << 16];
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr)) return std::nullopt;
    if (read == 0) return content;
    content.append(buffer, read);
  }
}

std::optional<std::string> Win32FileSystem::ReadStart(std::string_view path, std::size_t count) {
  const UniqueFile file = OpenFile(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  if (!file) return std::nullopt;
  std::string content(count, '\0');
  std::size_t filled = 0;
  while (filled < count) {
    const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(count - filled, 1 << 16));
    DWORD read = 0;
    if (!ReadFile(file.get(), content.data() + filled, wanted, &read, nullptr)) return std::nullopt;
    if (read == 0) break;
    filled += read;
  }
  content.resize(filled);
  return content;
}

bool Win32FileSystem::WriteWhole(std::string_view path, std::string_view bytes) {
  // OPEN_ALWAYS rather than CREATE_ALWAYS: the latter refuses a hidden or
  // system file and would drop the attributes of any other.
  const UniqueFile file = OpenFile(path, GENERIC_WRITE, 0, OPEN_ALWAYS);
  return file && SetEndOfFile(file.get()) && WriteAll(file.get(), bytes);
}

bool Win32FileSystem::AppendWhole(std::string_view path, std::string_view bytes,
                                  std::string_view startOfFile) {
  // Nobody else may write between the size noted here and the cut back.
  const UniqueFile file = OpenFile(path, GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS);
  LARGE_INTEGER size{};
  if (!file || !GetFileSizeEx(file.get(), &size)) return false;
  LARGE_INTEGER zero{};
  if (!SetFilePointerEx(file.get(), zero, nullptr, FILE_END)) return false;
  const std::string block =
      size.QuadPart == 0 ? std::string(startOfFile).append(bytes) : std::string(bytes);
  if (WriteAll(file.get(), block)) return true;
  // A partial block would make the editor misread every later one.
  if (SetFilePointerEx(file.get(), size, nullptr, FILE_BEGIN)) SetEndOfFile(file.get());
  return false;
}

std::optional<std::string> Win32FileSystem::FullPath(std::string_view path) {
  if (path.empty() || path.find('\0') != std::string_view::npos) return std::nullopt;
  const auto full = FullPathOf(Widen(path));
  if (!full) return std::nullopt;
  return Narrow(*full);
}

std::optional<std::string> Win32FileSystem::ResolvedPath(std::string_view path) {
  const auto api = ApiPath(path);
  if (!api) return std::nullopt;
  const UniqueFile file = OpenToAsk(*api, true);
  if (!file) return std::nullopt;
  return FinalPathOf(file.get());
}

std::optional<platform::EntryIdentity> Win32FileSystem::Identity(std::string_view path) {
  const auto api = ApiPath(path);
  if (!api) return std::nullopt;
  const UniqueFile file = OpenToAsk(*api, false);
  BY_HANDLE_FILE_INFORMATION info;
  if (!file || !GetFileInformationByHandle(file.get(), &info)) return std::nullopt;
  auto finalPath = FinalPathOf(file.get());
  // Wine reports no final path longer than MAX_PATH; the long form of the name
  // opened stands in (a link among such entries is still told by its bit).
  if (!finalPath) finalPath = LongPathOf(*api);
  if (!finalPath) return std::nullopt;
  return platform::EntryIdentity{std::move(*finalPath),
                                 (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0,
                                 info.nNumberOfLinks};
}

// Opening for DELETE asks exactly what a deletion asks: the right on the
// entry, or on its folder to delete what it holds. Everything is shared, so
// only the rights can refuse it.
bool Win32FileSystem::MayDelete(std::string_view path) {
  const auto api = ApiPath(path);
  if (!api) return true;
  const UniqueFile file(CreateFileW(
      api->c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  return file || GetLastError() != ERROR_ACCESS_DENIED;
}

}  // namespace zent::win32
