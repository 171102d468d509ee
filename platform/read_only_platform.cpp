#include "platform/read_only_platform.h"

#include <array>
#include <cstddef>
#include <utility>

namespace zent::platform {
namespace {

std::string_view RootText(RegRoot root) {
  switch (root) {
    case RegRoot::ClassesRoot:
      return "HKCR";
    case RegRoot::CurrentUser:
      return "HKCU";
    case RegRoot::LocalMachine:
      return "HKLM";
    case RegRoot::Users:
      return "HKU";
    case RegRoot::CurrentConfig:
      return "HKCC";
  }
  return "?";
}

std::string KeyText(RegRoot root, std::string_view path) {
  std::string text(RootText(root));
  if (!path.empty()) text.append("\\").append(path);
  return text;
}

std::string Call(std::string_view name, std::string_view subject) {
  return std::string(name).append(" ").append(subject);
}

}  // namespace

ChangeRefused::ChangeRefused(const std::string& call)
    : std::runtime_error("change refused: " + call) {}

class ReadOnlyKey final : public RegistryKey {
 public:
  ReadOnlyKey(std::unique_ptr<RegistryKey> inner, std::string name, ReadOnlyPlatform& owner)
      : inner_(std::move(inner)), name_(std::move(name)), owner_(owner) {}

  std::optional<RegValue> QueryValue(std::string_view name) const override {
    return inner_->QueryValue(name);
  }
  std::optional<RegValue> QueryStoredValue(std::string_view name) const override {
    return inner_->QueryStoredValue(name);
  }
  std::vector<std::string> SubkeyNames() const override { return inner_->SubkeyNames(); }
  std::vector<std::string> ValueNames() const override { return inner_->ValueNames(); }
  bool SetValue(std::string_view name, const RegValue&) override {
    owner_.Refuse(Call("SetValue", name_ + ": " + std::string(name)));
  }
  bool DeleteValue(std::string_view name) override {
    owner_.Refuse(Call("DeleteValue", name_ + ": " + std::string(name)));
  }
  bool DeleteSubkey(std::string_view name) override {
    owner_.Refuse(Call("DeleteSubkey", name_ + "\\" + std::string(name)));
  }

 private:
  std::unique_ptr<RegistryKey> inner_;
  std::string name_;
  ReadOnlyPlatform& owner_;
};

class ReadOnlyPlatform::Registry final : public platform::Registry {
 public:
  Registry(platform::Registry& inner, ReadOnlyPlatform& owner) : inner_(inner), owner_(owner) {}

  std::unique_ptr<RegistryKey> Open(RegRoot root, std::string_view path,
                                    RegAccess access) override {
    auto key = inner_.Open(root, path, access);
    if (!key) return nullptr;
    return std::make_unique<ReadOnlyKey>(std::move(key), KeyText(root, path), owner_);
  }
  std::unique_ptr<RegistryKey> Create(RegRoot root, std::string_view path) override {
    owner_.Refuse(Call("Create", KeyText(root, path)));
  }
  bool IsLink(RegRoot root, std::string_view path) override { return inner_.IsLink(root, path); }
  // The other view is refused changes as well: the main program's keys may
  // be read from either.
  platform::Registry& InView(RegView view) override {
    platform::Registry& inner = inner_.InView(view);
    if (&inner == &inner_) return *this;
    auto& wrapped = views_[static_cast<std::size_t>(view)];
    if (!wrapped) wrapped = std::make_unique<Registry>(inner, owner_);
    return *wrapped;
  }

 private:
  platform::Registry& inner_;
  ReadOnlyPlatform& owner_;
  std::array<std::unique_ptr<Registry>, 2> views_;
};

class ReadOnlyPlatform::Files final : public FileSystem {
 public:
  Files(FileSystem& inner, ReadOnlyPlatform& owner) : inner_(inner), owner_(owner) {}

