#include "app/VersionInfo.h"

#include <array>
#include <string_view>

#include "app/Fill.h"

namespace tarnwell {
namespace {

// The fixed block is thirteen little-endian 32-bit words; these are the byte offsets we read.
constexpr std::size_t kStrucVersion = 4;
constexpr std::size_t kFileVersionMS = 8;
constexpr std::size_t kFileVersionLS = 12;
constexpr std::size_t kProductVersionMS = 16;
constexpr std::size_t kProductVersionLS = 20;
constexpr std::size_t kFileFlags = 28;
constexpr std::size_t kFileOS = 32;
constexpr std::size_t kFileType = 36;
constexpr std::size_t kFileSubtype = 40;

constexpr std::uint32_t kDriverType = 3;

struct Named {
  std::uint32_t value;
  std::string_view text;
};

// Tested in this order; each set bit adds its word.
constexpr std::array<Named, 6> kFlagWords{{
    {0x01, "Debug"},
    {0x02, "PreRel"},
    {0x04, "Patched"},
    {0x08, "Private"},
    {0x10, "Info"},
    {0x20, "Special"},
}};

// Whole-value matches only: 0x00000004 alone is not "Win32".
constexpr std::array<Named, 5> kOsNames{{
    {0x00010001, "DOS-Win16"},
    {0x00010004, "DOS-Win32"},
    {0x00020002, "OS/2-16 PM-16"},
    {0x00030003, "OS/2-16 PM-32"},
    {0x00040004, "NT-Win32"},
}};

constexpr std::array<Named, 6> kTypeNames{{
    {1, "App"},
    {2, "DLL"},
    {3, "Driver"},
    {4, "Font"},
    {5, "VxD"},
    {7, "Lib"},
}};

constexpr std::array<std::string_view, 11> kDriverNames{
    "Unknown",     "Printer drv", "Keyboard drv", "Language drv", "Display drv", "Mouse drv",
    "Network drv", "System drv",  "Installable",  "Sound drv",    "Comm drv",
};

std::uint32_t WordAt(std::span<const std::uint8_t, kFixedFileInfoSize> block, std::size_t offset) {
  return static_cast<std::uint32_t>(block[offset]) |
         static_cast<std::uint32_t>(block[offset + 1]) << 8 |
         static_cast<std::uint32_t>(block[offset + 2]) << 16 |
         static_cast<std::uint32_t>(block[offset + 3]) << 24;
}

std::string HighLow(std::uint32_t word) {
  return Decimal(word >> 16) + "." + Decimal(word & 0xFFFFu);
}

std::string_view Lookup(std::span<const Named> table, std::uint32_t value,
                        std::string_view otherwise) {
  for (const Named& entry : table) {
    if (entry.value == value) return entry.text;
  }
  return otherwise;
}

std::string FlagWords(std::uint32_t flags) {
  std::string words;
  for (const Named& flag : kFlagWords) {
    if ((flags & flag.value) == 0) continue;
    if (!words.empty()) words += ' ';
    words += flag.text;
  }
  return words;
}

}  // namespace

std::optional<VersionInfo> ComposeVersionInfo(std::span<const std::uint8_t> fixedBlock) {
  if (fixedBlock.size() < kFixedFileInfoSize) return std::nullopt;
  const auto block = fixedBlock.first<kFixedFileInfoSize>();

  const std::uint32_t fileType = WordAt(block, kFileType);
  const std::uint32_t subtype = WordAt(block, kFileSubtype);

  VersionInfo info;
  info.StrucVersion = HighLow(WordAt(block, kStrucVersion));
  info.FileVersion =
      HighLow(WordAt(block, kFileVersionMS)) + "." + HighLow(WordAt(block, kFileVersionLS));
  info.ProductVersion =
      HighLow(WordAt(block, kProductVersionMS)) + "." + HighLow(WordAt(block, kProductVersionLS));
  info.FileFlags = FlagWords(WordAt(block, kFileFlags));
  info.FileOS = Lookup(kOsNames, WordAt(block, kFileOS), "Unknown");
  info.FileType = Lookup(kTypeNames, fileType, "Unknown");
  if (fileType == kDriverType && subtype < kDriverNames.size()) {
    info.FileSubType = kDriverNames[subtype];
  }
  return info;
}

}  // namespace tarnwell
