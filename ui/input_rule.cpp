#include "ui/input_rule.h"

namespace zent {

bool CloseOnInputRule::ShouldEnd(InputEvent event, int x, int y) {
  if (event != InputEvent::MouseMove) return true;
  if (!firstMoveSeen_) {
    firstMoveSeen_ = true;
    firstX_ = x;
    firstY_ = y;
    return false;
  }
  return x != firstX_ || y != firstY_;
}

}  // namespace zent
