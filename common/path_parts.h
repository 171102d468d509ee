#pragma once

// The parts of a path as the registry scans take it apart. A path's name
// begins after its last "\" or ":"; both are ASCII, so cutting there never
// splits a UTF-8 character.

#include <string>
#include <string_view>

namespace zent {

// From the last "." of the name part on, the dot included; empty when the name
// has no dot. "C:\DIR.X\FOO" has none.
std::string FileExtension(std::string_view path);

// What follows the last "\" or ":"; the whole text when it holds neither.
std::string FileNamePart(std::string_view path);

// The text up to the last "\" or ":". A colon stays; the backslash stays only
// after a colon or another backslash, so "C:\FOO.EXE" gives "C:\" and
// "C:\DIR\FOO.EXE" gives "C:\DIR". Empty when there is neither.
std::string DirectoryPart(std::string_view path);

}  // namespace zent