  Listing List(std::string_view pattern, std::uint32_t mask) override {
    return inner_.List(pattern, mask);
  }
  AttributeResult Attributes(std::string_view path) override { return inner_.Attributes(path); }
  bool SetAttributes(std::string_view path, std::uint32_t attributes) override {
    const AttributeResult own = inner_.Attributes(path);
    if (!own.ok()) return false;
    if (attributes == own.attributes) {
      owner_.heldAttributes_.erase(std::string(path));
    } else {
      owner_.heldAttributes_[std::string(path)] = attributes;
    }
    return true;
  }
  Presence FileExists(std::string_view path) override { return inner_.FileExists(path); }
  Presence FolderExists(std::string_view path) override { return inner_.FolderExists(path); }
  std::unique_ptr<OpenFile> OpenExclusive(std::string_view path, FsError* error) override {
    FsError reason = FsError::None;
    auto opened = inner_.OpenExclusive(path, &reason);
    if (!opened && reason == FsError::AccessDenied && ReadOnlyBitHeldOff(path)) {
      // The in-use test cleared the read-only bit before this open; here the
      // change is only held, and the file itself still refuses writing. It
      // counts as free, as it would once the bit were cleared.
      reason = FsError::None;
      opened = std::make_unique<NoOpenFile>();
    }
    if (error) *error = reason;
    return opened;
  }
  bool Delete(std::string_view path) override { owner_.Refuse(Call("Delete", path)); }
  bool Rename(std::string_view from, std::string_view to) override {
    owner_.Refuse(Call("Rename", std::string(from) + " -> " + std::string(to)));
  }
  bool CreateFolders(std::string_view path) override { owner_.Refuse(Call("CreateFolders", path)); }
  bool RemoveFolder(std::string_view path) override { owner_.Refuse(Call("RemoveFolder", path)); }
  std::optional<LocalTime> LastWriteTime(std::string_view path) override {
    return inner_.LastWriteTime(path);
  }
  std::optional<std::string> ReadWhole(std::string_view path) override {
    return inner_.ReadWhole(path);
  }
  std::optional<std::string> ReadStart(std::string_view path, std::size_t count) override {
    return inner_.ReadStart(path, count);
  }
  bool WriteWhole(std::string_view path, std::string_view) override {
    owner_.Refuse(Call("WriteWhole", path));
  }
  bool AppendWhole(std::string_view path, std::string_view, std::string_view) override {
    owner_.Refuse(Call("AppendWhole", path));
  }
  std::optional<std::string> FullPath(std::string_view path) override {
    return inner_.FullPath(path);
  }
  std::optional<std::string> ResolvedPath(std::string_view path) override {
    return inner_.ResolvedPath(path);
  }
  std::optional<EntryIdentity> Identity(std::string_view path) override {
    return inner_.Identity(path);
  }
  bool MayDelete(std::string_view path) override { return inner_.MayDelete(path); }

 private:
  class NoOpenFile final : public OpenFile {};

  bool ReadOnlyBitHeldOff(std::string_view path) {
    const auto held = owner_.heldAttributes_.find(std::string(path));
    if (held == owner_.heldAttributes_.end() || (held->second & kAttrReadOnly) != 0) return false;
    const AttributeResult own = inner_.Attributes(path);
    return own.ok() && (own.attributes & kAttrReadOnly) != 0;
  }

  FileSystem& inner_;
  ReadOnlyPlatform& owner_;
};

class ReadOnlyPlatform::Shell final : public platform::Shell {
 public:
  Shell(platform::Shell& inner, ReadOnlyPlatform& owner) : inner_(inner), owner_(owner) {}

  RecycleOutcome MoveToRecycleBin(std::string_view fullPath) override {
    owner_.Refuse(Call("MoveToRecycleBin", fullPath));
  }
  std::string ExpandEnvironment(std::string_view text) override {
    return inner_.ExpandEnvironment(text);
  }
  std::string UpperCase(std::string_view text) override { return inner_.UpperCase(text); }
  std::vector<platform::KnownFolder> KnownFolders() override { return inner_.KnownFolders(); }

 private:
  platform::Shell& inner_;
  ReadOnlyPlatform& owner_;
};

class ReadOnlyPlatform::Launcher final : public ProgramLauncher {
 public:
  explicit Launcher(ReadOnlyPlatform& owner) : owner_(owner) {}

  ProgramStart StartProgramHidden(std::string_view programPath, std::string_view) override {
    owner_.Refuse(Call("StartProgramHidden", programPath));
  }
  std::unique_ptr<StartedProgram> StartAsAdministrator(std::string_view programPath,
                                                       std::string_view) override {
    owner_.Refuse(Call("StartAsAdministrator", programPath));
  }

 private:
  ReadOnlyPlatform& owner_;
};

ReadOnlyPlatform::ReadOnlyPlatform(Platform& inner)
    : registry_(std::make_unique<Registry>(inner.registry, *this)),
      files_(std::make_unique<Files>(inner.files, *this)),
      shell_(std::make_unique<Shell>(inner.shell, *this)),
      launcher_(std::make_unique<Launcher>(*this)),
      platform_{*registry_, *files_,    *shell_,     inner.system,
                *launcher_, inner.pump, inner.clock, inner.resources} {}

ReadOnlyPlatform::~ReadOnlyPlatform() = default;

void ReadOnlyPlatform::Refuse(std::string call) {
  refused_.push_back(call);
  throw ChangeRefused(call);
}

std::vector<std::string> ReadOnlyPlatform::RefusedCalls() const {
  std::vector<std::string> calls = refused_;
  for (const auto& [path, attributes] : heldAttributes_) {
    calls.push_back("SetAttributes " + path + " to " + std::to_string(attributes));
  }
  return calls;
}

}  // namespace zent::platform
