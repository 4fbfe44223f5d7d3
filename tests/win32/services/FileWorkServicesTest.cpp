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

// Whether another process could open `path` at all, for reading and sharing everything.
bool OthersCanOpen(const std::wstring& path) {
  const platform::FileHandle other(::CreateFileW(
      path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, 0, nullptr));
  return static_cast<bool>(other);
}

TEST(FileWorkServices, ACopyIsMadeOnlyAsANewFileWithTheSourcesContentForThisProgramAlone) {
  const ScratchFolder scratch;
  WriteTextFile(scratch.Path(L"Quandrel.dll"), "new library");
  WriteTextFile(scratch.Path(L"taken.dll"), "someone else's");
  {
    const platform::FileHandle staged =
        modFiles::CopyNew(report, scratch.Utf8(L"Quandrel.dll"), scratch.Utf8(L"staged.dll"));
    ASSERT_TRUE(staged);
    EXPECT_EQ(modFiles::FileSize(staged.get()), 11u);
    // Held for this program alone: nobody else can open it, so nobody can keep it from going.
    EXPECT_FALSE(OthersCanOpen(scratch.Path(L"staged.dll")));
    EXPECT_FALSE(::DeleteFileW(scratch.Path(L"staged.dll").c_str()));
  }
  EXPECT_EQ(ReadTextFile(scratch.Path(L"staged.dll")), "new library");
  EXPECT_EQ(ReadTextFile(scratch.Path(L"Quandrel.dll")), "new library");
  EXPECT_EQ(modFiles::FileSize(scratch.Utf8(L"staged.dll")), 11u);

  // An existing destination is neither replaced nor removed.
  EXPECT_FALSE(
      modFiles::CopyNew(report, scratch.Utf8(L"Quandrel.dll"), scratch.Utf8(L"taken.dll")));
  EXPECT_EQ(ReadTextFile(scratch.Path(L"taken.dll")), "someone else's");

  // Neither a missing source nor a folder is copied, and no empty file is left for them.
  EXPECT_FALSE(modFiles::CopyNew(report, scratch.Utf8(L"absent.dll"), scratch.Utf8(L"a.dll")));
  EXPECT_FALSE(modFiles::CopyNew(report, scratch.Utf8(), scratch.Utf8(L"b.dll")));
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
      modFiles::CopyNew(report, scratch.Utf8(L"Quandrel.dll"), scratch.Utf8(L"staged.dll")));
  EXPECT_EQ(scratch.Files(), std::vector<std::wstring>{L"Quandrel.dll"});
  // Nor can it be held: what is checked could change after the check.
  EXPECT_EQ(modFiles::OpenHeld(report, scratch.Utf8(L"Quandrel.dll")).state,
            Holding::State::Refused);
}

