// Any UTF-16 units (the input read as pairs of bytes) come back from WTF-8 as they were, and
// any bytes read as UTF-16 settle at once: writing that back and reading it again changes
// nothing. Plain UTF-8 stays plain UTF-8: without a surrogate unit in the text, the bytes
// written are well-formed UTF-8 (no 3-byte form of a surrogate value).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/Wtf8.h"

using namespace tarnwell;

namespace {

void Check(bool holds) {
  if (!holds) std::abort();
}

bool HoldsSurrogate(std::u16string_view text) {
  for (const char16_t unit : text)
    if (unit >= 0xD800 && unit <= 0xDFFF) return true;
  return false;
}

// Whether the bytes hold the 3-byte form of a surrogate value: ED followed by A0..BF.
bool HoldsSurrogateForm(std::string_view bytes) {
  for (std::size_t i = 0; i + 1 < bytes.size(); ++i)
    if (static_cast<std::uint8_t>(bytes[i]) == 0xED &&
        static_cast<std::uint8_t>(bytes[i + 1]) >= 0xA0)
      return true;
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::u16string units;
  for (std::size_t i = 0; i + 1 < size; i += 2)
    units.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  const std::string written = Wtf8(std::u16string_view(units));
  Check(Utf16<char16_t>(written) == units);
  // A lone surrogate is written in its 3-byte form, a pair as one 4-byte code point: only lone
  // halves give the form. Valid UTF-16 so gives strict UTF-8.
  bool lone = false;
  for (std::size_t i = 0; i < units.size(); ++i) {
    const char16_t unit = units[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF) {
      ++i;
      continue;
    }
    lone = lone || (unit >= 0xD800 && unit <= 0xDFFF);
  }
  Check(HoldsSurrogateForm(written) == lone);

  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::u16string read = Utf16<char16_t>(bytes);
  Check(read.size() <= bytes.size());
  const std::string again = Wtf8(std::u16string_view(read));
  Check(Utf16<char16_t>(again) == read);
  if (!HoldsSurrogate(read)) Check(!HoldsSurrogateForm(again));
  // Bytes that are well-formed already are written back exactly.
  if (!HoldsSurrogateForm(bytes) && read.find(u'\uFFFD') == std::u16string::npos)
    Check(again == bytes);
  return 0;
}
