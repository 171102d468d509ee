// The registry scans and the repair on Wine's real registry, with Wine's own
// registry editor exporting the keys, and again with the system's console
// exporter where the editor is refused for want of rights: orphaned entries of the five list
// categories and of the class, type-library, uninstall and autorun scans go, valid ones stay,
// single values saved as value blocks are emptied, and importing the dated backup with the editor
// brings back every key and value with its type and bytes, and leaves a key
// that no backup could restore exactly (and so stayed) as it is. A second test ends the repair at
// each message-pump point in turn, as input to the saver window would, and proves that everything
// removed until then can still be restored from the dated backups alone. A "regedit.exe" planted
// beside the program and in the current folder is never started in place of the system's editor.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/registry_helpers.h"
#include "platform/utf8.h"
#include "platform/win32/handles.h"
#include "platform/win32/text.h"
#include "regscan/com_scans.h"
#include "regscan/file_type_scans.h"
#include "regscan/icon_scans.h"
#include "regscan/list_scans.h"
#include "regscan/program_scans.h"
#include "run/reg_file_reader.h"
#include "run/registry_repair.h"
#include "tests/both/test_platform.h"
#include "tests/wine/registry_snapshot.h"

namespace zent {
namespace {

using namespace std::string_view_literals;
using platform::Presence;
using platform::RegRoot;
using platform::RegValue;
using testing::RegistrySnapshot;
using testing::RegLocation;

constexpr RegRoot HKLM = RegRoot::LocalMachine;
constexpr RegRoot HKCU = RegRoot::CurrentUser;
constexpr RegRoot HKCR = RegRoot::ClassesRoot;

// The category indexes of the scans.
constexpr int kComCategory = 1;
constexpr int kActiveXCategory = 2;
constexpr int kUninstallCategory = 4;
constexpr int kAutorunCategory = 5;
constexpr int kFileTypesCategory = 0;
constexpr int kIconsCategory = 10;
constexpr int kSharedDllsCategory = 3;
constexpr int kFontsCategory = 6;
constexpr int kSoundsCategory = 7;
constexpr int kHelpCategory = 8;
constexpr int kAppPathsCategory = 9;

platform::Platform& Real() { return testing::TestPlatform(); }

std::string Join(std::string_view key, std::string_view name) {
  return std::string(key) + "\\" + std::string(name);
}

RegValue Typed(std::uint32_t type, std::string bytes) { return {type, std::move(bytes)}; }

// The empty text as stored: its terminator alone.
RegValue EmptyText() { return {platform::kRegSz, std::string(2, '\0')}; }

std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (const int value : values) bytes += static_cast<char>(value);
  return bytes;
}

// Long enough that the editor wraps its hex line.
std::string LongBinary() {
  std::string bytes(120, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 37 + 1);
  return bytes;
}

// A pump that lets the saver window's message handling run at each call.
class HookedPump : public platform::MessagePump {
 public:
  void Pump() override {
    Real().pump.Pump();
    ++calls;
    if (onPump) onPump(calls);
  }
  int calls = 0;
  std::function<void(int call)> onPump;
};

// Refuses the registry editor as Windows refuses a program that asks for more
// rights than a filtered administrator's token holds, so only the console
// exporter can make the backups; starts any other.
struct EditorNeedsElevation : platform::ProgramLauncher {
  platform::ProgramStart StartProgramHidden(std::string_view path,
                                            std::string_view command) override {
    if (!UpperCaseUtf8(path).ends_with("\\REGEDIT.EXE"))
      return Real().launcher.StartProgramHidden(path, command);
    return {nullptr, platform::StartFailure::ElevationRequired};
  }
  std::unique_ptr<platform::StartedProgram> StartAsAdministrator(
      std::string_view path, std::string_view arguments) override {
    return Real().launcher.StartAsAdministrator(path, arguments);
  }
};

// One cleaning run on the real Win32 platform, with drive C: checkable.
struct RunWorld {
  RunWorld(const std::string& productDirectory, const std::string& fontsDirectory,
           platform::ProgramLauncher& launcher = Real().launcher)
      : platform{Real().registry, Real().files, Real().shell, Real().system,
                 launcher,        pump,         Real().clock, Real().resources} {
    state.CheckDrives[2] = 1;
    state.ProductDirectory = productDirectory;
    state.FontsDir = fontsDirectory;
    state.IsWinNT = Real().system.PlatformId() == 2;
    state.UnattendedMode = true;
  }

  HookedPump pump;
  platform::Platform platform;
  SaverRunState state{Real().shell};
  CategoryList categories;
  std::string statusLabel;
  std::string itemLabel;
  RunContext run{platform, state, categories, {}, statusLabel, itemLabel};
};

void RunListScans(RunContext& run) {
  ScanSharedDlls(run);
  ScanFonts(run);
  ScanSystemSounds(run);
  ScanHelpFiles(run);
  ScanAppPaths(run);
}

// The scans that walk every class, library and program entry of the prefix.
void RunProgramScans(RunContext& run) {
  ScanFileFormats(run);
  ScanIcons(run);
  ScanComServers(run);
  ScanActiveX(run);
  ScanUninstall(run);
  ScanAutorun(run);
}

// The main program's backup folder setting would send the backups elsewhere;
// it is put aside while a test runs.
class BackupSettingAside {
 public:
  BackupSettingAside() {
    const auto key = Real().registry.Open(HKLM, kBackupSettingsKey, platform::RegAccess::Full);
    if (key == nullptr) return;
    saved_ = key->QueryValue(kBackupPathValue);
    if (saved_) key->DeleteValue(kBackupPathValue);
  }
  ~BackupSettingAside() {
    if (!saved_) return;
    const auto key = Real().registry.Create(HKLM, kBackupSettingsKey);
    if (key != nullptr) key->SetValue(kBackupPathValue, *saved_);
  }
  BackupSettingAside(const BackupSettingAside&) = delete;
  BackupSettingAside& operator=(const BackupSettingAside&) = delete;

