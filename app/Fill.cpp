#include "app/Fill.h"

namespace tarnwell {

std::string Fill(std::string_view pattern, std::initializer_list<std::string_view> values) {
  std::string text;
  text.reserve(pattern.size() + 64);
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' && pattern[i + 1] <= '9') {
      const std::size_t index = static_cast<std::size_t>(pattern[++i] - '1');
      if (index < values.size()) text += values.begin()[index];
      continue;
    }
    text += c;
  }
  return text;
}

std::string Decimal(long long value) { return std::to_string(value); }

}  // namespace tarnwell
