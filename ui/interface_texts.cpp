#include "ui/interface_texts.h"

#include <algorithm>
#include <array>
#include <limits>

#include "ui/dialog_form.h"

namespace zent {

namespace {

// Byte for byte as in app/strings.rc; 102 and 103 end with a blank and 1 has
// two blanks in a row.
constexpr std::array kStringTable = {
    StringTableEntry{1, "Kelvaro 99  ULVEX Screen Saver Configuration"},
    StringTableEntry{2, "Preview"},
    StringTableEntry{3, "Apply"},
    StringTableEntry{10, "Options"},
    StringTableEntry{11, "Appearance"},
    StringTableEntry{12, "Security"},
    StringTableEntry{100,
                     "Please select source for screen saver options. The first option is "
                     "restricted for safety,"},
    StringTableEntry{
        101, "the second option uses all the settings you can configure in the main program."},
    StringTableEntry{102, "SAFETY OPTIMIZED SETTINGS "},
    StringTableEntry{103,
                     "These settings are designed to avoid conflicts with other active software "
                     "(especially "},
    StringTableEntry{104,
                     "installation programs). Temporary files and folders, shortcuts and "
                     "Add/Remove Software"},
    StringTableEntry{105, "entries are all ignored to protect installations in progress."},
    StringTableEntry{106, "RECOMMENDED -- particularly for inexperienced users!"},
    StringTableEntry{110, "MAIN PROGRAM SETTINGS"},
    StringTableEntry{
        111, "Before using this option please start the main program and configure the settings"},
    StringTableEntry{112, "in the \"Options\" and \"User-Defined\" sections (main menu)."},
    StringTableEntry{
        113, "WARNING: This option uses !ALL! the settings configured in the main program!"},
    StringTableEntry{114, "You must exit the main program to apply the changes!"},
    StringTableEntry{200, "Appearance of the starfield displayed when the screen saver is active:"},
    StringTableEntry{201, "Click \"Preview\" to view the results before saving."},
    StringTableEntry{202, "Number of stars:"},
    StringTableEntry{203, "Speed:"},
    StringTableEntry{204, "Display stars as blocks of 4 pixels (default: 1 pixel). This looks"},
    StringTableEntry{205,
                     "better than a 1 pixel display but can slow down the starfield slightly."},
    StringTableEntry{300, "Delete write-protected files when active?"},
    StringTableEntry{301, "Never delete (recommended!)"},
    StringTableEntry{302,
                     "No write-protected files or folder will be deleted by the screen saver."},
    StringTableEntry{303, "Always delete (caution!)"},
    StringTableEntry{304, "Screen saver will also delete write-protected files and folders."},
    StringTableEntry{400, "Please wait..."},
};

// The class list the pass tests each tagged control against; a control that
// belongs to any of them takes its tag's text as caption. Labels are listed
// twice and the maker's kinds also match their base kinds; every match sets
// the same text, so one test per control gives the same result.
bool TakesCaption(ControlKind kind) {
  return IsButtonKind(kind) || IsCheckBoxKind(kind) || IsLabelKind(kind) ||
         kind == ControlKind::TabSheet || kind == ControlKind::GroupBox ||
         kind == ControlKind::RadioButton;
}

void ApplyText(Control& control, platform::TextResources& resources) {
  if (control.tag == 0) {
    return;
  }
  if (TakesCaption(control.kind)) {
    control.text = resources.LoadText(control.tag);
  }
  if (control.kind == ControlKind::OrtavoButton) {
    control.text = resources.LoadText(control.tag);
    // A tag so large that the hint id would overflow has no hint text.
    const bool hintIdFits = control.tag <= std::numeric_limits<int>::max() - kHintTextOffset;
    control.hint = hintIdFits ? resources.LoadText(control.tag + kHintTextOffset) : std::string();
  }
}

}  // namespace

std::span<const StringTableEntry> StringTable() { return kStringTable; }

std::string StringTableText(int id) {
  const auto found = std::find_if(kStringTable.begin(), kStringTable.end(),
                                  [id](const StringTableEntry& entry) { return entry.id == id; });
  if (found == kStringTable.end()) {
    return {};
  }
  return std::string(found->text.substr(0, kMaxTextLength));
}

void ApplyInterfaceTexts(const std::vector<Form*>& forms, platform::TextResources& resources) {
  for (Form* form : forms) {
    for (Control& control : form->controls) {
      ApplyText(control, resources);
    }
  }
}

}  // namespace zent
