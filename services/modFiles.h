#pragma once
// Plain file operations for the file work, each answering whether it worked: by path inside the
// system folder, where the program creates every file itself, and by handle for the files it
// holds (the shipped copy it checked, the helper files it made).

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "app/Report.h"
#include "app/system/Files.h"
#include "platform/UniqueHandle.h"

namespace tarnwell::modFiles {

// The size in bytes; nothing when the file cannot be read.
std::optional<std::uint64_t> FileSize(const std::string& path);
std::optional<std::uint64_t> FileSize(HANDLE file);
PathKind KindOf(const std::string& path);

// Opens the existing plain file at `path` for reading and for its removal (for reading alone
// where another reader keeps it from being removed), sharing it with readers only: while the
// handle lives nobody else can write, rename or delete it. A path whose last
// part is a link (its final path is not in the folder the path names), a folder, a device or a
// file with more than one name is refused.
struct Opened {
  Holding::State state = Holding::State::Missing;
  platform::FileHandle file;
};
Opened OpenHeld(Report& report, const std::string& path);

// Creates the new file `destination` (never an existing one) for this program alone, with the
// bytes of `source` (a handle read from its start, or a path), on the disk before this returns.
// It takes the protection of its folder. An empty handle, and nothing left of it, on failure.
platform::FileHandle CopyNew(Report& report, HANDLE source, const std::string& destination);
platform::FileHandle CopyNew(Report& report, const std::string& source,
                             const std::string& destination);
// Creates an empty file for this program alone and puts it on the disk.
platform::FileHandle CreateMarker(Report& report, const std::string& path);

// Renames the file held by `file` to `destination` within its volume, replacing what is there.
bool RenameHeld(Report& report, HANDLE file, const std::string& destination);
// Opens `path` again for reading and removal, shared with readers that let it be removed (the
// loader, the registration tool), and with nobody who would keep it from going.
platform::FileHandle Reopen(Report& report, const std::string& path);
// Deletes the file held by `file` for good, once the handle is closed.
bool RemoveHeld(Report& report, HANDLE file);
// Where the file held by `file` is now, as a path the shell understands ("" if it cannot say).
std::string FinalPath(HANDLE file);

// By path, for the leftovers of an earlier run: renames within one volume, replacing
// `destination`; deletes for good (true when the file is gone, also when it was not there).
bool RenameFile(Report& report, const std::string& source, const std::string& destination);
bool RemoveFile(Report& report, const std::string& path);

}  // namespace tarnwell::modFiles
