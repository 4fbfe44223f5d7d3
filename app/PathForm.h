#pragma once
// The plain form of a full path, to compare a path asked for with the one the system answers
// for an open file: without the prefix "\\?\" (or "\\.\") that turns off the system's own
// parsing, and a UNC path "\\?\UNC\server\share\..." as "\\server\share\...". Any other path is
// returned as it is. Templates over the character type: wchar_t on Windows.

#include <string>
#include <string_view>

namespace tarnwell {

template <typename Char>
std::basic_string<Char> PlainPathForm(std::basic_string_view<Char> path) {
  const auto is = [&](std::size_t at, char c) { return at < path.size() && path[at] == Char(c); };
  const auto letter = [&](std::size_t at) {
    return at < path.size() && ((path[at] >= Char('A') && path[at] <= Char('Z')) ||
                                (path[at] >= Char('a') && path[at] <= Char('z')));
  };
  const bool prefixed = is(0, '\\') && is(1, '\\') && (is(2, '?') || is(2, '.')) && is(3, '\\');
  if (!prefixed) return std::basic_string<Char>(path);
  // "\\?\C:..." is "C:...".
  if (letter(4) && is(5, ':')) return std::basic_string<Char>(path.substr(4));
  // "\\?\UNC\server..." is "\\server...", in any case of "UNC".
  const auto upper = [&](std::size_t at, char c) {
    return is(at, c) || is(at, static_cast<char>(c - 'A' + 'a'));
  };
  if (upper(4, 'U') && upper(5, 'N') && upper(6, 'C') && is(7, '\\')) {
    std::basic_string<Char> unc(2, Char('\\'));
    unc.append(path.substr(8));
    return unc;
  }
  return std::basic_string<Char>(path);
}

}  // namespace tarnwell
