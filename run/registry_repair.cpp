#include "run/registry_repair.h"

#include <algorithm>

#include "common/concat.h"
#include "common/path_helpers.h"
#include "common/product_folder.h"
#include "common/product_views.h"
#include "common/registry_helpers.h"
#include "common/registry_views.h"
#include "platform/utf8.h"

namespace zent {

using platform::Presence;
using platform::RegRoot;

// How a finding is saved before it goes.
enum class RepairBackup {
  ExportOwnKey,      // the editor exports the finding's own key
  ExportParentOnce,  // the editor exports the shared parent key once per repair
  WriteValueBlock,   // the value is written as a value block
};

// What happens to the finding once it is saved.
enum class RepairRemoval {
  RemoveKey,          // the key with everything below it
  RemoveValue,        // one value of the key
  EmptyDefaultValue,  // the key stays, its default value becomes ""
  EmptyValue,         // the value stays, its text becomes ""
};

// What a key taken from a finding's text must be, whatever scan produced it:
// a text naming a wider key would take a shared key with all below it.
enum class TargetShape {
  AnyKey,
  Extension,  // one key name starting with "."
  FileType,   // one key name, not an extension, not a shared class key
};

// Key and value are patterns over the finding's texts: "{name}" (EntryNames),
// "{target}" (TargetPaths), "{key}" (EntryKeys), "{detail}" (EntryDetails).
// A finding whose pattern uses an empty text is skipped by that row.
struct RepairRule {
  int categoryIndex;
  RepairBackup backup;
  RepairRemoval removal;
  RegRoot root;  // for WriteValueBlock the finding's key text names the root
  std::string_view key;
  std::string_view value;  // empty: the rule acts on a key
  TargetShape shape = TargetShape::AnyKey;
};

// Always a key of the 64-bit view: one of the 32-bit view by its
// "WOW6432Node" path, so that its export imports back into that view.
struct RepairTarget {
  RegRoot root;
  std::string key;
  std::string value;
  platform::RegView view = platform::RegView::Bits64;  // where it was found
};

// The editor's export of one key, read before any of it goes into the backup.
struct ExportedKey {
  RegScript script;
  std::vector<std::string> lines;
};

namespace {

using enum RepairBackup;
using enum RepairRemoval;
constexpr RegRoot HKCR = RegRoot::ClassesRoot;
constexpr RegRoot HKCU = RegRoot::CurrentUser;
constexpr RegRoot HKLM = RegRoot::LocalMachine;

// The repair of each registry category, by CategoryIndex. A category with two
// rows (file formats: extension key, then file type key) runs them in order.
constexpr RepairRule kRepairRules[] = {
    {0, ExportOwnKey, RemoveKey, HKCR, "{key}", "", TargetShape::Extension},
    {0, ExportOwnKey, RemoveKey, HKCR, "{name}", "", TargetShape::FileType},
    {1, ExportOwnKey, RemoveKey, HKCR, "CLSID\\{key}", ""},
    {2, ExportOwnKey, RemoveKey, HKCR, "TypeLib\\{key}", ""},
    {3, ExportParentOnce, RemoveValue, HKLM,
     "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLS", "{target}"},
    {4, ExportOwnKey, RemoveKey, HKLM,
     "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{key}", ""},
    {5, ExportParentOnce, RemoveValue, HKLM, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
     "{name}"},
    {6, ExportParentOnce, RemoveValue, HKLM, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts",
     "{name}"},
    {7, ExportOwnKey, EmptyDefaultValue, HKCU,
     "AppEvents\\Schemes\\Apps\\{detail}\\{name}\\.current", ""},
    {8, ExportParentOnce, RemoveValue, HKLM, "SOFTWARE\\Microsoft\\Windows\\Help", "{name}"},
    {9, ExportOwnKey, RemoveKey, HKLM,
     "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\{name}", ""},
    {10, ExportOwnKey, EmptyDefaultValue, HKCR, "{key}", ""},
    {11, WriteValueBlock, EmptyValue, HKCU, "{key}", "{name}"},
};

// The whole-registry category writes the default value under this name.
constexpr std::string_view kDefaultValueCaption = "(Standard)";

struct NamedRoot {
  std::string_view name;
  RegRoot root;
};

constexpr NamedRoot kRootNames[] = {
    {"HKEY_CLASSES_ROOT", RegRoot::ClassesRoot},     {"HKEY_CURRENT_USER", RegRoot::CurrentUser},
    {"HKEY_LOCAL_MACHINE", RegRoot::LocalMachine},   {"HKEY_USERS", RegRoot::Users},
    {"HKEY_CURRENT_CONFIG", RegRoot::CurrentConfig},
};

// The console exporter takes the roots by their short names.
constexpr NamedRoot kShortRootNames[] = {
    {"HKCR", RegRoot::ClassesRoot},   {"HKCU", RegRoot::CurrentUser},
    {"HKLM", RegRoot::LocalMachine},  {"HKU", RegRoot::Users},
    {"HKCC", RegRoot::CurrentConfig},
};

std::string_view ShortRootName(RegRoot root) {
  for (const auto& entry : kShortRootNames) {
    if (entry.root == root) return entry.name;
  }
  return {};
}

std::size_t CharacterCount(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t at = 0; at < text.size(); at += CharacterLength(text, at)) ++count;
  return count;
}

// How the record names the exporter of this repair.
std::string ExporterText(Exporter exporter, std::string_view programPath,
                         platform::StartFailure editorRefusal) {
  if (exporter == Exporter::RegistryEditor) return Concat({"the registry editor ", programPath});
  const std::string_view why = editorRefusal == platform::StartFailure::ElevationRequired
                                   ? "the registry editor needs administrator rights"
                                   : "the registry editor is missing";
  return Concat({"the console exporter ", programPath, " (", why, ")"});
}

constexpr std::string_view kUnquotable("\"\r\n\0", 4);

// Within double quotes, backslashes before the closing quote are read as
// escaping it unless doubled; everywhere else they stand for themselves.
std::string Quoted(std::string_view text) {
  std::size_t trailing = 0;
  while (trailing < text.size() && text[text.size() - 1 - trailing] == '\\') ++trailing;
  return Concat({"\"", text, std::string(trailing, '\\'), "\""});
}

// Refuses what a command line cannot carry, or a line longer than allowed.
std::optional<std::string> CheckedCommand(std::string command,
                                          std::initializer_list<std::string_view> arguments) {
  for (const auto argument : arguments) {
    if (argument.find_first_of(kUnquotable) != std::string_view::npos) return std::nullopt;
  }
  if (CharacterCount(command) > kMaxExportCommandLength) return std::nullopt;
  return command;
}

std::optional<RegRoot> RootNamed(std::string_view name) {
  for (const auto& entry : kRootNames) {
    if (entry.name == name) return entry.root;
  }
  return std::nullopt;
}

bool IsOneKeyName(std::string_view name) {
  return !name.empty() && name.find('\\') == std::string_view::npos && name.front() != ' ' &&
         name.back() != ' ' && name.front() != '\t' && name.back() != '\t';
}

bool HasShape(std::string_view key, TargetShape shape) {
  switch (shape) {
    case TargetShape::AnyKey:
      return true;
    case TargetShape::Extension:
      return IsOneKeyName(key) && key.starts_with('.') && key.size() > 1;
    case TargetShape::FileType:
      return IsOneKeyName(key) && !key.starts_with('.') && !IsSharedClassKey(key);
  }
  return false;
}

std::string_view FindingText(const Finding& finding, std::string_view placeholder) {
  if (placeholder == "{name}") return finding.name;
  if (placeholder == "{target}") return finding.target;
  if (placeholder == "{key}") return finding.key;
  return finding.detail;
}

// The pattern with the finding's texts in place; nullopt when one is empty.
std::optional<std::string> Fill(std::string_view pattern, const Finding& finding) {
  std::string out;
  while (!pattern.empty()) {
    const auto open = pattern.find('{');
    if (open == std::string_view::npos) break;
    const auto close = pattern.find('}', open);
    const auto text = FindingText(finding, pattern.substr(open, close - open + 1));
    if (text.empty()) return std::nullopt;
    out.append(pattern.substr(0, open)).append(text);
    pattern.remove_prefix(close + 1);
  }
  return out.append(pattern);
}

std::string TextAt(const std::vector<std::string>& list, std::size_t i) {
  return i < list.size() ? list[i] : std::string();
}

Finding FindingAt(const FindingCategory& category, std::size_t i) {
  return {TextAt(category.EntryNames(), i), TextAt(category.TargetPaths(), i),
          TextAt(category.EntryKeys(), i), TextAt(category.EntryDetails(), i), category.View(i)};
}

// Found by name once per finding: a parent key may hold thousands of values.
SavedValues ByName(const std::vector<std::pair<std::string, platform::RegValue>>& values) {
  SavedValues byName;
  for (const auto& [name, value] : values) byName.emplace(UpperCaseUtf8(name), value);
  return byName;
}

// How the record names an entry the rule acts on; one of the 32-bit view
// says so besides its path.
std::string EntryText(const RepairRule& rule, const RepairTarget& target) {
  const std::string key =
      target.view == platform::RegView::Bits32
          ? Concat({RootName(target.root), "\\", target.key, " (", ViewName(target.view), ")"})
          : Concat({RootName(target.root), "\\", target.key});
  const std::string value = target.value.empty() ? std::string("default value")
                                                 : Concat({"value \"", target.value, "\""});
  switch (rule.removal) {
    case RemoveKey:
      return "key " + key;
    case RemoveValue:
      return Concat({value, " in ", key});
    case EmptyDefaultValue:
      return Concat({"the text of the default value of ", key, " (the key stays)"});
    case EmptyValue:
      return Concat({"the text of the ", value, " of ", key, " (the value stays)"});
  }
  return key;
}

// Why a selected entry stays when its backup could not be made.
std::string_view BackupFailure(RepairBackup backup) {
  switch (backup) {
    case ExportOwnKey:
      return "its backup failed: the key could not be exported into the backup";
    case ExportParentOnce:
      return "its backup failed: the key that holds it could not be exported into the backup";
    case WriteValueBlock:
      return "its backup failed: not a text value, empty, or the backup could not be written";
  }
  return "its backup failed";
}

constexpr std::string_view kNotOwnKey =
    "not a key of its own: a shared or wider key is never removed";
constexpr std::string_view kNoRoot = "it names no registry root and key";
constexpr std::string_view kRemovalRefused = "the registry refused the removal";

// Whether the entry is gone, or its text empty, as anyone may read it: the
// removal helpers take a key they may not write to for a missing one.
bool IsGone(platform::Registry& registry, RepairRemoval removal, const RepairTarget& target) {
  std::string_view path = target.key;
  while (path.starts_with('\\')) path.remove_prefix(1);
  const auto key =
      registry.Open(target.root, StripTrailingBackslashes(path), platform::RegAccess::Read);
  if (removal == RemoveKey) return key == nullptr;
  if (!key) return removal == RemoveValue;
  const auto value = key->QueryValue(target.value);
  if (removal == RemoveValue) return !value;
  return value && value->type == platform::kRegSz && value->data.empty();
}

// The entry a rule acts on for a finding, or why it acts on none (`reason`
// empty: the finding gives the rule nothing to act on).
struct RuleTarget {
  std::optional<RepairTarget> target;
  std::string entry;  // how the record names what stays
  std::string_view reason;
};

RuleTarget TargetFor(const RepairRule& rule, const Finding& finding) {
  auto key = Fill(rule.key, finding);
  if (!key) return {};
  if (!HasShape(*key, rule.shape)) {
    return {std::nullopt, Concat({"key ", RootName(rule.root), "\\", *key}), kNotOwnKey};
  }
  std::string value;
  if (!rule.value.empty()) {
    auto filled = Fill(rule.value, finding);
    if (!filled) return {};
    value = std::move(*filled);
  }
  RepairTarget target{rule.root, std::move(*key), std::move(value)};
  if (rule.backup == WriteValueBlock) {
    // "HKEY_CURRENT_USER\Software\X": the root in full, then the key path.
    const auto split = target.key.find('\\');
    const auto root = split == std::string::npos
                          ? std::nullopt
                          : RootNamed(std::string_view(target.key).substr(0, split));
    if (!root || split + 1 == target.key.size())
      return {std::nullopt, "key " + target.key, kNoRoot};
    target.root = *root;
    target.key.erase(0, split + 1);
    if (target.value == kDefaultValueCaption) target.value.clear();
  }
  auto [root, path] = KeyIn64BitView(target.root, target.key, finding.view);
  target.root = root;
  target.key = std::move(path);
  target.view = finding.view;
  return {std::move(target), {}, {}};
}

// Whether this user may take the entry away: delete the key with all below
// it, or set and delete the key's values.
bool MayRemove(platform::Registry& registry, RepairRemoval removal, const RepairTarget& target) {
  return removal == RemoveKey ? RegMayRemoveKey(registry, target.root, target.key)
                              : RegMayWriteValues(registry, target.root, target.key);
}

}  // namespace

