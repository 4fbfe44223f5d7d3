// Starting a program with a normal user's rights. LaunchReport.exe, built beside this program,
// writes what it was started with into its working folder.

#include "win32/NormalUserLaunch.h"

#include <winsafer.h>

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/UniqueHandle.h"
#include "tests/support/Files.h"
#include "tests/support/ScratchFolder.h"

namespace tarnwell::win32 {
namespace {

using platform::KernelHandle;

constexpr DWORD kPatienceMs = 60'000;

std::wstring ReportProgram() { return testing::ExecutableFolder() + L"\\LaunchReport.exe"; }

// The report LaunchReport.exe left in `folder`, by key; empty when it left none.
std::map<std::wstring, std::wstring> ReportIn(const std::wstring& folder) {
  std::map<std::wstring, std::wstring> report;
  for (const std::wstring& line : testing::ReadLines(folder + L"\\launch-report.txt")) {
    const std::size_t equals = line.find(L'=');
    if (equals != std::wstring::npos) report[line.substr(0, equals)] = line.substr(equals + 1);
  }
  return report;
}

std::wstring NewFolder(const testing::ScratchFolder& scratch) {
  const std::wstring folder = scratch.Path(L"Arbeitsordner \u00e9t\u00e9");
  return testing::MakeFolder(folder) ? folder : std::wstring();
}

bool Ended(const KernelHandle& process) {
  return ::WaitForSingleObject(process.get(), kPatienceMs) == WAIT_OBJECT_0;
}

// Whether the Safer level hands out a real token here. Wine 8's Safer functions are stubs that
// report success with a made-up handle.
bool SaferGivesARealToken() {
  platform::SaferLevel level;
  KernelHandle token;
  TOKEN_TYPE type{};
  DWORD size = 0;
  return ::SaferCreateLevel(SAFER_SCOPEID_USER, SAFER_LEVELID_NORMALUSER, SAFER_LEVEL_OPEN,
                            level.put(), nullptr) &&
         ::SaferComputeTokenFromLevel(level.get(), nullptr, token.put(), 0, nullptr) &&
         ::GetTokenInformation(token.get(), TokenType, &type, sizeof type, &size);
}

TEST(LaunchAsNormalUser, StartsTheProgramUnelevatedInItsFolder) {
  const testing::ScratchFolder scratch;
  const std::wstring folder = NewFolder(scratch);
  ASSERT_FALSE(folder.empty());
  const KernelHandle process = LaunchAsNormalUser(ReportProgram(), folder, SW_SHOWMINNOACTIVE);
  // Under Wine the normal-user level is a stub; the unelevated twin then serves.
  ASSERT_TRUE(process);
  ASSERT_TRUE(Ended(process));
  auto report = ReportIn(folder);
  EXPECT_EQ(report[L"command"], L"\"" + ReportProgram() + L"\"");
  EXPECT_EQ(report[L"show"], std::to_wstring(SW_SHOWMINNOACTIVE));
  EXPECT_EQ(report[L"elevated"], L"0");
  if (SaferGivesARealToken()) {
    EXPECT_EQ(report[L"administrators"], L"0");
  }
}

// The start beneath LaunchAsNormalUser, with a token that is real under Wine too: the limited
// twin an elevated token carries. That the program runs with it shows in its elevation type.
TEST(LaunchWithToken, StartsTheProgramInTheFolderWithTheTokenGiven) {
  KernelHandle own;
  ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, own.put()));
  TOKEN_ELEVATION_TYPE ownType{};
  DWORD size = 0;
  ASSERT_TRUE(
      ::GetTokenInformation(own.get(), TokenElevationType, &ownType, sizeof ownType, &size));
  ASSERT_EQ(ownType, TokenElevationTypeFull) << "needs an elevated test run with a limited twin";
  TOKEN_LINKED_TOKEN linked{};
  ASSERT_TRUE(::GetTokenInformation(own.get(), TokenLinkedToken, &linked, sizeof linked, &size));
  const KernelHandle limited(linked.LinkedToken);
  KernelHandle primary;
  ASSERT_TRUE(::DuplicateTokenEx(limited.get(), MAXIMUM_ALLOWED, nullptr, SecurityImpersonation,
                                 TokenPrimary, primary.put()));

  const testing::ScratchFolder scratch;
  const std::wstring folder = NewFolder(scratch);
  ASSERT_FALSE(folder.empty());
  const KernelHandle process =
      LaunchWithToken(primary.get(), ReportProgram(), folder, SW_SHOWMINNOACTIVE);
  ASSERT_TRUE(process);
  ASSERT_TRUE(Ended(process));
  DWORD exitCode = 1;
  EXPECT_TRUE(::GetExitCodeProcess(process.get(), &exitCode) && exitCode == 0);
  auto report = ReportIn(folder);
  ASSERT_FALSE(report.empty()) << "no report in the working folder";
  EXPECT_EQ(report[L"command"], L"\"" + ReportProgram() + L"\"");
  EXPECT_EQ(report[L"show"], std::to_wstring(SW_SHOWMINNOACTIVE));
  EXPECT_EQ(report[L"elevated"], L"0");
  EXPECT_EQ(report[L"elevation-type"], std::to_wstring(TokenElevationTypeLimited));
}

}  // namespace
}  // namespace tarnwell::win32
