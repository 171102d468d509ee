#pragma once

// The paths a command line can be read as. Cutting a program path out of a
// command line can end it in the wrong place (at a blank or dot inside a
// folder name, or keeping the character after the extension), so a caller
// that must not call a present file missing tests every reading.

#include <string>
#include <string_view>
#include <vector>

namespace zent {

// `program` is the path cut from `commandLine`. The readings: `program` as it
// stands and without trailing blanks, commas and slashes, the text before each
// blank or comma of the command without quotes, and that whole text.
std::vector<std::string> CommandReadings(std::string_view commandLine, std::string_view program);

}  // namespace zent
