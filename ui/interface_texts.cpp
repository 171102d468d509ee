#include "ui/interface_texts.h"

#include <algorithm>
#include <array>
#include <limits>

#include "ui/dialog_form.h"

namespace zent {

namespace {

// Ascending ids, made from ui/strings.rc.
constexpr std::array kStringTable = {
#include "ui/string_table.inc"
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
  return std::string(found->text.substr(0, platform::kMaxTextLength));
}

void ApplyInterfaceTexts(const std::vector<Form*>& forms, platform::TextResources& resources) {
  for (Form* form : forms) {
    for (Control& control : form->controls) {
      ApplyText(control, resources);
    }
  }
}

}  // namespace zent
