#pragma once
// The lines of a status text, for UTF-8 and UTF-16 alike: the pieces between CR LF pairs.

#include <string>
#include <string_view>
#include <vector>

namespace tarnwell {

template <typename Char>
std::vector<std::basic_string_view<Char>> SplitLines(std::basic_string_view<Char> text) {
  constexpr Char kBreak[] = {Char('\r'), Char('\n'), Char(0)};
  std::vector<std::basic_string_view<Char>> lines;
  for (;;) {
    const auto end = text.find(kBreak);
    lines.push_back(text.substr(0, end));
    if (end == std::basic_string_view<Char>::npos) return lines;
    text.remove_prefix(end + 2);
  }
}

// A status text as a screen reader is given it: its lines on one line, each after a single
// blank, without the blanks that only pad a line and without the empty lines. The shown text
// keeps its line breaks for the eye; read aloud or on a braille line, they are noise.
template <typename Char>
std::basic_string<Char> OneLineToRead(std::basic_string_view<Char> text) {
  std::basic_string<Char> read;
  for (auto line : SplitLines(text)) {
    while (!line.empty() && line.front() == Char(' ')) line.remove_prefix(1);
    while (!line.empty() && line.back() == Char(' ')) line.remove_suffix(1);
    if (line.empty()) continue;
    if (!read.empty()) read += Char(' ');
    read += line;
  }
  return read;
}

// The lines of `text` joined by " | ", for a log that keeps one line per entry.
inline std::string OnOneLine(std::string_view text) {
  std::string joined;
  for (const auto line : SplitLines(text)) {
    if (!joined.empty()) joined += " | ";
    joined += line;
  }
  return joined;
}

}  // namespace tarnwell
