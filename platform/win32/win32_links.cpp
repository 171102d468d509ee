#include "platform/win32/win32_links.h"

#include <windows.h>
// After windows.h, whose types they use.
#include <objidl.h>
#include <shlguid.h>
#include <shobjidl.h>

#include <array>

#include "platform/win32/handles.h"
#include "platform/win32/text.h"

namespace zent::win32 {
namespace {

struct LinkObject {
  ComPtr<IShellLinkW> link;
  ComPtr<IPersistFile> file;
};

std::optional<LinkObject> MakeLinkObject() {
  LinkObject object;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              object.link.put_void())) ||
      FAILED(object.link->QueryInterface(IID_IPersistFile, object.file.put_void()))) {
    return std::nullopt;
  }
  return object;
}

// The object works with MAX_PATH buffers; a longer path cannot be handed over
// whole.
std::optional<std::wstring> LinkPath(std::string_view path) {
  std::wstring wide = Widen(path);
  if (wide.empty() || wide.size() >= MAX_PATH || wide.find(L'\0') != std::wstring::npos) {
    return std::nullopt;
  }
  return wide;
}

using TextBuffer = std::array<wchar_t, MAX_PATH + 1>;

// nullopt for a failed read; a text that fills the buffer may have been cut,
// so it counts as failed too.
template <typename Read>
std::optional<std::string> ReadText(Read read) {
  TextBuffer buffer{};
  if (FAILED(read(buffer.data(), MAX_PATH))) return std::nullopt;
  const std::wstring_view text(buffer.data());
  if (text.size() >= MAX_PATH - 1) return std::nullopt;
  return Narrow(text);
}

}  // namespace

std::optional<platform::LinkContent> Win32ShellLinks::Load(std::string_view path) {
  const auto wide = LinkPath(path);
  if (!wide) return std::nullopt;
  auto object = MakeLinkObject();
  if (!object || FAILED(object->file->Load(wide->c_str(), STGM_READ))) return std::nullopt;
  IShellLinkW& link = *object->link.get();
  platform::LinkContent content;
  content.workingDirectory =
      ReadText([&](wchar_t* text, int size) { return link.GetWorkingDirectory(text, size); });
  WIN32_FIND_DATAW found{};
  content.target = ReadText(
      [&](wchar_t* text, int size) { return link.GetPath(text, size, &found, SLGP_UNCPRIORITY); });
  content.targetIsFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  content.description =
      ReadText([&](wchar_t* text, int size) { return link.GetDescription(text, size); });
  content.arguments =
      ReadText([&](wchar_t* text, int size) { return link.GetArguments(text, size); });
  return content;
}

bool SaveShellLink(std::string_view linkPath, std::string_view target) {
  const auto wide = LinkPath(linkPath);
  auto object = MakeLinkObject();
  return wide && object && SUCCEEDED(object->link->SetPath(Widen(target).c_str())) &&
         SUCCEEDED(object->file->Save(wide->c_str(), TRUE));
}

}  // namespace zent::win32