// Class keys that COM and the shell share among all file types.
constexpr std::string_view kSharedClassKeys[] = {
    "CLSID",        "Interface",
    "TypeLib",      "AppID",
    "Record",       "Component Categories",
    "MIME",         "FileType",
    "Applications", "*",
    "Directory",    "DirectoryBackground",
    "Folder",       "Drive",
    "Unknown",      "AllFilesystemObjects",
    "Network",      "NetServer",
    "NetShare",     "Printers",
    "Protocols",    "SystemFileAssociations",
    "ShellEx",      "DesktopBackground",
    "Installer",
};

bool IsSharedClassKey(std::string_view name) {
  const std::string upper = UpperCaseUtf8(name);
  return std::any_of(std::begin(kSharedClassKeys), std::end(kSharedClassKeys),
                     [&](std::string_view shared) { return UpperCaseUtf8(shared) == upper; });
}

bool NeedsAdministratorRights(platform::Registry& registry, int categoryIndex,
                              const FindingCategory& category, std::size_t i) {
  const Finding finding = FindingAt(category, i);
  platform::Registry& view64 = registry.InView(platform::RegView::Bits64);
  return std::ranges::any_of(kRepairRules, [&](const RepairRule& rule) {
    if (rule.categoryIndex != categoryIndex) return false;
    const auto found = TargetFor(rule, finding);
    return found.target && !MayRemove(view64, rule.removal, *found.target);
  });
}

