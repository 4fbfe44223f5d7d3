// Any two texts as versions: the comparison never crashes, is never true both ways round,
// agrees with a plain numeric comparison whenever both texts are readable versions, and
// otherwise answers "older" only on a numeric part reached before anything unreadable.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/modDllUp.h"

using namespace tarnwell;

namespace {

bool Older(const std::string& installed, const std::string& shipped) {
  modDllUp::SharedState s;
  s.SystemDllVersion = installed;
  s.NewDllVersion = shipped;
  return modDllUp::InstalledCopyIsOlder(s);
}

std::array<std::uint16_t, 4> Parts(const std::string& version) {
  std::array<std::uint16_t, 4> parts{};
  const auto texts = modDllUp::SplitVersion(version);
  for (std::size_t i = 0; i < 4; ++i) parts[i] = *modDllUp::ParseVersionPart(texts[i]);
  return parts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const auto split = input.find('\n');
  const std::string installed = input.substr(0, split);
  const std::string shipped = split == std::string::npos ? "" : input.substr(split + 1);

  const bool older = Older(installed, shipped);
  const bool newer = Older(shipped, installed);
  if (older && newer) std::abort();
  if (modDllUp::IsReadableVersion(installed) && modDllUp::IsReadableVersion(shipped)) {
    if (older != (Parts(installed) < Parts(shipped))) std::abort();
  } else if (older) {
    const auto a = modDllUp::SplitVersion(installed);
    const auto b = modDllUp::SplitVersion(shipped);
    if (a.size() != 4 || b.size() != 4) std::abort();
    for (std::size_t i = 0;; ++i) {
      const auto x = modDllUp::ParseVersionPart(a[i]);
      const auto y = modDllUp::ParseVersionPart(b[i]);
      if (!x || !y || *x > *y) std::abort();
      if (*x < *y) break;
    }
  }
  return 0;
}
