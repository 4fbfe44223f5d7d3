#include "app/OldCopyUsers.h"

#include <algorithm>

#include "app/StatusTexts.h"

namespace tarnwell {

std::vector<Holder> StillOnTheOldCopy(const std::vector<Holder>& before,
                                      const std::vector<Holder>& after) {
  std::vector<Holder> still;
  for (const Holder& holder : after) {
    // The same process, not only the same program: a program started again meanwhile runs the
    // new copy.
    if (std::find(before.begin(), before.end(), holder) != before.end()) still.push_back(holder);
  }
  return still;
}

std::string AllNamed(const std::vector<Holder>& holders) {
  std::string named;
  for (const Holder& holder : holders) {
    if (!named.empty()) named += ", ";
    named += texts::HolderName(holder);
  }
  return named;
}

}  // namespace tarnwell