 private:
  std::optional<RegValue> saved_;
};

// Orphaned and valid entries of the five categories, under names no other
// test uses, with their files in a folder of their own on C:. Names carry
// blanks, quotes, backslashes and characters outside any single code page;
// values are of every type the editor writes.
class Plantation {
 public:
  Plantation() {
    static int number = 0;
    tag_ = "zr" + std::to_string(Real().clock.TickMilliseconds() % 100000) + "-" +
           std::to_string(++number);
    base_ = "C:\\ZentRepairTests\\Grüße " + tag_;
    helpWasThere_ = RegKeyExists(Real().registry, HKLM, kHelpFilesKey);
    dllsWereThere_ = RegKeyExists(Real().registry, HKLM, kSharedDllsKey);
    fontsWereThere_ = RegKeyExists(Real().registry, HKLM, kFontsKey);
    soundsWereThere_ = RegKeyExists(Real().registry, HKCU, kSoundAppsKey);
    DefineEntries();
    MakeFiles();
  }
  ~Plantation() { Clear(); }
  Plantation(const Plantation&) = delete;
  Plantation& operator=(const Plantation&) = delete;

  const std::string& Base() const { return base_; }
  std::string FontsDir() const { return base_ + "\\fonts"; }

  // Removes what an earlier round left and plants everything anew.
  void Plant() {
    Clear();
    for (const auto& [location, values] : keys_) {
      const auto key = Real().registry.Create(location.root, location.path);
      ASSERT_NE(key, nullptr) << testing::FullKeyName(location);
      for (const auto& [name, value] : values) {
        ASSERT_TRUE(key->SetValue(name, value)) << testing::FullKeyName(location) << " " << name;
      }
    }
    PlantOddLengthText(unverifiableKey_, L"Odd text");
  }

  void Clear() {
    auto& registry = Real().registry;
    for (const auto& top : ownKeys_) RegRemoveKey(registry, top.root, top.path);
    for (const auto& [location, values] : keys_) {
      for (const auto& [name, value] : values)
        RegRemoveValue(registry, location.root, location.path, name);
    }
    if (!helpWasThere_) RegRemoveKey(registry, HKLM, kHelpFilesKey);
    if (!dllsWereThere_) RegRemoveKey(registry, HKLM, kSharedDllsKey);
    if (!fontsWereThere_) RegRemoveKey(registry, HKLM, kFontsKey);
    if (!soundsWereThere_) RegRemoveKey(registry, HKCU, kSoundAppsKey);
  }

  // Every key the scans and the repair look at, whole.
  RegistrySnapshot Snapshot() const {
    RegistrySnapshot snapshot;
    snapshot.Take(Real().registry, otherKey_);
    for (const RegLocation& own : programKeys_) snapshot.Take(Real().registry, own);
    for (const RegLocation& base :
         {RegLocation{HKLM, std::string(kAppPathsKey)},
          RegLocation{HKLM, std::string(kHelpFilesKey)},
          RegLocation{HKLM, std::string(kSharedDllsKey)}, RegLocation{HKLM, std::string(kFontsKey)},
          RegLocation{HKCU, std::string(kSoundAppsKey)},
          RegLocation{HKLM, std::string(kAutorunKey)}}) {
      snapshot.Take(Real().registry, base);
    }
    return snapshot;
  }

  // `before` as the repair must leave it: orphans gone or emptied, all else
  // untouched.
  RegistrySnapshot AfterRepair(RegistrySnapshot before) const {
    for (const auto& key : removedKeys_) before.RemoveKey(key);
    for (const auto& [key, name] : removedValues_) before.RemoveValue(key, name);
    for (const auto& key : emptiedDefaults_) before.SetValue(key, "", EmptyText());
    for (const auto& name : emptiedOthers_) before.SetValue(otherKey_, name, EmptyText());
    return before;
  }

  // Unselects the findings that are not ours (the prefix's own entries), and
  // returns ours by category.
  std::map<int, std::set<std::string>> KeepOnlyOurFindings(CategoryList& categories) const {
    std::map<int, std::set<std::string>> ours;
    for (std::size_t item = 0; item < categories.Count(); ++item) {
      auto& category = categories.Item(item);
      const auto& names = category.category.EntryNames();
      const auto& keys = category.category.EntryKeys();
      // An icon row is named by its kind ("DefaultIcon"); its key tells it.
      const bool byKey = category.CategoryIndex == kIconsCategory;
      for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string& told = byKey ? keys[i] : names[i];
        if (told.find(tag_) == std::string::npos) {
          category.category.SetFlag(i, 0);
        } else {
          ours[category.CategoryIndex].insert(told);
        }
      }
    }
    return ours;
  }

  const std::map<int, std::set<std::string>>& ExpectedFindings() const { return findings_; }

  // The whole-registry category is never selected by its scan; selected by
  // other means, its rule backs single values up as value blocks written by
  // the system itself and empties them.
  void AddSelectedOtherEntries(CategoryList& categories) const {
    CategoryItem& item = categories.Add(11, "Sonstige");
    item.category.CreateLists();
    const std::string key = testing::FullKeyName(otherKey_);
    for (const auto& [name, value] : otherValues_) item.category.Record({name, {}, key, {}});
    item.category.SetAllFlags(1);
  }

 private:
  std::string Tagged(std::string_view name) const { return std::string(name) + " " + tag_; }

