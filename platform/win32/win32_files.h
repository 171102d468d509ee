#pragma once

#include "platform/files.h"

namespace zent::win32 {

// How the core sees a Win32 error code: "not there" only for a missing file or
// path, so a drive that is not ready, a denied folder or a broken network
// share never makes an existing file look missing.
platform::FsError FsErrorFrom(unsigned long errorCode);

class Win32FileSystem final : public platform::FileSystem {
 public:
  platform::Listing List(std::string_view pattern, std::uint32_t attributeMask) override;
  platform::AttributeResult Attributes(std::string_view path) override;
  bool SetAttributes(std::string_view path, std::uint32_t attributes) override;
  platform::Presence FileExists(std::string_view path) override;
  platform::Presence FolderExists(std::string_view path) override;
  std::unique_ptr<platform::OpenFile> OpenExclusive(std::string_view path,
                                                    platform::FsError* error = nullptr) override;
  bool Delete(std::string_view path) override;
  bool Rename(std::string_view from, std::string_view to) override;
  bool CreateFolders(std::string_view path) override;
  bool RemoveFolder(std::string_view path) override;
  std::optional<platform::LocalTime> LastWriteTime(std::string_view path) override;
  std::optional<std::string> ReadWhole(std::string_view path) override;
  std::optional<std::string> ReadStart(std::string_view path, std::size_t count) override;
  bool WriteWhole(std::string_view path, std::string_view bytes) override;
  bool AppendWhole(std::string_view path, std::string_view bytes,
                   std::string_view startOfFile) override;
  std::optional<std::string> FullPath(std::string_view path) override;
  std::optional<std::string> ResolvedPath(std::string_view path) override;
  std::optional<platform::EntryIdentity> Identity(std::string_view path) override;
  bool MayDelete(std::string_view path) override;
};

}  // namespace zent::win32
