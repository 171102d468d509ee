#pragma once

// Path texts as the registry scans, the shortcut check and the exclusion lists
// meet them: normalising a path read from the registry, pulling the program
// path out of a command line, and deciding whether a path lies on a drive the
// user allowed the scans to examine. None of them shows a message or keeps
// state of its own.
//
// Texts are UTF-8. Where the rules count characters, a character is one UTF-8
// sequence, or one stray byte that does not form a valid sequence (as it was
// one character in the single-byte code page such texts once came in).

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/files.h"
#include "platform/shell.h"
#include "platform/utf8.h"

namespace zent {

// One flag per drive letter, index 0 = A; 1 means the drive is selected. The
// 27th flag has no letter and is never consulted. Used for `CheckDrives` (the
// drives on which any path may be examined) and `SweepDrives` (the drives the
// junk-file sweep walks).
using DriveFlags = std::array<std::uint8_t, 27>;

// The flag index of a drive letter in either case; nullopt for anything else.
std::optional<std::size_t> DriveIndex(char letter);

// Upper-cases the text, expands %NAME% references (the values keep their own
// letter case) and removes every double quote. The expansion is kept whole,
// however long: a shortened path would name another file.
std::string NormalizePath(platform::Shell& shell, std::string_view text);

// NormalizePath for a command line, the double quotes kept: a closing quote
// ends the program path however the arguments follow it.
std::string ExpandCommandLine(platform::Shell& shell, std::string_view text);

// Removes every backslash at the end; a drive root loses its backslash.
std::string StripTrailingBackslashes(std::string_view text);

// Replaces a command line, as found in the registry or a shortcut, by the
// upper-cased path of the program or file it names: the path ends at the first
// blank, comma or slash that follows a three-letter extension; without such a
// place the whole text is the path, unless it carries an option (" /" or " -"),
// in which case the text becomes empty. A text without a dot, shorter than four
// characters or holding ".." is only upper-cased. Double quotes stay; callers
// apply NormalizePath afterwards.
void ExtractCommandPath(platform::Shell& shell, std::string& text);

// True for a path such as "C:\X" (at least four characters, a letter, ":\")
// whose drive is selected in `checkDrives`. A drive root alone, UNC paths,
// relative paths and bare names give false.
bool IsOnCheckDrive(const DriveFlags& checkDrives, std::string_view path);

// True when the path passes IsOnCheckDrive and names an existing folder.
bool IsFolderOnCheckDrive(platform::FileSystem& files, const DriveFlags& checkDrives,
                          std::string_view path);

}  // namespace zent
