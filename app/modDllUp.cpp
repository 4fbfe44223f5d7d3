#include "app/modDllUp.h"

#include <charconv>

namespace tarnwell::modDllUp {

std::string WithTrailingBackslash(std::string folder) {
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  return folder;
}

std::string FolderOf(std::string_view path) {
  const auto slash = path.find_last_of('\\');
  if (slash == std::string_view::npos) return {};
  std::string folder(path.substr(0, slash));
  if (folder.size() == 2 && folder[1] == ':') folder += '\\';
  return folder;
}

std::string PathIn(const std::string& folder, std::string_view name) {
  if (folder.empty()) return {};
  return WithTrailingBackslash(folder).append(name);
}

std::vector<std::string> SplitVersion(std::string_view version) {
  std::vector<std::string> parts;
  if (version.empty()) return parts;
  for (;;) {
    const auto dot = version.find('.');
    parts.emplace_back(version.substr(0, dot));
    if (dot == std::string_view::npos) break;
    version.remove_prefix(dot + 1);
  }
  return parts;
}

std::optional<std::uint16_t> ParseVersionPart(std::string_view part) {
  if (part.empty()) return std::nullopt;
  std::uint16_t value = 0;
  const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
  if (error != std::errc{} || end != part.data() + part.size()) return std::nullopt;
  return value;
}

bool InstalledCopyIsOlder(SharedState& s) {
  s.NewVersionParts = SplitVersion(s.NewDllVersion);
  s.SystemVersionParts = SplitVersion(s.SystemDllVersion);
  if (s.NewVersionParts.size() != 4 || s.SystemVersionParts.size() != 4) return false;

  // The first differing part decides; parts after it are never looked at.
  for (std::size_t i = 0; i < 4; ++i) {
    const auto newPart = ParseVersionPart(s.NewVersionParts[i]);
    const auto systemPart = ParseVersionPart(s.SystemVersionParts[i]);
    if (!newPart || !systemPart) return false;
    s.NewVersionBytes[i] = *newPart;
    s.SystemVersionBytes[i] = *systemPart;
    if (*systemPart > *newPart) return false;
    if (*systemPart < *newPart) return true;
  }
  return false;
}

bool IsReadableVersion(std::string_view version) {
  const auto parts = SplitVersion(version);
  if (parts.size() != 4) return false;
  for (const auto& part : parts) {
    if (!ParseVersionPart(part)) return false;
  }
  return true;
}

}  // namespace tarnwell::modDllUp
