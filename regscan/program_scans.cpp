// An uninstall entry names its program in "UninstallString" and an autostart
// value holds a command line. Both are cut down to the program the same way;
// the entry is reported only when no reading of the command names a file that
// is there (see IsOrphanedCommand), as a cut can end inside a path.

#include "regscan/program_scans.h"

#include <optional>
#include <string>

#include "common/path_helpers.h"
#include "common/registry_helpers.h"
#include "platform/utf8.h"
#include "regscan/scan_pattern.h"

namespace zent {
namespace {

using platform::RegRoot;

constexpr RegRoot kRoot = RegRoot::LocalMachine;

// The command line with the environment references expanded, as stored
// (`quoted`: the quotes tell where the program ends) and without its quotes;
// empty when the value is missing. nullopt when it holds no text of an
// accepted type (a number, raw bytes) or text not stored whole, which names no
// program for certain and so is never tested.
struct CommandLine {
  std::string quoted;
  std::string plain;
};

std::optional<CommandLine> ReadCommandLine(const RegistryScan& scan, std::string_view key,
                                           std::string_view name, TextTypes accepted) {
  RunContext& run = scan.run();
  const auto stored = RegReadString(scan.registry(), kRoot, key, name, accepted);
  if (!stored) return std::nullopt;
  CommandLine command{ExpandCommandLine(run.platform.shell, *stored), {}};
  command.plain = command.quoted;
  std::erase(command.plain, '"');
  return command;
}

void ExamineUninstallEntry(RegistryScan& scan, const std::string& name) {
  RunContext& run = scan.run();
  const std::string key = std::string(kUninstallKey) + "\\" + name;
  const auto command = ReadCommandLine(scan, key, "UninstallString", TextTypes::PlainOrExpandable);
  if (!command) return;
  const std::string program = ProgramOfCommand(run.platform.shell, command->plain);
  if (!scan.IsOrphanedCommand(command->quoted, program)) return;
  // A display name that is no text is shown as none; the entry is still gone.
  const auto displayName =
      RegReadString(scan.registry(), kRoot, key, "DisplayName", TextTypes::PlainOrExpandable);
  scan.Record({displayName.value_or(""), program, name, {}});
}

void ExamineAutorunValue(RegistryScan& scan, const std::string& name) {
  RunContext& run = scan.run();
  // Expandable values are not taken here, as everywhere the plain text is read.
  const auto command = ReadCommandLine(scan, kAutorunKey, name, TextTypes::Plain);
  // The exclusion lists name whole command lines, arguments included.
  if (!command || run.state.ExcludedFiles.Contains(command->plain)) return;
  const std::string program = ProgramOfCommand(run.platform.shell, command->plain);
  if (scan.IsOrphanedCommand(command->quoted, program)) scan.Record({name, program, {}, {}});
}

}  // namespace

std::string ProgramOfCommand(platform::Shell& shell, std::string_view commandLine) {
  std::string program;
  for (const std::string_view extension : {".EXE", ".DLL"}) {
    const auto at = commandLine.find(extension);
    if (at == std::string_view::npos) continue;
    std::size_t end = at + extension.size();
    if (end < commandLine.size()) end += CharacterLength(commandLine, end);
    program = commandLine.substr(0, end);
    break;
  }
  ExtractCommandPath(shell, program);
  return program;
}

void ScanUninstall(RunContext& run) {
  RunListScan(run, {RegCategory::Uninstall, {kRoot, kUninstallKey}, true, WorkList::SubkeyNames},
              ExamineUninstallEntry);
}

void ScanAutorun(RunContext& run) {
  RunListScan(run, {RegCategory::Autorun, {kRoot, kAutorunKey}, true, WorkList::ValueNames},
              ExamineAutorunValue);
}

}  // namespace zent
