// Shows the configuration dialog with its English texts, so that its look can
// be checked (tools/screenshot-dialog.sh).
//
//   dialog_demo [--page <0..2>] [--close-after <seconds>]
//
// Runs until the dialog is closed or the given time has passed; Preview only
// prints the star settings it would show.
#include <windows.h>
#undef TextOut

#include <cstdio>
#include <cwchar>
#include <string>

#include "common/registry_errors.h"
#include "ui/dialog_form.h"
#include "ui/interface_texts.h"
#include "ui/settings.h"
#include "ui/win32/dialog_window.h"

namespace {

class TableTexts final : public zent::platform::TextResources {
 public:
  std::string LoadText(int id) override { return zent::StringTableText(id); }
};

HWND g_dialog = nullptr;

void CALLBACK CloseDialog(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  PostMessageW(g_dialog, WM_CLOSE, 0, 0);
}

int Option(int argc, wchar_t** argv, const wchar_t* name, int fallback) {
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::wcscmp(argv[i], name) == 0)
      return static_cast<int>(std::wcstol(argv[i + 1], nullptr, 10));
  }
  return fallback;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  zent::Form model = zent::MakeConfigurationDialog();
  zent::FillStarCountFromArrows(model);
  TableTexts texts;
  zent::ApplyInterfaceTexts({&model}, texts);
  model.caption = texts.LoadText(zent::kDialogCaptionText);
  for (int page = 0; page < 3; ++page) {
    model.Find("TabSheet" + std::to_string(page + 1)).text =
        texts.LoadText(zent::kFirstPageCaptionText + page);
  }

  zent::win32::ConfigurationDialog dialog(model, [&model] {
    const zent::StarSettings stars = zent::ReadStarSettings(model);
    std::printf("preview: %d stars, speed %d, blocks %d\n", stars.starCount, stars.speed,
                stars.blockStars ? 1 : 0);
    std::fflush(stdout);
  });
  if (dialog.Handle() == nullptr) return 1;
  dialog.SelectPage(Option(argc, argv, L"--page", 1));
  g_dialog = dialog.Handle();
  if (const int seconds = Option(argc, argv, L"--close-after", 0); seconds > 0) {
    SetTimer(nullptr, 0, static_cast<UINT>(seconds) * 1000, CloseDialog);
  }
  dialog.RunModal();
  std::printf("closed: stars \"%s\"\n", zent::StarCountEdit(model).text.c_str());
  return 0;
}
