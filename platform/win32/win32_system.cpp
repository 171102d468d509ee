#include "platform/win32/win32_system.h"

#include <windows.h>
// After windows.h, whose types it uses.
#include <shellapi.h>

#include <memory>
#include <optional>
#include <string>

#include "platform/win32/handles.h"
#include "platform/win32/text.h"

namespace zent::win32 {

namespace {

// Reads a directory through an API that returns the length it needs when the
// buffer is too small.
template <typename Query>
std::string ReadDirectory(Query query) {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const UINT length = query(buffer.data(), static_cast<UINT>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) {
      buffer.resize(length);
      return Narrow(buffer);
    }
    buffer.resize(length);
  }
}

// Reads a name through an API that fails with a "buffer too small" error and
// reports the size it needs.
template <typename Query>
std::optional<std::string> ReadName(Query query, DWORD initialSize) {
  std::wstring buffer(initialSize, L'\0');
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD size = static_cast<DWORD>(buffer.size());
    if (query(buffer.data(), &size)) {
      buffer.resize(wcsnlen(buffer.c_str(), buffer.size()));
      return Narrow(buffer);
    }
    const DWORD error = GetLastError();
    if (error != ERROR_INSUFFICIENT_BUFFER && error != ERROR_BUFFER_OVERFLOW &&
        error != ERROR_MORE_DATA) {
      return std::nullopt;
    }
    buffer.resize(std::max<std::size_t>(size + 1, buffer.size() * 2));
  }
  return std::nullopt;
}

std::optional<std::wstring> RootPath(std::string_view root) {
  if (root.find('\0') != std::string_view::npos) return std::nullopt;
  return Widen(root);
}

// Called once per font of the face asked for; the first call is enough.
int CALLBACK NoteFace(const LOGFONTW* /*font*/, const TEXTMETRICW* /*metrics*/, DWORD /*type*/,
                      LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

}  // namespace

std::string Win32System::WindowsDirectory() {
  return ReadDirectory(
      [](wchar_t* buffer, UINT size) { return GetWindowsDirectoryW(buffer, size); });
}

std::string Win32System::SystemDirectory() {
  return ReadDirectory(
      [](wchar_t* buffer, UINT size) { return GetSystemDirectoryW(buffer, size); });
}

int Win32System::ScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }

int Win32System::ScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }

platform::Rect Win32System::VirtualScreen() {
  const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
  const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
  const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
  const int height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
  // A system that cannot tell has the primary screen at least.
  if (width <= 0 || height <= 0) return {0, 0, ScreenWidth(), ScreenHeight()};
  return {left, top, left + width, top + height};
}

int Win32System::ColorBits() {
  const WindowDc screen(nullptr);
  if (!screen) return 0;
  return GetDeviceCaps(screen.get(), BITSPIXEL) * GetDeviceCaps(screen.get(), PLANES);
}

std::optional<std::string> Win32System::UserName() {
  return ReadName([](wchar_t* buffer, DWORD* size) { return GetUserNameW(buffer, size) != 0; },
                  257);
}

std::optional<std::string> Win32System::ComputerName() {
  return ReadName([](wchar_t* buffer, DWORD* size) { return GetComputerNameW(buffer, size) != 0; },
                  MAX_COMPUTERNAME_LENGTH + 1);
}

int Win32System::PlatformId() {
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof version;
  if (!GetVersionExW(&version)) return VER_PLATFORM_WIN32_NT;
  return static_cast<int>(version.dwPlatformId);
}

std::uint32_t Win32System::ProcessorType() {
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  return info.dwProcessorType;
}

std::uint32_t Win32System::DriveType(std::string_view root) {
  const auto path = RootPath(root);
  if (!path) return platform::kDriveNoRootDir;
  return GetDriveTypeW(path->c_str());
}

std::optional<std::string> Win32System::VolumeName(std::string_view root) {
  const auto path = RootPath(root);
  if (!path) return std::nullopt;
  // MAX_PATH + 1 is the documented upper bound of a volume name.
  wchar_t name[MAX_PATH + 1] = {};
  if (!GetVolumeInformationW(path->c_str(), name, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr,
                             0)) {
    return std::nullopt;
  }
  return Narrow(name);
}

namespace {

// Systems without User Account Control know no elevation; there the
// administrators group, enabled in the token, gives the rights.
bool HoldsEnabledAdministrators() {
  BYTE sid[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof sid;
  BOOL member = FALSE;
  return CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &size) &&
         CheckTokenMembership(nullptr, sid, &member) && member;
}

}  // namespace

bool Win32System::IsElevated() {
  UniqueKernelObject token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return false;
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  if (GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size)) {
    return elevation.TokenIsElevated != 0;
  }
  return HoldsEnabledAdministrators();
}

std::string Win32System::AbbreviatedDayName(int dayOfWeek) {
  // The locale numbers the days from Monday (LOCALE_SABBREVDAYNAME1).
  const auto item = static_cast<LCTYPE>(LOCALE_SABBREVDAYNAME1 + (dayOfWeek + 6) % 7);
  wchar_t name[80] = {};
  if (dayOfWeek < 0 || GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, item, name, 80) == 0) return {};
  return Narrow(name);
}

bool Win32System::HasFontFace(std::string_view face) {
  if (face.empty() || face.find('\0') != std::string_view::npos) return false;
  const std::wstring wide = Widen(face);
  // No face name is longer: the system could not have loaded one.
  if (wide.size() >= LF_FACESIZE) return false;
  const WindowDc screen(nullptr);
  if (!screen) return false;
  LOGFONTW wanted{};
  wanted.lfCharSet = DEFAULT_CHARSET;
  wide.copy(wanted.lfFaceName, wide.size());
  bool found = false;
  EnumFontFamiliesExW(screen.get(), &wanted, NoteFace, reinterpret_cast<LPARAM>(&found), 0);
  return found;
}

