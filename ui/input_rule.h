#pragma once

// When input ends the saver. Windows reports a mouse move as soon as the
// window appears, even with the mouse lying still, so the first reported
// position is only remembered; any later report elsewhere (one pixel is
// enough) ends the saver. Every button, wheel and key event ends it at once.

namespace zent {

enum class InputEvent { MouseMove, MouseDown, MouseWheel, KeyDown, Click, DoubleClick };

class CloseOnInputRule {
 public:
  // Forgets the first move, as when the window opens again for a preview.
  void Reset() { firstMoveSeen_ = false; }
  // True when this event ends the saver. x and y are read for mouse moves only.
  bool ShouldEnd(InputEvent event, int x, int y);
  bool FirstMoveSeen() const { return firstMoveSeen_; }

 private:
  bool firstMoveSeen_ = false;
  int firstX_ = 0;
  int firstY_ = 0;
};

}  // namespace zent
