#pragma once

// The paths a command line can be read as. Cutting a program path out of a
// command line can end it in the wrong place (at a blank or dot inside a
// folder name, or keeping the character after the extension), so a caller
// that must not call a present file missing tests every reading.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zent {

// The path between the opening quote of a command line (after any white
// space) and its closing quote, or the end when it has none: the program
// Windows starts, whatever follows the quote ("APP.EXE"--X, "APP.EXE"=1).
// nullopt when the command does not start with a quote.
std::optional<std::string> QuotedProgram(std::string_view commandLine);

// `program` is the path cut from `commandLine`, which may still hold its
// quotes. The readings: `program` as it stands and without trailing white
// space, commas and slashes, the quoted program, the text before each white
// space or comma of the command without quotes, and that whole text.
std::vector<std::string> CommandReadings(std::string_view commandLine, std::string_view program);

}  // namespace zent
