// GetVersionInfo on libraries built with chosen version resources, and its three failures.
#include "services/modVersion.h"

#include <gtest/gtest.h>

#include "platform/UniqueHandle.h"
#include "platform/WideText.h"
#include "tests/win32/services/ServiceTestSupport.h"

namespace tarnwell {
namespace {

// Boxes are shown, as the window shows them, for the tests' answerers to find.
testing::ShownReport report;

using modVersion::GetVersionInfo;
using testing::DialogAnswerer;
using testing::SeenDialog;

// Built beside the test program with these resources (see CMakeLists.txt).
constexpr wchar_t kLowFixture[] = L"VersionFixture-1.2.3.4.dll";
constexpr wchar_t kHighFixture[] = L"VersionFixture-65535.dll";
constexpr wchar_t kEmptyBlockFixture[] = L"VersionFixture-EmptyBlock.dll";
constexpr wchar_t kShortBlockFixture[] = L"VersionFixture-ShortBlock.dll";
constexpr wchar_t kOverclaimedBlockFixture[] = L"VersionFixture-OverclaimedBlock.dll";
constexpr wchar_t kOverclaimedInResourceFixture[] = L"VersionFixture-OverclaimedInResource.dll";
constexpr wchar_t kNoResourceFixture[] = L"VersionFixture-NoResource.dll";

std::wstring Fixture(const wchar_t* name) { return testing::ExecutableFolder() + L"\\" + name; }

const VersionInfo kLow{"1.0", "1.2.3.4", "4.3.2.1", "", "NT-Win32", "DLL", ""};
const VersionInfo kHigh{
    "1.0", "65535.65535.65535.65535", "65535.65535.65535.65535", "Debug Special", "NT-Win32", "DLL",
    ""};

// Reads `path` while a helper answers any box; hands back the record and what was shown.
std::pair<VersionInfo, std::vector<SeenDialog>> ReadAnswering(const std::wstring& path) {
  DialogAnswerer answerer;
  VersionInfo info = GetVersionInfo(report, platform::Narrow(path));
  return {std::move(info), answerer.Finish()};
}

void ExpectOneBox(const std::vector<SeenDialog>& seen, const wchar_t* text) {
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].title, L"TarnwellUpdate");
  EXPECT_EQ(seen[0].text, text);
  EXPECT_FALSE(seen[0].iconShown);
}

TEST(GetVersionInfo, ReadsTheFixedBlockOfALibrary) {
  ASSERT_TRUE(testing::PathPresent(Fixture(kLowFixture)));
  const auto [info, seen] = ReadAnswering(Fixture(kLowFixture));
  EXPECT_EQ(info, kLow);
  EXPECT_TRUE(seen.empty());
}

TEST(GetVersionInfo, LargestPartsAreWrittenUnsigned) {
  const auto [info, seen] = ReadAnswering(Fixture(kHighFixture));
  EXPECT_EQ(info, kHigh);
  EXPECT_TRUE(seen.empty());
}

TEST(GetVersionInfo, ConsecutiveReadsAreIndependent) {
  const auto [high, seenHigh] = ReadAnswering(Fixture(kHighFixture));
  const auto [low, seenLow] = ReadAnswering(Fixture(kLowFixture));
  const auto [missing, seenMissing] = ReadAnswering(Fixture(L"absent.dll"));
  EXPECT_EQ(high, kHigh);
  EXPECT_EQ(low, kLow);
  EXPECT_EQ(missing, VersionInfo{});
  EXPECT_TRUE(seenHigh.empty());
  EXPECT_TRUE(seenLow.empty());
  EXPECT_EQ(seenMissing.size(), 1u);
}

TEST(GetVersionInfo, ReadsThroughANonAsciiPath) {
  testing::ScratchFolder scratch;
  const std::wstring folder = scratch.Path(L"Pr\u00fcfung-\u65e5\u672c");
  ASSERT_TRUE(testing::MakeFolder(folder));
  const std::wstring copy = folder + L"\\Quandrel.dll";
  ASSERT_TRUE(::CopyFileW(Fixture(kLowFixture).c_str(), copy.c_str(), FALSE));
  const auto [info, seen] = ReadAnswering(copy);
  EXPECT_EQ(info, kLow);
  EXPECT_TRUE(seen.empty());
}

