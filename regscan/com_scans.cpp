// A class key ("CLSID\{...}") names its in-process server in the default value
// of "InprocServer32"; a type library ("TypeLib\{...}\<version>\<language>")
// names its file in the default value of "win32" (and "win64"). Installers
// write these as paths, quoted or followed by arguments now and then, so a
// value is read in more than one way, as a command line is, and an entry is
// reported only when no reading names a file that may be there: the repair
// removes the whole class or library key.

#include "regscan/com_scans.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/path_parts.h"
#include "common/registry_helpers.h"
#include "regscan/scan_pattern.h"

namespace zent {
namespace {

using platform::RegRoot;

constexpr RegRoot kRoot = RegRoot::ClassesRoot;

std::string SubkeyPath(std::string_view parent, std::string_view name) {
  return std::string(parent) + "\\" + std::string(name);
}

// "LIB.DLL\12" names a resource inside the module LIB.DLL, not a file.
bool EndsInResourceNumber(std::string_view path) {
  const std::string name = FileNamePart(path);
  return !name.empty() && name.size() < path.size() &&
         std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The path a row shows for a path value (the value cut as a command line) when
// no reading of the value may name a file that is there (IsOrphanedCommand);
// nullopt otherwise. "C:\MY.APP DIR\X.DLL" is cut after "C:\MY.APP", which may
// be missing while the whole value names a file that is there. A variable left
// unexpanded, a resource number or a file the product protects, in the cut or
// the whole value, keeps the entry.
std::optional<std::string> PathSurelyGone(const RegistryScan& scan, std::string_view value) {
  platform::Shell& shell = scan.run().platform.shell;
  const std::string quoted = ExpandCommandLine(shell, value);
  const std::string whole = NormalizePath(shell, value);
  std::string cut = whole;
  ExtractCommandPath(shell, cut);
  const auto keeps = [&scan](const std::string& reading) {
    return reading.find('%') != std::string::npos || EndsInResourceNumber(reading) ||
           scan.run().state.ExcludedFiles.Contains(reading);
  };
  if (keeps(cut) || keeps(whole) || !scan.IsOrphanedCommand(quoted, cut)) return std::nullopt;
  return cut;
}

// The common steps over the sorted subkeys of `walked`. A key with an empty name
// is passed over unseen: its row would name the parent key itself.
void RunClassesScan(RunContext& run, RegCategory category, std::string_view precondition,
                    std::string_view walked,
                    const std::function<void(RegistryScan&, const std::string&)>& examine) {
  RegistryScan scan(run, category);
  if (!scan.CanStart(ScanBaseKey{kRoot, precondition})) return;
  scan.Open();
  for (const std::string& name : SortedSubkeyNames(run.platform.registry, kRoot, walked)) {
    if (name.empty()) continue;
    if (!scan.Step(name)) return;
    examine(scan, name);
  }
  scan.Close();
}

// --- COM classes --------------------------------------------------------

// A class without a description in plain text is never examined.
void ExamineClass(RegistryScan& scan, const std::string& name) {
  platform::Registry& registry = scan.run().platform.registry;
  const std::string classKey = SubkeyPath(kClassesKey, name);
  const auto description = RegReadString(registry, kRoot, classKey, "", TextTypes::Plain);
  if (!description || description->empty()) return;
  const std::string serverKey = classKey + "\\InprocServer32";
  if (!RegKeyExists(registry, kRoot, serverKey)) return;
  const auto server = RegReadString(registry, kRoot, serverKey, "", TextTypes::Plain);
  if (!server || server->empty()) return;
  if (const auto path = PathSurelyGone(scan, *server)) scan.Record({*description, *path, name, {}});
}

// --- Type libraries -----------------------------------------------------

// In the order the registry lists them.
std::vector<std::string> VersionNames(platform::Registry& registry, const std::string& libraryKey) {
  const auto opened = registry.Open(kRoot, libraryKey, platform::RegAccess::Read);
  return opened ? opened->SubkeyNames() : std::vector<std::string>();
}

// A 64-bit file registered beside the 32-bit one keeps the library unless it
// is surely gone too, as the repair removes both with the library key.
bool Win64FileSurelyGone(const RegistryScan& scan, const std::string& languageKey) {
  platform::Registry& registry = scan.run().platform.registry;
  const std::string win64Key = languageKey + "\\win64";
  if (!RegKeyExists(registry, kRoot, win64Key)) return true;
  const auto file = RegReadString(registry, kRoot, win64Key, "", TextTypes::Plain);
  if (!file) return false;
  return file->empty() || PathSurelyGone(scan, *file).has_value();
}

void ExamineLanguage(RegistryScan& scan, const std::string& library, const std::string& version,
                     char digit) {
  platform::Registry& registry = scan.run().platform.registry;
  const std::string versionKey = SubkeyPath(SubkeyPath(kTypeLibrariesKey, library), version);
  const std::string languageKey = versionKey + "\\" + digit;
  const std::string win32Key = languageKey + "\\win32";
  if (!RegKeyExists(registry, kRoot, win32Key)) return;
  const auto description = RegReadString(registry, kRoot, versionKey, "", TextTypes::Plain);
  const auto file = RegReadString(registry, kRoot, win32Key, "", TextTypes::Plain);
  if (!description || !file) return;
  const auto path = PathSurelyGone(scan, *file);
  if (path && Win64FileSurelyGone(scan, languageKey)) {
    scan.Record({*description, *path, library, version});
  }
}

// Only the language subkeys of one digit are looked at; "409" is not.
void ExamineLibrary(RegistryScan& scan, const std::string& library) {
  const auto versions =
      VersionNames(scan.run().platform.registry, SubkeyPath(kTypeLibrariesKey, library));
  for (const std::string& version : versions) {
    if (version.empty()) continue;
    for (char digit = '0'; digit <= '9'; ++digit) ExamineLanguage(scan, library, version, digit);
  }
}

}  // namespace

void ScanComServers(RunContext& run) {
  RunClassesScan(run, RegCategory::ComServers, kClassesKey, kClassesKey, ExamineClass);
}

// Starts only where classes are registered at all, like the class scan; without
// a "TypeLib" key the category stays empty.
void ScanActiveX(RunContext& run) {
  RunClassesScan(run, RegCategory::ActiveX, kClassesKey, kTypeLibrariesKey, ExamineLibrary);
}

}  // namespace zent
