#pragma once

// The configuration dialog with its German texts and initial states, laid out
// at 96 dpi.
//
// The control names ("Button1", "Edit1", ...) are only keys: code outside
// this file reaches the dialog's controls through the accessors below, the
// tests look controls up by these keys. A control's tag is what matters for
// behaviour: it is the id of the control's English text in ui/strings.rc, so
// changing a tag changes what the control says.

#include <string>

#include "ui/components.h"

namespace zent {

// The dialog with its three pages (the page control "PageControl1" opens on
// page index 1), Preview and Apply. Tab sheets are "TabSheet1".."TabSheet3",
// page captions are their texts; controls on a page carry that page's index.
Form MakeConfigurationDialog();

// The dialog's controls by their job.
Control& SafetyModeButton(Form& dialog);       // RadioButton1
Control& MainProgramModeButton(Form& dialog);  // RadioButton2
Control& NeverDeleteButton(Form& dialog);      // RadioButton4
Control& AlwaysDeleteButton(Form& dialog);     // RadioButton5
Control& StarCountEdit(Form& dialog);          // Edit1
Control& StarCountArrows(Form& dialog);        // UpDown1
Control& SpeedBar(Form& dialog);               // TrackBar1
Control& BlockStarsBox(Form& dialog);          // CheckBox1
Control& PreviewButton(Form& dialog);          // Button2
Control& ApplyButton(Form& dialog);            // Button1
Control& CleanNowButton(Form& dialog);         // Button3, on the first page
const Control& SafetyModeButton(const Form& dialog);
const Control& MainProgramModeButton(const Form& dialog);
const Control& NeverDeleteButton(const Form& dialog);
const Control& AlwaysDeleteButton(const Form& dialog);
const Control& StarCountEdit(const Form& dialog);
const Control& SpeedBar(const Form& dialog);
const Control& BlockStarsBox(const Form& dialog);

// Checks `button` and unchecks the other radio buttons of its group (the
// radio buttons sharing its page).
void CheckRadioButton(Form& form, Control& button);

// Moves a track bar, keeping the position within its minimum and maximum.
void SetTrackBarPosition(Control& trackBar, int position);

// The star-count edit shows the arrows' position as decimal text: the
// dialog's opening state, before any stored settings are loaded.
void FillStarCountFromArrows(Form& dialog);

// One click of the star-count arrows: they take `newPosition` (within their
// range) and the star-count edit shows it. The arrows continue from their own
// position, never from a loaded star count.
void MoveStarCountArrows(Form& dialog, int newPosition);

}  // namespace zent
