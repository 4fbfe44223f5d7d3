#pragma once
// Who may change a file, as its security descriptor says. Under Wine the descriptor of a file
// is made from its Unix mode bits (owner, SYSTEM, and Everyone for the "other" bits); a rename
// keeps them, a file created afresh gets the creating process's umask.

#include <string>
#include <vector>

namespace tarnwell::e2e {

// Gives Everyone and BUILTIN\Users full control of `path`, in place of its access list, as a
// carelessly unpacked download may have it. False when the system refuses.
bool OpenToEveryone(const std::wstring& path);

// What lets a broad group (Everyone, BUILTIN\Users, Authenticated Users) change or replace the
// file at `path`: owning it, or an allowing entry with a right to write or append data, delete,
// or change the access list or owner. One line per finding; empty when there is none. A
// descriptor that cannot be read is a finding too.
std::vector<std::string> OpenToOthers(const std::wstring& path);

}  // namespace tarnwell::e2e
