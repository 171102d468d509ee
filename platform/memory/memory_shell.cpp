#include <algorithm>

#include "platform/memory/memory_platform.h"
#include "platform/memory/text_fold.h"

namespace zent::memory {

MemoryShell::MemoryShell(MemoryFileSystem& files) : files_(files) {}
MemoryShell::~MemoryShell() = default;

platform::RecycleOutcome MemoryShell::MoveToRecycleBin(std::string_view fullPath) {
  ++recycleCalls_;
  const std::string_view plain = fullPath.starts_with("\\\\?\\") ? fullPath.substr(4) : fullPath;
  if (refuse_ || plain.find_first_of("*?") != std::string_view::npos ||
      files_.FileExists(fullPath) != platform::Presence::Present) {
    return platform::RecycleOutcome::Refused;
  }
  if (!files_.MoveToBin(fullPath)) return platform::RecycleOutcome::Refused;
  // The bin shows where a file came from, without the exact-name prefix.
  recycled_.emplace_back(plain);
  return platform::RecycleOutcome::Recycled;
}

std::string MemoryShell::ExpandEnvironment(std::string_view text) {
  std::string out;
  while (!text.empty()) {
    const auto open = text.find('%');
    const auto close = open == std::string_view::npos ? open : text.find('%', open + 1);
    if (close == std::string_view::npos) break;
    out.append(text.substr(0, open));
    const auto name = text.substr(open + 1, close - open - 1);
    const auto value = environment_.find(UpperCaseUtf8(name));
    if (value != environment_.end()) {
      out += value->second;
      text.remove_prefix(close + 1);
    } else {
      // An unknown name stays as written; its closing "%" may open the next one.
      out.append(text.substr(open, close - open));
      text.remove_prefix(close);
    }
  }
  out.append(text);
  return out;
}

std::string MemoryShell::UpperCase(std::string_view text) { return UpperCaseUtf8(text); }

void MemoryShell::SetEnvironment(std::string name, std::string value) {
  environment_[UpperCaseUtf8(name)] = std::move(value);
}

void MemoryShell::RefuseRecycling(bool refuse) { refuse_ = refuse; }

MemorySystem::MemorySystem(MemoryFileSystem& files) : files_(files) {}

std::uint32_t MemorySystem::DriveType(std::string_view root) {
  if (root.size() < 2 || root[1] != ':') return platform::kDriveNoRootDir;
  return files_.DriveTypeOf(root[0]);
}

std::optional<std::string> MemorySystem::VolumeName(std::string_view root) {
  if (root.size() < 2 || root[1] != ':') return std::nullopt;
  return files_.VolumeNameOf(root[0]);
}

std::string MemorySystem::AbbreviatedDayName(int dayOfWeek) {
  if (dayOfWeek < 0 || dayOfWeek > 6) return {};
  return dayNames[static_cast<std::size_t>(dayOfWeek)];
}

bool MemorySystem::HasFontFace(std::string_view face) {
  return std::any_of(fontFaces.begin(), fontFaces.end(), [face](const std::string& loaded) {
    return EqualsIgnoringCase(loaded, face);
  });
}

namespace {

class MemoryRunningProgram final : public platform::RunningProgram {
 public:
  MemoryRunningProgram(MemoryLauncher& launcher, int waitsLeft)
      : launcher_(launcher), waitsLeft_(waitsLeft) {
    if (waitsLeft_ > 0) ++launcher_.running;
  }
  MemoryRunningProgram(const MemoryRunningProgram&) = delete;
  MemoryRunningProgram& operator=(const MemoryRunningProgram&) = delete;
  ~MemoryRunningProgram() override { Terminate(); }

  bool WaitForEnd(std::uint32_t /*milliseconds*/) override {
    if (waitsLeft_ <= 0) return true;
    ++launcher_.waits;
    if (--waitsLeft_ == 0) --launcher_.running;
    return waitsLeft_ == 0;
  }

  void Terminate() override {
    if (waitsLeft_ <= 0) return;
    waitsLeft_ = 0;
    --launcher_.running;
    ++launcher_.terminated;
  }

 private:
  MemoryLauncher& launcher_;
  int waitsLeft_;
};

class MemoryStartedProgram final : public platform::StartedProgram {
 public:
  explicit MemoryStartedProgram(std::shared_ptr<bool> ended) : ended_(std::move(ended)) {}
  bool HasEnded() override { return *ended_; }

 private:
  std::shared_ptr<bool> ended_;
};

}  // namespace

std::unique_ptr<platform::StartedProgram> MemoryLauncher::StartAsAdministrator(
    std::string_view programPath, std::string_view arguments) {
  if (refuseAdministrator) return nullptr;
  administratorStarts.push_back(std::string(programPath) + " " + std::string(arguments));
  administratorRunning_.push_back(std::make_shared<bool>(false));
  return std::make_unique<MemoryStartedProgram>(administratorRunning_.back());
}

void MemoryLauncher::EndAdministratorPrograms() {
  for (const auto& ended : administratorRunning_) *ended = true;
}

platform::ProgramStart MemoryLauncher::StartProgramHidden(std::string_view programPath,
                                                          std::string_view commandLine) {
  programs.emplace_back(programPath);
  commands.emplace_back(commandLine);
  const auto refused = startFailure ? startFailure(programPath) : platform::StartFailure::None;
  if (refused != platform::StartFailure::None) return {nullptr, refused};
  if (onRun && !onRun(commandLine)) return {nullptr, platform::StartFailure::Other};
  const int waitsLeft = waitsBeforeEnd ? waitsBeforeEnd(commandLine) : 0;
  return {std::make_unique<MemoryRunningProgram>(*this, waitsLeft)};
}

void MemoryPump::Pump() {
  ++calls;
  if (onPump) onPump(calls);
}

MemoryPlatform::MemoryPlatform()
    : platform_{registry, files, shell, system, launcher, pump, clock, resources} {
  files.AddDrive('C', platform::kDriveFixed, "SYSTEM");
  files.AddFolder("C:\\WINDOWS");
  files.AddFolder("C:\\WINDOWS\\SYSTEM32");
  shell.SetEnvironment("WINDIR", "C:\\WINDOWS");
  shell.SetEnvironment("SystemRoot", "C:\\WINDOWS");
}

}  // namespace zent::memory
