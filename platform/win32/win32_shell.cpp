#include "platform/win32/win32_shell.h"

#include <windows.h>

#include <knownfolders.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <atomic>

#include "platform/win32/handles.h"
#include "platform/win32/paths.h"
#include "platform/win32/text.h"

namespace zent::win32 {

using platform::RecycleOutcome;

namespace {

std::wstring WithoutLongPrefix(const std::wstring& path) {
  if (path.starts_with(L"\\\\?\\UNC\\")) return L"\\\\" + path.substr(8);
  if (path.starts_with(L"\\\\?\\")) return path.substr(4);
  return path;
}

// A file, not a folder (the shell would take a whole tree), and not
// read-only: the second name of a read-only file could not be removed again.
bool IsWritableFile(const std::wstring& apiPath) {
  const DWORD attributes = GetFileAttributesW(apiPath.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY));
}

bool IsGone(const std::wstring& apiPath) {
  if (GetFileAttributesW(apiPath.c_str()) != INVALID_FILE_ATTRIBUTES) return false;
  const DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

std::optional<DWORD> LinkCount(const std::wstring& apiPath) {
  const UniqueFile file(CreateFileW(apiPath.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  BY_HANDLE_FILE_INFORMATION info;
  if (!file || !GetFileInformationByHandle(file.get(), &info)) return std::nullopt;
  return info.nNumberOfLinks;
}

// The shell's own path handling stops at MAX_PATH (Wine's copies paths into
// fixed buffers), so a longer path goes by its short form or not at all.
std::optional<std::wstring> PathForShell(const std::wstring& apiPath) {
  const std::wstring plain = WithoutLongPrefix(apiPath);
  if (plain.size() < MAX_PATH) return plain;
  const auto shortPath = ShortPathNameOf(apiPath);
  if (!shortPath) return std::nullopt;
  const std::wstring shortPlain = WithoutLongPrefix(*shortPath);
  if (shortPlain.size() >= MAX_PATH) return std::nullopt;
  return shortPlain;
}

// A second name for a file, in the file's own folder so that it lies on the
// same volume. Removed again unless it had to take the file's place.
class HeldLink {
 public:
  static std::optional<HeldLink> Make(const std::wstring& file) {
    static std::atomic<unsigned> sequence{0};
    const std::wstring folder = file.substr(0, file.find_last_of(L'\\') + 1);
    for (int attempt = 0; attempt < 8; ++attempt) {
      const std::wstring held = folder + L"~zent-held-" + std::to_wstring(GetCurrentProcessId()) +
                                L"-" + std::to_wstring(++sequence);
      if (CreateHardLinkW(held.c_str(), file.c_str(), nullptr)) return HeldLink(held);
      if (GetLastError() != ERROR_ALREADY_EXISTS) return std::nullopt;
    }
    return std::nullopt;
  }

  HeldLink(HeldLink&& other) noexcept : path_(std::exchange(other.path_, {})) {}
  HeldLink& operator=(HeldLink&&) = delete;
  ~HeldLink() {
    if (!path_.empty()) DeleteFileW(path_.c_str());
  }

  std::optional<DWORD> Links() const { return LinkCount(path_); }

  // Gives the file its own name back. Should even that fail, the held name
  // stays: a file under a strange name is better than a file lost.
  void PutBack(const std::wstring& file) {
    MoveFileExW(path_.c_str(), file.c_str(), 0);
    path_.clear();
  }

 private:
  explicit HeldLink(std::wstring path) : path_(std::move(path)) {}
  std::wstring path_;
};

void RunShellDelete(const std::wstring& shellPath) {
  std::wstring from = shellPath;
  from.append(2, L'\0');  // the source is a list ending in an empty string
  SHFILEOPSTRUCTW operation{};
  operation.wFunc = FO_DELETE;
  operation.pFrom = from.c_str();
  operation.fFlags =
      FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI | FOF_NOCONFIRMMKDIR;
  SHFileOperationW(&operation);  // judged by what it did, not by what it says
}

// The path as the file calls are to take it: an exact name ("\\?\C:\X ") as
// it stands, any other path made full first.
std::optional<std::wstring> ApiPathForRecycling(std::string_view fullPath) {
  const std::wstring wide = Widen(fullPath);
  if (wide.starts_with(L"\\\\?\\")) return wide;
  const auto full = FullPathOf(wide);
  return full ? ApiPath(Narrow(*full)) : std::nullopt;
}

// The shell reads only plain paths, and reads them as the system does: a name
// ending in a blank or dot would be read as another file's name.
bool ShellReadsAsWritten(const std::wstring& apiPath) {
  if (!apiPath.starts_with(L"\\\\?\\")) return true;
  const std::wstring plain = WithoutLongPrefix(apiPath);
  const auto full = FullPathOf(plain);
  return full && *full == plain;
}

bool IsBrowserCache(const KNOWNFOLDERID& id) {
  return IsEqualGUID(id, FOLDERID_InternetCache) || IsEqualGUID(id, FOLDERID_Cookies) ||
         IsEqualGUID(id, FOLDERID_History);
}

std::optional<std::string> KnownFolderPath(const KNOWNFOLDERID& id) {
  UniqueCoTaskMemory<PWSTR> path;
  if (FAILED(SHGetKnownFolderPath(id, KF_FLAG_DONT_VERIFY, nullptr, path.put())) || !path) {
    return std::nullopt;
  }
  return Narrow(path.get());
}

}  // namespace

RecycleOutcome Win32Shell::MoveToRecycleBin(std::string_view fullPath) {
  // A wildcard would let the shell delete every file it matches, a NUL end
  // the path early and name another file.
  const std::string_view plain = fullPath.starts_with("\\\\?\\") ? fullPath.substr(4) : fullPath;
  if (plain.find_first_of(std::string_view("*?\0", 3)) != std::string_view::npos) {
    return RecycleOutcome::Refused;
  }
  const auto api = ApiPathForRecycling(fullPath);
  if (api && !ShellReadsAsWritten(*api)) return RecycleOutcome::Refused;
  if (!api || !IsWritableFile(*api)) return RecycleOutcome::Refused;
  const auto shellPath = PathForShell(*api);
  if (!shellPath) return RecycleOutcome::Refused;

  auto held = HeldLink::Make(*api);
  if (!held) return RecycleOutcome::Refused;
  // A file system that does not count a file's names cannot tell a move into
  // the bin from a deletion.
  const auto linksBefore = held->Links();
  if (!linksBefore || *linksBefore < 2) return RecycleOutcome::Refused;

  RunShellDelete(*shellPath);

  if (!IsGone(*api)) return RecycleOutcome::Refused;
  const auto linksAfter = held->Links();
  if (linksAfter && *linksAfter == *linksBefore) return RecycleOutcome::Recycled;
  held->PutBack(*api);
  return RecycleOutcome::Refused;
}

std::string Win32Shell::ExpandEnvironment(std::string_view text) {
  // The API stops at a NUL, so each NUL-separated piece is expanded alone.
  if (const auto nul = text.find('\0'); nul != std::string_view::npos) {
    return ExpandEnvironment(text.substr(0, nul)) + '\0' + ExpandEnvironment(text.substr(nul + 1));
  }
  const std::wstring source = Widen(text);
  std::wstring expanded(source.size() + 64, L'\0');
  for (;;) {
    const DWORD needed = ExpandEnvironmentStringsW(source.c_str(), expanded.data(),
                                                   static_cast<DWORD>(expanded.size()));
    if (needed == 0) return std::string(text);
    if (needed <= expanded.size()) {
      expanded.resize(needed - 1);
      return Narrow(expanded);
    }
    expanded.resize(needed);
  }
}

std::string Win32Shell::UpperCase(std::string_view text) {
  const std::wstring source = Widen(text);
  if (source.empty()) return {};
  const int length = static_cast<int>(source.size());
  const int needed =
      LCMapStringW(LOCALE_SYSTEM_DEFAULT, LCMAP_UPPERCASE, source.data(), length, nullptr, 0);
  if (needed <= 0) return std::string(text);
  std::wstring upper(static_cast<std::size_t>(needed), L'\0');
  LCMapStringW(LOCALE_SYSTEM_DEFAULT, LCMAP_UPPERCASE, source.data(), length, upper.data(), needed);
  return Narrow(upper);
}

std::vector<platform::KnownFolder> Win32Shell::KnownFolders() {
  std::vector<platform::KnownFolder> folders;
  const ComApartment apartment;
  ComPtr<IKnownFolderManager> manager;
  if (FAILED(CoCreateInstance(CLSID_KnownFolderManager, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IKnownFolderManager, manager.put_void()))) {
    return folders;
  }
  UniqueCoTaskMemory<KNOWNFOLDERID*> ids;
  UINT count = 0;
  if (FAILED(manager->GetFolderIds(ids.put(), &count)) || !ids) return folders;
  for (UINT i = 0; i < count; ++i) {
    if (auto path = KnownFolderPath(ids.get()[i])) {
      folders.push_back({std::move(*path), IsBrowserCache(ids.get()[i])});
    }
  }
  return folders;
}

}  // namespace zent::win32
