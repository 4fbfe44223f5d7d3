// The test doubles keep the promises the end-to-end tests rely on. When one of these fails,
// a failing scenario says nothing about the program.

#include <gtest/gtest.h>

#include <shlobj.h>

#include "tests/e2e/Steps.h"
#include "tests/e2e/driver/Scenario.h"

namespace tarnwell::e2e {
namespace {

ScenarioOptions WithoutProgram() {
  ScenarioOptions options;
  options.program = false;
  return options;
}

std::wstring RegSvr32() {
  wchar_t system[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, CSIDL_SYSTEM, nullptr, SHGFP_TYPE_CURRENT, system);
  return std::wstring(system) + L"\\regsvr32.exe";
}

bool WaitForLogLine(const Scenario& scenario, const std::wstring& line) {
  return WaitUntil([&] { return HostLogHas(scenario, line); });
}

TEST(QuandrelFixture, CarriesTheVersionItWasBuiltWith) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"1.2.3.4", L"1.2.3.4"},
      {L"1.2.10.0", L"1.2.10.0"},
      {L"1.0.0.300", L"1.0.0.300"},
      {L"65535.65535.65535.65535", L"65535.65535.65535.65535"},
      {L"1.2.3.5-register-fails", L"1.2.3.5"},
      {L"1.2.3.5-padded", L"1.2.3.5"},
      {L"unversioned", L"none"},
  };
  for (const auto& [fixture, version] : cases) {
    SCOPED_TRACE(Narrow(fixture));
    EXPECT_EQ(FileVersionOf(Scenario::FixturePath(fixture)).value_or(L"none"), version);
  }
}

TEST(QuandrelFixture, RegistrationLogsTheCallAndReportsThroughRegSvr32) {
  Scenario scenario(WithoutProgram());
  const std::wstring copy = scenario.ProgramFolder() + L"\\Quandrel.dll";
  ASSERT_TRUE(CopyFileW(Scenario::FixturePath(L"1.2.3.4").c_str(), copy.c_str(), FALSE));
  const std::wstring failing = scenario.ProgramFolder() + L"\\failing\\Quandrel.dll";
  CreateDirectoryW((scenario.ProgramFolder() + L"\\failing").c_str(), nullptr);
  ASSERT_TRUE(
      CopyFileW(Scenario::FixturePath(L"1.2.3.5-register-fails").c_str(), failing.c_str(), FALSE));

  EXPECT_EQ(scenario.Run(RegSvr32(), L"/s \"" + copy + L"\"").WaitForExit(), 0u);
  EXPECT_EQ(scenario.Run(RegSvr32(), L"/u /s \"" + copy + L"\"").WaitForExit(), 0u);
  EXPECT_EQ(scenario.Run(RegSvr32(), L"/s \"" + failing + L"\"").WaitForExit(), 5u);

  const std::vector<std::wstring> expected = {L"register " + copy + L" 1.2.3.4",
                                              L"unregister " + copy + L" 1.2.3.4",
                                              L"register " + failing + L" 1.2.3.5"};
  EXPECT_EQ(scenario.RegistrationLog(), expected);
}

TEST(QuandrelFixture, PaddedBuildIsTwoMegabytesLarger) {
  EXPECT_GE(Scenario::FixtureBytes(L"1.2.3.5-padded").size(),
            Scenario::FixtureBytes(L"1.2.3.5").size() + 2 * 1024 * 1024);
}

// With QUANDREL_REGISTER_DELAY_MS the registration logs its beginning, and its end only once
// the delay is over: a run killed meanwhile leaves no "register" line.
TEST(QuandrelFixture, DelayedRegistrationLogsItsBeginningAndItsEndApart) {
  Scenario scenario(WithoutProgram());
  const std::wstring copy = scenario.ProgramFolder() + L"\\Quandrel.dll";
  ASSERT_TRUE(CopyFileW(Scenario::FixturePath(L"1.2.3.4").c_str(), copy.c_str(), FALSE));
  {
    const EnvironmentOverride slow(L"QUANDREL_REGISTER_DELAY_MS", L"60000");
    Process killed = scenario.Run(RegSvr32(), L"/s \"" + copy + L"\"");
    ASSERT_TRUE(WaitUntil([&] { return !scenario.RegistrationLog().empty(); }, kWindowTimeoutMs));
    killed.Kill();
    ASSERT_FALSE(killed.Running());
  }
  {
    const EnvironmentOverride slow(L"QUANDREL_REGISTER_DELAY_MS", L"100");
    EXPECT_EQ(scenario.Run(RegSvr32(), L"/s \"" + copy + L"\"").WaitForExit(), 0u);
  }
  const std::vector<std::wstring> expected = {L"register-begin " + copy + L" 1.2.3.4",
                                              L"register-begin " + copy + L" 1.2.3.4",
                                              L"register " + copy + L" 1.2.3.4"};
  EXPECT_EQ(scenario.RegistrationLog(), expected);
}

TEST(CorvexFixture, ClosesOnACloseRequestAndLogsItsLife) {
  Scenario scenario(WithoutProgram());
  scenario.InstallHost();
  HWND host = scenario.StartHost();
  ASSERT_NE(host, nullptr);
  EXPECT_TRUE(IsWindowEnabled(host));

  ASSERT_TRUE(CloseHost(host));
  const std::wstring folder = scenario.HostPath().substr(0, scenario.HostPath().rfind(L'\\'));
  const std::vector<std::wstring> expected = {StartedByFullPath(scenario.HostPath()),
                                              L"folder " + folder, L"close-request", L"window-gone",
                                              L"exit"};
  EXPECT_EQ(scenario.HostLog(), expected);
}

TEST(CorvexFixture, RefusingHostKeepsItsWindow) {
  Scenario scenario(WithoutProgram());
  HostSettings settings;
  settings.mode = L"refuse";
  scenario.InstallHost(settings);
  HWND host = scenario.StartHost();
  ASSERT_NE(host, nullptr);

  ASSERT_TRUE(PostMessageW(host, WM_CLOSE, 0, 0));
  ASSERT_TRUE(WaitForLogLine(scenario, L"close-refused"));
  EXPECT_TRUE(IsWindow(host));
}

TEST(CorvexFixture, DisabledHostHasADisabledWindow) {
  Scenario scenario(WithoutProgram());
  HostSettings settings;
  settings.mode = L"disabled";
  scenario.InstallHost(settings);
  HWND host = scenario.StartHost();
  ASSERT_NE(host, nullptr);
  EXPECT_FALSE(IsWindowEnabled(host));
}

TEST(CorvexFixture, HeldFileCannotBeDeletedUntilTheHostHasExited) {
  Scenario scenario(WithoutProgram());
  const std::wstring held = scenario.ProgramFolder() + L"\\Quandrel.dll";
  ASSERT_TRUE(CopyFileW(Scenario::FixturePath(L"1.2.3.4").c_str(), held.c_str(), FALSE));
  HostSettings settings;
  settings.holdFile = held;
  scenario.InstallHost(settings);
  HWND host = scenario.StartHost();
  ASSERT_NE(host, nullptr);
  ASSERT_TRUE(WaitForLogLine(scenario, L"hold " + held));

  EXPECT_FALSE(DeleteFileW(held.c_str()));
  EXPECT_TRUE(FileExists(held));

  ASSERT_TRUE(CloseHost(host));
  EXPECT_TRUE(DeleteFileW(held.c_str()));
}

}  // namespace
}  // namespace tarnwell::e2e
