#pragma once
// Program-wide state, the fixed names, path building and the version comparison.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/NativeHandles.h"
#include "app/VersionInfo.h"

namespace tarnwell::modDllUp {

inline constexpr char kDllName[] = "Quandrel.dll";
inline constexpr char kIdeCaption[] = "Corvex IDE";
inline constexpr char kIdeExecutable[] = "CorvexIDE\\CorvexIDE.exe";

struct SharedState {
  std::string SystemDllVersion;
  std::vector<std::string> SystemVersionParts;
  // Parts reach 65535, so each is held in 16 bits.
  std::array<std::uint16_t, 4> SystemVersionBytes{};
  std::string NewDllVersion;
  std::vector<std::string> NewVersionParts;
  std::array<std::uint16_t, 4> NewVersionBytes{};
  std::string SystemDllPath;
  std::string NewDllPath;
  // The shipped copy's size as it was checked; what is installed must match it.
  std::optional<std::uint64_t> NewDllSize;
  VersionInfo LastVersionInfo;
  NativeWindow MainWindowHandle = 0;
};

// `folder` with a "\" appended unless it already ends in one; "" becomes "\".
std::string WithTrailingBackslash(std::string folder);
// The folder part of `path`: everything before the last "\" ("" when there is none); a drive
// root keeps its "\", since "C:" alone would mean the drive's current folder.
std::string FolderOf(std::string_view path);
// `name` inside `folder`; "" when the folder is unknown (""), never a path on the drive's root.
std::string PathIn(const std::string& folder, std::string_view name);

// "1.2.3.4" -> {"1","2","3","4"}; "" -> {}; every "." splits.
std::vector<std::string> SplitVersion(std::string_view version);

// A decimal part from 0 to 65535; nothing for anything else.
std::optional<std::uint16_t> ParseVersionPart(std::string_view part);

// Splits both versions into `state`'s parts and converts the pairs up to the first that
// differs. True when the installed copy is older. Versions that are not four parts, or a
// part reached that is not a number, leave the answer false.
bool InstalledCopyIsOlder(SharedState& state);

// True when `version` is four decimal parts, i.e. was read from a version resource.
bool IsReadableVersion(std::string_view version);

}  // namespace tarnwell::modDllUp
