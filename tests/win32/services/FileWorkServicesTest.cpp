// The plain file operations of the install and the update, against the real API: each answers
// whether it worked, and a failed copy leaves nothing behind.
#include "services/modFiles.h"

#include <gtest/gtest.h>

#include "platform/UniqueHandle.h"
#include "tests/win32/services/ServiceTestSupport.h"

namespace tarnwell {
namespace {

// Boxes are shown, as the window shows them, for the tests' answerers to find.
testing::ShownReport report;

using testing::ReadTextFile;
using testing::ScratchFolder;
using testing::WriteTextFile;

TEST(FileWorkServices, ACopyIsMadeOnlyAsANewFileWithTheSourcesContent) {
  const ScratchFolder scratch;
  WriteTextFile(scratch.Path(L"Quandrel.dll"), "new library");
  WriteTextFile(scratch.Path(L"taken.dll"), "someone else's");

  EXPECT_TRUE(
      modFiles::CopyNewFile(report, scratch.Utf8(L"Quandrel.dll"), scratch.Utf8(L"staged.dll")));
  EXPECT_EQ(ReadTextFile(scratch.Path(L"staged.dll")), "new library");
  EXPECT_EQ(ReadTextFile(scratch.Path(L"Quandrel.dll")), "new library");
  EXPECT_EQ(modFiles::FileSize(scratch.Utf8(L"staged.dll")), 11u);

  // An existing destination is neither replaced nor removed.
  EXPECT_FALSE(
      modFiles::CopyNewFile(report, scratch.Utf8(L"Quandrel.dll"), scratch.Utf8(L"taken.dll")));
  EXPECT_EQ(ReadTextFile(scratch.Path(L"taken.dll")), "someone else's");

  // Neither a missing source nor a folder is copied, and no empty file is left for them.
  EXPECT_FALSE(modFiles::CopyNewFile(report, scratch.Utf8(L"absent.dll"), scratch.Utf8(L"a.dll")));
  EXPECT_FALSE(modFiles::CopyNewFile(report, scratch.Utf8(), scratch.Utf8(L"b.dll")));
  EXPECT_EQ(scratch.Files(),
            (std::vector<std::wstring>{L"Quandrel.dll", L"staged.dll", L"taken.dll"}));
}

TEST(FileWorkServices, ASourceSomeoneIsWritingIsNotCopied) {
  const ScratchFolder scratch;
  WriteTextFile(scratch.Path(L"Quandrel.dll"), "half written");
  const platform::FileHandle writer(::CreateFileW(scratch.Path(L"Quandrel.dll").c_str(),
                                                  GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                  nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(writer);
  EXPECT_FALSE(
      modFiles::CopyNewFile(report, scratch.Utf8(L"Quandrel.dll"), scratch.Utf8(L"staged.dll")));
  EXPECT_EQ(scratch.Files(), std::vector<std::wstring>{L"Quandrel.dll"});
}

TEST(FileWorkServices, RenameReplacesRemoveAndMarkerAnswerTheTruth) {
  const ScratchFolder scratch;
  WriteTextFile(scratch.Path(L"staged.dll"), "new");
  WriteTextFile(scratch.Path(L"Quandrel.dll"), "old");

  EXPECT_TRUE(
      modFiles::RenameFile(report, scratch.Utf8(L"staged.dll"), scratch.Utf8(L"Quandrel.dll")));
  EXPECT_EQ(ReadTextFile(scratch.Path(L"Quandrel.dll")), "new");
  EXPECT_FALSE(
      modFiles::RenameFile(report, scratch.Utf8(L"staged.dll"), scratch.Utf8(L"Quandrel.dll")));
  EXPECT_EQ(ReadTextFile(scratch.Path(L"Quandrel.dll")), "new");

  EXPECT_TRUE(modFiles::CreateMarker(report, scratch.Utf8(L"journal")));
  EXPECT_EQ(modFiles::FileSize(scratch.Utf8(L"journal")), 0u);
  EXPECT_FALSE(modFiles::CreateMarker(report, scratch.Utf8(L"missing\\journal")));

  EXPECT_TRUE(modFiles::RemoveFile(report, scratch.Utf8(L"journal")));
  EXPECT_TRUE(modFiles::RemoveFile(report, scratch.Utf8(L"journal"))) << "gone is gone";
  {
    // Held open without delete sharing, it stays, and the answer says so.
    const platform::FileHandle holder(::CreateFileW(scratch.Path(L"Quandrel.dll").c_str(),
                                                    GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                    OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);
    EXPECT_FALSE(modFiles::RemoveFile(report, scratch.Utf8(L"Quandrel.dll")));
  }
  EXPECT_EQ(scratch.Files(), std::vector<std::wstring>{L"Quandrel.dll"});
  EXPECT_EQ(modFiles::FileSize(scratch.Utf8(L"absent.dll")), std::nullopt);
  EXPECT_EQ(modFiles::FileSize(scratch.Utf8()), std::nullopt);
}

}  // namespace
}  // namespace tarnwell
