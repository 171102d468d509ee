#pragma once

// The windows' components as plain data: a control's kind, tag and texts are
// fields, so the interface-text pass and the settings code run without a window
// system. The Win32 layer builds its real windows from these descriptions and
// copies the user's changes back into them.

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace zent {

enum class ControlKind {
  Button,
  CheckBox,
  Label,
  TabSheet,
  GroupBox,
  RadioButton,
  Edit,
  UpDown,
  TrackBar,
  PageControl,
  ListBox,
  ListView,
  Timer,
  Other
};

struct Control {
  std::string name;
  ControlKind kind = ControlKind::Other;
  int tag = 0;  // id of the control's text; 0 = not translated
  std::string text;
  std::string hint;
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  int page = -1;  // index of the tab page holding the control; -1 = on the form
  bool visible = true;
  bool checked = false;
  int position = 0;
  int minimum = 0;
  int maximum = 0;
  int step = 1;
};

struct Form {
  std::string name;
  std::string caption;
  int clientWidth = 0;
  int clientHeight = 0;
  std::vector<Control> controls;  // in creation order

  // Throws std::out_of_range for a name the form does not own.
  Control& Find(std::string_view controlName);
  const Control& Find(std::string_view controlName) const;
};

}  // namespace zent