std::string_view RootName(RegRoot root) {
  for (const auto& entry : kRootNames) {
    if (entry.root == root) return entry.name;
  }
  return {};
}

std::optional<std::string> ExportCommand(std::string_view scratchFullPath, std::string_view key) {
  return CheckedCommand(Concat({"REGEDIT /e \"", scratchFullPath, "\" \"", key, "\""}),
                        {scratchFullPath, key});
}

std::optional<std::string> ConsoleExportCommand(std::string_view scratchFullPath, RegRoot root,
                                                std::string_view path) {
  const std::string key = Concat({ShortRootName(root), "\\", path});
  return CheckedCommand(Concat({"REG EXPORT ", Quoted(key), " ", Quoted(scratchFullPath), " /y"}),
                        {scratchFullPath, key});
}

RegistryRepair::RegistryRepair(RunContext& run, std::uint64_t exportTimeLimitMs)
    : run_(run), exportTimeLimitMs_(exportTimeLimitMs) {}

RegistryRepair::BackupFolder RegistryRepair::ChosenBackupFolder() const {
  // A value that cannot be read counts as not set.
  const std::string path = RegReadTextOrEmpty(
      ProductValueView(run_.platform.registry, kBackupSettingsKey, kBackupPathValue),
      RegRoot::LocalMachine, kBackupSettingsKey, kBackupPathValue);
  // "D:\SAVE\" names the same folder as "D:\SAVE"; file names are added with "\".
  if (IsFullPath(path)) return {StripTrailingBackslashes(path), {}};
  // Not given in full, it would be found from the current folder.
  const std::string& product = run_.state.ProductDirectory;
  const std::string folder = ProductFilesFolder(product, run_.platform.system.WindowsDirectory());
  if (folder.empty()) return {};
  return {folder + "\\BACKUP", IsFullPath(product) ? std::string_view() : kWindowsDriveNote};
}

