#include "tests/e2e/driver/FileSecurity.h"

#include <windows.h>

#include <aclapi.h>

#include <array>
#include <cstdio>

#include "platform/UniqueHandle.h"

namespace tarnwell::e2e {
namespace {

using LocalMemory = platform::UniqueHandle<platform::HandleTraits<HLOCAL, &::LocalFree>>;

constexpr DWORD kChangingRights = FILE_WRITE_DATA | FILE_APPEND_DATA | DELETE | WRITE_DAC |
                                  WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

struct BroadGroup {
  WELL_KNOWN_SID_TYPE type;
  const char* name;
};
constexpr std::array kBroadGroups = {BroadGroup{WinWorldSid, "Everyone"},
                                     BroadGroup{WinBuiltinUsersSid, "BUILTIN\\Users"},
                                     BroadGroup{WinAuthenticatedUserSid, "Authenticated Users"}};

struct WellKnownSid {
  explicit WellKnownSid(WELL_KNOWN_SID_TYPE type) {
    DWORD size = sizeof bytes;
    valid = CreateWellKnownSid(type, nullptr, bytes, &size) != FALSE;
  }
  PSID Get() { return valid ? static_cast<PSID>(bytes) : nullptr; }
  BYTE bytes[SECURITY_MAX_SID_SIZE] = {};
  bool valid = false;
};

// The broad group `sid` is, or nullptr.
const char* BroadGroupOf(PSID sid) {
  for (const auto& group : kBroadGroups) {
    WellKnownSid known(group.type);
    if (known.Get() && sid && EqualSid(known.Get(), sid)) return group.name;
  }
  return nullptr;
}

std::string Hex(DWORD value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%lx", static_cast<unsigned long>(value));
  return text;
}

}  // namespace

bool OpenToEveryone(const std::wstring& path) {
  WellKnownSid everyone(WinWorldSid), users(WinBuiltinUsersSid);
  if (!everyone.Get() || !users.Get()) return false;
  EXPLICIT_ACCESSW entries[2] = {};
  PSID sids[2] = {everyone.Get(), users.Get()};
  for (int i = 0; i < 2; ++i) {
    entries[i].grfAccessPermissions = GENERIC_ALL;
    entries[i].grfAccessMode = SET_ACCESS;
    entries[i].grfInheritance = NO_INHERITANCE;
    entries[i].Trustee.TrusteeForm = TRUSTEE_IS_SID;
    entries[i].Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    entries[i].Trustee.ptstrName = static_cast<LPWSTR>(sids[i]);
  }
  LocalMemory acl;
  if (SetEntriesInAclW(2, entries, nullptr, reinterpret_cast<PACL*>(acl.put())) != ERROR_SUCCESS)
    return false;
  return SetNamedSecurityInfoW(const_cast<LPWSTR>(path.c_str()), SE_FILE_OBJECT,
                               DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                               nullptr, nullptr, static_cast<PACL>(acl.get()),
                               nullptr) == ERROR_SUCCESS;
}

std::vector<std::string> OpenToOthers(const std::wstring& path) {
  std::vector<std::string> findings;
  PSID owner = nullptr;
  PACL dacl = nullptr;
  LocalMemory descriptor;
  const DWORD error = GetNamedSecurityInfoW(
      path.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
      nullptr, &dacl, nullptr, reinterpret_cast<PSECURITY_DESCRIPTOR*>(descriptor.put()));
  if (error != ERROR_SUCCESS) {
    findings.push_back("the security descriptor cannot be read: error " + std::to_string(error));
    return findings;
  }
  if (const char* group = BroadGroupOf(owner)) findings.push_back(std::string("owned by ") + group);
  if (!dacl) {
    findings.push_back("no access list: anyone may do anything");
    return findings;
  }
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    void* entry = nullptr;
    if (!GetAce(dacl, i, &entry)) continue;
    const auto* header = static_cast<const ACE_HEADER*>(entry);
    // Entries that only pass on to children say nothing about this file.
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE || (header->AceFlags & INHERIT_ONLY_ACE))
      continue;
    auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
    const char* group = BroadGroupOf(&allowed->SidStart);
    if (group && (allowed->Mask & kChangingRights))
      findings.push_back(std::string(group) + " is allowed " + Hex(allowed->Mask));
  }
  return findings;
}

}  // namespace tarnwell::e2e