  // Text stored as another program may leave it, with an odd last byte: no
  // text line of a script can carry it.
  static void PlantOddLengthText(const RegLocation& location, const wchar_t* name) {
    win32::UniqueHkey raw;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, win32::Widen(location.path).c_str(), 0,
                            KEY_SET_VALUE, raw.put()),
              ERROR_SUCCESS);
    const std::string odd = Bytes({'C', 0, ':', 0, '\\', 0, 'x'});
    ASSERT_EQ(RegSetValueExW(raw.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(odd.data()),
                             static_cast<DWORD>(odd.size())),
              ERROR_SUCCESS);
  }

  void Key(RegLocation location, std::vector<std::pair<std::string, RegValue>> values) {
    keys_.emplace_back(std::move(location), std::move(values));
  }

  void DefineEntries() {
    DefineAppPaths();
    DefineHelpFiles();
    DefineSharedDlls();
    DefineFonts();
    DefineSounds();
    DefineOtherEntries();
    DefineClasses();
    DefineTypeLibraries();
    DefineUninstallEntries();
    DefineAutorunValues();
    DefineFileTypes();
    DefineIcons();
  }

  // A key of its own at the root of the classes.
  RegLocation ClassKey(const std::string& name) {
    RegLocation location{HKCR, name};
    ownKeys_.push_back(location);
    programKeys_.push_back(location);
    return location;
  }

  // An extension and its file type; the type's program in a folder whose
  // name holds ".exe" keeps it.
  void DefineFileTypes() {
    const auto fileType = [&](const std::string& extension, const std::string& type,
                              const std::string& program) {
      const RegLocation extensionKey = ClassKey(extension);
      const RegLocation typeKey = ClassKey(type);
      Key(extensionKey, {{"", platform::MakeTextValue(type)}});
      Key({HKCR, Join(typeKey.path, "shell\\open\\command")},
          {{"", platform::MakeTextValue("\"" + program + "\" \"%1\"")}});
      return std::pair{extensionKey, typeKey};
    };
    const std::string goneType = "ZentGone." + tag_;
    const auto [goneExtension, goneTypeKey] =
        fileType(".zg" + tag_, goneType, base_ + "\\gone dir\\viewer.exe");
    removedKeys_.push_back(goneExtension);
    removedKeys_.push_back(goneTypeKey);
    fileType(".zh" + tag_, "ZentHere." + tag_, base_ + "\\Here.exec\\view.exe");
    findings_[kFileTypesCategory] = {goneType};
  }

  // An icon of a missing module is taken out by emptying its reference.
  void DefineIcons() {
    const RegLocation gone = ClassKey("ZentIconGone." + tag_);
    const RegLocation goneIcon{HKCR, Join(gone.path, "DefaultIcon")};
    Key(goneIcon, {{"", platform::MakeTextValue(base_ + "\\gone dir\\icons.dll,1")}});
    emptiedDefaults_.push_back(goneIcon);
    const RegLocation here = ClassKey("ZentIconHere." + tag_);
    Key({HKCR, Join(here.path, "DefaultIcon")},
        {{"",
          platform::MakeTextValue("\"" + base_ + "\\lib dir\\" + Tagged("there") + ".dll\",0")}});
    findings_[kIconsCategory] = {goneIcon.path};
  }

  // A key of its own below `parent`, whole in every snapshot.
  RegLocation ProgramKey(RegRoot root, std::string_view parent, std::string_view name) {
    RegLocation location{root, Join(parent, name)};
    ownKeys_.push_back(location);
    programKeys_.push_back(location);
    return location;
  }

  // Servers are read as command lines: quoted, with arguments, in a folder
  // whose name has a dot and a blank.
  void DefineClasses() {
    const std::string gone = Tagged("Gone Class");
    const RegLocation goneKey = ProgramKey(HKCR, kClassesKey, "{" + Tagged("5A1E gone") + "}");
    Key(goneKey, {{"", platform::MakeTextValue(gone)}});
    Key({HKCR, Join(goneKey.path, "InprocServer32")},
        {{"", platform::MakeTextValue(base_ + "\\gone dir\\gone class.dll")},
         {"ThreadingModel", platform::MakeTextValue("Both")}});
    removedKeys_.push_back(goneKey);
    const RegLocation quoted = ProgramKey(HKCR, kClassesKey, "{" + Tagged("5A1E quoted") + "}");
    Key(quoted, {{"", platform::MakeTextValue(Tagged("Quoted Class"))}});
    Key({HKCR, Join(quoted.path, "InprocServer32")},
        {{"", platform::MakeTextValue("\"" + base_ + "\\lib dir\\" + Tagged("there") +
                                      ".dll\" /regserver")}});
    const RegLocation dotted = ProgramKey(HKCR, kClassesKey, "{" + Tagged("5A1E dotted") + "}");
    Key(dotted, {{"", platform::MakeTextValue(Tagged("Dotted Class"))}});
    Key({HKCR, Join(dotted.path, "InprocServer32")},
        {{"", platform::MakeTextValue(base_ + "\\J.Doe Smith\\server.dll")}});
    findings_[kComCategory] = {gone};
  }

  // A library is kept while its 64-bit file is there or its 32-bit reference
  // names a resource inside a module.
  void DefineTypeLibraries() {
    const auto library = [&](std::string_view name, std::string_view description,
                             std::string_view win32, std::string_view win64) {
      const RegLocation key = ProgramKey(HKCR, kTypeLibrariesKey, "{" + Tagged(name) + "}");
      Key({HKCR, Join(key.path, "1.0")}, {{"", platform::MakeTextValue(std::string(description))}});
      Key({HKCR, Join(key.path, "1.0\\0\\win32")},
          {{"", platform::MakeTextValue(std::string(win32))}});
      if (!win64.empty()) {
        Key({HKCR, Join(key.path, "1.0\\0\\win64")},
            {{"", platform::MakeTextValue(std::string(win64))}});
      }
      return key;
    };
    const std::string gone = Tagged("Gone Library");
    removedKeys_.push_back(library("5A1E lib gone", gone, base_ + "\\gone dir\\gone.tlb", ""));
    library("5A1E lib 64", Tagged("Library 64"), base_ + "\\gone dir\\gone.tlb",
            base_ + "\\lib dir\\" + Tagged("there") + ".dll");
    library("5A1E lib res", Tagged("Library Resource"), base_ + "\\gone dir\\gone.dll\\12", "");
    findings_[kActiveXCategory] = {gone};
  }

  // A binary uninstall command names no program for certain: kept.
  void DefineUninstallEntries() {
    const std::string gone = Tagged("Gone Program");
    const RegLocation goneKey = ProgramKey(HKLM, kUninstallKey, Tagged("ZentGone"));
    Key(goneKey, {{"DisplayName", platform::MakeTextValue(gone)},
                  {"UninstallString",
                   platform::MakeTextValue("\"" + base_ + "\\gone dir\\uninst.exe\" /S")}});
    removedKeys_.push_back(goneKey);
    Key(ProgramKey(HKLM, kUninstallKey, Tagged("ZentDotted")),
        {{"DisplayName", platform::MakeTextValue(Tagged("Dotted Program"))},
         {"UninstallString", platform::MakeTextValue(base_ + "\\J.Doe Smith\\uninst.exe /S")}});
    Key(ProgramKey(HKLM, kUninstallKey, Tagged("ZentBinary")),
        {{"DisplayName", platform::MakeTextValue(Tagged("Binary Program"))},
         {"UninstallString", platform::MakeBinaryValue("C:\\gone.exe")}});
    findings_[kUninstallCategory] = {gone};
  }

  void DefineAutorunValues() {
    const RegLocation run{HKLM, std::string(kAutorunKey)};
    const std::string gone = Tagged("Gone Autorun");
    Key(run, {{gone, platform::MakeTextValue("\"" + base_ + "\\gone dir\\run me.exe\" -x")},
              {Tagged("Dotted Autorun"),
               platform::MakeTextValue(base_ + "\\J.Doe Smith\\uninst.exe -x")}});
    removedValues_.push_back({run, gone});
    findings_[kAutorunCategory] = {gone};
  }

  void DefineAppPaths() {
    const auto entry = [&](std::string_view name) {
      RegLocation location{HKLM, Join(kAppPathsKey, name)};
      ownKeys_.push_back(location);
      return location;
    };
    const std::string tool = Tagged("Grüße Tool") + ".exe";
    const RegLocation toolKey = entry(tool);
    Key(toolKey, {{"", platform::MakeTextValue(base_ + "\\gone dir\\Grüße Tool.exe")},
                  {"Path", platform::MakeTextValue(base_ + "\\gone dir\\")},
                  {"Flags", platform::MakeDwordValue(42)},
                  {"Blob", platform::MakeBinaryValue(LongBinary())},
                  {"Exp", Typed(platform::kRegExpandSz, "%SystemRoot%\\Ωμέγα")},
                  {"Multi", Typed(platform::kRegMultiSz, std::string("a\0b ü\0漢字"sv))},
                  {"Wide", Typed(platform::kRegQword, Bytes({1, 2, 3, 4, 5, 6, 7, 0x80}))},
                  // Editors are seen to export these shortened.
                  {"Long dword", Typed(platform::kRegDword, Bytes({1, 2, 3, 4, 5, 6, 7, 8}))},
                  {"Short dword", Typed(platform::kRegDword, Bytes({0x34, 0x12}))},
                  {"With NUL", platform::MakeTextValue("before\0after"sv)},
                  {"None", Typed(platform::kRegNone, Bytes({0, 0xff}))},
                  {"EmptyBinary", platform::MakeBinaryValue("")},
                  {"Empty", platform::MakeTextValue("")},
                  {"na\"me \\ x", platform::MakeTextValue("C:\\A \"quoted\" \\\\srv\\share\\")}});
    Key({HKLM, Join(toolKey.path, "Sub Kéy 漢")},
        {{"", platform::MakeTextValue("sub")}, {"n", platform::MakeDwordValue(-1)}});
    Key({HKLM, Join(toolKey.path, "Sub Kéy 漢\\Deeper \"q\"")},
        {{"bin", platform::MakeBinaryValue(Bytes({0xde, 0xad}))}});
    removedKeys_.push_back(toolKey);

    const std::string folderOnly = Tagged("Folder Only 漢字");
    const RegLocation folderKey = entry(folderOnly);
    Key(folderKey, {{"", platform::MakeTextValue("ignored.exe")},
                    {"Path", platform::MakeTextValue(base_ + "\\gone dir")}});
    removedKeys_.push_back(folderKey);

    // A key name the command line cannot quote: the editor cannot export it,
    // so the entry must stay although it is orphaned.
    const std::string quoted = Tagged("Say \"Hi\"") + ".exe";
    Key(entry(quoted), {{"", platform::MakeTextValue(base_ + "\\gone dir\\hi.exe")}});

    // A subkey name holding a line feed cannot be one key line, so no backup
    // can restore this key exactly and it stays: a restore of the backup must
    // leave it, its short number and odd text with it, as it is.
    const std::string unverifiable = Tagged("Unverifiable") + ".exe";
    unverifiableKey_ = entry(unverifiable);
    Key(unverifiableKey_, {{"", platform::MakeTextValue(base_ + "\\gone dir\\odd.exe")},
                           {"Three bytes", Typed(platform::kRegDword, Bytes({1, 2, 3}))}});
    Key({HKLM, Join(unverifiableKey_.path, "Line\nFeed")}, {{"v", platform::MakeTextValue("sub")}});

    Key(entry(Tagged("Valid Ωmega") + ".exe"),
        {{"", platform::MakeTextValue(base_ + "\\prog dir\\valid prog.exe")}});
    Key(entry(Tagged("Folder There")), {{"Path", platform::MakeTextValue(base_ + "\\prog dir")}});
    findings_[kAppPathsCategory] = {tool, folderOnly, quoted, unverifiable};
  }

  void DefineHelpFiles() {
    const RegLocation help{HKLM, std::string(kHelpFilesKey)};
    const std::string gone = Tagged("Hilfe Grüße") + ".hlp";
    // The name is joined to the folder, so a quote in it would make the path
    // invalid rather than missing; a backslash makes it a subfolder's file.
    const std::string nested = Tagged("sub\\Grüße") + ".hlp";
    Key(help, {{gone, platform::MakeTextValue(base_ + "\\help dir\\")},
               {nested, platform::MakeTextValue(base_ + "\\help dir")},
               {Tagged("valid") + ".chm", platform::MakeTextValue(base_ + "\\help dir")}});
    removedValues_.push_back({help, gone});
    removedValues_.push_back({help, nested});
    findings_[kHelpCategory] = {gone, nested};
  }

  void DefineSharedDlls() {
    const RegLocation dlls{HKLM, std::string(kSharedDllsKey)};
    const std::string gone = Tagged("gone ü") + ".dll";
    const std::string goneControl = Tagged("gone 漢") + ".ocx";
    const std::string libDir = base_ + "\\lib dir\\";
    Key(dlls, {{libDir + gone, platform::MakeDwordValue(3)},
               {libDir + goneControl, platform::MakeBinaryValue(Bytes({1, 0, 0, 0}))},
               {libDir + Tagged("there") + ".dll", platform::MakeDwordValue(1)},
               // No extension: a folder, never reported although missing.
               {base_ + "\\gone dir\\" + Tagged("folder"), platform::MakeDwordValue(1)},
               // Stays, and the export of the whole key must not shorten it.
               {libDir + Tagged("wide count"),
                Typed(platform::kRegDword, Bytes({2, 0, 0, 0, 0, 0, 0, 1}))}});
    removedValues_.push_back({dlls, libDir + gone});
    removedValues_.push_back({dlls, libDir + goneControl});
    findings_[kSharedDllsCategory] = {gone, goneControl};
  }

  void DefineFonts() {
    const RegLocation fonts{HKLM, std::string(kFontsKey)};
    const std::string gone = Tagged("Grüße Sans") + " (TrueType)";
    const std::string fullPath = Tagged("Font \"Q\" \\");
    Key(fonts, {{gone, platform::MakeTextValue(Tagged("gone grüße") + ".ttf")},
                {fullPath, platform::MakeTextValue(base_ + "\\gone dir\\gone.fon")},
                {Tagged("Valid Font"), platform::MakeTextValue(Tagged("there") + ".ttf")},
                {Tagged("Valid Full Path"),
                 platform::MakeTextValue(FontsDir() + "\\" + Tagged("there") + ".ttf")}});
    removedValues_.push_back({fonts, gone});
    removedValues_.push_back({fonts, fullPath});
    findings_[kFontsCategory] = {gone, fullPath};
  }

  void DefineSounds() {
    const std::string app = Join(kSoundAppsKey, Tagged("ZentApp ü"));
    ownKeys_.push_back({HKCU, app});
    const auto current = [&](std::string_view event) {
      return RegLocation{HKCU, Join(Join(app, event), ".current")};
    };
    const std::string ding = Tagged("Ding Grüße");
    Key(current(ding), {{"", platform::MakeTextValue(base_ + "\\media\\gone ding.wav")},
                        {"Extra", platform::MakeDwordValue(5)}});
    Key({HKCU, Join(Join(app, ding), ".Default")}, {{"", platform::MakeTextValue("x.wav")}});
    emptiedDefaults_.push_back(current(ding));
    const std::string quoted = Tagged("Quote \"E\"");
    Key(current(quoted), {{"", platform::MakeTextValue(base_ + "\\media\\gone.wav")}});
    Key(current(Tagged("Valid")), {{"", platform::MakeTextValue(base_ + "\\media\\there.wav")}});
    Key(current(Tagged("Bare")), {{"", platform::MakeTextValue("ding.wav")}});
    findings_[kSoundsCategory] = {ding, quoted};
  }

  void DefineOtherEntries() {
    otherKey_ = {HKCU, "Software\\ZentTests\\Repair Grüße " + tag_};
    ownKeys_.push_back(otherKey_);
    const std::string quoted = Tagged("na\"me \\ Ωμέγα");
    Key(otherKey_, {{"", platform::MakeTextValue("\\\\server\\share Grüße 漢字")},
                    {quoted, platform::MakeTextValue("C:\\A \"quoted\" \\\\srv\\share\\")},
                    // Not emptied: numbers, expandable and empty texts. A text that cannot
                    // be one line of a script is saved as its bytes.
                    {Tagged("Count"), platform::MakeDwordValue(7)},
                    {Tagged("Expand"), Typed(platform::kRegExpandSz, "%TEMP%\\x")},
                    {Tagged("Empty"), platform::MakeTextValue("")},
                    {Tagged("Two lines"), platform::MakeTextValue("a\r\nb")}});
    otherValues_ = keys_.back().second;
    otherValues_.front().first = "(Standard)";
    emptiedOthers_ = {"", quoted, Tagged("Two lines")};
  }

  void MakeFiles() const {
    auto& files = Real().files;
    for (const std::string_view folder : {"\\prog dir", "\\help dir", "\\lib dir", "\\fonts",
                                          "\\media", "\\J.Doe Smith", "\\Here.exec"}) {
      ASSERT_TRUE(files.CreateFolders(base_ + std::string(folder))) << folder;
    }
    for (const std::string& file :
         {std::string("\\prog dir\\valid prog.exe"), "\\help dir\\" + Tagged("valid") + ".chm",
          "\\lib dir\\" + Tagged("there") + ".dll", "\\fonts\\" + Tagged("there") + ".ttf",
          std::string("\\media\\there.wav"), std::string("\\J.Doe Smith\\server.dll"),
          std::string("\\J.Doe Smith\\uninst.exe"), std::string("\\Here.exec\\view.exe")}) {
      ASSERT_TRUE(files.WriteWhole(base_ + file, "present")) << base_ + file;
    }
  }

  std::string tag_;
  std::string base_;
  bool helpWasThere_ = false;
  bool dllsWereThere_ = false;
  bool fontsWereThere_ = false;
  bool soundsWereThere_ = false;
  std::vector<std::pair<RegLocation, std::vector<std::pair<std::string, RegValue>>>> keys_;
  std::vector<RegLocation> ownKeys_;  // removed whole on clean-up
  std::vector<RegLocation> programKeys_;
  std::vector<RegLocation> removedKeys_;
  std::vector<std::pair<RegLocation, std::string>> removedValues_;
  std::vector<RegLocation> emptiedDefaults_;
  std::map<int, std::set<std::string>> findings_;
  RegLocation otherKey_;
  RegLocation unverifiableKey_;
  std::vector<std::pair<std::string, RegValue>> otherValues_;  // as the findings name them
  std::vector<std::string> emptiedOthers_;
};

