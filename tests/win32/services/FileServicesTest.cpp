// FileExists, the special folders and the shell's move and delete, against the real API.
#include "services/modGlobal.h"
#include "services/modMove.h"
#include "services/modSystem32.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <array>

#include "platform/WideText.h"
#include "tests/win32/services/ServiceTestSupport.h"

namespace tarnwell {
namespace {

// Boxes are shown, as the window shows them, for the tests' answerers to find.
testing::ShownReport report;

using modGlobal::FileExists;
using testing::DialogAnswerer;
using testing::PathPresent;
using testing::ReadTextFile;
using testing::ScratchFolder;
using testing::WriteTextFile;

constexpr wchar_t kForeignFolder[] = L"Pr\u00fcfung-\u65e5\u672c";

// ---- FileExists ------------------------------------------------------------------------------

class FileExistsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteTextFile(scratch.Path(L"Quandrel.dll"), "library");
    ASSERT_TRUE(testing::MakeFolder(scratch.Path(L"sub")));
  }
  ScratchFolder scratch;
};

TEST_F(FileExistsTest, PresentFileAndFolderAreFound) {
  EXPECT_TRUE(FileExists(scratch.Utf8(L"Quandrel.dll")));
  EXPECT_TRUE(FileExists(scratch.Utf8(L"sub")));
  EXPECT_TRUE(FileExists(scratch.Utf8()));
}

TEST_F(FileExistsTest, AbsentPathsAreNotFound) {
  EXPECT_FALSE(FileExists(scratch.Utf8(L"Quandrel.dl")));
  EXPECT_FALSE(FileExists(scratch.Utf8(L"missing\\Quandrel.dll")));
  EXPECT_FALSE(FileExists(scratch.Utf8(L"sub\\Quandrel.dll")));
}

TEST_F(FileExistsTest, WildcardsCountWhenSomethingMatches) {
  EXPECT_TRUE(FileExists(scratch.Utf8(L"*.dll")));
  EXPECT_TRUE(FileExists(scratch.Utf8(L"Quandre?.dll")));
  EXPECT_TRUE(FileExists(scratch.Utf8(L"s*")));
  EXPECT_FALSE(FileExists(scratch.Utf8(L"*.exe")));
  EXPECT_FALSE(FileExists(scratch.Utf8(L"Quandrel?.dll")));
  EXPECT_FALSE(FileExists(scratch.Utf8(L"sub\\*.dll")));
}

TEST_F(FileExistsTest, EmptyPathAndTrailingSeparatorAreNotFound) {
  EXPECT_FALSE(FileExists(""));
  EXPECT_FALSE(FileExists(scratch.Utf8() + "\\"));
  EXPECT_FALSE(FileExists(scratch.Utf8(L"sub") + "\\"));
}

TEST_F(FileExistsTest, NonAsciiPathsAreFound) {
  ASSERT_TRUE(testing::MakeFolder(scratch.Path(kForeignFolder)));
  const std::wstring file = std::wstring(kForeignFolder) + L"\\\u00e9t\u00e9.dll";
  WriteTextFile(scratch.Path(file), "x");
  ASSERT_TRUE(PathPresent(scratch.Path(file)));

  EXPECT_TRUE(FileExists(scratch.Utf8(kForeignFolder)));
  EXPECT_TRUE(FileExists(scratch.Utf8(file)));
  EXPECT_TRUE(FileExists(scratch.Utf8(std::wstring(kForeignFolder) + L"\\*.dll")));
  EXPECT_FALSE(FileExists(scratch.Utf8(std::wstring(kForeignFolder) + L"\\ete.dll")));
}

// ---- Special folders -------------------------------------------------------------------------

// The shell's own answer for the same id, by a different entry point.
std::string ShellFolderPath(int id) {
  std::array<wchar_t, MAX_PATH> buffer{};
  if (::SHGetFolderPathW(nullptr, id, nullptr, SHGFP_TYPE_CURRENT, buffer.data()) != S_OK) {
    return "";
  }
  return platform::Narrow(buffer.data());
}

