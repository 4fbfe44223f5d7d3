#pragma once
// The time stamp of a log line: ISO 8601 in UTC, to the millisecond, "2026-12-07T18:49:19.904Z".

#include <cstdint>
#include <string>

namespace tarnwell {

struct UtcTime {
  unsigned year, month, day, hour, minute, second, millisecond;
};

// Written by hand: the C runtime's printf family would bring in its whole formatting engine.
std::string IsoTimestamp(const UtcTime& time);

}  // namespace tarnwell