std::string RegistryRepair::BackupDirectory() const { return ChosenBackupFolder().path; }

std::string_view RegistryRepair::BackupDirectoryNote() const { return ChosenBackupFolder().note; }

const std::string& RegistryRepair::Directory() {
  if (directory_.empty()) directory_ = BackupDirectory();
  return directory_;
}

std::string RegistryRepair::BackupFile() { return Concat({Directory(), "\\", kRunningBackupName}); }

std::string RegistryRepair::ScratchFile() { return Concat({Directory(), "\\", kScratchName}); }

BackupEncoding RegistryRepair::Encoding() const {
  // The running file takes the encoding the platform's editor exports in.
  return run_.state.IsWinNT ? BackupEncoding::Utf16Le : BackupEncoding::Windows1252;
}

void RegistryRepair::Pump() { run_.platform.pump.Pump(); }

platform::Registry& RegistryRepair::Registry64() {
  return run_.platform.registry.InView(platform::RegView::Bits64);
}

void RegistryRepair::Repair() {
  directory_ = BackupDirectory();
  exporter_ = Exporter::RegistryEditor;
  exporterNamed_ = false;
  editorRefusal_ = platform::StartFailure::None;
  if (!directory_.empty()) run_.platform.files.CreateFolders(directory_);
  if (directory_.empty() || !SecureLeftOverBackup()) {
    // Nothing can be backed up, or a left-over backup must not be lost: this
    // run removes nothing.
    run_.categories.Clear();
    run_.state.RepairRunning = false;
    return;
  }
  parentSaved_.clear();
  for (std::size_t item = 0; item < run_.categories.Count(); ++item) {
    Pump();
    const CategoryItem& category = run_.categories.Item(item);
    for (std::size_t i = 0; i < category.category.EntryCount(); ++i) {
      if (category.category.Flag(i) != 1) continue;
      if (run_.PumpAndCheckAbort()) {
        // Input may have renamed the running backup while an export was under
        // way; that export then started a new one, which must not be left.
        FinishBackup();
        return;
      }
      RepairFinding(category.CategoryIndex, category.category, i);
    }
  }
  FinishBackup();
  run_.categories.Clear();
}

