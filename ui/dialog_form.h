#pragma once

// The configuration dialog TForm1 and the component list of the saver window
// TForm2, with their German texts and initial states, laid out at 96 dpi.

#include <string>

#include "ui/components.h"

namespace zent {

// TForm1: the dialog with its three pages (PageControl1 opens on page index 1),
// Preview (Button2) and Apply (Button1). Tab sheets are TabSheet1..3, page
// captions are their texts; controls on a page carry that page's index.
Form MakeConfigurationDialog();

// TForm2: the saver window's components in declaration order, none tagged.
Form MakeSaverWindowForm();

// The settings controls of the dialog.
Control& SafetyModeButton(Form& dialog);       // RadioButton1
Control& MainProgramModeButton(Form& dialog);  // RadioButton2
Control& NeverDeleteButton(Form& dialog);      // RadioButton4
Control& AlwaysDeleteButton(Form& dialog);     // RadioButton5
Control& StarCountEdit(Form& dialog);          // Edit1
Control& StarCountArrows(Form& dialog);        // UpDown1
Control& SpeedBar(Form& dialog);               // TrackBar1
Control& BlockStarsBox(Form& dialog);          // CheckBox1
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

// Edit1 := UpDown1's position as decimal text.
void FormCreate(Form& dialog);

// One click of the arrows: UpDown1 takes `newPosition` (within its range) and
// Edit1 shows it. The arrows continue from their own position, never from a
// loaded star count.
void UpDown1Click(Form& dialog, int newPosition);

// The class-library inheritance the interface-text pass relies on.
bool IsButtonKind(ControlKind kind);    // TButton: Button, OButton
bool IsCheckBoxKind(ControlKind kind);  // TCheckBox: CheckBox, OCheckBox
bool IsLabelKind(ControlKind kind);     // TLabel: Label, OrtavoLabel

}  // namespace zent
