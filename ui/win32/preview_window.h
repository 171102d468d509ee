#pragma once

// The saver's picture inside the display settings' little monitor: a child of
// the host window they name, drawing the starfield until the host goes away.
// Nothing is cleaned and nothing is written.

#include <windows.h>
// platform::Canvas::TextOut keeps its own name in this layer.
#undef TextOut

#include "ui/saver_window.h"

namespace zent::win32 {

// Draws in `host` until the host, and with it the preview, is destroyed.
// Returns at once when `host` is no window or the preview cannot be made.
void RunPreview(HINSTANCE instance, HWND host, const StarSettings& stars);

}  // namespace zent::win32