bool RegistryRepair::SecureLeftOverBackup() {
  if (run_.platform.files.FileExists(BackupFile()) == Presence::Missing) return true;
  std::string dated;
  const bool secured = MoveRunningBackupToDatedName(&dated);
  run_.Journal().LeftOverBackup(secured ? dated : std::string());
  return secured;
}

void RegistryRepair::FinishBackup() {
  std::string dated;
  const bool gone = MoveRunningBackupToDatedName(&dated);
  if (!dated.empty()) {
    run_.Journal().BackupDated(dated);
  } else if (!gone) {
    run_.Journal().BackupNotDated(BackupFile());
  }
  run_.state.RepairRunning = false;
}

bool RegistryRepair::MoveRunningBackupToDatedName(std::string* datedPath) {
  auto& files = run_.platform.files;
  if (Directory().empty()) return true;  // nothing was ever backed up
  const std::string running = BackupFile();
  if (files.FileExists(running) == Presence::Missing) return true;
  const auto written = files.LastWriteTime(running);
  Pump();
  // The message handling may have finished the backup itself meanwhile.
  if (!written || files.FileExists(running) == Presence::Missing) {
    return files.FileExists(running) == Presence::Missing;
  }
  const std::string dated =
      DatedBackupName(*written, run_.platform.system.AbbreviatedDayName(written->dayOfWeek));
  const auto moved = MoveToDatedName(files, running, Directory(), dated);
  if (moved && datedPath) *datedPath = *moved;
  return moved.has_value();
}

void RegistryRepair::RepairFinding(int categoryIndex, const FindingCategory& category,
                                   std::size_t i) {
  const Finding finding = FindingAt(category, i);
  for (const auto& rule : kRepairRules) {
    // Input during the first key's export leaves the second key untouched.
    if (run_.state.AbortRequested) return;
    if (rule.categoryIndex == categoryIndex) ApplyRule(rule, finding);
  }
}

void RegistryRepair::ApplyRule(const RepairRule& rule, const Finding& finding) {
  RunJournal& journal = run_.Journal();
  const auto [target, entry, reason] = TargetFor(rule, finding);
  if (!target) {
    if (!reason.empty()) journal.EntryLeft(rule.categoryIndex, entry, reason, false);
    return;
  }
  // Found whatever the rights; what this user may not remove is not backed up
  // either, so the backup holds nothing that was not removed for that reason.
  if (!MayRemove(Registry64(), rule.removal, *target)) {
    journal.EntryLeft(rule.categoryIndex, EntryText(rule, *target), kNeedsAdministratorRights,
                      false);
    return;
  }
  if (!BackUp(rule, *target)) {
    journal.EntryLeft(rule.categoryIndex, EntryText(rule, *target), BackupFailure(rule.backup),
                      false);
    return;
  }
  Remove(rule, *target);
  if (IsGone(Registry64(), rule.removal, *target)) {
    journal.EntryRemoved(rule.categoryIndex, EntryText(rule, *target));
  } else {
    journal.EntryLeft(rule.categoryIndex, EntryText(rule, *target), kRemovalRefused, true);
  }
}