// The ".reg" files of the backup folder by name.
std::vector<std::string> BackupFiles(const std::string& directory) {
  std::vector<std::string> names;
  for (const auto& entry : Real().files.List(directory + "\\*.reg", 0).entries) {
    names.push_back(entry.name);
  }
  return names;
}

std::vector<std::string> DatedBackups(const std::string& directory) {
  std::vector<std::string> dated;
  for (const auto& name : BackupFiles(directory)) {
    if (name != kRunningBackupName && name != kScratchName) dated.push_back(name);
  }
  return dated;
}

// Imports a script with the platform's registry editor, by its full path, as
// a user restoring a backup would.
void Import(const std::string& path) {
  const std::string editor = Real().system.WindowsDirectory() + "\\regedit.exe";
  const auto started =
      Real().launcher.StartProgramHidden(editor, "\"" + editor + "\" /s \"" + path + "\"");
  ASSERT_NE(started.program, nullptr) << path;
  while (!started.program->WaitForEnd(1000)) Real().pump.Pump();
}

std::string Listed(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += "  " + line + "\n";
  return text;
}

// Every key and value the run took or changed that importing the backup
// would not write back with the same type and bytes, read with the product's
// own script reader.
std::vector<std::string> NotRestoredBy(const std::string& backup, const RegistrySnapshot& before,
                                       const RegistrySnapshot& after) {
  const auto script = ReadRegScript(Real().files.ReadWhole(backup).value_or(""));
  if (!script) return {"<not a script: " + backup + ">"};
  const auto imported = ImportedContent(*script);
  std::vector<std::string> missing;
  for (const auto& [key, values] : before.Keys()) {
    const auto kept = after.Keys().find(key);
    const auto restored = imported.find(UpperCaseUtf8(key));
    if (kept == after.Keys().end() && restored == imported.end()) missing.push_back(key);
    for (const auto& [name, value] : values) {
      if (kept != after.Keys().end() && kept->second.contains(name) &&
          kept->second.at(name) == value) {
        continue;
      }
      const auto* held =
          restored == imported.end() || !restored->second.contains(UpperCaseUtf8(name))
              ? nullptr
              : &restored->second.at(UpperCaseUtf8(name));
      if (held == nullptr || held->type != value.type || held->data != value.data) {
        missing.push_back(key + " : " + name);
      }
    }
  }
  return missing;
}

