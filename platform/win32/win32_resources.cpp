#include "platform/win32/win32_resources.h"

#include <windows.h>

#include <array>

#include "platform/win32/text.h"

namespace zent::win32 {

std::string Win32Resources::LoadText(int id) {
  // Resource ids are 16 bits; a larger number would wrap onto another text.
  if (id < 0 || id > 0xFFFF) {
    return {};
  }
  // The system is told one character less than the buffer holds, so a text
  // comes back with at most 510 characters.
  std::array<wchar_t, 512> buffer{};
  const int length = LoadStringW(GetModuleHandleW(nullptr), static_cast<UINT>(id), buffer.data(),
                                 static_cast<int>(buffer.size() - 1));
  if (length <= 0) {
    return {};
  }
  return Narrow(std::wstring_view(buffer.data(), static_cast<std::size_t>(length)));
}

}  // namespace zent::win32
