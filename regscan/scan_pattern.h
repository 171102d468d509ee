#pragma once

// The shape every registry scan shares: the twelve registry categories with
// their texts, and the steps each scan takes around its own rule (start checks,
// category item and status line, a sorted work list, one pump per item with the
// abort check, rows, closing). A scan that is stopped by input keeps its item
// with the first caption and the rows found so far, but gets no selection
// flags, so the repair removes nothing of it.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/file_views.h"
#include "common/orphan_paths.h"
#include "common/path_helpers.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "run/findings.h"
#include "run/run_context.h"

namespace zent {

// The registry categories by `CategoryIndex`, in the order the scans run.
enum class RegCategory : int {
  FileFormats = 0,
  ComServers = 1,
  ActiveX = 2,
  SharedDlls = 3,
  Uninstall = 4,
  Autorun = 5,
  Fonts = 6,
  SystemSounds = 7,
  HelpFiles = 8,
  AppPaths = 9,
  Icons = 10,
  OtherEntries = 11,
};

inline constexpr int kNoTextId = 0;

struct RegistryCategory {
  RegCategory index;
  std::string_view caption;      // the item's first caption
  int captionId;                 // replaces the caption when not kNoTextId
  std::string_view description;  // the status line while the scan runs
  int descriptionId;             // replaces the description
};

inline constexpr std::array<RegistryCategory, 12> kRegistryCategories = {{
    {RegCategory::FileFormats, "File-Formate", 20312, "Suche nach verwaisten Dateiformaten", 20310},
    {RegCategory::ComServers, "COM/OLE", kNoTextId, "Suche nach verwaisten COM-Einträgen", 20306},
    {RegCategory::ActiveX, "ActiveX", kNoTextId,
     "Suche nach verwaisten Einträgen über ActiveX-Steuerelemente", 20307},
    {RegCategory::SharedDlls, "DLLs", kNoTextId,
     "Suche nach verwaisten Einträgen über nicht mehr installierte gemeinsam genutze "
     "DLL-Dateien",
     20303},
    {RegCategory::Uninstall, "Uninstall", kNoTextId,
     "Suche nach verwaisten Einträgen über nicht mehr deinstallierbare Anwendungen", 20308},
    {RegCategory::Autorun, "Autorun", kNoTextId,
     "Suche nach verwaisten Einträgen über automatisch startende Anwendungen", 20309},
    {RegCategory::Fonts, "Fonts", kNoTextId,
     "Suche nach verwaisten Einträgen über nicht mehr installierte Schriftarten", 20304},
    {RegCategory::SystemSounds, "Systemklänge", 20314,
     "Suche nach verwaisten Einträgen über nicht mehr installierte Systemklänge", 20305},
    {RegCategory::HelpFiles, "Helps", kNoTextId,
     "Suche nach verwaisten Einträgen über nicht mehr installierte Hilfe-Dateien", 20301},
    {RegCategory::AppPaths, "Apps", kNoTextId,
     "Suche nach verwaisten Einträgen über nicht mehr installierte Anwendungen", 20300},
    {RegCategory::Icons, "Symbole", 20313, "Suche nach verwaisten Icons", 20311},
    {RegCategory::OtherEntries, "Sonstige", 20315,
     "Suche nach allen sonstigen verwaisten Einträgen", 20302},
}};

const RegistryCategory& CategoryInfo(RegCategory category);

// The selection value every finding of the category gets when it is closed:
// the whole-registry findings stay unselected.
std::uint8_t SelectionValue(RegCategory category);

// Sorts names without regard to case (by their upper case); names equal in
// upper case keep a fixed order.
void SortNames(std::vector<std::string>& names);

// The sorted subkey or value names of a key, opened with a registry object of
// their own; empty when the key cannot be opened.
std::vector<std::string> SortedSubkeyNames(platform::Registry& registry, platform::RegRoot root,
                                           std::string_view key);
std::vector<std::string> SortedValueNames(platform::Registry& registry, platform::RegRoot root,
                                          std::string_view key);

// The text of a value for a scan: a value that cannot be read as text at all (a binary
// longer than four bytes) names no path, so it reads as empty instead of ending
// the cleaning run.
std::string ReadScanText(platform::Registry& registry, platform::RegRoot root, std::string_view key,
                         std::string_view name);

struct ScanBaseKey {
  platform::RegRoot root;
  std::string_view path;
};

// One scan's walk through the common steps. Usage: CanStart, Open, then per
// item Step (stop when it returns false) and Record, and Close at the end.
class RegistryScan {
 public:
  // Takes the file views of the machine from the run's Windows folder and
  // environment.
  RegistryScan(RunContext& run, RegCategory category);

  // False when input has asked to stop, or when the base key
  // (if the scan has one as a precondition) does not exist.
  bool CanStart(const std::optional<ScanBaseKey>& precondition) const;
  // Adds the category item with its caption, shows the status line with one
  // pump and creates the empty lists.
  void Open();
  // Shows the item in `ItemLabel` and pumps once; false when the scan must stop
  // at once (input has asked to stop).
  bool Step(std::string_view name);
  void Record(Finding finding);
  // Sizes and sets the selection flags and writes the summary caption.
  void Close();

  bool IsOrphanedFile(std::string_view path) const;
  bool IsOrphanedFolder(std::string_view path) const;
  bool IsOrphanedFileOrFolder(std::string_view path) const;
  bool IsOrphanedCommand(std::string_view commandLine, std::string_view program) const;

  RunContext& run() const { return run_; }
  CategoryItem& item() const { return *item_; }
  // The registry as the view being walked shows it; rows are recorded with
  // that view.
  platform::Registry& registry() const { return run_.platform.registry.InView(view_); }
  platform::RegView view() const { return view_; }
  void WalkView(platform::RegView view) { view_ = view; }

 private:
  RunContext& run_;
  const RegistryCategory& category_;
  FileViews views_;
  CategoryItem* item_ = nullptr;
  platform::RegView view_ = platform::RegView::Bits64;
};

enum class WorkList { SubkeyNames, ValueNames };

struct ListScan {
  RegCategory category;
  ScanBaseKey base;
  bool baseKeyRequired;  // false: a missing key gives an empty category
  WorkList workList;
};

// A scan over the sorted subkey or value names of one key, following every
// common step; `examine` applies the scan's rule to one name and records its
// row, if any. The key is walked in each view that holds a copy of its own
// (ViewsToWalk), the 64-bit view first.
void RunListScan(RunContext& run, const ListScan& scan,
                 const std::function<void(RegistryScan&, const std::string& name)>& examine);

// Walks the sorted subkey or value names of `key` in each view that holds a
// copy of its own; names for which `skip` holds are passed over unseen. False
// when input asked to stop.
bool WalkNamesInViews(RegistryScan& scan, const ScanBaseKey& key, WorkList kind,
                      const std::function<void(RegistryScan&, const std::string& name)>& examine,
                      const std::function<bool(const std::string&)>& skip = {});

}  // namespace zent