TEST(SpecialFolder, SystemAndProgramFilesAreExistingFoldersAsTheShellWritesThem) {
  for (int id : {modSystem32::CSIDL_SYSTEMX86_ID, modSystem32::CSIDL_PROGRAM_FILES_ID}) {
    const std::string path = modSystem32::GetSpecialFolder(report, 0, id);
    ASSERT_FALSE(path.empty()) << "id " << id;
    EXPECT_EQ(path, ShellFolderPath(id)) << "id " << id;
    const DWORD attributes = ::GetFileAttributesW(platform::Widen(path).c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES) << path;
    EXPECT_NE(attributes & FILE_ATTRIBUTE_DIRECTORY, 0u) << path;
    EXPECT_EQ(path.find('\0'), std::string::npos);
    EXPECT_NE(path.back(), ' ') << "the blank-filled buffer leaked into \"" << path << "\"";
  }
}

TEST(SpecialFolder, FixedFormsUseTheirIds) {
  const testing::TestWindow owner(L"Tarnwell folder owner " + testing::UniqueSuffix());
  ASSERT_NE(owner.get(), nullptr);
  EXPECT_EQ(modSystem32::GetSystemFolder(report, owner.native()), ShellFolderPath(CSIDL_SYSTEMX86));
  EXPECT_EQ(modSystem32::GetProgramFilesFolder(report, owner.native()),
            ShellFolderPath(CSIDL_PROGRAM_FILES));
  EXPECT_NE(modSystem32::GetSystemFolder(report, 0), modSystem32::GetProgramFilesFolder(report, 0));
}

TEST(SpecialFolder, UnsupportedIdOrFolderWithoutPathGivesEmptyText) {
  DialogAnswerer answerer;
  EXPECT_EQ(modSystem32::GetSpecialFolder(report, 0, 0x7FFF), "");
  EXPECT_EQ(modSystem32::GetSpecialFolder(report, 0, -1), "");
  // "My Computer" exists but is no file-system folder.
  EXPECT_EQ(modSystem32::GetSpecialFolder(report, 0, CSIDL_DRIVES), "");
  EXPECT_TRUE(answerer.Finish().empty());
}

// ---- ShellMoveFile ---------------------------------------------------------------------------
// The owner window is not tested: Wine's shell shows no error dialog to own (a file held open, a
// locked destination, a missing folder all fail silently), and these calls never confirm.

class ShellMoveTest : public ::testing::Test {
 protected:
  ScratchFolder scratch;
  DialogAnswerer answerer;
};

TEST_F(ShellMoveTest, MovesTheFile) {
  WriteTextFile(scratch.Path(L"new.dll"), "new");
  modMove::ShellMoveFile(report, 0, scratch.Utf8(L"new.dll"), scratch.Utf8(L"Quandrel.dll"));
  EXPECT_FALSE(PathPresent(scratch.Path(L"new.dll")));
  EXPECT_EQ(ReadTextFile(scratch.Path(L"Quandrel.dll")), "new");
  EXPECT_TRUE(answerer.Finish().empty());
}

TEST_F(ShellMoveTest, ReplacesAnExistingDestinationWithoutAsking) {
  ASSERT_TRUE(testing::MakeFolder(scratch.Path(L"system")));
  WriteTextFile(scratch.Path(L"Quandrel.dll"), "new");
  WriteTextFile(scratch.Path(L"system\\Quandrel.dll"), "old");
  modMove::ShellMoveFile(report, 0, scratch.Utf8(L"Quandrel.dll"),
                         scratch.Utf8(L"system\\Quandrel.dll"));
  EXPECT_FALSE(PathPresent(scratch.Path(L"Quandrel.dll")));
  EXPECT_EQ(ReadTextFile(scratch.Path(L"system\\Quandrel.dll")), "new");
  EXPECT_TRUE(answerer.Finish().empty()) << "the shell asked a question";
}

TEST_F(ShellMoveTest, MovesBetweenNonAsciiPaths) {
  ASSERT_TRUE(testing::MakeFolder(scratch.Path(kForeignFolder)));
  const std::wstring source = std::wstring(kForeignFolder) + L"\\Quelle-\u00e4.dll";
  const std::wstring target = std::wstring(kForeignFolder) + L"\\\u65e5\u672c.dll";
  WriteTextFile(scratch.Path(source), "payload");
  modMove::ShellMoveFile(report, 0, scratch.Utf8(source), scratch.Utf8(target));
  EXPECT_FALSE(PathPresent(scratch.Path(source)));
  EXPECT_EQ(ReadTextFile(scratch.Path(target)), "payload");
  EXPECT_TRUE(answerer.Finish().empty());
}

