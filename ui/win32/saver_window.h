#pragma once

// The saver window on the screen: a borderless black popup over the whole
// screen with an invisible pointer. A timer drives the starfield of the
// portable SaverWindowModel at most TickPacer::kTicksPerSecond times a second;
// the stars are drawn into a frame in memory, and what changed goes to the
// screen with the message line over it in one copy per tick. Every input
// message goes to the model's close-on-input rule.

#include <windows.h>
// platform::Canvas::TextOut keeps its own name in this layer; the system's
// function is called as TextOutW.
#undef TextOut

#include <functional>
#include <optional>
#include <string>

#include "platform/win32/canvas.h"
#include "platform/win32/handles.h"
#include "ui/saver_window.h"
#include "ui/tick_pacer.h"
#include "ui/win32/window_procedure.h"

namespace zent::win32 {

class SaverWindow final : private FrameOverlay {
 public:
  static constexpr const wchar_t* kCaption = L"Screensaver";
  // Each change of the status line goes to the debugger as this prefix, the
  // text and a line break.
  static constexpr const wchar_t* kStatusReportPrefix = L"ZentSaver status: ";

  // Creates the window hidden. `model` must outlive it.
  SaverWindow(HINSTANCE instance, SaverWindowModel& model);
  ~SaverWindow();
  SaverWindow(const SaverWindow&) = delete;
  SaverWindow& operator=(const SaverWindow&) = delete;

  HWND Handle() const { return window_.get(); }

  // Makes the pointer invisible over the window.
  void UseBlankCursor();

  // The hooks that let the model's EndSaver stop the timer, end the program or
  // close the preview. `finishBackup` renames the running registry backup.
  SaverHooks Hooks(std::function<void()> finishBackup = {});

  void EnableTimer();
  void StopTimer();

  // Saver mode: shows the window over the whole screen, in front.
  void Show();

  // The dialog's preview: shows the window and runs messages until input
  // closes it (EndSaver's closeWindow hook); then it is hidden again. The
  // caller has prepared the model and enabled the timer.
  void ShowModal();

  // What the stars look like now, as the window shows them outside the
  // message line; null when no frame could be made (the stars then go
  // straight onto the window).
  const DibFrame* Frame() const { return frame_ ? &*frame_ : nullptr; }

 private:
  friend struct WindowProcedure<SaverWindow>;
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  bool HandleInputMessage(UINT message, LPARAM lParam);
  void Tick();
  void DrawTick();
  void DrawTickOnWindow();
  bool NoteMessageLineChange();
  void ReportStatus();
  void Paint();
  void MakeFrame();
  RECT Area() const override;
  void DrawOver(HDC dc, const RECT& area) const override;
  void CloseModal();

  HINSTANCE instance_;
  SaverWindowModel& model_;
  // Set while the window is created, let go of when the system has destroyed
  // it, whoever destroyed it.
  UniqueWindow window_;
  UniqueFont font_;
  UniqueCursor blankCursor_;
  std::optional<DibFrame> frame_;
  TickPacer pacer_;
  bool timerRunning_ = false;
  bool modalRunning_ = false;
  // What the message line shows; a change sends its rows to the screen again.
  bool shownVisible_ = false;
  std::string shownText_;
  // The status text last sent to the debugger.
  std::string reportedStatus_;
};

}  // namespace zent::win32
