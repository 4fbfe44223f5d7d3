#include "app/PeVersion.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace tarnwell {
namespace {

constexpr std::uint32_t kVersionType = 16;  // RT_VERSION
constexpr std::uint32_t kVersionName = 1;   // VS_VERSION_INFO
constexpr std::uint32_t kResourceDirectory = 2;
constexpr std::uint32_t kSubdirectory = 0x80000000u;
// A version resource is small; a larger claim is not read in full.
constexpr std::uint32_t kResourceLimit = 64 * 1024;
// Where the root block's value begins: after its three words and its key, "VS_VERSION_INFO"
// with its terminator in UTF-16, on a 32-bit boundary.
constexpr std::size_t kRootValue = 40;

std::uint32_t Word(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8;
}
std::uint32_t Dword(std::span<const std::uint8_t> bytes, std::size_t at) {
  return Word(bytes, at) | Word(bytes, at + 2) << 16;
}

class Image {
 public:
  Image(const ReadAt& read, std::uint64_t size) : read_(read), size_(size) {}

  // Reads `count` bytes at `offset`; nothing when they lie outside the file or cannot be read
  // (`failed` tells which).
  std::optional<std::vector<std::uint8_t>> Bytes(std::uint64_t offset, std::size_t count) {
    if (offset > size_ || count > size_ - offset) return std::nullopt;
    std::vector<std::uint8_t> bytes(count);
    if (count > 0 && !read_(offset, bytes)) {
      failed_ = true;
      return std::nullopt;
    }
    return bytes;
  }
  bool Failed() const { return failed_; }

  // The sections, so that a relative virtual address can be found in the file.
  bool ReadHeaders() {
    const auto dos = Bytes(0, 64);
    if (!dos || (*dos)[0] != 'M' || (*dos)[1] != 'Z') return false;
    const std::uint32_t pe = Dword(*dos, 0x3C);
    const auto header = Bytes(pe, 24);
    if (!header || Dword(*header, 0) != 0x00004550) return false;  // "PE\0\0"
    const std::uint32_t sections = Word(*header, 6);
    const std::uint32_t optionalSize = Word(*header, 20);
    const auto optional = Bytes(pe + 24, optionalSize);
    if (!optional || optionalSize < 2) return false;
    const std::uint32_t magic = Word(*optional, 0);
    const std::size_t countAt = magic == 0x20b ? 108 : magic == 0x10b ? 92 : 0;
    if (countAt == 0 || optionalSize < countAt + 4) return false;
    const std::uint32_t directories = Dword(*optional, countAt);
    const std::size_t entry = countAt + 4 + kResourceDirectory * 8;
    if (directories <= kResourceDirectory || optionalSize < entry + 8) return false;
    resourceRva_ = Dword(*optional, entry);
    if (resourceRva_ == 0) return false;
    const auto table = Bytes(pe + 24 + std::uint64_t{optionalSize}, std::size_t{sections} * 40);
    if (!table) return false;
    for (std::size_t i = 0; i < sections; ++i) {
      const std::size_t at = i * 40;
      sections_.push_back({Dword(*table, at + 12), Dword(*table, at + 8), Dword(*table, at + 20),
                           Dword(*table, at + 16)});
    }
    return true;
  }

  // The file offset of `count` bytes at `rva`, when they lie in one section's data.
  std::optional<std::uint64_t> OffsetOf(std::uint32_t rva, std::uint32_t count) const {
    for (const Section& s : sections_) {
      const std::uint64_t span = std::max(s.virtualSize, s.rawSize);
      if (rva < s.address || rva - std::uint64_t{s.address} >= span) continue;
      const std::uint64_t into = rva - std::uint64_t{s.address};
      if (into + count > s.rawSize) return std::nullopt;
      return s.rawOffset + into;
    }
    return std::nullopt;
  }

  // The entry of the resource directory at `offset` (within the resource section) whose id is
  // `id`, or else its first entry when `anyIfMissing`; its offset field.
  std::optional<std::uint32_t> Entry(std::uint32_t offset, std::optional<std::uint32_t> id) {
    const auto where = OffsetOf(resourceRva_ + offset, 16);
    if (!where) return std::nullopt;
    const auto directory = Bytes(*where, 16);
    if (!directory) return std::nullopt;
    const std::uint32_t named = Word(*directory, 12);
    const std::uint32_t ids = Word(*directory, 14);
    const auto entriesAt = OffsetOf(resourceRva_ + offset + 16, (named + ids) * 8);
    if (!entriesAt) return std::nullopt;
    const auto entries = Bytes(*entriesAt, std::size_t{named + ids} * 8);
    if (!entries || named + ids == 0) return std::nullopt;
    for (std::size_t i = named; i < named + ids; ++i) {
      if (id && Dword(*entries, i * 8) == *id) return Dword(*entries, i * 8 + 4);
    }
    if (id) return std::nullopt;
    return Dword(*entries, 4);
  }

  std::uint32_t ResourceRva() const { return resourceRva_; }

 private:
  struct Section {
    std::uint32_t address, virtualSize, rawOffset, rawSize;
  };
  const ReadAt& read_;
  std::uint64_t size_;
  bool failed_ = false;
  std::uint32_t resourceRva_ = 0;
  std::vector<Section> sections_;
};

}  // namespace

FixedBlock FindFixedBlock(const ReadAt& read, std::uint64_t size) {
  using Found = FixedBlock::Found;
  Image image(read, size);
  const auto fail = [&](Found otherwise) {
    return FixedBlock{image.Failed() ? Found::ReadFailed : otherwise, {}};
  };
  if (!image.ReadHeaders()) return fail(Found::NoResource);

  // Type, then name (the first where VS_VERSION_INFO is missing), then the first language.
  const auto type = image.Entry(0, kVersionType);
  if (!type || !(*type & kSubdirectory)) return fail(Found::NoResource);
  auto name = image.Entry(*type & ~kSubdirectory, kVersionName);
  if (!name) name = image.Entry(*type & ~kSubdirectory, std::nullopt);
  if (!name || !(*name & kSubdirectory)) return fail(Found::NoResource);
  const auto language = image.Entry(*name & ~kSubdirectory, std::nullopt);
  if (!language || (*language & kSubdirectory)) return fail(Found::NoResource);

  const auto dataAt = image.OffsetOf(image.ResourceRva() + *language, 16);
  const auto data = dataAt ? image.Bytes(*dataAt, 16) : std::nullopt;
  if (!data) return fail(Found::NoResource);
  const std::uint32_t length = std::min(Dword(*data, 4), kResourceLimit);
  const auto blockAt = image.OffsetOf(Dword(*data, 0), length);
  const auto block = blockAt ? image.Bytes(*blockAt, length) : std::nullopt;
  if (!block) return fail(blockAt ? Found::ReadFailed : Found::NoResource);

  // The root block's own length and its value's; only bytes inside both the resource and the
  // block count.
  if (block->size() < 6) return fail(Found::NoFixedBlock);
  const std::size_t inBlock = std::min<std::size_t>(block->size(), Word(*block, 0));
  const std::size_t value = Word(*block, 2);
  if (inBlock <= kRootValue) return fail(Found::NoFixedBlock);
  const std::size_t available = std::min({value, inBlock - kRootValue, kFixedFileInfoSize});
  if (available < kFixedFileInfoSize) return fail(Found::NoFixedBlock);
  FixedBlock found{Found::Block, {}};
  std::copy_n(block->begin() + kRootValue, kFixedFileInfoSize, found.bytes.begin());
  return found;
}

}  // namespace tarnwell
