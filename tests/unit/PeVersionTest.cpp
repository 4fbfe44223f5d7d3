// The version block found in a library's own bytes, as the shipped copy is read through its
// handle: every way a file can fail to be a versioned library ends as the platform's reader ends.
#include "app/PeVersion.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace tarnwell {
namespace {

// A 32-bit library image with one section, .rsrc, holding a version resource (type 16, name 1,
// language 0x409) whose root block carries `valueLength` bytes of a fixed block of version
// 1.2.3.4; `rootLength` is the root block's own length.
struct Image {
  std::uint16_t valueLength = 52;
  std::uint16_t rootLength = 40 + 52;
  bool withResourceDirectory = true;
  std::uint32_t versionType = 16;

  std::vector<std::uint8_t> Bytes() const {
    std::vector<std::uint8_t> b(0x200 + 0x100, 0);
    const auto put16 = [&](std::size_t at, std::uint32_t v) {
      b[at] = static_cast<std::uint8_t>(v);
      b[at + 1] = static_cast<std::uint8_t>(v >> 8);
    };
    const auto put32 = [&](std::size_t at, std::uint32_t v) {
      put16(at, v & 0xFFFF);
      put16(at + 2, v >> 16);
    };
    b[0] = 'M';
    b[1] = 'Z';
    put32(0x3C, 0x40);
    std::memcpy(&b[0x40], "PE\0\0", 4);
    put16(0x44, 0x14C);  // i386
    put16(0x46, 1);      // one section
    put16(0x54, 224);    // size of the optional header
    const std::size_t optional = 0x58;
    put16(optional, 0x10B);
    put32(optional + 92, 16);
    if (withResourceDirectory) {
      put32(optional + 96 + 2 * 8, 0x1000);
      put32(optional + 96 + 2 * 8 + 4, 0x100);
    }
    const std::size_t section = optional + 224;
    std::memcpy(&b[section], ".rsrc", 5);
    put32(section + 8, 0x100);    // virtual size
    put32(section + 12, 0x1000);  // virtual address
    put32(section + 16, 0x100);   // size of raw data
    put32(section + 20, 0x200);   // pointer to raw data
    // The resource tree: each directory 16 bytes and one entry of 8.
    const std::size_t r = 0x200;
    put16(r + 14, 1);
    put32(r + 16, versionType);
    put32(r + 20, 0x80000000u | 0x18);
    put16(r + 0x18 + 14, 1);
    put32(r + 0x18 + 16, 1);
    put32(r + 0x18 + 20, 0x80000000u | 0x30);
    put16(r + 0x30 + 14, 1);
    put32(r + 0x30 + 16, 0x409);
    put32(r + 0x30 + 20, 0x48);
    put32(r + 0x48, 0x1000 + 0x58);
    put32(r + 0x48 + 4, 40u + 52u);
    // The root block: its lengths, its type, its key, then the fixed block.
    const std::size_t root = r + 0x58;
    put16(root, rootLength);
    put16(root + 2, valueLength);
    const char16_t key[] = u"VS_VERSION_INFO";
    for (std::size_t i = 0; i < 15; ++i) put16(root + 6 + 2 * i, key[i]);
    const std::size_t fixed = root + 40;
    put32(fixed, 0xFEEF04BD);
    put32(fixed + 4, 0x00010000);
    put32(fixed + 8, 0x00010002);   // 1.2
    put32(fixed + 12, 0x00030004);  // 3.4
    put32(fixed + 32, 0x00040004);
    put32(fixed + 36, 2);
    return b;
  }
};

FixedBlock Find(const std::vector<std::uint8_t>& bytes, std::uint64_t size,
                bool failReads = false) {
  const ReadAt read = [&](std::uint64_t offset, std::span<std::uint8_t> into) {
    if (failReads || offset + into.size() > bytes.size()) return false;
    std::memcpy(into.data(), bytes.data() + offset, into.size());
    return true;
  };
  return FindFixedBlock(read, size);
}

TEST(PeVersion, TheFixedBlockOfAVersionedLibraryIsFoundAndComposed) {
  const std::vector<std::uint8_t> bytes = Image{}.Bytes();
  const FixedBlock found = Find(bytes, bytes.size());
  ASSERT_EQ(found.found, FixedBlock::Found::Block);
  const auto info = ComposeVersionInfo(found.bytes);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->FileVersion, "1.2.3.4");
  EXPECT_EQ(info->FileType, "DLL");
}

TEST(PeVersion, EachWayOfNotBeingAVersionedLibraryEndsAsThePlatformsReaderDoes) {
  using Found = FixedBlock::Found;
  std::vector<std::uint8_t> text(300, 'x');
  EXPECT_EQ(Find(text, text.size()).found, Found::NoResource) << "not an executable";
  EXPECT_EQ(Find({}, 0).found, Found::NoResource) << "empty";

  Image noResources;
  noResources.withResourceDirectory = false;
  EXPECT_EQ(Find(noResources.Bytes(), noResources.Bytes().size()).found, Found::NoResource);
  Image otherType;
  otherType.versionType = 3;  // icons, not a version
  EXPECT_EQ(Find(otherType.Bytes(), otherType.Bytes().size()).found, Found::NoResource);

  // A root block without a fixed block, with one cut short, or claiming more than it holds.
  for (const auto& [value, root] : {std::pair{0, 40}, std::pair{20, 60}, std::pair{52, 60}}) {
    Image image;
    image.valueLength = static_cast<std::uint16_t>(value);
    image.rootLength = static_cast<std::uint16_t>(root);
    EXPECT_EQ(Find(image.Bytes(), image.Bytes().size()).found, Found::NoFixedBlock)
        << value << " of " << root;
  }

  // A file cut off inside its resources, and one that cannot be read.
  const std::vector<std::uint8_t> whole = Image{}.Bytes();
  EXPECT_EQ(Find(whole, 0x200 + 0x30).found, Found::NoResource);
  EXPECT_EQ(Find(whole, whole.size(), true).found, Found::ReadFailed);
}

TEST(PeVersion, OffsetsLeadingOutsideTheFileAreNeverFollowed) {
  std::vector<std::uint8_t> bytes = Image{}.Bytes();
  // The version entry's data said to lie far beyond the file.
  bytes[0x200 + 0x48 + 3] = 0x7F;
  EXPECT_EQ(Find(bytes, bytes.size()).found, FixedBlock::Found::NoResource);
  // A directory claiming 65535 entries.
  bytes = Image{}.Bytes();
  bytes[0x200 + 14] = 0xFF;
  bytes[0x200 + 15] = 0xFF;
  EXPECT_NE(Find(bytes, bytes.size()).found, FixedBlock::Found::Block);
}

}  // namespace
}  // namespace tarnwell
