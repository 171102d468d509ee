#pragma once

// The configuration dialog on the screen, built from the portable description
// MakeConfigurationDialog makes: standard controls created at the model's
// 96-dpi positions, scaled to the screen's resolution, on a tab control. The model stays the
// settings' home; the window shows it and gives the user's changes back to it.

#include <windows.h>
// platform::Canvas::TextOut keeps its own name in this layer.
#undef TextOut

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32/handles.h"
#include "ui/components.h"
#include "ui/win32/window_procedure.h"

namespace zent::win32 {

// Shows a failure of the preview to the user; the default is a message box.
using ErrorReporter = std::function<void(HWND owner, const std::string& message)>;

class ConfigurationDialog {
 public:
  // Creates the window, hidden, with the model's texts and states. `model`
  // is a configuration dialog as MakeConfigurationDialog makes it (Apply,
  // Preview and the star-count controls are found by their accessors) and
  // must outlive the window. `onCleanNow` answers the "Clean now" button.
  ConfigurationDialog(Form& model, std::function<void()> onPreview, ErrorReporter reportError = {},
                      std::function<void()> onCleanNow = {});
  ~ConfigurationDialog();
  ConfigurationDialog(const ConfigurationDialog&) = delete;
  ConfigurationDialog& operator=(const ConfigurationDialog&) = delete;

  HWND Handle() const { return window_.get(); }
  // The window of a control of the model; null for a name it lacks or for a
  // control that has no window (tab sheets are the tab control's items).
  HWND ControlHandle(std::string_view name) const;

  int CurrentPage() const;
  // Selects a tab page as a click on its tab would.
  void SelectPage(int page);

  // The user's state of the controls into the model.
  void ReadControls();

  // Whether Apply, the close button or Escape has ended the dialog.
  bool Closed() const { return closed_; }

  // Shows the window and runs messages until the dialog is closed; the model
  // then holds the controls' final state.
  void RunModal();

 private:
  friend struct WindowProcedure<ConfigurationDialog>;
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void CreateControls();
  bool TextFits(const Control& control, HFONT font) const;
  bool PagesFit(HFONT font) const;
  void FitFontToPages();
  HWND CreateControl(const Control& control, int id);
  DWORD RadioGroupStyle(const Control& control) const;
  RECT PlaceOf(const Control& control, const std::wstring& text) const;
  void AfterCreation(HWND handle, const Control& control) const;
  // A length of the model's 96-dpi layout at the screen's resolution.
  int Scaled(int layoutPixels) const;
  void OnCommand(int id, int code);
  LRESULT OnNotify(const NMHDR& header);
  void ShowPageControls();
  void ShowModelStates();
  void Preview();
  void Close();
  int IndexOf(std::string_view name) const;
  HWND HandleOf(const Control& control) const;

  Form& model_;
  std::function<void()> onPreview_;
  ErrorReporter reportError_;
  std::function<void()> onCleanNow_;
  UniqueWindow window_;
  HWND tabs_ = nullptr;
  POINT pageOrigin_{0, 0};
  int pageRight_ = 0;
  int dpi_;
  UniqueFont font_;
  std::vector<HWND> controls_;  // parallel to model_.controls
  std::vector<int> tabSheets_;  // model indexes of the pages, in tab order
  bool closed_ = false;
};

// Runs the dialog modally over `model`; returns when Apply, the close button
// or Escape has closed it (all count the same), with the model holding the
// controls' state. Preview reads the controls into the model and calls
// `onPreview`; a star count that is not a number shows its error instead of
// the preview. "Clean now" calls `onCleanNow`; the dialog stays open.
void RunConfigurationDialog(Form& model, std::function<void()> onPreview,
                            std::function<void()> onCleanNow = {});

}  // namespace zent::win32
