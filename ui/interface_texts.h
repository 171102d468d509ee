#pragma once

// The English interface texts and the pass that puts them into the windows by
// each control's tag.

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/resources.h"
#include "ui/components.h"

namespace zent {

struct StringTableEntry {
  int id;
  std::string_view text;
};

// Every id and text the program's string table holds (made from ui/strings.rc), in ascending id
// order.
std::span<const StringTableEntry> StringTable();

// The table's text for `id`, cut to platform::kMaxTextLength; empty for a missing id.
std::string StringTableText(int id);

// The ids that have no control of their own: fetched where they are used.
inline constexpr int kDialogCaptionText = 1;
inline constexpr int kFirstPageCaptionText = 10;  // pages 10, 11, 12
inline constexpr int kPleaseWaitText = 400;
inline constexpr int kSettingsNotSavedText = 410;
inline constexpr int kSettingsKeysClosedText = 411;

// Sets the text of every tagged button, check box, label, tab sheet, group box
// and radio button to its tag's text, going over the forms and their controls
// in creation order. Untagged controls and other kinds keep their texts.
void ApplyInterfaceTexts(const std::vector<Form*>& forms, platform::TextResources& resources);

}  // namespace zent
