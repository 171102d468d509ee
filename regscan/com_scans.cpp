// A class key ("CLSID\{...}") names its in-process server in the default value
// of "InprocServer32", and may name more servers ("LocalServer32",
// "InprocHandler32"); a type library ("TypeLib\{...}\<version>\<language>")
// names its file in the default value of "win32" (and "win64" or another
// platform), for each version and language it has. Installers write these as
// paths, quoted or followed by arguments now and then, so a value is read in
// more than one way, as a command line is. The repair removes the whole class
// or library key, so an entry is reported only when no reading of any of its
// servers, or of any file of any version, language and platform, names a file
// that may be there.

#include "regscan/com_scans.h"

#include <algorithm>
#include <array>
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
  const auto unnamed = [](const std::string& name) { return name.empty(); };
  if (WalkNamesInViews(scan, {kRoot, walked}, WorkList::SubkeyNames, examine, unnamed)) {
    scan.Close();
  }
}

// --- COM classes --------------------------------------------------------

// The servers besides "InprocServer32" that start a class: while one of them
// may name a file, the class still works.
constexpr std::array<std::string_view, 2> kOtherServerKeys = {"LocalServer32", "InprocHandler32"};

// A key holding no path value counts as gone; a value that is no plain text
// names nothing certain and keeps the entry.
bool PathValueSurelyGone(const RegistryScan& scan, const std::string& key) {
  platform::Registry& registry = scan.registry();
  if (!RegKeyExists(registry, kRoot, key)) return true;
  const auto value = RegReadString(registry, kRoot, key, "", TextTypes::Plain);
  if (!value) return false;
  return value->empty() || PathSurelyGone(scan, *value).has_value();
}

bool OtherServersSurelyGone(const RegistryScan& scan, const std::string& classKey) {
  return std::ranges::all_of(kOtherServerKeys, [&](std::string_view server) {
    return PathValueSurelyGone(scan, SubkeyPath(classKey, server));
  });
}

// A class without a description in plain text is never examined.
void ExamineClass(RegistryScan& scan, const std::string& name) {
  platform::Registry& registry = scan.registry();
  const std::string classKey = SubkeyPath(kClassesKey, name);
  const auto description = RegReadString(registry, kRoot, classKey, "", TextTypes::Plain);
  if (!description || description->empty()) return;
  const std::string serverKey = classKey + "\\InprocServer32";
  if (!RegKeyExists(registry, kRoot, serverKey)) return;
  const auto server = RegReadString(registry, kRoot, serverKey, "", TextTypes::Plain);
  if (!server || server->empty()) return;
  const auto path = PathSurelyGone(scan, *server);
  if (path && OtherServersSurelyGone(scan, classKey)) scan.Record({*description, *path, name, {}});
}

// --- Type libraries -----------------------------------------------------

// In the order the registry lists them.
std::vector<std::string> SubkeyNames(platform::Registry& registry, const std::string& key) {
  const auto opened = registry.Open(kRoot, key, platform::RegAccess::Read);
  return opened ? opened->SubkeyNames() : std::vector<std::string>();
}

// The paths of the subkeys of `key`; nullopt when one has an empty name, which
// no path below the key can name apart from the key itself.
std::optional<std::vector<std::string>> SubkeyPaths(platform::Registry& registry,
                                                    const std::string& key) {
  std::vector<std::string> paths;
  for (const std::string& name : SubkeyNames(registry, key)) {
    if (name.empty()) return std::nullopt;
    paths.push_back(SubkeyPath(key, name));
  }
  return paths;
}

// Every file the library registers: each platform ("win32", "win64", ...) of
// each language ("0", "9", "409", ...) of each version. The other subkeys of a
// version ("FLAGS", "HELPDIR") have no subkeys and name no library file. A key
// that cannot be told apart keeps the library.
bool EveryFileSurelyGone(const RegistryScan& scan, const std::string& key, int levelsBelow) {
  if (levelsBelow == 0) return PathValueSurelyGone(scan, key);
  const auto subkeys = SubkeyPaths(scan.registry(), key);
  return subkeys && std::ranges::all_of(*subkeys, [&](const std::string& subkey) {
           return EveryFileSurelyGone(scan, subkey, levelsBelow - 1);
         });
}

void ExamineLanguage(RegistryScan& scan, const std::string& library, const std::string& version,
                     char digit) {
  platform::Registry& registry = scan.registry();
  const std::string versionKey = SubkeyPath(SubkeyPath(kTypeLibrariesKey, library), version);
  const std::string languageKey = versionKey + "\\" + digit;
  const std::string win32Key = languageKey + "\\win32";
  if (!RegKeyExists(registry, kRoot, win32Key)) return;
  const auto description = RegReadString(registry, kRoot, versionKey, "", TextTypes::Plain);
  const auto file = RegReadString(registry, kRoot, win32Key, "", TextTypes::Plain);
  if (!description || !file) return;
  if (const auto path = PathSurelyGone(scan, *file)) {
    scan.Record({*description, *path, library, version});
  }
}

// The rows come from the 32-bit files of the language subkeys of one digit
// ("409" gives none), once every file of the library is surely gone.
void ExamineLibrary(RegistryScan& scan, const std::string& library) {
  const std::string libraryKey = SubkeyPath(kTypeLibrariesKey, library);
  constexpr int kVersionLanguagePlatform = 3;
  if (!EveryFileSurelyGone(scan, libraryKey, kVersionLanguagePlatform)) return;
  for (const std::string& version : SubkeyNames(scan.registry(), libraryKey)) {
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
