#pragma once
// Who goes on running the old copy of the library after an update: a process that had the
// installed copy loaded before the swap and still has a library of that path loaded after it.
// A process that appears only after the swap loaded the new copy.

#include <string>
#include <vector>

#include "app/system/Holders.h"

namespace tarnwell {

// Those of `after` whose process was in `before` too, in the order of `after`.
std::vector<Holder> StillOnTheOldCopy(const std::vector<Holder>& before,
                                      const std::vector<Holder>& after);

// Every holder named, for the log: "A.exe (process 1), B.exe (process 2)".
std::string AllNamed(const std::vector<Holder>& holders);

}  // namespace tarnwell
