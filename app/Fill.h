#pragma once
// Texts with their values put in: "%1" to "%9" in a pattern stand for the values in order. A
// value is put in as it is, never read for marks of its own, so a path holding "%1" stays as
// it is. One small function instead of a chain of concatenations at every place a text is made.

#include <initializer_list>
#include <string>
#include <string_view>

namespace tarnwell {

std::string Fill(std::string_view pattern, std::initializer_list<std::string_view> values = {});

// A number in decimal, for every count, code and size a text shows: one conversion for all of
// them rather than one copy of the standard one per integer type.
std::string Decimal(long long value);

}  // namespace tarnwell
