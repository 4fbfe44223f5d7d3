#pragma once
// How a run of the registration tool ended.

#include <cstdint>

namespace tarnwell {

struct RegistrationResult {
  enum class Kind { Finished, NotStarted, TimedOut } kind = Kind::Finished;
  std::uint32_t exitCode = 0;
  bool Succeeded() const { return kind == Kind::Finished && exitCode == 0; }
};

}  // namespace tarnwell