namespace {

// How long an ended program may take to be gone before its handle is let go.
constexpr DWORD kTerminateWaitMs = 5000;

// On failure the thread's last error says why.
UniqueKernelObject StartHidden(const wchar_t* program, std::string_view commandLine) {
  if (commandLine.find('\0') != std::string_view::npos) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return {};
  }
  std::wstring command = Widen(commandLine);  // CreateProcessW may write into it
  // SW_HIDE keeps a windowed program out of sight, CREATE_NO_WINDOW a console
  // program from opening a console window.
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                      nullptr, &startup, &process)) {
    return {};
  }
  const UniqueKernelObject threadHandle(process.hThread);
  return UniqueKernelObject(process.hProcess);
}

// ERROR_ELEVATION_REQUIRED, which not every mingw-w64 winerror.h defines.
constexpr DWORD kElevationRequired = 740;

platform::StartFailure StartFailureOf(DWORD error) {
  switch (error) {
    case kElevationRequired:
      return platform::StartFailure::ElevationRequired;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return platform::StartFailure::NotFound;
    default:
      return platform::StartFailure::Other;
  }
}

std::optional<std::wstring> ProgramPath(std::string_view programPath) {
  if (programPath.empty() || programPath.find('\0') != std::string_view::npos) return std::nullopt;
  return Widen(programPath);
}

class Win32RunningProgram final : public platform::RunningProgram {
 public:
  explicit Win32RunningProgram(UniqueKernelObject process) : process_(std::move(process)) {}
  Win32RunningProgram(const Win32RunningProgram&) = delete;
  Win32RunningProgram& operator=(const Win32RunningProgram&) = delete;
  ~Win32RunningProgram() override {
    if (!ended_) Terminate();
  }

  bool WaitForEnd(std::uint32_t milliseconds) override {
    if (ended_) return true;
    HANDLE process = process_.get();
    ended_ =
        MsgWaitForMultipleObjects(1, &process, FALSE, milliseconds, QS_ALLINPUT) == WAIT_OBJECT_0;
    return ended_;
  }

  void Terminate() override {
    if (ended_) return;
    TerminateProcess(process_.get(), 1);
    // Gone, so it holds none of its files open any more.
    WaitForSingleObject(process_.get(), kTerminateWaitMs);
    ended_ = true;
  }

 private:
  UniqueKernelObject process_;
  bool ended_ = false;
};

// Only asked whether it has ended: the program runs on when this lets go.
class Win32StartedProgram final : public platform::StartedProgram {
 public:
  explicit Win32StartedProgram(UniqueKernelObject process) : process_(std::move(process)) {}

  // Without a process handle (the shell handed the start to a running
  // program) there is nothing to wait for: it counts as ended.
  bool HasEnded() override {
    return !process_ || WaitForSingleObject(process_.get(), 0) != WAIT_TIMEOUT;
  }

 private:
  UniqueKernelObject process_;
};

}  // namespace

platform::ProgramStart Win32Launcher::StartProgramHidden(std::string_view programPath,
                                                         std::string_view commandLine) {
  const auto program = ProgramPath(programPath);
  if (!program) return {nullptr, platform::StartFailure::NotFound};
  UniqueKernelObject process = StartHidden(program->c_str(), commandLine);
  if (!process) return {nullptr, StartFailureOf(GetLastError())};
  return {std::make_unique<Win32RunningProgram>(std::move(process))};
}

std::unique_ptr<platform::StartedProgram> Win32Launcher::StartAsAdministrator(
    std::string_view programPath, std::string_view arguments) {
  const auto program = ProgramPath(programPath);
  if (!program || arguments.find('\0') != std::string_view::npos) return nullptr;
  const std::wstring parameters = Widen(arguments);
  SHELLEXECUTEINFOW start{};
  start.cbSize = sizeof start;
  // The process handle tells when the run has ended; no error box of the
  // shell's own, the caller decides what to say. A screen saver's file type
  // need not offer "runas": the file is started as the program it is.
  start.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_CLASSNAME;
  start.lpClass = L"exefile";
  start.lpVerb = L"runas";
  start.lpFile = program->c_str();
  start.lpParameters = parameters.c_str();
  start.nShow = SW_SHOWNORMAL;
  if (!ShellExecuteExW(&start)) {
    // The user said no: nothing else is tried.
    if (GetLastError() == ERROR_CANCELLED) return nullptr;
    // A system without that class: the file's own type decides.
    start.fMask &= ~static_cast<ULONG>(SEE_MASK_CLASSNAME);
    start.lpClass = nullptr;
    if (!ShellExecuteExW(&start)) return nullptr;
  }
  return std::make_unique<Win32StartedProgram>(UniqueKernelObject(start.hProcess));
}

void Win32Pump::Pump() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // The request to end belongs to the main loop; put it back for it.
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

platform::LocalTime Win32Clock::Now() {
  SYSTEMTIME time;
  GetLocalTime(&time);
  return {time.wYear,   time.wMonth,  time.wDay,      time.wHour,
          time.wMinute, time.wSecond, time.wDayOfWeek};
}

std::uint64_t Win32Clock::TickMilliseconds() { return GetTickCount64(); }

}  // namespace zent::win32
