#pragma once
// Plain file operations for the work inside the system folder, where the program creates every
// file itself. Unlike the shell's, each one answers whether it worked.

#include <cstdint>
#include <optional>
#include <string>

#include "app/Report.h"

namespace tarnwell::modFiles {

// The size in bytes; nothing when the file cannot be read.
std::optional<std::uint64_t> FileSize(const std::string& path);
// Copies `source` into the new file `destination`, which must not exist yet. The copy is created
// afresh, so it takes the protection of its folder and the owner of this program rather than the
// source's, and it is on the disk before this returns. On any failure nothing of it is left.
bool CopyNewFile(Report& report, const std::string& source, const std::string& destination);
// Renames within one volume, replacing `destination`.
bool RenameFile(Report& report, const std::string& source, const std::string& destination);
// Deletes for good; true when the file is gone, also when it was not there.
bool RemoveFile(Report& report, const std::string& path);
// Creates (or truncates) an empty file and puts it on the disk.
bool CreateMarker(Report& report, const std::string& path);

}  // namespace tarnwell::modFiles
