#pragma once

// The scan of file-name extensions under HKEY_CLASSES_ROOT whose open command
// names a program that is gone. It adds its category to the findings register;
// the repair removes the extension key and the file type key of a selected row.

#include <array>
#include <string_view>

#include "run/run_context.h"

namespace zent {

// Extensions the system itself needs: an extension key whose first four
// characters are one of these (in any case) is never examined, so ".EXE" and
// ".EXEX" are left alone, ".EX" is not.
inline constexpr std::array<std::string_view, 21> kProtectedExtensions = {
    ".SYS", ".DLL", ".EXE", ".COM", ".BAT", ".VXD", ".386", ".PIF", ".LNK", ".DRV", ".SCR",
    ".FON", ".CUR", ".ANI", ".GRP", ".ICO", ".INF", ".CMD", ".CPL", ".HLP", ".SHS",
};

bool IsProtectedExtension(std::string_view extensionKey);

// Extensions whose file type's default command runs a program (".EXE") that
// is gone.
void ScanFileFormats(RunContext& run);

}  // namespace zent
