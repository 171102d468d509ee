// Program entry: one instance at a time, the two windows with their English
// texts, then the mode the first argument asks for, as Windows starts a
// screen saver.

#include <windows.h>
// After windows.h, whose types it uses.
#include <shellapi.h>
// platform::Canvas::TextOut keeps its own name in this layer.
#undef TextOut

#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "app/cleaning_steps.h"
#include "platform/utf8.h"
#include "platform/win32/handles.h"
#include "platform/win32/text.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_resources.h"
#include "run/registry_repair.h"
#include "run/run_context.h"
#include "run/run_driver.h"
#include "run/run_log.h"
#include "run/saver_settings.h"
#include "sweep/shell_link.h"
#include "ui/clean_now.h"
#include "ui/dialog_form.h"
#include "ui/interface_texts.h"
#include "ui/saver_window.h"
#include "ui/settings.h"
#include "ui/start_mode.h"
#include "ui/win32/dialog_window.h"
#include "ui/win32/preview_window.h"
#include "ui/win32/saver_window.h"

namespace {

// Held by a cleaning run. The dialog holds a lock of its own: a run started
// from its "Clean now" button must not find the dialog's lock in its way.
constexpr wchar_t kInstanceLockName[] = L"Screensaver ZENT";
constexpr wchar_t kDialogLockName[] = L"Screensaver ZENT dialog";
constexpr wchar_t kApplicationTitle[] = L"Bildschirmschoner";
constexpr const char* kTabSheets[] = {"TabSheet1", "TabSheet2", "TabSheet3"};

zent::StartRequest StartRequestFromCommandLine() {
  int count = 0;
  const zent::win32::UniqueLocalMemory<LPWSTR*> arguments(
      CommandLineToArgvW(GetCommandLineW(), &count));
  std::vector<std::string> narrow;
  for (int i = 1; arguments && i < count; ++i) {
    narrow.push_back(zent::win32::Narrow(arguments.get()[i]));
  }
  return zent::ParseStartArguments(narrow);
}

// The display settings' little monitor: only the star settings are read.
void RunPreview(HINSTANCE instance, std::uintptr_t host) {
  if (host == 0) return;
  zent::win32::Win32Platform system;
  zent::win32::RunPreview(instance, reinterpret_cast<HWND>(host),
                          zent::StarSettingsOf(zent::LoadSaverSettings(system.registry)));
}

// This program's own file, for "Clean now" to start again.
std::string OwnProgramPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return zent::win32::Narrow(path);
    }
    path.resize(path.size() * 2);
  }
}

// A run started with administrator rights may refuse this user its lock,
// which still shows that the lock is there.
bool CleaningRunGoesOn() {
  const zent::win32::UniqueKernelObject lock(OpenMutexW(SYNCHRONIZE, FALSE, kInstanceLockName));
  return lock || GetLastError() != ERROR_FILE_NOT_FOUND;
}

