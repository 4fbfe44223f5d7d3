// UTF-16 to 8-bit text and back without loss: a name with a surrogate unit that has no other
// half comes back as it was, and never as the name with U+FFFD in its place.
#include "app/Wtf8.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarnwell {
namespace {

std::string Bytes(std::u16string_view text) { return Wtf8(text); }
std::u16string Units(std::string_view text) { return Utf16<char16_t>(text); }

TEST(Wtf8, ValidTextIsPlainUtf8BothWays) {
  struct Case {
    std::u16string utf16;
    std::string utf8;
  };
  const Case cases[] = {
      {u"", ""},
      {u"C:\\logs\\run.log", "C:\\logs\\run.log"},
      {u"Z\u00FCrich \u20AC \u00DF", "Z\xC3\xBCrich \xE2\x82\xAC \xC3\x9F"},
      {u"\u007F\u0080\u07FF\u0800\uFFFF", "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF"},
      // A pair is one code point, in four bytes.
      {u"\U0001F600", "\xF0\x9F\x98\x80"},
      {u"\U00010000\U0010FFFF", "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"},
      {u"\uFFFD", "\xEF\xBF\xBD"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Bytes(c.utf16), c.utf8);
    EXPECT_EQ(Units(c.utf8), c.utf16);
  }
}

TEST(Wtf8, ALoneSurrogateKeepsItsValueAndIsNotTheReplacementCharacter) {
  struct Case {
    std::u16string utf16;
    std::string wtf8;
  };
  const Case cases[] = {
      {u"a\xD800z", "a\xED\xA0\x80z"},
      {u"\xDBFF", "\xED\xAF\xBF"},
      {u"\xDC00", "\xED\xB0\x80"},
      {u"x\xDFFF", "x\xED\xBF\xBF"},
      // Two high halves, a low one before a high one: each stands alone.
      {u"\xD800\xD800", "\xED\xA0\x80\xED\xA0\x80"},
      {u"\xDC00\xD800", "\xED\xB0\x80\xED\xA0\x80"},
      // A high half at the very end, and one before a pair.
      {u"\xD83D\xD83D\xDE00", "\xED\xA0\xBD\xF0\x9F\x98\x80"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Bytes(c.utf16), c.wtf8);
    EXPECT_EQ(Units(c.wtf8), c.utf16);
  }
  // The fault this prevents: the two paths named the same file.
  EXPECT_NE(Bytes(u"C:\\x\xD800.log"), Bytes(u"C:\\x\uFFFD.log"));
}

TEST(Wtf8, EveryUnitSequenceComesBackAsItWas) {
  // Every unit alone, and every unit beside each surrogate edge.
  const std::vector<char16_t> edges = {0x0000, 0x007F, 0x0080, 0xD7FF, 0xD800,
                                       0xDBFF, 0xDC00, 0xDFFF, 0xE000, 0xFFFF};
  for (unsigned unit = 0; unit <= 0xFFFF; ++unit) {
    const std::u16string one(1, static_cast<char16_t>(unit));
    ASSERT_EQ(Units(Bytes(one)), one) << std::hex << unit;
    for (const char16_t edge : edges) {
      const std::u16string two = {static_cast<char16_t>(unit), edge};
      const std::u16string back = {edge, static_cast<char16_t>(unit)};
      ASSERT_EQ(Units(Bytes(two)), two) << std::hex << unit << " " << unsigned{edge};
      ASSERT_EQ(Units(Bytes(back)), back) << std::hex << unsigned{edge} << " " << unit;
    }
  }
}

TEST(Wtf8, BytesThatStartNoSequenceReadAsOneReplacementEach) {
  struct Case {
    std::string bytes;
    std::u16string utf16;
  };
  const Case cases[] = {
      {"\x80", u"\uFFFD"},
      {"a\xBFz", u"a\uFFFDz"},
      // Overlong forms of '/' and of U+07FF, U+FFFF.
      {"\xC0\xAF", u"\uFFFD\uFFFD"},
      {"\xE0\x9F\xBF", u"\uFFFD\uFFFD\uFFFD"},
      {"\xF0\x8F\xBF\xBF", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      // Above U+10FFFF, and bytes that never start a sequence.
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"\xF5\xFF", u"\uFFFD\uFFFD"},
      // A lead byte cut short, at the end or before a byte that does not continue it.
      {"\xE2\x82", u"\uFFFD\uFFFD"},
      {"\xE2\x82z", u"\uFFFD\uFFFDz"},
      {"\xC3", u"\uFFFD"},
  };
  for (const Case& c : cases) EXPECT_EQ(Units(c.bytes), c.utf16) << c.bytes.size();
}

}  // namespace
}  // namespace tarnwell
