#pragma once
// The fixed version block of a library, found in its own bytes: the version resource of a
// portable executable, read through whatever the caller reads the file with. The program reads
// the shipped copy this way, through the one handle it holds, so that the version it compares
// is the version of the file it then installs, whatever becomes of the file's path meanwhile.
// The bytes are anybody's: every offset is checked before it is followed.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

#include "app/VersionInfo.h"

namespace tarnwell {

// Fills `into` with the file's bytes from `offset` on; false when the file cannot give them all.
using ReadAt = std::function<bool(std::uint64_t offset, std::span<std::uint8_t> into)>;

struct FixedBlock {
  // As the platform's reader fails: no version resource (or no executable at all), the
  // resource cannot be read, or it holds no fixed block.
  enum class Found { Block, NoResource, ReadFailed, NoFixedBlock } found = Found::NoResource;
  std::array<std::uint8_t, kFixedFileInfoSize> bytes{};
};

// `size` is the file's size in bytes.
FixedBlock FindFixedBlock(const ReadAt& read, std::uint64_t size);

}  // namespace tarnwell
