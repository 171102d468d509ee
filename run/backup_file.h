#pragma once

// The registry script text of the backups: escaping, the value block, reading
// what the registry editor exported, encoding lines for the running backup,
// and the dated name a finished backup is kept under. Nothing here starts a
// process or touches the registry; the file steps go through the platform.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "platform/registry.h"

namespace zent {

// How the running backup stores its text. It follows what the platform's
// registry editor writes, so that every block of one file shares one encoding.
enum class BackupEncoding {
  Utf16Le,      // with a byte-order mark at the file's start (NT family)
  Windows1252,  // single-byte (Windows 95 family)
};

inline constexpr std::string_view kRegedit4Header = "REGEDIT4";
inline constexpr std::string_view kRegedit5Header = "Windows Registry Editor Version 5.00";

// The first line of a script in that encoding, as the editor expects it there.
std::string_view ScriptHeader(BackupEncoding encoding);

// A name or text as the editor reads it back: every "\" doubled and every
// double quote written as \" (an unescaped quote would end the string early).
std::string EscapeScriptText(std::string_view text);

// The lines of a value block: header, empty line, "[root\key]", and the value
// line ("name"="text", or @="text" for the default value). nullopt when the
// key path, name or text holds CR, LF or NUL: such a value cannot be one line.
std::optional<std::vector<std::string>> ValueBlockLines(BackupEncoding encoding,
                                                        std::string_view rootName,
                                                        std::string_view keyPath,
                                                        std::string_view valueName,
                                                        std::string_view text);

// An exporter's file as UTF-8 lines: UTF-16LE when it starts with FF FE, UTF-8
// when it starts with the UTF-8 mark (dropped) and is well formed, else
// Windows-1252. Lines end at CR LF, LF or CR; a final line end adds no empty
// line.
std::vector<std::string> DecodeScriptLines(std::string_view bytes);

// False when DecodeScriptLines would change the export's text: UTF-16LE with
// an unpaired surrogate (a name the registry allows) or an odd last byte.
bool DecodesWithoutLoss(std::string_view bytes);

// The lines in the file's encoding, each ended by CR LF. `startsFile` puts the
// byte-order mark of UTF-16LE first. nullopt when a line is not well-formed
// UTF-8 or, for Windows-1252, holds a character that code page lacks.
std::optional<std::string> EncodeScriptLines(const std::vector<std::string>& lines,
                                             BackupEncoding encoding, bool startsFile);

// Adds one block to the running backup without reading or rewriting what it
// holds, whole or not at all: the first block creates the file (mark and
// lines), later ones are appended. False when the lines cannot be encoded or
// written.
bool AppendBackupBlock(platform::FileSystem& files, std::string_view path,
                       const std::vector<std::string>& lines, BackupEncoding encoding);

// A value line that restores the value exactly as stored, whatever its type
// and bytes: "name"=hex(N):.. ("hex:" for binary), wrapped with "\" as the
// editor wraps. nullopt when the name cannot be one line.
std::optional<std::vector<std::string>> ExactValueLines(std::string_view name,
                                                        const platform::RegValue& stored);

// The locale's abbreviated day name, then day, month, year, hour (0 to 23) and
// minute: "Mo" and 7 December 2026, 14:35 give "Mo071220261435".
std::string DatedBackupName(const platform::LocalTime& time, std::string_view dayName);

// How many "_N" suffixes a dated name may take before the move gives up.
inline constexpr int kMaxDatedNameSuffix = 999;

// Moves `from` to `directory` + "\" + dated + ".reg", or, when a file of that
// name is there already (a backup of the same minute), to the first free
// dated + "_2.reg", "_3.reg", ... The new path, or nullopt when it stays.
std::optional<std::string> MoveToDatedName(platform::FileSystem& files, std::string_view from,
                                           std::string_view directory, std::string_view dated);

}  // namespace zent