TEST_F(ShellMoveTest, MissingSourceLeavesEverythingAsItWas) {
  WriteTextFile(scratch.Path(L"Quandrel.dll"), "installed");
  modMove::ShellMoveFile(report, 0, scratch.Utf8(L"absent.dll"), scratch.Utf8(L"Quandrel.dll"));
  EXPECT_EQ(ReadTextFile(scratch.Path(L"Quandrel.dll")), "installed");
  EXPECT_FALSE(PathPresent(scratch.Path(L"absent.dll")));
  EXPECT_TRUE(answerer.Finish().empty());
}

// ---- ShellDeleteFile -------------------------------------------------------------------------

class ShellDeleteTest : public ::testing::Test {
 protected:
  ScratchFolder scratch;
  DialogAnswerer answerer;
};

TEST_F(ShellDeleteTest, DeletesOnlyTheFile) {
  WriteTextFile(scratch.Path(L"Quandrel.dll"), "old");
  WriteTextFile(scratch.Path(L"Quandrel.dll.bak"), "keep");
  modMove::ShellDeleteFile(report, 0, scratch.Utf8(L"Quandrel.dll"));
  EXPECT_FALSE(PathPresent(scratch.Path(L"Quandrel.dll")));
  EXPECT_FALSE(FileExists(scratch.Utf8(L"Quandrel.dll")));
  EXPECT_EQ(ReadTextFile(scratch.Path(L"Quandrel.dll.bak")), "keep");
  EXPECT_TRUE(answerer.Finish().empty()) << "the shell asked a question";
}

TEST_F(ShellDeleteTest, MissingPathDoesNothing) {
  WriteTextFile(scratch.Path(L"Quandrel.dll"), "keep");
  modMove::ShellDeleteFile(report, 0, scratch.Utf8(L"Quandrel.dl"));
  modMove::ShellDeleteFile(report, 0, "");
  EXPECT_EQ(ReadTextFile(scratch.Path(L"Quandrel.dll")), "keep");
  EXPECT_TRUE(answerer.Finish().empty());
}

// Where Wine keeps its recycle bin: the XDG trash, seen through the drive that maps "/".
std::wstring WineTrashFolder() {
  std::array<wchar_t, 4096> buffer{};
  std::wstring unixPath;
  if (const DWORD n = ::GetEnvironmentVariableW(L"XDG_DATA_HOME", buffer.data(),
                                                static_cast<DWORD>(buffer.size()));
      n > 0 && n < buffer.size()) {
    unixPath.assign(buffer.data(), n);
  } else if (const DWORD m = ::GetEnvironmentVariableW(L"HOME", buffer.data(),
                                                       static_cast<DWORD>(buffer.size()));
             m > 0 && m < buffer.size()) {
    unixPath.assign(buffer.data(), m);
    unixPath += L"/.local/share";
  } else {
    return {};
  }
  std::wstring dosPath = L"Z:" + unixPath + L"/Trash";
  for (wchar_t& c : dosPath) {
    if (c == L'/') c = L'\\';
  }
  return dosPath;
}

TEST_F(ShellDeleteTest, FileGoesToTheTrashWhereOneExists) {
  if (!testing::RunningUnderWine()) GTEST_SKIP() << "the trash is looked at under Wine only";
  const std::wstring trash = WineTrashFolder();
  ASSERT_FALSE(trash.empty()) << "neither XDG_DATA_HOME nor HOME is set";
  ASSERT_TRUE(testing::MakeFolder(trash + L"\\files"));
  ASSERT_TRUE(testing::MakeFolder(trash + L"\\info"));

  const std::wstring name = L"Quandrel-" + testing::UniqueSuffix() + L".dll";
  WriteTextFile(scratch.Path(name), "to the bin");
  modMove::ShellDeleteFile(report, 0, scratch.Utf8(name));

  const std::wstring trashed = trash + L"\\files\\" + name;
  const std::wstring info = trash + L"\\info\\" + name + L".trashinfo";
  EXPECT_FALSE(PathPresent(scratch.Path(name)));
  EXPECT_EQ(ReadTextFile(trashed), "to the bin");
  EXPECT_TRUE(PathPresent(info));
  ::DeleteFileW(trashed.c_str());
  ::DeleteFileW(info.c_str());
  EXPECT_TRUE(answerer.Finish().empty());
}

}  // namespace
}  // namespace tarnwell
