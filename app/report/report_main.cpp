// ZentReport.exe: the console program that lists what a cleaning run of the
// screen saver would remove on this machine, through a platform that refuses
// every change.

#include <windows.h>
// platform::Canvas::TextOut keeps its own name in this layer.
#undef TextOut

#include <io.h>

#include <cstdio>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "app/report/dry_run_report.h"
#include "platform/win32/handles.h"
#include "platform/win32/text.h"
#include "platform/win32/win32_platform.h"

namespace {

// The report is UTF-8; a console shows it as such only in that code page,
// which the console keeps after the program: it gets its own back.
class ConsoleUtf8 {
 public:
  ConsoleUtf8() : previous_(GetConsoleOutputCP()) {
    if (previous_ != 0) SetConsoleOutputCP(CP_UTF8);
  }
  ConsoleUtf8(const ConsoleUtf8&) = delete;
  ConsoleUtf8& operator=(const ConsoleUtf8&) = delete;
  ~ConsoleUtf8() {
    if (previous_ != 0) SetConsoleOutputCP(previous_);
  }

 private:
  UINT previous_;
};

}  // namespace

int wmain(int count, wchar_t** arguments) {
  std::vector<std::string> narrow;
  for (int i = 1; i < count; ++i) narrow.push_back(zent::win32::Narrow(arguments[i]));
  const ConsoleUtf8 console;
  // The shortcut check reads links through the shell's COM objects.
  const zent::win32::ComApartment com;
  zent::win32::Win32Platform system;
  const bool progress = _isatty(_fileno(stderr)) != 0;
  return zent::report::RunReportProgram(system.platform(), system.links,
                                        [&system](int id) { return system.resources.LoadText(id); },
                                        narrow, {std::cout, std::cerr, progress});
}
