// The scope guards of handles.h that put a device context back as they found
// it.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32/handles.h"

namespace zent::win32 {
namespace {

TEST(SelectedObject, PutsTheReplacedObjectBackAtTheEndOfItsScope) {
  const UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
  ASSERT_TRUE(dc);
  const UniqueFont font(CreateFontW(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                    OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                    DEFAULT_PITCH | FF_DONTCARE, L"Arial"));
  ASSERT_TRUE(font);
  const HGDIOBJ original = GetCurrentObject(dc.get(), OBJ_FONT);
  {
    const SelectedObject selected(dc.get(), font.get());
    EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_FONT), font.get());
  }
  EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_FONT), original);
}

}  // namespace
}  // namespace zent::win32
