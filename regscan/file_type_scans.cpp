// An extension key (".txt") names its file type in its default value
// ("txtfile"); the type's "shell" key names the default verb (or "open" when
// it names none) and "shell\<verb>\command" the command that opens the file.
// An extension without a type carries its shell key itself. Only commands that
// run a program (".EXE") are tested, cut to the program as the other command
// scans cut them, and an extension is reported only when no reading of its
// command names a file that may be there.
//
// The repair removes the extension key and the whole type key of a row, so an
// extension is never reported when either name could stand for more than one
// file type (a shared class key, a path of keys) or its type is one a
// protected extension uses, nor while any other verb of either key ("print",
// "edit", ...) may still start a program.

#include "regscan/file_type_scans.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "common/path_helpers.h"
#include "common/registry_helpers.h"
#include "platform/utf8.h"
#include "regscan/scan_pattern.h"
#include "run/registry_repair.h"

namespace zent {
namespace {

using platform::RegRoot;

constexpr RegRoot kRoot = RegRoot::ClassesRoot;
constexpr std::string_view kProgramExtension = ".EXE";
constexpr std::string_view kDefaultVerb = "open";

// One extension on its way through the phases.
struct FormatRow {
  std::string extension;
  std::string typeName;
  std::string command;  // without quotes
  std::string stored;   // the command with its quotes, which end the program
  std::string program;  // the command up to ".EXE" and the character after it
};

bool EqualWithoutCase(std::string_view a, std::string_view b) {
  return UpperCaseUtf8(a) == UpperCaseUtf8(b);
}

bool IsBlankPadded(std::string_view text) {
  return !text.empty() && (text.front() == ' ' || text.back() == ' ');
}

// One key name the repair can remove as this extension and nothing wider.
bool IsExtensionKeyName(std::string_view name) {
  return name.size() > 1 && name.front() == '.' && name.find('\\') == std::string_view::npos &&
         !IsBlankPadded(name);
}

// Empty (the extension has no type key) or the name of one type key.
bool IsFileTypeKeyName(std::string_view name) {
  if (name.empty()) return true;
  if (name.front() == '.' || name.find('\\') != std::string_view::npos || IsBlankPadded(name)) {
    return false;
  }
  // An extension naming a shared key as its type is misconfigured, not a file type.
  return !IsSharedClassKey(name);
}

// The default value of a key as stored text; nullopt when it is there but no
// text (a number, raw bytes, expandable or cut text): it names nothing certain.
std::optional<std::string> DefaultText(RunContext& run, const std::string& key) {
  return RegReadString(run.platform.registry, kRoot, key, "", TextTypes::Plain);
}

// The extension keys listed in phase A.
struct ExtensionKeys {
  std::vector<std::string> candidates;
  // Upper-cased: removing one of these types would break a protected extension.
  std::vector<std::string> protectedTypes;
};

void SortExtension(RunContext& run, const std::string& name, ExtensionKeys& keys) {
  if (name.empty() || name.front() != '.') return;
  const auto typeName = DefaultText(run, name);
  if (!typeName || EqualWithoutCase(std::string_view(*typeName).substr(0, 5), "CLSID")) return;
  if (!IsProtectedExtension(name)) {
    keys.candidates.push_back(name);
  } else if (!typeName->empty()) {
    keys.protectedTypes.push_back(UpperCaseUtf8(*typeName));
  }
}

// nullopt when input asked to stop while the keys were listed.
std::optional<ExtensionKeys> ListExtensions(RegistryScan& scan) {
  ExtensionKeys keys;
  for (const std::string& name : SortedSubkeyNames(scan.run().platform.registry, kRoot, "")) {
    if (!scan.Step(name)) return std::nullopt;
    SortExtension(scan.run(), name, keys);
  }
  return keys;
}

bool IsRemovableType(const ExtensionKeys& keys, std::string_view typeName) {
  return IsFileTypeKeyName(typeName) &&
         std::ranges::find(keys.protectedTypes, UpperCaseUtf8(typeName)) ==
             keys.protectedTypes.end();
}

std::optional<FormatRow> CommandRow(RunContext& run, const ExtensionKeys& keys,
                                    const std::string& extension) {
  const auto typeName = DefaultText(run, extension);
  if (!typeName || !IsExtensionKeyName(extension) || !IsRemovableType(keys, *typeName)) {
    return std::nullopt;
  }
  const std::string owner = typeName->empty() ? extension : *typeName;
  auto verb = DefaultText(run, owner + "\\shell");
  if (!verb) return std::nullopt;
  if (verb->empty()) *verb = kDefaultVerb;
  const auto command = DefaultText(run, owner + "\\shell\\" + *verb + "\\command");
  if (!command || command->empty()) return std::nullopt;
  return FormatRow{extension, *typeName, *command, *command, {}};
}

std::vector<FormatRow> CommandRows(RunContext& run, const ExtensionKeys& keys) {
  std::vector<FormatRow> rows;
  for (const std::string& extension : keys.candidates) {
    run.platform.pump.Pump();
    if (auto row = CommandRow(run, keys, extension)) rows.push_back(std::move(*row));
  }
  return rows;
}

void RemoveQuotes(RunContext& run, std::vector<FormatRow>& rows) {
  for (FormatRow& row : rows) {
    run.platform.pump.Pump();
    std::erase(row.command, '"');
  }
}

// The program a command without quotes runs: its upper-cased text up to the
// first ".EXE" and the one character after it; nullopt when it runs none.
std::optional<std::string> CutProgram(platform::Shell& shell, std::string_view unquoted) {
  const std::string command = shell.UpperCase(unquoted);
  const auto at = command.find(kProgramExtension);
  if (at == std::string::npos) return std::nullopt;
  std::size_t end = at + kProgramExtension.size();
  if (end < command.size()) end += CharacterLength(command, end);
  return command.substr(0, end);
}

// Keeps the rows whose command runs a program and cuts that program out.
void CutPrograms(RunContext& run, std::vector<FormatRow>& rows) {
  std::erase_if(rows, [&run](FormatRow& row) {
    auto program = CutProgram(run.platform.shell, row.command);
    if (!program) return true;
    run.platform.pump.Pump();
    row.program = std::move(*program);
    return false;
  });
}

// The exclusion lists name programs as cut, or without the character after
// ".EXE" where that is a separator.
bool IsExcluded(const RunContext& run, const std::string& program) {
  const ExclusionList& excluded = run.state.ExcludedFiles;
  if (excluded.Contains(program)) return true;
  const bool separatorKept =
      !program.empty() && std::string_view(" ,/").find(program.back()) != std::string_view::npos;
  return separatorKept &&
         excluded.Contains(std::string_view(program).substr(0, program.size() - 1));
}

// `stored` is the command as the registry holds it, `program` the cut of it.
bool ProgramSurelyGone(RegistryScan& scan, const std::string& stored, const std::string& program) {
  if (IsExcluded(scan.run(), program) || program.substr(1, 2) != ":\\") return false;
  scan.run().platform.pump.Pump();
  return scan.IsOrphanedCommand(ExpandCommandLine(scan.run().platform.shell, stored), program);
}

// A command that names no program (".EXE") cannot be known broken: it keeps
// the type.
bool CommandSurelyGone(RegistryScan& scan, const std::string& stored) {
  std::string unquoted = stored;
  std::erase(unquoted, '"');
  const auto program = CutProgram(scan.run().platform.shell, unquoted);
  return program && ProgramSurelyGone(scan, stored, *program);
}

// True also when `key` cannot be read: what it holds is then unknown.
bool MayHoldSubkey(platform::Registry& registry, const std::string& key, std::string_view name) {
  const auto opened = registry.Open(kRoot, key, platform::RegAccess::Read);
  if (!opened) return true;
  return std::ranges::any_of(opened->SubkeyNames(), [name](const std::string& subkey) {
    return EqualWithoutCase(subkey, name);
  });
}

// A verb without a command starts no program; a command that is no whole
// plain text, or a key listed but unreadable, names nothing certain and keeps
// the type. So does a verb the shell carries out through an object of its own
// ("DelegateExecute", a "DropTarget" key) rather than a command line.
bool VerbSurelyGone(RegistryScan& scan, const std::string& verbKey) {
  platform::Registry& registry = scan.run().platform.registry;
  if (MayHoldSubkey(registry, verbKey, "DropTarget")) return false;
  const std::string commandKey = verbKey + "\\command";
  const auto opened = registry.Open(kRoot, commandKey, platform::RegAccess::Read);
  if (!opened) return !MayHoldSubkey(registry, verbKey, "command");
  if (opened->QueryValue("DelegateExecute")) return false;
  const auto command = opened->QueryValue("");
  if (!command) return true;
  if (command->type != platform::kRegSz || !command->textWhole) return false;
  return command->data.empty() || CommandSurelyGone(scan, command->data);
}

// Every verb below `owner`\shell, the default one among them.
bool EveryVerbSurelyGone(RegistryScan& scan, const std::string& owner) {
  platform::Registry& registry = scan.run().platform.registry;
  const std::string shellKey = owner + "\\shell";
  const auto shell = registry.Open(kRoot, shellKey, platform::RegAccess::Read);
  if (!shell) return !MayHoldSubkey(registry, owner, "shell");
  return std::ranges::all_of(shell->SubkeyNames(), [&](const std::string& verb) {
    return !verb.empty() && VerbSurelyGone(scan, shellKey + "\\" + verb);
  });
}

// The repair removes the extension key with its own verbs and the type key
// with the type's, so the row stands only when none of them starts a program.
bool IsOrphanedRow(RegistryScan& scan, const FormatRow& row) {
  if (!ProgramSurelyGone(scan, row.stored, row.program)) return false;
  return EveryVerbSurelyGone(scan, row.extension) &&
         (row.typeName.empty() || EveryVerbSurelyGone(scan, row.typeName));
}

}  // namespace

bool IsProtectedExtension(std::string_view extensionKey) {
  if (extensionKey.size() < 4) return false;
  const std::string head = UpperCaseUtf8(extensionKey.substr(0, 4));
  return std::ranges::find(kProtectedExtensions, head) != kProtectedExtensions.end();
}

void ScanFileFormats(RunContext& run) {
  RegistryScan scan(run, RegCategory::FileFormats);
  if (!scan.CanStart(std::nullopt)) return;
  scan.Open();
  const auto keys = ListExtensions(scan);
  if (!keys) return;
  // Past the listing the scan runs to its end, whatever input comes.
  std::vector<FormatRow> rows = CommandRows(run, *keys);
  RemoveQuotes(run, rows);
  CutPrograms(run, rows);
  for (const FormatRow& row : rows) {
    if (IsOrphanedRow(scan, row)) scan.Record({row.typeName, row.program, row.extension, {}});
  }
  scan.Close();
}

}  // namespace zent
