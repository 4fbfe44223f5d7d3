// The library search of the program: restricted to the system folder, with the fallbacks for a
// system that lacks SetDefaultDllDirectories and the LOAD_LIBRARY_SEARCH_* flags.
#include "platform/DllSearch.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "platform/WideText.h"
#include "tests/support/Files.h"

namespace tarnwell {
namespace {

std::wstring DllDirectory() {
  std::array<wchar_t, MAX_PATH> buffer{};
  const DWORD length = ::GetDllDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
  return std::wstring(buffer.data(), length < buffer.size() ? length : 0);
}

std::wstring ModulePath(HMODULE module) {
  std::array<wchar_t, MAX_PATH> buffer{};
  const DWORD length = ::GetModuleFileNameW(module, buffer.data(), buffer.size());
  return std::wstring(buffer.data(), length);
}

std::wstring SystemFolder() {
  std::array<wchar_t, MAX_PATH> buffer{};
  const UINT length = ::GetSystemDirectoryW(buffer.data(), buffer.size());
  return std::wstring(buffer.data(), length);
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
  return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// Stand-ins for SetDefaultDllDirectories that record what they were asked.
DWORD requestedFlags = 0;
BOOL WINAPI AcceptingSetDefaultDllDirectories(DWORD flags) {
  requestedFlags = flags;
  return TRUE;
}
BOOL WINAPI FailingSetDefaultDllDirectories(DWORD flags) {
  requestedFlags = flags;
  ::SetLastError(ERROR_INVALID_PARAMETER);
  return FALSE;
}

// The DLL directory is the process's: every case starts from a known one and puts the default
// back afterwards.
class RestrictDllSearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    requestedFlags = 0;
    ASSERT_TRUE(::SetDllDirectoryW(marker_.c_str()));
    ASSERT_EQ(DllDirectory(), marker_);
  }
  void TearDown() override { ::SetDllDirectoryW(nullptr); }

  const std::wstring marker_ = testing::ExecutableFolder();
};

TEST_F(RestrictDllSearchTest, WithoutSetDefaultDllDirectoriesTheDllDirectoryIsEmptied) {
  EXPECT_TRUE(platform::RestrictDllSearch(nullptr));
  EXPECT_EQ(DllDirectory(), L"");
}

TEST_F(RestrictDllSearchTest, SetDefaultDllDirectoriesIsAskedForTheSystemFolderAlone) {
  EXPECT_TRUE(platform::RestrictDllSearch(&AcceptingSetDefaultDllDirectories));
  EXPECT_EQ(requestedFlags, static_cast<DWORD>(LOAD_LIBRARY_SEARCH_SYSTEM32));
  EXPECT_EQ(DllDirectory(), marker_) << "the fallback ran although it was not needed";
}

TEST_F(RestrictDllSearchTest, WhenSetDefaultDllDirectoriesFailsTheDllDirectoryIsEmptied) {
  EXPECT_TRUE(platform::RestrictDllSearch(&FailingSetDefaultDllDirectories));
  EXPECT_EQ(requestedFlags, static_cast<DWORD>(LOAD_LIBRARY_SEARCH_SYSTEM32));
  EXPECT_EQ(DllDirectory(), L"");
}

TEST(LoadSystemLibrary, LoadsFromTheSystemFolderByFullPathAndNeverFromBesideTheProgram) {
  const platform::ModuleHandle byPath = platform::LoadFromSystemFolder(L"version.dll");
  ASSERT_TRUE(byPath);
  const std::wstring path = ModulePath(byPath.get());
  EXPECT_TRUE(SamePath(path, SystemFolder() + L"\\version.dll")) << platform::Narrow(path);
  const platform::ModuleHandle either = platform::LoadSystemLibrary(L"version.dll");
  EXPECT_EQ(either.get(), byPath.get());

  // A library that lies beside this program only: a search would find it there, neither
  // route may.
  constexpr wchar_t kBesideOnly[] = L"VersionFixture-1.2.3.4.dll";
  EXPECT_FALSE(platform::LoadFromSystemFolder(kBesideOnly));
  EXPECT_FALSE(platform::LoadSystemLibrary(kBesideOnly));
  const platform::ModuleHandle searched(::LoadLibraryW(kBesideOnly));
  EXPECT_TRUE(searched) << "the library beside the program is not there to be refused";
}

}  // namespace
}  // namespace tarnwell
