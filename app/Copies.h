#pragma once
// The two copies of the library as the start-up check reads them: the shipped copy beside the
// program (its size too, which what is installed must match) and the installed one.

#include "app/Report.h"
#include "app/modDllUp.h"
#include "app/system/Files.h"

namespace tarnwell {

// Reads the versions of the copies that exist into `shared`, each through LastVersionInfo, and
// writes both down in the log. The shipped copy is read through `shipped`, the file held at its
// path (null where none could be held: `state` says why).
void ReadCopies(modDllUp::SharedState& shared, const Holding& shipped, Files& files,
                Report& report);

}  // namespace tarnwell