// The locale's day name, then day, month, year, hour and minute of the last
// write (a move keeps that time).
std::string ExpectedDatedName(const std::string& path) {
  const auto written = Real().files.LastWriteTime(path);
  if (!written) return "<no time for " + path + ">";
  char digits[32];
  std::snprintf(digits, sizeof digits, "%02d%02d%04d%02d%02d", written->day, written->month,
                written->year, written->hour, written->minute);
  return Real().system.AbbreviatedDayName(written->dayOfWeek) + digits + ".reg";
}

class RegistryRepairOnWine : public ::testing::Test {
 protected:
  BackupSettingAside backupSetting_;
  Plantation plantation_;
};

// With the registry editor, or with the system's console exporter where the
// editor needs rights the saver's token lacks.
class RegistryRepairByExporter : public RegistryRepairOnWine,
                                 public ::testing::WithParamInterface<bool> {};

TEST_P(RegistryRepairByExporter, RemovesExactlyTheOrphansAndTheDatedBackupRestoresThem) {
  const bool editorRefused = GetParam();
  EditorNeedsElevation refusing;
  plantation_.Plant();
  RunWorld world(
      plantation_.Base() + "\\product", plantation_.FontsDir(),
      editorRefused ? static_cast<platform::ProgramLauncher&>(refusing) : Real().launcher);
  const RegistrySnapshot before = plantation_.Snapshot();

  RunListScans(world.run);
  RunProgramScans(world.run);
  EXPECT_EQ(plantation_.KeepOnlyOurFindings(world.categories), plantation_.ExpectedFindings());
  plantation_.AddSelectedOtherEntries(world.categories);
  world.state.RepairRunning = true;
  RegistryRepair(world.run).Repair();

  EXPECT_FALSE(world.state.RepairRunning);
  EXPECT_TRUE(world.categories.Empty());
  EXPECT_EQ(Listed(Differences(plantation_.AfterRepair(before), plantation_.Snapshot())), "");
  const std::string backupDirectory = plantation_.Base() + "\\product\\BACKUP";
  const auto dated = DatedBackups(backupDirectory);
  ASSERT_EQ(dated.size(), 1u) << Listed(BackupFiles(backupDirectory));
  EXPECT_EQ(Real().files.FileExists(backupDirectory + "\\1.reg"), Presence::Missing);
  EXPECT_EQ(dated.front(), ExpectedDatedName(backupDirectory + "\\" + dated.front()));

  EXPECT_EQ(
      Listed(NotRestoredBy(backupDirectory + "\\" + dated.front(), before, plantation_.Snapshot())),
      "");
  Import(backupDirectory + "\\" + dated.front());
  EXPECT_EQ(Listed(Differences(before, plantation_.Snapshot())), "");
}

