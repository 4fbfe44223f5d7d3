#include "app/Timestamp.h"

namespace tarnwell {
namespace {

// The decimal digits of `value`, at least `width` of them.
void Append(std::string& text, unsigned value, int width) {
  char digits[10];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0 || count < width);
  while (count > 0) text += digits[--count];
}

}  // namespace

std::string IsoTimestamp(const UtcTime& t) {
  std::string text;
  text.reserve(24);
  const std::pair<unsigned, int> fields[] = {{t.year, 4},       {t.month, 2},  {t.day, 2},
                                             {t.hour, 2},       {t.minute, 2}, {t.second, 2},
                                             {t.millisecond, 3}};
  constexpr char kAfter[] = "--T::.Z";
  for (std::size_t i = 0; i < std::size(fields); ++i) {
    Append(text, fields[i].first, fields[i].second);
    text += kAfter[i];
  }
  return text;
}

}  // namespace tarnwell
