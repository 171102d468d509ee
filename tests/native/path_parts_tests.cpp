// Taking paths apart as the registry scans do.
#include <gtest/gtest.h>

#include <string>

#include "common/path_parts.h"

namespace zent {
namespace {

struct PartsCase {
  std::string path;
  std::string extension;
  std::string name;
  std::string directory;
};

void PrintTo(const PartsCase& c, std::ostream* out) { *out << '"' << c.path << '"'; }

class PathParts : public ::testing::TestWithParam<PartsCase> {};

TEST_P(PathParts, SplitAtTheLastBackslashOrColon) {
  EXPECT_EQ(FileExtension(GetParam().path), GetParam().extension);
  EXPECT_EQ(FileNamePart(GetParam().path), GetParam().name);
  EXPECT_EQ(DirectoryPart(GetParam().path), GetParam().directory);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, PathParts,
    ::testing::Values(
        PartsCase{"C:\\DIR\\FOO.EXE", ".EXE", "FOO.EXE", "C:\\DIR"},
        PartsCase{"C:\\FOO.EXE", ".EXE", "FOO.EXE", "C:\\"},
        PartsCase{"C:\\DIR.X\\FOO", "", "FOO", "C:\\DIR.X"},
        PartsCase{"C:\\A\\B.TAR.GZ", ".GZ", "B.TAR.GZ", "C:\\A"},
        PartsCase{"C:\\A\\TRAIL.", ".", "TRAIL.", "C:\\A"}, PartsCase{"C:\\A\\", "", "", "C:\\A"},
        PartsCase{"C:\\A\\\\B.DLL", ".DLL", "B.DLL", "C:\\A\\\\"},
        PartsCase{"C:FOO.TXT", ".TXT", "FOO.TXT", "C:"},
        PartsCase{"FOO.EXE", ".EXE", "FOO.EXE", ""}, PartsCase{"\\FOO.EXE", ".EXE", "FOO.EXE", ""},
        PartsCase{"\\\\SERVER", "", "SERVER", "\\\\"},
        PartsCase{"C:\\\xC3\x84RGER\\\xC3\x96L.WAV", ".WAV", "\xC3\x96L.WAV", "C:\\\xC3\x84RGER"},
        PartsCase{"", "", "", ""}));

}  // namespace
}  // namespace zent
