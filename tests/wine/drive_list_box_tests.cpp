// The drive list as a Win32 control over the drives of the Wine sandbox: C:
// fixed, the spare drive Y: mapped to a temporary folder, and no Z:.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/text.h"
#include "sysinfo/win32/drive_list_box.h"
#include "tests/both/test_platform.h"

namespace zent::win32 {
namespace {

constexpr int kListId = 101;
constexpr int kRowWidth = 300;
constexpr int kRowHeight = DriveList::kRowHeight;
const TypeNameTexts kTypeNames = {"Unbekannt", "Diskettenlaufwerk", "Festplatte", "CD-ROM",
                                  "Netzwerklaufwerk"};

std::wstring Root(char letter) { return {static_cast<wchar_t>(letter), L':', L'\\'}; }

bool Listed(UINT driveType) {
  return driveType == DRIVE_REMOVABLE || driveType == DRIVE_FIXED || driveType == DRIVE_CDROM ||
         driveType == DRIVE_REMOTE;
}

// What the default options should list, asked of the system directly.
std::vector<std::string> ExpectedRows() {
  std::vector<std::string> rows = {"0"};
  for (int drive = 1; drive <= 25; ++drive) {
    if (Listed(GetDriveTypeW(Root(static_cast<char>('A' + drive)).c_str()))) {
      rows.push_back(std::to_string(drive));
    }
  }
  return rows;
}

std::string VolumeLabel(char letter) {
  wchar_t name[MAX_PATH + 1] = {};
  if (!GetVolumeInformationW(Root(letter).c_str(), name, MAX_PATH + 1, nullptr, nullptr, nullptr,
                             nullptr, 0)) {
    return {};
  }
  return Narrow(name);
}

// A hidden top-level window to hold the box.
UniqueWindow MakeTopWindow() {
  static const ATOM windowClass = [] {
    WNDCLASSW description{};
    description.lpfnWndProc = DefWindowProcW;
    description.hInstance = GetModuleHandleW(nullptr);
    description.lpszClassName = L"ZentDriveListTestHost";
    return RegisterClassW(&description);
  }();
  return UniqueWindow(CreateWindowExW(0, MAKEINTATOM(windowClass), L"Drive list",
                                      WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr,
                                      GetModuleHandleW(nullptr), nullptr));
}

HBITMAP CreateSurface(HDC dc, int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  return CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
}

// A 32-bit drawing surface whose pixels the test reads back.
class Bitmap {
 public:
  Bitmap(int width, int height)
      : dc_(CreateCompatibleDC(nullptr)),
        bitmap_(CreateSurface(dc_.get(), width, height)),
        selectedBitmap_(dc_.get(), bitmap_.get()),
        selectedFont_(dc_.get(), GetStockObject(DEFAULT_GUI_FONT)) {}

  HDC dc() const { return dc_.get(); }
  COLORREF At(int x, int y) const { return GetPixel(dc_.get(), x, y); }
  int CountIn(const RECT& area, COLORREF color) const {
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y) {
      for (int x = area.left; x < area.right; ++x) count += At(x, y) == color ? 1 : 0;
    }
    return count;
  }

 private:
  // In this order, so that both selections are undone before the bitmap and
  // the context go.
  UniqueMemoryDc dc_;
  UniqueBitmap bitmap_;
  SelectedObject selectedBitmap_;
  SelectedObject selectedFont_;
};

int Area(const RECT& area) { return (area.right - area.left) * (area.bottom - area.top); }

class DriveListBoxTest : public ::testing::Test {
 protected:
  DriveListBoxTest() {
    drives.SetTypeNames(kTypeNames);
    drives.ReadDrives(testing::TestPlatform().system);
    box.ShowRows();
  }

  // Has the parent draw one row of the box into `bitmap`, as the box would.
  void DrawRow(Bitmap& bitmap, std::size_t row, UINT state) {
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_LISTBOX;
    item.CtlID = kListId;
    item.itemID = static_cast<UINT>(row);
    item.itemAction = ODA_DRAWENTIRE;
    item.itemState = state;
    item.hwndItem = box.Handle();
    item.hDC = bitmap.dc();
    item.rcItem = {0, 0, kRowWidth, kRowHeight};
    ASSERT_TRUE(SendMessageW(window.get(), WM_DRAWITEM, kListId, reinterpret_cast<LPARAM>(&item)));
  }

