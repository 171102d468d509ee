#pragma once

// The one window procedure of the program's windows. WM_NCCREATE, whose
// creation parameter is the object, stores the object with the window and
// hands it the window to own; every later message goes to the object's
// HandleMessage; WM_NCDESTROY takes the object off the window and lets go of
// the handle the system has just destroyed, so an object whose window went
// with its parent never holds a dead handle. An object that took itself off
// the window first (GWLP_USERDATA set to 0, as a destructor may) gets no more
// messages.
//
// `Owner` keeps a `UniqueWindow window_` and an
// `LRESULT HandleMessage(HWND, UINT, WPARAM, LPARAM)`, and befriends
// WindowProcedure<Owner> when they are private.

#include <windows.h>

namespace zent::win32 {

template <typename Owner>
struct WindowProcedure {
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) Attach(window, lParam);
    auto* owner = reinterpret_cast<Owner*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (owner == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      (void)owner->window_.release();  // destroyed already: nothing is left to close
      return DefWindowProcW(window, message, wParam, lParam);
    }
    return owner->HandleMessage(window, message, wParam, lParam);
  }

 private:
  static void Attach(HWND window, LPARAM lParam) {
    auto* owner = static_cast<Owner*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    owner->window_.reset(window);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
  }
};

}  // namespace zent::win32
