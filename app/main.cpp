// Program entry: one instance at a time, the two windows with their English
// texts, then the mode the first argument asks for, as Windows starts a
// screen saver.

#include <windows.h>
// After windows.h, whose types it uses.
#include <shellapi.h>
// platform::Canvas::TextOut keeps its own name in this layer.
#undef TextOut

#include <exception>
#include <memory>
#include <string>

#include "platform/utf8.h"
#include "platform/win32/dialog_window.h"
#include "platform/win32/handles.h"
#include "platform/win32/saver_window.h"
#include "platform/win32/text.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_resources.h"
#include "ui/dialog_form.h"
#include "ui/interface_texts.h"
#include "ui/saver_window.h"
#include "ui/settings.h"

namespace {

constexpr wchar_t kInstanceLockName[] = L"Screensaver ZENT";
constexpr wchar_t kApplicationTitle[] = L"Bildschirmschoner";
constexpr const char* kTabSheets[] = {"TabSheet1", "TabSheet2", "TabSheet3"};

enum class Mode { Preview, Saver, Dialog };

struct LocalFreeDeleter {
  void operator()(LPWSTR* arguments) const { LocalFree(arguments); }
};

// Only the first argument counts, upper-cased: "/P 1234" is the preview
// inside the display settings, "/C:1234" or "/A" the dialog.
Mode ModeFromCommandLine() {
  int count = 0;
  const std::unique_ptr<LPWSTR, LocalFreeDeleter> arguments(
      CommandLineToArgvW(GetCommandLineW(), &count));
  if (!arguments || count < 2) return Mode::Dialog;
  const std::string first = zent::UpperCaseUtf8(zent::win32::Narrow(arguments.get()[1]));
  if (first == "/P") return Mode::Preview;
  if (first == "/S") return Mode::Saver;
  return Mode::Dialog;
}

// Handles messages until the application is told to terminate.
void RunMessageLoop() {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

// The two windows of the program and what they share. The saver window is
// created first: it is the application's main window.
class Application {
 public:
  explicit Application(HINSTANCE instance)
      : state_(system_.shell),
        form2_(system_.platform(), state_, [this](int id) { return resources_.LoadText(id); }),
        window_(instance, form2_),
        saverModel_(zent::MakeSaverWindowForm()),
        form1_(zent::MakeConfigurationDialog()) {
    zent::FormCreate(form1_);
    form2_.SetHooks(window_.Hooks());
  }

  void ApplyTexts() {
    zent::ApplyInterfaceTexts({&saverModel_, &form1_}, resources_);
    form1_.caption = resources_.LoadText(zent::kDialogCaptionText);
    for (int page = 0; page < 3; ++page) {
      form1_.Find(kTabSheets[page]).text = resources_.LoadText(zent::kFirstPageCaptionText + page);
    }
    window_.UseBlankCursor();
  }

  // Closing the dialog stores the settings, however it was closed.
  void RunDialog() {
    state_.DialogMode = true;
    zent::LoadSettings(form1_, system_.registry);
    zent::win32::RunConfigurationDialog(form1_, [this] { Preview(); });
    zent::SaveSettings(form1_, system_.registry);
    PostQuitMessage(0);
  }

  void RunSaver() {
    state_.DialogMode = false;
    const zent::win32::ComApartment com;
    // Whether write-protected files may go is the cleaning run's to read;
    // this program has no cleaning run yet.
    zent::LoadSettings(form1_, system_.registry);
    form2_.PrepareSaver(zent::ReadStarSettings(form1_));
    window_.EnableTimer();
    window_.Show();
  }

 private:
  // The dialog's Preview button: the saver window over the screen until input.
  void Preview() {
    form2_.SetPreviewMode(true);
    form2_.ResetFirstMove();
    form2_.PrepareSaver(zent::ReadStarSettings(form1_));
    window_.EnableTimer();
    window_.ShowModal();
    form2_.SetPreviewMode(false);
  }

  zent::win32::Win32Platform system_;
  zent::win32::Win32Resources resources_;
  zent::SaverRunState state_;
  zent::TForm2 form2_;
  zent::win32::SaverWindow window_;
  zent::Form saverModel_;
  zent::Form form1_;
};

int Run(HINSTANCE instance) {
  Application application(instance);
  application.ApplyTexts();
  const Mode mode = ModeFromCommandLine();
  if (mode == Mode::Preview) return 0;
  if (mode == Mode::Saver) {
    application.RunSaver();
  } else {
    application.RunDialog();
  }
  RunMessageLoop();
  return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  // A second instance, or one that cannot tell, ends without a word and
  // leaves the running one alone.
  SetLastError(0);
  const zent::win32::UniqueKernelObject lock(CreateMutexW(nullptr, TRUE, kInstanceLockName));
  if (!lock || GetLastError() != 0) return 0;
  try {
    return Run(instance);
  } catch (const std::exception& error) {
    // The application's standard report of an error nobody handled.
    MessageBoxW(nullptr, zent::win32::Widen(error.what()).c_str(), kApplicationTitle,
                MB_OK | MB_ICONERROR);
    return 1;
  }
}