TEST(FileWorkServices, AHeldFileCannotBeWrittenRenamedOrDeletedByOthers) {
  const ScratchFolder scratch;
  WriteTextFile(scratch.Path(L"Quandrel.dll"), "checked");
  modFiles::Opened held = modFiles::OpenHeld(report, scratch.Utf8(L"Quandrel.dll"));
  ASSERT_EQ(held.state, Holding::State::Held);
  // Readers may look at it; nobody may change it.
  EXPECT_EQ(ReadTextFile(scratch.Path(L"Quandrel.dll")), "checked");
  EXPECT_FALSE(::DeleteFileW(scratch.Path(L"Quandrel.dll").c_str()));
  EXPECT_FALSE(::MoveFileExW(scratch.Path(L"Quandrel.dll").c_str(),
                             scratch.Path(L"elsewhere.dll").c_str(), 0));
  const platform::FileHandle writer(::CreateFileW(
      scratch.Path(L"Quandrel.dll").c_str(), GENERIC_WRITE,
      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_FALSE(writer);
  // Copied and removed through the handle.
  const platform::FileHandle copy =
      modFiles::CopyNew(report, held.file.get(), scratch.Utf8(L"copy.dll"));
  EXPECT_EQ(modFiles::FileSize(copy.get()), 7u);
  EXPECT_NE(modFiles::FinalPath(held.file.get()).find("Quandrel.dll"), std::string::npos);
  EXPECT_TRUE(modFiles::RemoveHeld(report, held.file.get()));
  held.file.reset();
  EXPECT_EQ(scratch.Files(), std::vector<std::wstring>{L"copy.dll"});
}

TEST(FileWorkServices, OnlyAPlainFileIsHeld) {
  const ScratchFolder scratch;
  WriteTextFile(scratch.Path(L"Quandrel.dll"), "one name");
  EXPECT_EQ(modFiles::OpenHeld(report, scratch.Utf8(L"absent.dll")).state, Holding::State::Missing);
  EXPECT_EQ(modFiles::OpenHeld(report, scratch.Utf8()).state, Holding::State::NotPlain)
      << "a folder";
  // A second name of a file (a hard link made by someone who could not write the file itself)
  // is refused under either name.
  ASSERT_TRUE(::CreateHardLinkW(scratch.Path(L"second.dll").c_str(),
                                scratch.Path(L"Quandrel.dll").c_str(), nullptr));
  EXPECT_EQ(modFiles::OpenHeld(report, scratch.Utf8(L"Quandrel.dll")).state,
            Holding::State::NotPlain);
  EXPECT_EQ(modFiles::OpenHeld(report, scratch.Utf8(L"second.dll")).state,
            Holding::State::NotPlain);
  ASSERT_TRUE(::DeleteFileW(scratch.Path(L"second.dll").c_str()));
  EXPECT_EQ(modFiles::OpenHeld(report, scratch.Utf8(L"Quandrel.dll")).state, Holding::State::Held);
}

TEST(FileWorkServices, AHeldFileRenamedIntoPlaceIsHeldAgainSharedOnlyWithWhoLetsItGo) {
  const ScratchFolder scratch;
  WriteTextFile(scratch.Path(L"Quandrel.dll"), "old");
  platform::FileHandle staged = modFiles::CreateMarker(report, scratch.Utf8(L"staged.dll"));
  ASSERT_TRUE(staged);
  EXPECT_TRUE(modFiles::RenameHeld(report, staged.get(), scratch.Utf8(L"Quandrel.dll")));
  EXPECT_EQ(scratch.Files(), std::vector<std::wstring>{L"Quandrel.dll"});
  staged.reset();
  const platform::FileHandle again = modFiles::Reopen(report, scratch.Utf8(L"Quandrel.dll"));
  ASSERT_TRUE(again);
  // The loader and the registration tool read it and let it be removed; a reader who would
  // keep it from being removed cannot open it.
  const platform::FileHandle loader(::CreateFileW(scratch.Path(L"Quandrel.dll").c_str(),
                                                  GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                                  nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_TRUE(loader);
  const platform::FileHandle keeper(::CreateFileW(scratch.Path(L"Quandrel.dll").c_str(),
                                                  GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                  OPEN_EXISTING, 0, nullptr));
  EXPECT_FALSE(keeper);
  EXPECT_EQ(modFiles::KindOf(scratch.Utf8(L"Quandrel.dll")), PathKind::File);
  EXPECT_EQ(modFiles::KindOf(scratch.Utf8()), PathKind::Folder);
  EXPECT_EQ(modFiles::KindOf(scratch.Utf8(L"absent")), PathKind::Nothing);
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
  {
    // A read-only file is one the program cannot use as its own.
    WriteTextFile(scratch.Path(L"frozen"), "x");
    ASSERT_TRUE(::SetFileAttributesW(scratch.Path(L"frozen").c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(modFiles::KindOf(scratch.Utf8(L"frozen")), PathKind::ReadOnlyFile);
    ASSERT_TRUE(::SetFileAttributesW(scratch.Path(L"frozen").c_str(), FILE_ATTRIBUTE_NORMAL));
    ASSERT_TRUE(::DeleteFileW(scratch.Path(L"frozen").c_str()));
  }

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
