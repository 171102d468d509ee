// The in-memory file system remembers the folders on the way to the last path
// it looked up; what the tests change afterwards must still be seen.
#include <gtest/gtest.h>

#include "platform/memory/memory_platform.h"

namespace zent {
namespace {

TEST(MemoryFiles, FolderMadeAJunctionAfterALookupLeadsToItsTarget) {
  memory::MemoryFileSystem files;
  files.AddDrive('C', platform::kDriveFixed);
  files.AddDrive('D', platform::kDriveFixed);
  files.AddFile("C:\\A\\B\\OLD.TXT", "old");
  files.AddFile("D:\\T\\NEW.TXT", "new");
  ASSERT_EQ(files.Content("\\\\?\\C:\\A\\B\\OLD.TXT"), "old");

  files.AddJunction("C:\\A\\B", "D:\\T");

  EXPECT_EQ(files.Content("\\\\?\\C:\\A\\B\\NEW.TXT"), "new");
  EXPECT_EQ(files.ResolvedPath("C:\\A\\B\\NEW.TXT"), "D:\\T\\NEW.TXT");
}

}  // namespace
}  // namespace zent
