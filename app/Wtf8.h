#pragma once
// UTF-16 to 8-bit text and back without loss (the form known as WTF-8). A Windows name may hold
// a UTF-16 surrogate unit without its other half; strict UTF-8 has no form for it, and a strict
// converter writes U+FFFD in its place, which names another file. Here such a unit is written as
// the three bytes its value would take, and read back as that unit; everything else is plain
// UTF-8. So every UTF-16 text, valid or not, comes back as it was: Utf16(Wtf8(x)) == x.
//
// Reading, each byte that starts no well-formed sequence becomes one U+FFFD, as the system's
// own converter does: an overlong form, a value above U+10FFFF, a lead byte without its
// continuation bytes. Templates over the 16-bit unit type: wchar_t on Windows, char16_t in the
// host tests.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarnwell {

namespace wtf8 {

inline constexpr char32_t kReplacement = 0xFFFD;

constexpr bool IsHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
constexpr bool IsLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// One code point, or a lone surrogate's value, as 1 to 4 bytes.
inline void Append(char32_t value, std::string& out) {
  const auto byte = [&out](char32_t b) { out.push_back(static_cast<char>(b)); };
  if (value < 0x80) {
    byte(value);
  } else if (value < 0x800) {
    byte(0xC0 | (value >> 6));
    byte(0x80 | (value & 0x3F));
  } else if (value < 0x10000) {
    byte(0xE0 | (value >> 12));
    byte(0x80 | ((value >> 6) & 0x3F));
    byte(0x80 | (value & 0x3F));
  } else {
    byte(0xF0 | (value >> 18));
    byte(0x80 | ((value >> 12) & 0x3F));
    byte(0x80 | ((value >> 6) & 0x3F));
    byte(0x80 | (value & 0x3F));
  }
}

// The value of the sequence at `text[at]` and its length; length 0 when none starts there.
struct Decoded {
  char32_t value;
  std::size_t length;
};

inline Decoded Decode(std::string_view text, std::size_t at) {
  const auto unit = [&](std::size_t i) { return static_cast<std::uint8_t>(text[at + i]); };
  const std::uint8_t lead = unit(0);
  if (lead < 0x80) return {lead, 1};
  std::size_t length = 0;
  char32_t value = 0;
  char32_t least = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, value = lead & 0x1F, least = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, value = lead & 0x0F, least = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, value = lead & 0x07, least = 0x10000;
  } else {
    return {0, 0};
  }
  if (text.size() - at < length) return {0, 0};
  for (std::size_t i = 1; i < length; ++i) {
    if ((unit(i) & 0xC0) != 0x80) return {0, 0};
    value = (value << 6) | (unit(i) & 0x3F);
  }
  // Each value has one form, its shortest; a 3-byte surrogate value is the lone unit itself.
  if (value < least || value > 0x10FFFF) return {0, 0};
  return {value, length};
}

}  // namespace wtf8

// UTF-16 (any sequence of units) as WTF-8.
template <typename Unit>
std::string Wtf8(std::basic_string_view<Unit> utf16) {
  static_assert(sizeof(Unit) == 2, "UTF-16 units");
  std::string out;
  out.reserve(utf16.size());
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    const char32_t unit = static_cast<char16_t>(utf16[i]);
    if (wtf8::IsHighSurrogate(unit) && i + 1 < utf16.size()) {
      const char32_t next = static_cast<char16_t>(utf16[i + 1]);
      if (wtf8::IsLowSurrogate(next)) {
        wtf8::Append(0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00), out);
        ++i;
        continue;
      }
    }
    wtf8::Append(unit, out);
  }
  return out;
}

// WTF-8 (or any bytes) as UTF-16.
template <typename Unit>
std::basic_string<Unit> Utf16(std::string_view wtf8Text) {
  static_assert(sizeof(Unit) == 2, "UTF-16 units");
  std::basic_string<Unit> out;
  out.reserve(wtf8Text.size());
  for (std::size_t at = 0; at < wtf8Text.size();) {
    const wtf8::Decoded decoded = wtf8::Decode(wtf8Text, at);
    if (decoded.length == 0) {
      out.push_back(static_cast<Unit>(wtf8::kReplacement));
      ++at;
      continue;
    }
    at += decoded.length;
    if (decoded.value >= 0x10000) {
      const char32_t above = decoded.value - 0x10000;
      out.push_back(static_cast<Unit>(0xD800 + (above >> 10)));
      out.push_back(static_cast<Unit>(0xDC00 + (above & 0x3FF)));
    } else {
      out.push_back(static_cast<Unit>(decoded.value));
    }
  }
  return out;
}

}  // namespace tarnwell
