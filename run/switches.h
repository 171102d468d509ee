#pragma once

// The 24 cleaning switches, named after the registry values of the main
// program's options that hold them, with their values in the safety set.

#include <array>
#include <cstddef>
#include <string_view>

namespace zent {

enum class Switch : std::size_t {
  CustomReg,
  RegFileFormate,
  RegCom,
  RegActiveX,
  RegSharedDlls,
  RegUninstall,
  RegAutorun,
  RegFonts,
  RegMedia,
  RegHelps,
  RegApps,
  RegIcons,
  RegSonstiges,
  CustomFiles,
  FilesLnks,
  FilesPif,
  FilesGid,
  FilesChk,
  FilesTmpInstFiles,
  FilesBackups,
  FilesTmp,
  FilesBak,
  CustomTmpFolders,
  CustomCache,
};

inline constexpr std::size_t kSwitchCount = 24;

struct SwitchDefinition {
  Switch which;
  std::string_view valueName;
  bool safety;
};

// In the order of the enumeration.
inline constexpr std::array<SwitchDefinition, kSwitchCount> kSwitchTable = {{
    {Switch::CustomReg, "CUSTOM-REG", true},
    {Switch::RegFileFormate, "REG-FILE_FORMATE", false},
    {Switch::RegCom, "REG-COM", false},
    {Switch::RegActiveX, "REG-ACTIVEX", true},
    {Switch::RegSharedDlls, "REG-SHARED_DLLS", false},
    {Switch::RegUninstall, "REG-UNINSTALL", false},
    {Switch::RegAutorun, "REG-AUTORUN", true},
    {Switch::RegFonts, "REG-FONTS", true},
    {Switch::RegMedia, "REG-MEDIA", true},
    {Switch::RegHelps, "REG-HELPS", true},
    {Switch::RegApps, "REG-APPS", true},
    {Switch::RegIcons, "REG-ICONS", true},
    {Switch::RegSonstiges, "REG-SONSTIGES", false},
    {Switch::CustomFiles, "CUSTOM-FILES", true},
    {Switch::FilesLnks, "FILES-LNKS", false},
    {Switch::FilesPif, "FILES-PIF", true},
    {Switch::FilesGid, "FILES-GID", true},
    {Switch::FilesChk, "FILES-CHK", true},
    {Switch::FilesTmpInstFiles, "FILES-TMPINSTFILES", false},
    {Switch::FilesBackups, "FILES-BACKUPS", false},
    {Switch::FilesTmp, "FILES-TMP", false},
    {Switch::FilesBak, "FILES-BAK", false},
    {Switch::CustomTmpFolders, "CUSTOM-TMPFOLDERS", false},
    {Switch::CustomCache, "CUSTOM-CACHE", false},
}};

// All off at program start.
class CleaningSwitches {
 public:
  bool On(Switch which) const { return on_[static_cast<std::size_t>(which)]; }
  void Set(Switch which, bool on) { on_[static_cast<std::size_t>(which)] = on; }
  void AllOff() { on_.fill(false); }

 private:
  std::array<bool, kSwitchCount> on_{};
};

}  // namespace zent
