#pragma once
// Reads a file's fixed version information.

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

}  // namespace tarnwell::modVersion
