#pragma once
// The VersionInfo record and its composition from the 52-byte fixed version block.
// Portable: it reads bytes, never the platform.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace tarnwell {

struct VersionInfo {
  std::string StrucVersion;
  std::string FileVersion;
  std::string ProductVersion;
  std::string FileFlags;
  std::string FileOS;
  std::string FileType;
  std::string FileSubType;

  bool operator==(const VersionInfo&) const = default;
};

// Size of the platform's fixed file information record.
inline constexpr std::size_t kFixedFileInfoSize = 52;

// Composes the record from the fixed block; nothing when the block is shorter than 52 bytes.
// Bytes beyond the 52nd are ignored.
std::optional<VersionInfo> ComposeVersionInfo(std::span<const std::uint8_t> fixedBlock);

}  // namespace tarnwell