void TellUser(const std::string& message) {
  MessageBoxW(nullptr, zent::win32::Widen(message).c_str(), kApplicationTitle,
              MB_OK | MB_ICONWARNING);
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
        saverModel_(system_.platform(), state_, [this](int id) { return resources_.LoadText(id); }),
        saverWindow_(instance, saverModel_),
        dialogModel_(zent::MakeConfigurationDialog()),
        run_{system_.platform(),
             state_,
             saverModel_.CategoryList,
             [this](int id) { return resources_.LoadText(id); },
             saverModel_.StatusLabel().text,
             saverModel_.ItemLabel},
        repair_(run_) {
    zent::FillStarCountFromArrows(dialogModel_);
    // Ending the saver while the repair runs gives the running backup its
    // dated name.
    saverModel_.SetHooks(saverWindow_.Hooks([this] { repair_.FinishBackup(); }));
  }

  // Set in every mode; the system facts were gathered with the saver window.
  void ReadStartFlags() {
    state_.UnattendedMode = true;
    state_.IsWinNT = saverModel_.SystemFacts.Platform() == "WinNT";
  }

  void ApplyTexts() {
    zent::ApplyInterfaceTexts({&dialogModel_}, resources_);
    dialogModel_.caption = resources_.LoadText(zent::kDialogCaptionText);
    for (int page = 0; page < 3; ++page) {
      dialogModel_.Find(kTabSheets[page]).text =
          resources_.LoadText(zent::kFirstPageCaptionText + page);
    }
    saverWindow_.UseBlankCursor();
  }

  // Closing the dialog stores the settings, however it was closed; when they
  // cannot be stored the user is told so once.
  void RunDialog() {
    state_.DialogMode = true;
    zent::LoadSettings(dialogModel_, system_.registry);
    zent::CleanNow cleanNow(system_.launcher, OwnProgramPath());
    zent::win32::RunConfigurationDialog(
        dialogModel_, [this] { Preview(); }, [&cleanNow] { cleanNow.Start(); });
    zent::SaveSettings(
        dialogModel_, system_.registry, [this](int id) { return resources_.LoadText(id); },
        TellUser);
    PostQuitMessage(0);
  }

  void RunSaver() {
    state_.DialogMode = false;
    // The shortcut check of the run needs the thread's COM apartment.
    const zent::win32::ComApartment com;
    const zent::SaverSettings settings = zent::LoadSaverSettings(system_.registry);
    state_.DeleteWriteProtected = settings.deleteWriteProtected;
    saverModel_.PrepareSaver(zent::StarSettingsOf(settings));
    saverWindow_.EnableTimer();
    saverWindow_.Show();
    const bool mainProgram = settings.optionSource == zent::OptionSourceSetting::MainProgram;
    const zent::OptionSourceChoice choice{.safety = !mainProgram, .mainProgram = mainProgram};
    // Only a cleaning run keeps a log, beside its backups.
    // No folder known at all: no log rather than one in the current folder.
    const std::string backupDirectory = repair_.BackupDirectory();
    if (!backupDirectory.empty()) {
      runLog_.emplace(system_.files, system_.clock, backupDirectory, zent::kRunLogLimit,
                      std::string(repair_.BackupDirectoryNote()));
      run_.journal = &*runLog_;
    }
    zent::RunCleaningPass(
        run_, choice, zent::CleaningStepsOf(run_, &repair_, shellLink_, saverModel_.SystemFacts));
  }

 private:
  // The dialog's Preview button: the saver window over the screen until input.
  void Preview() {
    saverModel_.SetPreviewMode(true);
    saverModel_.ResetFirstMove();
    saverModel_.PrepareSaver(zent::ReadStarSettings(dialogModel_));
    saverWindow_.EnableTimer();
    saverWindow_.ShowModal();
    saverModel_.SetPreviewMode(false);
  }

  zent::win32::Win32Platform system_;
  zent::win32::Win32Resources resources_;
  // Outlives the windows and the repair, whose close handling may still log.
  std::optional<zent::RunLog> runLog_;
  zent::SaverRunState state_;
  zent::SaverWindowModel saverModel_;
  zent::win32::SaverWindow saverWindow_;
  zent::Form dialogModel_;
  zent::RunContext run_;
  zent::RegistryRepair repair_;
  // `ShellLink1`: quiet, so the run never shows a message.
  zent::TShellLink shellLink_{system_.links};
};

int Run(HINSTANCE instance, zent::StartMode mode) {
  Application application(instance);
  application.ApplyTexts();
  application.ReadStartFlags();
  if (mode == zent::StartMode::Saver) {
    application.RunSaver();
  } else {
    application.RunDialog();
  }
  RunMessageLoop();
  return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  const zent::StartRequest request = StartRequestFromCommandLine();
  // The preview never cleans, so it does not take the lock: a preview still
  // running never keeps the saver itself from starting. It fails silently,
  // inside the display settings.
  if (request.mode == zent::StartMode::Preview) {
    try {
      RunPreview(instance, request.previewHost);
    } catch (const std::exception&) {
      return 1;
    }
    return 0;
  }
  // A second instance, or one that cannot tell, ends without a word and
  // leaves the running one alone; so does a dialog while a cleaning run goes
  // on. A cleaning run does not wait for an open dialog.
  const bool saver = request.mode == zent::StartMode::Saver;
  if (!saver && CleaningRunGoesOn()) return 0;
  SetLastError(0);
  const zent::win32::UniqueKernelObject lock(
      CreateMutexW(nullptr, TRUE, saver ? kInstanceLockName : kDialogLockName));
  if (!lock || GetLastError() != 0) return 0;
  try {
    return Run(instance, request.mode);
  } catch (const std::exception& error) {
    // The application's standard report of an error nobody handled.
    MessageBoxW(nullptr, zent::win32::Widen(error.what()).c_str(), kApplicationTitle,
                MB_OK | MB_ICONERROR);
    return 1;
  }
}
