#pragma once

// The registry editor's export ("REGEDIT /e "<file>" "<key>"") and the console
// exporter's ("REG EXPORT "<HKLM\key>" "<file>" /y") played on the in-memory
// platform: writes the key with its subkeys as a UTF-16LE script with a
// byte-order mark, as both do on the NT family, and writes no file for a key
// that does not exist. Install it as the launcher's onRun.

#include <cstdio>
#include <functional>
#include <optional>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/memory/memory_platform.h"
#include "platform/utf8.h"
#include "run/backup_file.h"

namespace zent::testing {

struct ExportRequest {
  std::string file;
  std::string key;  // root written in full
};

// "REG EXPORT "HKLM\<key>" "<file>" /y", the root written short.
inline std::optional<ExportRequest> ParseConsoleExportCommand(std::string_view command) {
  static const std::regex kForm(R"re(REG EXPORT "HK(CR|CU|LM)\\([^"]*)" "([^"]*)" /y)re");
  std::match_results<std::string_view::const_iterator> parts;
  if (!std::regex_match(command.begin(), command.end(), parts, kForm)) return std::nullopt;
  const std::string root = parts[1] == "CR"   ? "HKEY_CLASSES_ROOT\\"
                           : parts[1] == "CU" ? "HKEY_CURRENT_USER\\"
                                              : "HKEY_LOCAL_MACHINE\\";
  return ExportRequest{parts[3], root + parts[2].str()};
}

// Splits the command line the repair starts an exporter with.
inline std::optional<ExportRequest> ParseExportCommand(std::string_view command) {
  constexpr std::string_view kStart = "REGEDIT /e \"";
  if (!command.starts_with(kStart)) return ParseConsoleExportCommand(command);
  command.remove_prefix(kStart.size());
  const auto fileEnd = command.find('"');
  if (fileEnd == std::string_view::npos || command.substr(fileEnd).size() < 4 ||
      command.substr(fileEnd, 3) != "\" \"" || !command.ends_with('"')) {
    return std::nullopt;
  }
  const auto key = command.substr(fileEnd + 3, command.size() - fileEnd - 4);
  return ExportRequest{std::string(command.substr(0, fileEnd)), std::string(key)};
}

inline std::optional<platform::RegRoot> RootOfName(std::string_view name) {
  using platform::RegRoot;
  if (name == "HKEY_CLASSES_ROOT") return RegRoot::ClassesRoot;
  if (name == "HKEY_CURRENT_USER") return RegRoot::CurrentUser;
  if (name == "HKEY_LOCAL_MACHINE") return RegRoot::LocalMachine;
  if (name == "HKEY_USERS") return RegRoot::Users;
  if (name == "HKEY_CURRENT_CONFIG") return RegRoot::CurrentConfig;
  return std::nullopt;
}

inline std::string ExportedData(const platform::RegValue& value) {
  if (value.type == platform::kRegSz)
    return std::string("\"").append(EscapeScriptText(value.data)).append("\"");
  std::string hex = value.type == platform::kRegBinary
                        ? std::string("hex:")
                        : std::string("hex(").append(std::to_string(value.type)).append("):");
  for (std::size_t k = 0; k < value.data.size(); ++k) {
    char byte[4];
    std::snprintf(byte, sizeof byte, "%02x", static_cast<unsigned char>(value.data[k]));
    if (k > 0) hex += ",";
    hex += byte;
  }
  return hex;
}

inline void ExportKeyLines(memory::MemoryRegistry& registry, platform::RegRoot root,
                           const std::string& rootName, const std::string& path,
                           std::vector<std::string>& lines) {
  const auto key = registry.Open(root, path, platform::RegAccess::Read);
  if (!key) return;
  lines.push_back("[" + rootName + "\\" + path + "]");
  for (const auto& name : key->ValueNames()) {
    const auto value = key->QueryValue(name);
    if (!value) continue;
    const std::string field =
        name.empty() ? "@" : std::string("\"").append(EscapeScriptText(name)).append("\"");
    lines.push_back(field + "=" + ExportedData(*value));
  }
  lines.emplace_back();
  for (const auto& sub : key->SubkeyNames()) {
    ExportKeyLines(registry, root, rootName, path + "\\" + sub, lines);
  }
}

// Runs one export; true (the editor started) for every well-formed command.
inline bool FakeRegedit(memory::MemoryPlatform& memory, std::string_view command) {
  const auto request = ParseExportCommand(command);
  if (!request) return false;
  const auto split = request->key.find('\\');
  const std::string rootName = request->key.substr(0, split);
  const auto root = RootOfName(rootName);
  if (!root || split == std::string::npos) return true;
  const std::string path = request->key.substr(split + 1);
  if (!memory.registry.KeyExists(*root, path)) return true;
  std::vector<std::string> lines = {std::string(kRegedit5Header), ""};
  ExportKeyLines(memory.registry, *root, rootName, path, lines);
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  memory.files.WriteWhole(request->file,
                          std::string("\xFF\xFE").append(Utf8ToUtf16Le(text).value_or("")));
  return true;
}

// More waits than any time limit lets pass: a program that needs them hangs.
inline constexpr int kHangingWaits = 1'000'000;

// The editor writes its export and then hangs (as behind an error box nobody
// answers) for the keys `hangsOn` picks; it ends only when it is ended.
inline void MakeRegeditHang(memory::MemoryPlatform& memory,
                            std::function<bool(const ExportRequest&)> hangsOn) {
  memory.launcher.waitsBeforeEnd = [hangsOn = std::move(hangsOn)](std::string_view command) {
    const auto request = ParseExportCommand(command);
    return request && hangsOn(*request) ? kHangingWaits : 0;
  };
}

}  // namespace zent::testing
