// System facts, starting programs, the message pump and the clock, against
// Wine in the sandbox (which gives the tests a 1024 x 768 Xvfb screen unless
// a DISPLAY was already there).
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32/handles.h"
#include "platform/win32/text.h"
#include "tests/both/test_platform.h"

namespace zent {
namespace {

using platform::Presence;

platform::Platform& P() { return testing::TestPlatform(); }

TEST(Win32System, DirectoriesAreTheWindowsOnes) {
  const auto windows = P().system.WindowsDirectory();
  const auto system = P().system.SystemDirectory();
  EXPECT_EQ(P().shell.UpperCase(windows), "C:\\WINDOWS");
  EXPECT_EQ(P().shell.UpperCase(system), "C:\\WINDOWS\\SYSTEM32");
  EXPECT_EQ(P().files.FolderExists(system), Presence::Present);
  EXPECT_EQ(P().files.FileExists(system + "\\kernel32.dll"), Presence::Present);
}

TEST(Win32System, ScreenAndMachineFacts) {
  EXPECT_GT(P().system.ScreenWidth(), 0);
  EXPECT_GT(P().system.ScreenHeight(), 0);
  // The primary screen lies inside what all monitors cover.
  const platform::Rect all = P().system.VirtualScreen();
  EXPECT_LE(all.left, 0);
  EXPECT_LE(all.top, 0);
  EXPECT_GE(all.right, P().system.ScreenWidth());
  EXPECT_GE(all.bottom, P().system.ScreenHeight());
  const int bits = P().system.ColorBits();
  EXPECT_TRUE(bits == 16 || bits == 24 || bits == 32) << bits;
  const auto user = P().system.UserName();
  ASSERT_TRUE(user.has_value());
  EXPECT_FALSE(user->empty());
  const auto computer = P().system.ComputerName();
  ASSERT_TRUE(computer.has_value());
  EXPECT_FALSE(computer->empty());
  EXPECT_EQ(P().system.PlatformId(), 2);
  EXPECT_EQ(P().system.ProcessorType(), sizeof(void*) == 8 ? 8664u : 586u);
}

TEST(Win32System, DriveTypesAndVolumes) {
  const auto fixtures = testing::NewTestFolder().substr(0, 3);
  EXPECT_EQ(P().system.DriveType("C:\\"), platform::kDriveFixed);
  EXPECT_EQ(P().system.DriveType(fixtures), platform::kDriveFixed);
  EXPECT_EQ(P().system.DriveType("Q:\\"), platform::kDriveNoRootDir);
  EXPECT_TRUE(P().system.VolumeName("C:\\").has_value());
  EXPECT_FALSE(P().system.VolumeName("Q:\\").has_value());
  EXPECT_EQ(P().system.DriveType(std::string("C:\\\0", 4) + "x"), platform::kDriveNoRootDir);
}

TEST(Win32System, FontFacesTheSystemHasLoaded) {
  // Loaded from outside the Windows file system: the prefix registers them
  // under "\??\unix\..." paths, with no file in the fonts folder.
  for (const char* face : {"DejaVu Sans", "dejavu sans mono"}) {
    EXPECT_TRUE(P().system.HasFontFace(face)) << face;
  }
  for (const std::string& face : {std::string("Zent No Such Face"), std::string(40, 'A'),
                                  std::string(), std::string("Courier\0x", 9)}) {
    EXPECT_FALSE(P().system.HasFontFace(face)) << face;
  }
}

TEST(Win32Launcher, ABackgroundProgramIsWaitedForAndEndedOnRequest) {
  const auto folder = testing::NewTestFolder();
  const auto output = folder + "late.txt";
  const std::string cmd = P().system.SystemDirectory() + "\\cmd.exe";
  auto quick = P().launcher.StartProgramHidden(cmd, "cmd /c exit 0").program;
  ASSERT_NE(quick, nullptr);
  EXPECT_TRUE(quick->WaitForEnd(20000));
  const auto missing = P().launcher.StartProgramHidden(folder + "zent-no-such-program.exe", "x");
  EXPECT_EQ(missing.program, nullptr);
  EXPECT_EQ(missing.failure, platform::StartFailure::NotFound);

  // Ended while it waits, it never writes its file.
  auto slow = P().launcher
                  .StartProgramHidden(
                      cmd, "cmd /c ping -n 4 127.0.0.1 >nul & echo late> \"" + output + "\"")
                  .program;
  ASSERT_NE(slow, nullptr);
  EXPECT_FALSE(slow->WaitForEnd(200));
  slow->Terminate();
  EXPECT_TRUE(slow->WaitForEnd(0));
  Sleep(4000);
  EXPECT_EQ(P().files.FileExists(output), Presence::Missing);
}

// Runs the registry editor by its full path with `arguments` and waits for it.
bool RunEditor(const std::string& arguments) {
  const std::string editor = P().system.WindowsDirectory() + "\\regedit.exe";
  const auto started = P().launcher.StartProgramHidden(editor, "regedit " + arguments);
  if (!started.program) return false;
  while (!started.program->WaitForEnd(1000)) P().pump.Pump();
  return true;
}

TEST(Win32Launcher, RegistryEditorExportsAKey) {
  const auto folder = testing::NewTestFolder();
  const auto key = testing::NewTestKey();
  auto created = P().registry.Create(platform::RegRoot::CurrentUser, key);
  ASSERT_NE(created, nullptr);
  ASSERT_TRUE(created->SetValue("Wert", platform::MakeTextValue("exportiert")));
  const auto file = folder + "export.reg";
  ASSERT_TRUE(RunEditor("/e \"" + file + "\" HKEY_CURRENT_USER\\" + key));
  const auto exported = P().files.ReadWhole(file);
  ASSERT_TRUE(exported.has_value());
  const std::wstring text(reinterpret_cast<const wchar_t*>(exported->data()),
                          exported->size() / sizeof(wchar_t));
  const std::string narrow = win32::Narrow(text);
  EXPECT_NE(narrow.find("[HKEY_CURRENT_USER\\" + key + "]"), std::string::npos) << narrow;
  EXPECT_NE(narrow.find("\"Wert\"=\"exportiert\""), std::string::npos) << narrow;

  // A key that is not there ends the editor too, without a file.
  const auto none = folder + "none.reg";
  ASSERT_TRUE(RunEditor("/e \"" + none + "\" HKEY_CURRENT_USER\\" + key + "\\Missing"));
  EXPECT_EQ(P().files.FileExists(none), Presence::Missing);
}

LRESULT CALLBACK CountingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_APP) {
    auto* count = reinterpret_cast<int*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    ++*count;
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

TEST(Win32Pump, DispatchesWhatIsPendingAndLeavesTheQuitForTheMainLoop) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = CountingWindowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"ZentPumpTest";
  RegisterClassW(&windowClass);
  const win32::UniqueWindow owner(CreateWindowW(L"ZentPumpTest", L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                                nullptr, windowClass.hInstance, nullptr));
  const HWND window = owner.get();
  ASSERT_NE(window, nullptr);
  int count = 0;
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&count));

  for (int i = 0; i < 3; ++i) PostMessageW(window, WM_APP, 0, 0);
  P().pump.Pump();
  EXPECT_EQ(count, 3);

  PostQuitMessage(7);
  PostMessageW(window, WM_APP, 0, 0);
  P().pump.Pump();
  MSG message;
  ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(message.wParam, 7u);
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

TEST(Win32Clock, TicksAdvanceAndTheDateIsPlausible) {
  const auto first = P().clock.TickMilliseconds();
  Sleep(100);
  EXPECT_GE(P().clock.TickMilliseconds() - first, 80u);
  const auto now = P().clock.Now();
  EXPECT_GE(now.year, 2024);
  EXPECT_TRUE(now.month >= 1 && now.month <= 12);
  EXPECT_TRUE(now.dayOfWeek >= 0 && now.dayOfWeek <= 6);
}

}  // namespace
}  // namespace zent