  std::size_t RowOfDrive(char letter) const {
    for (std::size_t row = 0; row < drives.RowCount(); ++row) {
      if (drives.DriveLetter(row) == letter) return row;
    }
    ADD_FAILURE() << letter << ": is not listed";
    return 0;
  }

  UniqueWindow window = MakeTopWindow();
  DriveList drives;
  DriveListBox box{window.get(), kListId, RECT{10, 10, 10 + kRowWidth, 250}, drives};
};

TEST_F(DriveListBoxTest, ListsTheSandboxDrivesAsTheSystemTypesThem) {
  ASSERT_NE(box.Handle(), nullptr);
  const auto expected = ExpectedRows();
  ASSERT_EQ(drives.RowCount(), expected.size());
  ASSERT_EQ(SendMessageW(box.Handle(), LB_GETCOUNT, 0, 0), static_cast<LRESULT>(expected.size()));
  for (std::size_t row = 0; row < expected.size(); ++row) {
    EXPECT_EQ(drives.RowText(row), expected[row]);
    wchar_t text[8] = {};
    SendMessageW(box.Handle(), LB_GETTEXT, row, reinterpret_cast<LPARAM>(text));
    EXPECT_EQ(Narrow(text), expected[row]);
    const char letter = drives.DriveLetter(row);
    if (letter == 'A') continue;  // listed without asking
    EXPECT_EQ(drives.DriveType(row), GetDriveTypeW(Root(letter).c_str())) << letter;
  }
  EXPECT_EQ(drives.DriveType(RowOfDrive('C')), DRIVE_FIXED);
  RowOfDrive('Y');
  EXPECT_EQ(GetDriveTypeW(L"Z:\\"), static_cast<UINT>(DRIVE_NO_ROOT_DIR));
}

TEST_F(DriveListBoxTest, FixedDriveCarriesItsVolumeLabelOrUnknown) {
  const std::string label = VolumeLabel('C');
  EXPECT_EQ(drives.VolumeName(RowOfDrive('C')), label.empty() ? "Unknown" : label);
}

TEST_F(DriveListBoxTest, IsOwnerDrawnWithFixedRowsOf40AndWholeRowsOnly) {
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(box.Handle(), GWL_STYLE));
  EXPECT_TRUE(style & LBS_OWNERDRAWFIXED);
  EXPECT_FALSE(style & LBS_NOINTEGRALHEIGHT);
  EXPECT_FALSE(style & WS_VISIBLE);
  EXPECT_EQ(SendMessageW(box.Handle(), LB_GETITEMHEIGHT, 0, 0), 40);
}

TEST_F(DriveListBoxTest, ClickOnTheCheckBoxOrSpaceTogglesTheRow) {
  ASSERT_GE(drives.RowCount(), 2u);
  const LPARAM checkOfRow1 = MAKELPARAM(5, kRowHeight + kRowHeight / 2);
  SendMessageW(box.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, checkOfRow1);
  SendMessageW(box.Handle(), WM_LBUTTONUP, 0, checkOfRow1);
  EXPECT_TRUE(drives.Checked(1));
  EXPECT_FALSE(drives.Checked(0));

  const LPARAM textOfRow0 = MAKELPARAM(100, kRowHeight / 2);
  SendMessageW(box.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, textOfRow0);
  SendMessageW(box.Handle(), WM_LBUTTONUP, 0, textOfRow0);
  EXPECT_FALSE(drives.Checked(0));
  EXPECT_EQ(SendMessageW(box.Handle(), LB_GETCURSEL, 0, 0), 0);

  SendMessageW(box.Handle(), WM_KEYDOWN, VK_SPACE, 0);
  EXPECT_TRUE(drives.Checked(0));
  SendMessageW(box.Handle(), WM_KEYDOWN, VK_SPACE, 0);
  EXPECT_FALSE(drives.Checked(0));
  EXPECT_TRUE(drives.Checked(1));
}