bool RegistryRepair::BackUp(const RepairRule& rule, const RepairTarget& target) {
  switch (rule.backup) {
    case ExportOwnKey:
      return BackUpKeyTree(target.root, target.key).has_value();
    case ExportParentOnce: {
      // Each view has a parent key of its own.
      auto& saved = parentSaved_[Concat({RootName(target.root), "\\", UpperCaseUtf8(target.key)})];
      if (!saved) {
        const auto tree = BackUpKeyTree(target.root, target.key);
        if (tree && !tree->empty()) saved = ByName(tree->front().values);
      }
      return saved && ValueIsBackedUp(target, *saved);
    }
    case WriteValueBlock:
      return BackUpValue(RootName(target.root), target.root, target.key, target.value);
  }
  return false;
}

void RegistryRepair::Remove(const RepairRule& rule, const RepairTarget& target) {
  auto& registry = Registry64();
  // What became of the entry is read afterwards (IsGone). An integer or
  // binary value cannot hold the empty text; it stays as it is.
  switch (rule.removal) {
    case RemoveKey:
      RegRemoveKey(registry, target.root, target.key);
      break;
    case RemoveValue:
      RegRemoveValue(registry, target.root, target.key, target.value);
      break;
    case EmptyDefaultValue:
      RegWriteText(registry, target.root, target.key, "", "");
      break;
    case EmptyValue:
      RegWriteText(registry, target.root, target.key, target.value, "");
      break;
  }
}

std::optional<std::vector<StoredKey>> RegistryRepair::BackUpKeyTree(RegRoot root,
                                                                    std::string_view path) {
  const std::string_view rootName = RootName(root);
  auto exported = ExportToScratch(root, path);
  // Of an export that names any other key (another view or root, a sibling,
  // the parent) nothing goes into the backup: importing it would rewrite that key.
  if (!exported || !NamesOnlyKeyTree(exported->script, root, path)) return std::nullopt;
  // Read as the removal will find it: an export can be cut short or hold a
  // value otherwise than it is stored.
  auto tree = ReadKeyTree(Registry64(), root, path);
  const auto missing = NotRestoredBy(ImportedContent(exported->script), rootName, tree);
  if (!missing.empty()) {
    // Without the exact lines the export stays out too: imported on its own it
    // would rewrite the key this repair then leaves in place.
    const auto exact = ExactBlockLines(Encoding(), rootName, missing);
    if (!exact) return std::nullopt;
    exported->lines.insert(exported->lines.end(), exact->begin(), exact->end());
  }
  if (!AppendToBackup(exported->lines)) return std::nullopt;
  return tree;
}

bool RegistryRepair::AppendToBackup(const std::vector<std::string>& lines) {
  // The running file is looked up only now: message handling may have moved
  // it away, and this block then starts a new one.
  const bool added = AppendBackupBlock(run_.platform.files, BackupFile(), lines, Encoding());
  Pump();
  return added;
}

bool RegistryRepair::ValueIsBackedUp(const RepairTarget& target, SavedValues& saved) {
  const auto now = ReadStoredValue(Registry64(), target.root, target.key, target.value);
  if (!now) return true;  // nothing there that could be lost
  const std::string name = UpperCaseUtf8(target.value);
  const auto held = saved.find(name);
  if (held != saved.end() && held->second == *now) return true;
  const StoredKey single{target.key, {{target.value, *now}}};
  const auto exact = ExactBlockLines(Encoding(), RootName(target.root), {single});
  if (!exact || !AppendToBackup(*exact)) return false;
  saved.insert_or_assign(name, *now);
  return true;
}

std::optional<ExportedKey> RegistryRepair::ExportToScratch(RegRoot root, std::string_view path) {
  auto& files = run_.platform.files;
  const std::string scratch = ScratchFile();
  files.Delete(scratch);
  // A scratch file that could not be deleted would pass for this key's export.
  if (files.FileExists(scratch) != Presence::Missing) return std::nullopt;
  const auto fullPath = files.FullPath(scratch);
  if (!fullPath || !RunExporter(root, path, *fullPath)) {
    // Whatever a hung or abandoned exporter wrote is no export.
    files.Delete(scratch);
    return std::nullopt;
  }
  Pump();
  return ReadScratch();
}

