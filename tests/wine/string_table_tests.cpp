#include <gtest/gtest.h>

#include "platform/win32/win32_resources.h"
#include "ui/interface_texts.h"

namespace zent {
namespace {

// The string table linked into this test program is ui/strings.rc, the same
// file the saver links.
TEST(Win32StringTable, HoldsExactlyTheCoreTexts) {
  win32::Win32Resources resources;
  for (const StringTableEntry& entry : StringTable()) {
    EXPECT_EQ(resources.LoadText(entry.id), entry.text) << entry.id;
  }
}

TEST(Win32StringTable, GivesEmptyTextForIdsItLacks) {
  win32::Win32Resources resources;
  for (int id :
       {0, 4, 5, 13, 99, 107, 401, 10002, 10005, 20200, 20213, 20300, 20315, -1, 65536 + 1}) {
    EXPECT_EQ(resources.LoadText(id), "") << id;
  }
}

}  // namespace
}  // namespace zent
