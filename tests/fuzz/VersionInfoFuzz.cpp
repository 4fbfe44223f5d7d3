// Any bytes as a fixed version block: never a crash, never a read beyond the block, and
// every composed field within its known set of texts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "app/VersionInfo.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto info = tarnwell::ComposeVersionInfo(std::span<const std::uint8_t>(data, size));
  if (size < tarnwell::kFixedFileInfoSize) {
    if (info) std::abort();
    return 0;
  }
  if (!info) std::abort();
  // Four numbers of at most five digits and three dots.
  if (info->FileVersion.size() < 7 || info->FileVersion.size() > 23) std::abort();
  if (info->FileType.empty() || info->FileOS.empty()) std::abort();
  return 0;
}
