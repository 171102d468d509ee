#pragma once

// Key security for the Wine tests, set past our registry layer.
#include <windows.h>

#include <string>

#include "platform/win32/handles.h"
#include "platform/win32/text.h"

namespace zent::testing {

// Gives everyone the right to read the key below HKEY_CURRENT_USER and nothing else, as the
// machine's keys are to a standard user.
inline bool GrantEveryoneReadOnly(const std::string& keyPath) {
  win32::UniqueHkey key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, win32::Widen(keyPath).c_str(), 0, WRITE_DAC, key.put()) !=
      ERROR_SUCCESS) {
    return false;
  }
  BYTE everyone[SECURITY_MAX_SID_SIZE];
  DWORD sidSize = sizeof everyone;
  alignas(DWORD) BYTE aclBuffer[256];
  auto* acl = reinterpret_cast<PACL>(aclBuffer);
  SECURITY_DESCRIPTOR descriptor;
  return CreateWellKnownSid(WinWorldSid, nullptr, everyone, &sidSize) &&
         InitializeAcl(acl, sizeof aclBuffer, ACL_REVISION) &&
         AddAccessAllowedAce(acl, ACL_REVISION, KEY_READ, everyone) &&
         InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
         SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE) &&
         RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, &descriptor) == ERROR_SUCCESS;
}

}  // namespace zent::testing