bool RegistryRepair::RunExporter(RegRoot root, std::string_view path, std::string_view scratch) {
  // By their full paths: a "regedit.exe" or "reg.exe" planted beside the
  // saver or in the current folder must never run in their place.
  if (exporter_ == Exporter::RegistryEditor) {
    const std::string windows = run_.platform.system.WindowsDirectory();
    const auto command = ExportCommand(scratch, Concat({RootName(root), "\\", path}));
    if (windows.empty() || !command) return false;
    const std::string editor = Concat({StripTrailingBackslashes(windows), "\\regedit.exe"});
    auto start = run_.platform.launcher.StartProgramHidden(editor, *command);
    if (start.program) return StartedExport(Exporter::RegistryEditor, editor, *start.program);
    // The console exporter writes the Unicode form only the NT family's
    // running backup is kept in.
    const bool replaceable = start.failure == platform::StartFailure::ElevationRequired ||
                             start.failure == platform::StartFailure::NotFound;
    if (!replaceable || !run_.state.IsWinNT) return false;
    exporter_ = Exporter::ConsoleExporter;
    editorRefusal_ = start.failure;
  }
  const std::string system = run_.platform.system.SystemDirectory();
  const auto command = ConsoleExportCommand(scratch, root, path);
  if (system.empty() || !command) return false;
  const std::string exporter = Concat({StripTrailingBackslashes(system), "\\reg.exe"});
  auto start = run_.platform.launcher.StartProgramHidden(exporter, *command);
  return start.program && StartedExport(Exporter::ConsoleExporter, exporter, *start.program);
}

bool RegistryRepair::StartedExport(Exporter exporter, std::string_view programPath,
                                   platform::RunningProgram& program) {
  if (!exporterNamed_) {
    exporterNamed_ = true;
    run_.Journal().ExporterUsed(ExporterText(exporter, programPath, editorRefusal_));
  }
  return WaitForExport(program);
}

bool RegistryRepair::WaitForExport(platform::RunningProgram& program) {
  // The starfield and the input handling must go on: an exporter that hangs
  // or shows an error box would otherwise freeze the saver.
  auto& clock = run_.platform.clock;
  const std::uint64_t started = clock.TickMilliseconds();
  while (!program.WaitForEnd(kEditorWaitSliceMs)) {
    if (run_.PumpAndCheckAbort() || clock.TickMilliseconds() - started >= exportTimeLimitMs_) {
      program.Terminate();
      return false;
    }
  }
  return true;
}

std::optional<ExportedKey> RegistryRepair::ReadScratch() {
  auto& files = run_.platform.files;
  const std::string scratch = ScratchFile();
  const auto exported = files.ReadWhole(scratch);
  files.Delete(scratch);
  Pump();
  // A backup that would restore other names than the exported ones saves nothing.
  if (!exported || !DecodesWithoutLoss(*exported)) return std::nullopt;
  auto script = ReadRegScript(*exported);
  // An export always names its key; a file without a key line saved nothing.
  if (!script || script->keys.empty()) return std::nullopt;
  return ExportedKey{std::move(*script), DecodeScriptLines(*exported)};
}

bool RegistryRepair::BackUpValue(std::string_view rootName, RegRoot root, std::string_view keyPath,
                                 std::string_view name) {
  Pump();
  // Only a text value is saved: a number written back as text would change
  // its type on restore, and the empty text cannot be put into it anyway.
  const auto stored = ReadStoredValue(Registry64(), root, keyPath, name);
  if (!stored || stored->type != platform::kRegSz) return false;
  const std::string text = RegReadTextOrEmpty(Registry64(), root, keyPath, name);
  if (text.empty()) return false;
  const std::vector<StoredKey> value{{std::string(keyPath), {{std::string(name), *stored}}}};
  auto lines = ValueBlockLines(Encoding(), rootName, keyPath, name, text);
  // The text form loses what follows a NUL or an odd last byte.
  if (!lines || !LinesRestore(*lines, Encoding(), rootName, value)) {
    lines = ExactBlockLines(Encoding(), rootName, value);
  }
  Pump();
  return lines && AppendToBackup(*lines);
}

}  // namespace zent