INSTANTIATE_TEST_SUITE_P(Exporters, RegistryRepairByExporter, ::testing::Bool(),
                         [](const auto& exporter) {
                           return exporter.param ? "ConsoleExporter" : "RegistryEditor";
                         });

// What one repair that input ends at pump call `abortAt` leaves behind.
struct AbortedRun {
  bool abortFired = false;
  bool removedSomething = false;
};

AbortedRun RepairEndedAtPumpCall(Plantation& plantation, int abortAt) {
  AbortedRun outcome;
  plantation.Plant();
  const std::string product = plantation.Base() + "\\product " + std::to_string(abortAt);
  const std::string backupDirectory = product + "\\BACKUP";
  RunWorld world(product, plantation.FontsDir());
  const RegistrySnapshot before = plantation.Snapshot();
  RunListScans(world.run);
  plantation.KeepOnlyOurFindings(world.categories);
  plantation.AddSelectedOtherEntries(world.categories);

  RegistryRepair repair(world.run);
  // What the saver window does on input: ask the run to stop and, while the
  // repair runs, give the running backup its dated name at once.
  world.pump.calls = 0;
  world.pump.onPump = [&](int call) {
    if (call != abortAt) return;
    outcome.abortFired = true;
    world.state.AbortRequested = true;
    if (world.state.RepairRunning) repair.FinishBackup();
  };
  world.state.RepairRunning = true;
  repair.Repair();
  world.pump.onPump = nullptr;

  outcome.removedSomething = !Differences(before, plantation.Snapshot()).empty();
  EXPECT_FALSE(world.state.RepairRunning);
  // No backup may be left only in the running or the scratch file: restoring
  // the dated files alone must bring back everything.
  EXPECT_EQ(Real().files.FileExists(backupDirectory + "\\1.reg"), Presence::Missing)
      << Listed(BackupFiles(backupDirectory));
  for (const auto& name : DatedBackups(backupDirectory)) Import(backupDirectory + "\\" + name);
  EXPECT_EQ(Listed(Differences(before, plantation.Snapshot())), "");
  return outcome;
}

