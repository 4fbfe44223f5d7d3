#pragma once
// Reads a file's fixed version information.

#include <windows.h>

#include <string>

#include "app/Report.h"
#include "app/VersionInfo.h"

namespace tarnwell::modVersion {

inline constexpr char kNoVersionInfo[] = "No version information available";
inline constexpr char kVersionReadFailed[] = "Error getting version information";
inline constexpr char kFixedInfoFailed[] = "Error getting fixed file version information";

// The file's VersionInfo; on failure one of the three texts above in a message box
// titled "TarnwellUpdate", and an empty record.
VersionInfo GetVersionInfo(Report& report, const std::string& path);
// The same from the bytes of an open file, read through its handle (and so from no other file,
// whatever its path has come to lead to), with the same three texts on failure.
VersionInfo GetVersionInfo(Report& report, HANDLE file);

}  // namespace tarnwell::modVersion
