// Any bytes as a library whose version is read from its own bytes: never a crash, never a read
// outside the file, and a block found only where a whole fixed block lies inside it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>

#include "app/PeVersion.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const tarnwell::ReadAt read = [&](std::uint64_t offset, std::span<std::uint8_t> into) {
    if (offset > size || into.size() > size - offset) std::abort();  // asked past the end
    std::memcpy(into.data(), data + offset, into.size());
    return true;
  };
  const tarnwell::FixedBlock found = tarnwell::FindFixedBlock(read, size);
  if (found.found == tarnwell::FixedBlock::Found::Block && size < tarnwell::kFixedFileInfoSize) {
    std::abort();
  }
  return 0;
}