TEST_F(DriveListBoxTest, DrawsTheRowInTheColoursTheListChose) {
  const std::size_t row = RowOfDrive('C');
  const RECT checkColumn{0, 0, DriveListBox::kCheckColumnWidth, kRowHeight};
  const int textLeft = DriveListBox::kCheckColumnWidth + 48;
  const RECT firstLine{textLeft, 4, textLeft + 100, 17};
  const RECT nameLine{textLeft, 20, textLeft + 100, 33};
  for (const bool selected : {false, true}) {
    SCOPED_TRACE(selected ? "selected" : "normal");
    const COLORREF background = GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW);
    Bitmap bitmap(kRowWidth, kRowHeight);
    DrawRow(bitmap, row, selected ? ODS_SELECTED : 0);
    EXPECT_EQ(bitmap.At(kRowWidth - 2, 2), background);
    EXPECT_EQ(bitmap.At(1, 1), GetSysColor(COLOR_WINDOW));
    EXPECT_LT(bitmap.CountIn(checkColumn, GetSysColor(COLOR_WINDOW)), Area(checkColumn));
    // Text lies on the row's own background: most of each line stays background.
    for (const RECT& line : {firstLine, nameLine}) {
      const int backgroundPixels = bitmap.CountIn(line, background);
      EXPECT_LT(backgroundPixels, Area(line));
      EXPECT_GT(backgroundPixels, Area(line) / 2);
    }
    EXPECT_GT(
        bitmap.CountIn(firstLine, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT)),
        0);
  }
}

TEST_F(DriveListBoxTest, CheckedRowShowsAMarkedCheckBox) {
  const RECT checkColumn{0, 0, DriveListBox::kCheckColumnWidth, kRowHeight};
  Bitmap unchecked(kRowWidth, kRowHeight);
  DrawRow(unchecked, 0, 0);
  drives.SetChecked(0, true);
  Bitmap checked(kRowWidth, kRowHeight);
  DrawRow(checked, 0, 0);
  const COLORREF windowColour = GetSysColor(COLOR_WINDOW);
  EXPECT_NE(checked.CountIn(checkColumn, windowColour),
            unchecked.CountIn(checkColumn, windowColour));
}

TEST_F(DriveListBoxTest, DrawsTheDriveIconFromAnAssignedImageList) {
  GdiImageList images(32, 32);
  const HICON icon = LoadIconW(nullptr, IDI_APPLICATION);
  ASSERT_TRUE(images.AddIcon(icon));
  ASSERT_TRUE(images.AddIcon(icon));
  EXPECT_EQ(images.Count(), 2);
  const int imageLeft = DriveListBox::kCheckColumnWidth + 8;
  const RECT iconArea{imageLeft, 2, imageLeft + 32, 34};
  const COLORREF background = GetSysColor(COLOR_WINDOW);

  Bitmap withoutImages(kRowWidth, kRowHeight);
  DrawRow(withoutImages, RowOfDrive('C'), 0);
  EXPECT_EQ(withoutImages.CountIn(iconArea, background), Area(iconArea));

  drives.SetImageList(&images);
  Bitmap withImages(kRowWidth, kRowHeight);
  DrawRow(withImages, RowOfDrive('C'), 0);
  EXPECT_LT(withImages.CountIn(iconArea, background), Area(iconArea));
}

TEST(GdiCanvasOnWine, FillsTheBackgroundAndDrawsTextWithoutAnOpaqueBox) {
  Bitmap bitmap(100, 30);
  SetBkColor(bitmap.dc(), RGB(255, 255, 255));
  GdiCanvas canvas(bitmap.dc(), RGB(0, 0, 128));
  canvas.FillBackground({0, 0, 100, 30});
  EXPECT_EQ(bitmap.At(50, 15), RGB(0, 0, 128));
  canvas.SetPixel(1, 1, RGB(255, 0, 0));
  EXPECT_EQ(bitmap.At(1, 1), RGB(255, 0, 0));

  SetTextColor(bitmap.dc(), RGB(255, 255, 0));
  canvas.TextOut(30, 5, "Festplatte C:\\ \xC3\x84");
  const RECT line{30, 5, 100, 18};
  EXPECT_GT(bitmap.CountIn(line, RGB(255, 255, 0)), 0);
  EXPECT_EQ(bitmap.CountIn(line, RGB(255, 255, 255)), 0);
  EXPECT_EQ(GetBkMode(bitmap.dc()), OPAQUE);
}

}  // namespace
}  // namespace zent::win32