TEST_F(RegistryRepairOnWine, EverythingRemovedBeforeAnAbortIsInTheDatedBackups) {
  const auto started = std::chrono::steady_clock::now();
  int abortedRuns = 0;
  int abortedAfterRemoving = 0;
  constexpr int kEnoughPumpCalls = 400;  // far more than one repair of these entries makes
  int abortAt = 1;
  for (; abortAt <= kEnoughPumpCalls; ++abortAt) {
    SCOPED_TRACE("abort at pump call " + std::to_string(abortAt));
    const AbortedRun outcome = RepairEndedAtPumpCall(plantation_, abortAt);
    if (::testing::Test::HasFatalFailure() || !outcome.abortFired) break;
    ++abortedRuns;
    if (outcome.removedSomething) ++abortedAfterRemoving;
  }
  const auto seconds =
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started)
          .count();
  std::printf("[ info     ] %d aborted repairs (%d after removing entries) in %lld s\n",
              abortedRuns, abortedAfterRemoving, static_cast<long long>(seconds));
  EXPECT_LT(abortAt, kEnoughPumpCalls) << "the repair never got through without an abort";
  // Aborts must have hit the repair after it had removed entries, or the
  // test proved nothing about the backups.
  EXPECT_GT(abortedAfterRemoving, 5);
}

// The folder of this program, which a search for a bare program name looks
// in first.
std::string OwnFolder() {
  std::wstring path(MAX_PATH, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, path.data(), MAX_PATH);
  path.resize(length < MAX_PATH ? length : 0);
  const std::string narrow = win32::Narrow(path);
  return narrow.substr(0, narrow.rfind('\\'));
}

// Starts a command line as a shell would, the program found by its bare name
// (this program's folder and the current folder first), and waits for it.
bool RunByBareName(const std::string& commandLine) {
  std::wstring command = win32::Widen(commandLine);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                      nullptr, &startup, &started)) {
    return false;
  }
  const win32::UniqueKernelObject thread(started.hThread);
  const win32::UniqueKernelObject process(started.hProcess);
  return WaitForSingleObject(process.get(), INFINITE) == WAIT_OBJECT_0;
}

// Stand-in editors planted in this program's folder and in a current folder
// of their own; taken away again, with the current folder put back, at the
// end.
class PlantedEditors {
 public:
  explicit PlantedEditors(const std::string& currentFolder) : current_(currentFolder) {
    GetCurrentDirectoryW(MAX_PATH, previous_);
    const std::string standIn = OwnFolder() + "\\standin_regedit.exe";
    EXPECT_EQ(Real().files.FileExists(standIn), Presence::Present)
        << "tools/wine-tests.sh puts it beside the test program";
    Real().files.CreateFolders(current_);
    for (const auto& folder : {OwnFolder(), current_}) {
      EXPECT_TRUE(CopyFileW(win32::Widen(standIn).c_str(),
                            win32::Widen(folder + "\\regedit.exe").c_str(), FALSE))
          << folder;
    }
    EXPECT_TRUE(SetCurrentDirectoryW(win32::Widen(current_).c_str()));
  }
  ~PlantedEditors() {
    SetCurrentDirectoryW(previous_);
    for (const auto& folder : {OwnFolder(), current_}) {
      Real().files.Delete(folder + "\\regedit.exe");
      Real().files.Delete(folder + "\\regedit.exe.started");
    }
  }
  PlantedEditors(const PlantedEditors&) = delete;
  PlantedEditors& operator=(const PlantedEditors&) = delete;

