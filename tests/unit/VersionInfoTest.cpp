#include "app/VersionInfo.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

namespace tarnwell {
namespace {

// A fixed block written field by field, laid out little-endian as the platform stores it.
struct FixedBlock {
  std::uint32_t signature = 0xFEEF04BD;
  std::uint32_t strucVersion = 0x00010000;
  std::uint32_t fileVersionMS = 0;
  std::uint32_t fileVersionLS = 0;
  std::uint32_t productVersionMS = 0;
  std::uint32_t productVersionLS = 0;
  std::uint32_t fileFlagsMask = 0x3F;
  std::uint32_t fileFlags = 0;
  std::uint32_t fileOS = 0x00040004;
  std::uint32_t fileType = 2;
  std::uint32_t fileSubtype = 0;
  std::uint32_t fileDateMS = 0;
  std::uint32_t fileDateLS = 0;

  std::vector<std::uint8_t> Bytes() const {
    const std::array<std::uint32_t, 13> words{
        signature,        strucVersion,  fileVersionMS, fileVersionLS, productVersionMS,
        productVersionLS, fileFlagsMask, fileFlags,     fileOS,        fileType,
        fileSubtype,      fileDateMS,    fileDateLS};
    std::vector<std::uint8_t> bytes;
    for (std::uint32_t word : words) {
      for (int shift = 0; shift < 32; shift += 8) {
        bytes.push_back(static_cast<std::uint8_t>(word >> shift));
      }
    }
    return bytes;
  }
};

VersionInfo Compose(const FixedBlock& block) {
  const std::vector<std::uint8_t> bytes = block.Bytes();
  const std::optional<VersionInfo> info = ComposeVersionInfo(bytes);
  EXPECT_TRUE(info.has_value());
  return info.value_or(VersionInfo{});
}

VersionInfo WithFlags(std::uint32_t flags) {
  FixedBlock block;
  block.fileFlags = flags;
  return Compose(block);
}

VersionInfo WithOS(std::uint32_t os) {
  FixedBlock block;
  block.fileOS = os;
  return Compose(block);
}

VersionInfo WithType(std::uint32_t type, std::uint32_t subtype) {
  FixedBlock block;
  block.fileType = type;
  block.fileSubtype = subtype;
  return Compose(block);
}

TEST(VersionInfoNumbers, HalvesAreWrittenHighThenLowJoinedByDots) {
  FixedBlock block;
  block.strucVersion = 0x00010000;
  block.fileVersionMS = 0x00020001;
  block.fileVersionLS = 0x00030004;
  block.productVersionMS = 0x000A000B;
  block.productVersionLS = 0x000C000D;
  const VersionInfo info = Compose(block);
  EXPECT_EQ(info.StrucVersion, "1.0");
  EXPECT_EQ(info.FileVersion, "2.1.3.4");
  EXPECT_EQ(info.ProductVersion, "10.11.12.13");
}

TEST(VersionInfoNumbers, ZeroHalvesAreWrittenAsZeroWithoutPadding) {
  FixedBlock block;
  block.fileVersionMS = 0x00010000;
  block.fileVersionLS = 0;
  block.strucVersion = 0;
  EXPECT_EQ(Compose(block).FileVersion, "1.0.0.0");
  EXPECT_EQ(Compose(block).StrucVersion, "0.0");
}

TEST(VersionInfoNumbers, HalvesWithTheTopBitSetAreUnsigned) {
  FixedBlock block;
  block.fileVersionMS = 0xFFFFFFFF;
  block.fileVersionLS = 0x80007FFF;
  block.productVersionMS = 0x8000FFFF;
  block.productVersionLS = 0x00018000;
  block.strucVersion = 0xFFFF8000;
  const VersionInfo info = Compose(block);
  EXPECT_EQ(info.FileVersion, "65535.65535.32768.32767");
  EXPECT_EQ(info.ProductVersion, "32768.65535.1.32768");
  EXPECT_EQ(info.StrucVersion, "65535.32768");
}

TEST(VersionInfoNumbers, FileAndProductVersionsComeFromTheirOwnWords) {
  FixedBlock block;
  block.fileVersionMS = 0x00010002;
  block.fileVersionLS = 0x00030004;
  block.productVersionMS = 0x00050006;
  block.productVersionLS = 0x00070008;
  const VersionInfo info = Compose(block);
  EXPECT_EQ(info.FileVersion, "1.2.3.4");
  EXPECT_EQ(info.ProductVersion, "5.6.7.8");
}

TEST(VersionInfoFlags, NoFlagGivesEmptyText) { EXPECT_EQ(WithFlags(0).FileFlags, ""); }

TEST(VersionInfoFlags, EachBitGivesItsWord) {
  EXPECT_EQ(WithFlags(0x01).FileFlags, "Debug");
  EXPECT_EQ(WithFlags(0x02).FileFlags, "PreRel");
  EXPECT_EQ(WithFlags(0x04).FileFlags, "Patched");
  EXPECT_EQ(WithFlags(0x08).FileFlags, "Private");
  EXPECT_EQ(WithFlags(0x10).FileFlags, "Info");
  EXPECT_EQ(WithFlags(0x20).FileFlags, "Special");
}

TEST(VersionInfoFlags, SeveralWordsAreInTableOrderWithSingleBlanks) {
  EXPECT_EQ(WithFlags(0x05).FileFlags, "Debug Patched");
  EXPECT_EQ(WithFlags(0x3F).FileFlags, "Debug PreRel Patched Private Info Special");
  EXPECT_EQ(WithFlags(0x30).FileFlags, "Info Special");
}

TEST(VersionInfoFlags, BitsAbove0x20AreIgnored) {
  EXPECT_EQ(WithFlags(0x40).FileFlags, "");
  EXPECT_EQ(WithFlags(0xFFFFFFC0).FileFlags, "");
  EXPECT_EQ(WithFlags(0xFFFFFFC2).FileFlags, "PreRel");
}

TEST(VersionInfoFlags, TheMaskIsNotApplied) {
  FixedBlock block;
  block.fileFlagsMask = 0;
  block.fileFlags = 0x09;
  EXPECT_EQ(Compose(block).FileFlags, "Debug Private");
}

TEST(VersionInfoOS, TheFiveTableValuesMatch) {
  EXPECT_EQ(WithOS(0x00010001).FileOS, "DOS-Win16");
  EXPECT_EQ(WithOS(0x00010004).FileOS, "DOS-Win32");
  EXPECT_EQ(WithOS(0x00020002).FileOS, "OS/2-16 PM-16");
  EXPECT_EQ(WithOS(0x00030003).FileOS, "OS/2-16 PM-32");
  EXPECT_EQ(WithOS(0x00040004).FileOS, "NT-Win32");
}

TEST(VersionInfoOS, OnlyWholeValuesMatch) {
  EXPECT_EQ(WithOS(0x00000004).FileOS, "Unknown");
  EXPECT_EQ(WithOS(0x00040000).FileOS, "Unknown");
  EXPECT_EQ(WithOS(0x00000000).FileOS, "Unknown");
  EXPECT_EQ(WithOS(0x00040005).FileOS, "Unknown");
  EXPECT_EQ(WithOS(0x10040004).FileOS, "Unknown");
}

TEST(VersionInfoType, TableTypesHaveTheirNamesAndNoSubtype) {
  const std::array<std::pair<std::uint32_t, const char*>, 5> types{
      {{1, "App"}, {2, "DLL"}, {4, "Font"}, {5, "VxD"}, {7, "Lib"}}};
  for (const auto& [type, name] : types) {
    // A subtype that would name a driver must not leak into other types.
    const VersionInfo info = WithType(type, 4);
    EXPECT_EQ(info.FileType, name) << "type " << type;
    EXPECT_EQ(info.FileSubType, "") << "type " << type;
  }
}

TEST(VersionInfoType, OtherTypesAreUnknownWithoutSubtype) {
  for (std::uint32_t type : {0u, 6u, 8u, 0xFFFFFFFFu, 0x00010002u}) {
    const VersionInfo info = WithType(type, 1);
    EXPECT_EQ(info.FileType, "Unknown") << "type " << type;
    EXPECT_EQ(info.FileSubType, "") << "type " << type;
  }
}

TEST(VersionInfoType, DriverSubtypesComeFromTheDriverTable) {
  const std::array<const char*, 11> names{
      "Unknown",     "Printer drv", "Keyboard drv", "Language drv", "Display drv", "Mouse drv",
      "Network drv", "System drv",  "Installable",  "Sound drv",    "Comm drv"};
  for (std::uint32_t subtype = 0; subtype < names.size(); ++subtype) {
    const VersionInfo info = WithType(3, subtype);
    EXPECT_EQ(info.FileType, "Driver");
    EXPECT_EQ(info.FileSubType, names[subtype]) << "subtype " << subtype;
  }
}

TEST(VersionInfoType, DriverSubtypesBeyondTheTableStayEmpty) {
  for (std::uint32_t subtype : {11u, 12u, 0x80000000u, 0xFFFFFFFFu, 0x00010001u}) {
    const VersionInfo info = WithType(3, subtype);
    EXPECT_EQ(info.FileType, "Driver");
    EXPECT_EQ(info.FileSubType, "") << "subtype " << subtype;
  }
}

TEST(VersionInfoBlock, ShorterThan52BytesGivesNothing) {
  const std::vector<std::uint8_t> full = FixedBlock{}.Bytes();
  EXPECT_FALSE(ComposeVersionInfo({}).has_value());
  EXPECT_FALSE(ComposeVersionInfo(std::span(full).first(51)).has_value());
}

TEST(VersionInfoBlock, BytesAfterThe52ndAreIgnored) {
  FixedBlock block;
  block.fileVersionMS = 0x00010002;
  block.fileVersionLS = 0x00030004;
  std::vector<std::uint8_t> bytes = block.Bytes();
  const VersionInfo exact = ComposeVersionInfo(bytes).value();
  bytes.insert(bytes.end(), 16, 0xFF);
  const std::optional<VersionInfo> longer = ComposeVersionInfo(bytes);
  ASSERT_TRUE(longer.has_value());
  EXPECT_EQ(*longer, exact);
  EXPECT_EQ(longer->FileVersion, "1.2.3.4");
}

TEST(VersionInfoBlock, ExactlyTheSpanIsRead) {
  // A block cut out of a larger buffer: a read past its end would see the 0xFF guard bytes.
  FixedBlock block;
  block.fileDateLS = 0;
  std::vector<std::uint8_t> buffer(4, 0xFF);
  const std::vector<std::uint8_t> bytes = block.Bytes();
  buffer.insert(buffer.end(), bytes.begin(), bytes.end());
  buffer.insert(buffer.end(), 4, 0xFF);
  const std::optional<VersionInfo> info =
      ComposeVersionInfo(std::span(buffer).subspan(4, kFixedFileInfoSize));
  ASSERT_TRUE(info.has_value());
  EXPECT_EQ(*info, Compose(block));
}

TEST(VersionInfoBlock, FieldsAreReadAtTheirOwnOffsets) {
  // Every word distinct, so a shifted offset would show up in some field.
  FixedBlock block;
  block.signature = 0x00990099;
  block.strucVersion = 0x00020003;
  block.fileVersionMS = 0x00040005;
  block.fileVersionLS = 0x00060007;
  block.productVersionMS = 0x00080009;
  block.productVersionLS = 0x000A000B;
  block.fileFlagsMask = 0x01;
  block.fileFlags = 0x02;
  block.fileOS = 0x00010004;
  block.fileType = 3;
  block.fileSubtype = 9;
  block.fileDateMS = 0x11111111;
  block.fileDateLS = 0x22222222;
  const VersionInfo expected{"2.3",       "4.5.6.7", "8.9.10.11", "PreRel",
                             "DOS-Win32", "Driver",  "Sound drv"};
  EXPECT_EQ(Compose(block), expected);
}

}  // namespace
}  // namespace tarnwell