TEST(GetVersionInfo, FileWithoutVersionResourceIsReportedAndGivesEmptyRecord) {
  testing::ScratchFolder scratch;
  testing::WriteTextFile(scratch.Path(L"Quandrel.dll"), "not a library");
  for (const std::wstring& path : {scratch.Path(L"Quandrel.dll"), Fixture(kNoResourceFixture)}) {
    SCOPED_TRACE(platform::Narrow(path));
    const auto [info, seen] = ReadAnswering(path);
    EXPECT_EQ(info, VersionInfo{});
    ExpectOneBox(seen, L"No version information available");
  }
}

TEST(GetVersionInfo, MissingFileIsReportedAsWithoutVersionInformation) {
  const auto [info, seen] = ReadAnswering(Fixture(L"absent.dll"));
  EXPECT_EQ(info, VersionInfo{});
  ExpectOneBox(seen, L"No version information available");
}

TEST(GetVersionInfo, RootBlockShorterThanTheFixedRecordIsReported) {
  for (const wchar_t* fixture : {kEmptyBlockFixture, kShortBlockFixture}) {
    SCOPED_TRACE(platform::Narrow(fixture));
    const auto [info, seen] = ReadAnswering(Fixture(fixture));
    EXPECT_EQ(info, VersionInfo{});
    ExpectOneBox(seen, L"Error getting fixed file version information");
  }
}

// The root claims 52 bytes, holds 2, and the claim runs past the end of the buffer the version
// library filled: composing a version from it would read memory that is not the file's.
TEST(GetVersionInfo, RootBlockClaimingMoreThanTheResourceHoldsIsReported) {
  // Past the end of the buffer, and past the end of the resource but inside the buffer.
  for (const wchar_t* fixture : {kOverclaimedBlockFixture, kOverclaimedInResourceFixture}) {
    SCOPED_TRACE(platform::Narrow(fixture));
    const auto [info, seen] = ReadAnswering(Fixture(fixture));
    EXPECT_EQ(info, VersionInfo{});
    ExpectOneBox(seen, L"Error getting fixed file version information");
  }
}

// The shipped copy's version is read from its own bytes, through the handle it is held by. That
// reader must agree with the platform's on every library, and fail with the same text.
TEST(GetVersionInfo, ReadThroughAHandleItAgreesWithThePlatformOnEveryLibrary) {
  for (const wchar_t* name :
       {kLowFixture, kHighFixture, kEmptyBlockFixture, kShortBlockFixture, kOverclaimedBlockFixture,
        kOverclaimedInResourceFixture, kNoResourceFixture}) {
    SCOPED_TRACE(platform::Narrow(name));
    const auto [byPath, boxesByPath] = ReadAnswering(Fixture(name));
    const platform::FileHandle file(::CreateFileW(
        Fixture(name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file);
    DialogAnswerer answerer;
    const VersionInfo byHandle = GetVersionInfo(report, file.get());
    const std::vector<SeenDialog> boxesByHandle = answerer.Finish();
    EXPECT_EQ(byHandle, byPath);
    ASSERT_EQ(boxesByHandle.size(), boxesByPath.size());
    for (std::size_t i = 0; i < boxesByPath.size(); ++i) {
      EXPECT_EQ(boxesByHandle[i].text, boxesByPath[i].text);
    }
  }
  // A file that is no executable at all.
  const testing::ScratchFolder scratch;
  testing::WriteTextFile(scratch.Path(L"text.dll"), "MZ, but nothing more");
  const platform::FileHandle text(::CreateFileW(scratch.Path(L"text.dll").c_str(), GENERIC_READ,
                                                FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                                nullptr));
  ASSERT_TRUE(text);
  DialogAnswerer answerer;
  EXPECT_EQ(GetVersionInfo(report, text.get()), VersionInfo{});
  ExpectOneBox(answerer.Finish(), platform::Widen(modVersion::kNoVersionInfo).c_str());
}

}  // namespace
}  // namespace tarnwell
