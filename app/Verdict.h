#pragma once
// What the check of a copy's publisher found, for the log and the status text.

#include <string>

namespace tarnwell {

struct PublisherVerdict {
  bool accepted = true;
  // The copy's signer as the user is told it: its subject, or what is wrong with its signature.
  std::string found;
  // The publisher that was expected: the subject of this program's own signer.
  std::string expected;
};

}  // namespace tarnwell