  // The folders whose stand-in has run, and its trace taken away.
  std::vector<std::string> TakeStarted() const {
    std::vector<std::string> started;
    for (const auto& folder : {OwnFolder(), current_}) {
      if (Real().files.Delete(folder + "\\regedit.exe.started")) started.push_back(folder);
    }
    return started;
  }

 private:
  std::string current_;
  wchar_t previous_[MAX_PATH] = {};
};

TEST(RegistryEditorOnWine, APlantedRegeditBesideTheProgramOrInTheCurrentFolderNeverRuns) {
  BackupSettingAside backupSetting;
  const std::string base =
      "C:\\ZentStandInTest" + std::to_string(Real().clock.TickMilliseconds() % 100000);
  PlantedEditors planted(base + "\\current");
  // Started by its bare name, the way the editor once was, a planted one runs.
  ASSERT_TRUE(RunByBareName("regedit /?"));
  ASSERT_FALSE(planted.TakeStarted().empty()) << "the stand-in does not leave its trace";

  const std::string key = Join(kAppPathsKey, "zentstandin.exe");
  ASSERT_TRUE(RegWriteNumber(Real().registry, HKLM, key, "Count", 7));
  RunWorld world(base + "\\product", base);
  CategoryItem& item = world.categories.Add(kAppPathsCategory, "Apps");
  item.category.CreateLists();
  item.category.Record({"zentstandin.exe", base + "\\gone.exe", {}, {}});
  item.category.SetAllFlags(1);
  world.state.RepairRunning = true;
  RegistryRepair(world.run).Repair();
  const bool removed = !RegKeyExists(Real().registry, HKLM, key);
  RegRemoveKey(Real().registry, HKLM, key);

  EXPECT_EQ(Listed(planted.TakeStarted()), "");
  EXPECT_TRUE(removed) << "the system's editor did not export the key";
  const auto dated = DatedBackups(base + "\\product\\BACKUP");
  ASSERT_EQ(dated.size(), 1u);
  const auto script = ReadRegScript(
      Real().files.ReadWhole(base + "\\product\\BACKUP\\" + dated.front()).value_or(""));
  ASSERT_TRUE(script);
  EXPECT_TRUE(ImportedContent(*script).contains(UpperCaseUtf8("HKEY_LOCAL_MACHINE\\" + key)));
}

// Gives everyone the right to read the key below HKEY_CURRENT_USER and nothing else, as the
// machine's keys are to a standard user.
bool GrantEveryoneReadOnly(const std::string& keyPath) {
  win32::UniqueHkey key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, win32::Widen(keyPath).c_str(), 0, WRITE_DAC, key.put()) !=
      ERROR_SUCCESS) {
    return false;
  }
  BYTE everyone[SECURITY_MAX_SID_SIZE];
  DWORD sidSize = sizeof everyone;
  alignas(DWORD) BYTE aclBuffer[256];
  auto* acl = reinterpret_cast<PACL>(aclBuffer);
  SECURITY_DESCRIPTOR descriptor;
  return CreateWellKnownSid(WinWorldSid, nullptr, everyone, &sidSize) &&
         InitializeAcl(acl, sizeof aclBuffer, ACL_REVISION) &&
         AddAccessAllowedAce(acl, ACL_REVISION, KEY_READ, everyone) &&
         InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
         SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE) &&
         RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, &descriptor) == ERROR_SUCCESS;
}

// What the repair leaves, and why.
class LeftEntries final : public RunJournal {
 public:
  void EntryLeft(int, std::string_view entry, std::string_view reason, bool) noexcept override {
    left.push_back(std::string(entry) + ": " + std::string(reason));
  }
  std::vector<std::string> left;
};

// A selected finding whose value this user may not change (the key grants
// everyone read rights only): the repair leaves it and backs nothing up. Wine
// keeps a key's security for its values, though not for deleting the key.
TEST(RegistryRepairRightsOnWine, AValueThisUserMayNotChangeIsLeftWithTheReason) {
  BackupSettingAside backupSetting;
  const std::string key = testing::NewTestKey();
  ASSERT_TRUE(Real().registry.Create(HKCU, key)->SetValue(
      "Target", platform::MakeTextValue("C:\\ZENTGONE\\X.EXE")));
  ASSERT_TRUE(GrantEveryoneReadOnly(key));
  const std::string product = testing::NewTestFolder() + "product";
  RunWorld world(product, product);
  LeftEntries journal;
  world.run.journal = &journal;
  CategoryItem& item = world.categories.Add(11, "whole registry");
  item.category.CreateLists();
  item.category.Record({"Target", "C:\\ZENTGONE\\X.EXE", "HKEY_CURRENT_USER\\" + key, ""});
  item.category.SetAllFlags(1);
  RegistryRepair(world.run).Repair();

  EXPECT_EQ(journal.left, std::vector<std::string>{"the text of the value \"Target\" of "
                                                   "HKEY_CURRENT_USER\\" +
                                                   key + " (the value stays): " +
                                                   std::string(kNeedsAdministratorRights)});
  EXPECT_EQ(TryReadText(Real().registry, HKCU, key, "Target"), "C:\\ZENTGONE\\X.EXE");
  EXPECT_FALSE(RegRemoveValue(Real().registry, HKCU, key, "Target"));
  EXPECT_TRUE(DatedBackups(product + "\\BACKUP").empty());
  EXPECT_EQ(Real().files.FileExists(product + "\\BACKUP\\1.reg"), Presence::Missing);
}

}  // namespace
}  // namespace zent
