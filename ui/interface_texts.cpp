#include "ui/interface_texts.h"

#include <algorithm>
#include <array>

namespace zent {

namespace {

// Ascending ids, made from ui/strings.rc.
constexpr std::array kStringTable = {
#include "ui/string_table.inc"
};

// The kinds of control whose caption is their tag's text.
bool TakesCaption(ControlKind kind) {
  switch (kind) {
    case ControlKind::Button:
    case ControlKind::CheckBox:
    case ControlKind::Label:
    case ControlKind::TabSheet:
    case ControlKind::GroupBox:
    case ControlKind::RadioButton:
      return true;
    default:
      return false;
  }
}

void ApplyText(Control& control, platform::TextResources& resources) {
  if (control.tag != 0 && TakesCaption(control.kind)) {
    control.text = resources.LoadText(control.tag);
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
